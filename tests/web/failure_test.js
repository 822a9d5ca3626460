// The page when something cannot load, and in a hidden tab, in headless Chromium: without
// sparkler.wasm it says so in a plain sentence (never the runtime's abort text), also when the
// program's worker could not start before the page's own script came; without the
// waves the scene runs and a click lights it silently, with a sentence saying the sound is
// missing; a hidden tab suspends the audio context and runs no pass, and coming back resumes
// both. The folders served are the build's with files left out (links to the rest).
// Usage: node failure_test.js BUILD-WEB WORK-DIR
'use strict';
const path = require('path');
const { serve } = require('../../tools/web_serve');
const { launch, siteFrom } = require('./browser');

const build = path.resolve(process.argv[2]);
const work = path.resolve(process.argv[3] || 'failures');
const failures = [];
function check(ok, what) {
  console.log((ok ? 'ok   ' : 'FAIL ') + what);
  if (!ok) failures.push(what);
}
const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

// A folder of links to the build's page files, without those named in `leaveOut`.
function pageWithout(name, leaveOut) {
  return siteFrom(build, path.join(work, name), { leaveOut });
}

async function open(browser, folder) {
  const { server, url } = await serve(folder);
  const page = await browser.newPage();
  await page.setViewport({ width: 1024, height: 800 });
  await page.goto(url);
  return { page, server };
}

// A tab whose page.js comes a second and a half after it is asked for.
async function withLatePageScript(browser) {
  const page = await browser.newPage();
  await page.setViewport({ width: 1024, height: 800 });
  await page.setRequestInterception(true);
  page.on('request', (request) => {
    if (/\/page\.js$/.test(request.url())) setTimeout(() => request.continue(), 1500);
    else request.continue();
  });
  return page;
}

async function main() {
  const { browser, close } = await launch();
  try {
    {
      const { page, server } = await open(browser, pageWithout('no-wasm', ['sparkler.wasm']));
      await page.waitForFunction(() => page.failed === true, { timeout: 15000 }).catch(() => {});
      const shown = await page.evaluate(() => ({ failed: page.failed, text: document.body.innerText }));
      console.log('without the wasm: ' + JSON.stringify(shown.text));
      check(shown.failed && /could not be loaded/.test(shown.text), 'without the wasm the page says it could not be loaded');
      check(!/Aborted|RuntimeError|wasm|Loading the sparkler/.test(shown.text),
        'and shows neither the runtime\'s abort text nor the loading line');
      await page.close();
      server.close();
    }
    {
      // The worker's script is missing, and the page's own script comes a second and a half
      // late: the worker's failure, told before page.js listens, is still said.
      const { server, url } = await serve(pageWithout('no-worker', ['sparkler-worker.js', 'sparkler.wasm']));
      const page = await withLatePageScript(browser);
      await page.goto(url);
      await page.waitForFunction(() => window.page && page.failed === true, { timeout: 15000 }).catch(() => {});
      const shown = await page.evaluate(() => ({ worker: window.page ? page.worker !== null : null, failed: window.page ? page.failed : null,
                                                 text: document.body.innerText }));
      console.log('without the worker\'s script, the page\'s late: ' + JSON.stringify(shown));
      check(shown.worker !== false && shown.failed && /could not be loaded/.test(shown.text),
        'when the worker failed before the page\'s script came, the page still says it could not be loaded');
      await page.close();
      server.close();
    }
    {
      // All there, the page's own script late: the worker's first frames, told before page.js
      // listens, are taken when it comes, and the scene runs.
      const { server, url } = await serve(build);
      const page = await withLatePageScript(browser);
      await page.goto(url);
      await page.waitForFunction(() => window.page && page.ready === true && page.firstFrameAt > 0 &&
                                       Module._sparkler_passes() > 30, { timeout: 15000 }).catch(() => {});
      const shown = await page.evaluate(() => window.page && ({ ready: page.ready, firstFrameAt: Math.round(page.firstFrameAt),
                                                                passes: Module._sparkler_passes(), failed: page.failed }));
      console.log('the page\'s script late: ' + JSON.stringify(shown));
      check(shown && shown.ready && shown.firstFrameAt > 0 && shown.passes > 30 && !shown.failed,
        'with the page\'s script late the scene still starts and runs');
      await page.close();
      server.close();
    }
    {
      const { page, server } = await open(browser, pageWithout('no-sounds', ['Sparkler.wav', 'BackgroundSound.wav', 'Sparkler.webm', 'BackgroundSound.webm', 'Sparkler.m4a', 'BackgroundSound.m4a']));
      await page.waitForFunction(() => page.ready === true && Module._sparkler_passes() > 10, { timeout: 30000 });
      await page.mouse.click(512, 384);
      await page.waitForFunction(() => page.person === true, { timeout: 10000 }).catch(() => {});
      const p0 = await page.evaluate(() => Module._sparkler_passes());
      await sleep(500);
      const shown = await page.evaluate((n) => ({
        person: page.person, advanced: Module._sparkler_passes() - n,
        status: document.getElementById('status').textContent
      }), p0);
      console.log('without the waves: ' + JSON.stringify(shown));
      check(shown.person && shown.advanced > 10, 'without the waves a click lights the sparkler and it runs');
      check(/sound could not be loaded/.test(shown.status), 'and the page says the sound could not be loaded');
      await page.close();
      server.close();
    }
    {
      const { page, server } = await open(browser, build);
      await page.waitForFunction(() => page.ready === true, { timeout: 30000 });
      await page.mouse.click(512, 384);
      await page.waitForFunction(() => page.person === true, { timeout: 10000 });
      // Headless Chromium keeps every tab visible: the tab is hidden as the browser would
      // hide it, by its visibility state and the event.
      const setHidden = (hidden) => page.evaluate((h) => {
        Object.defineProperty(document, 'hidden', { configurable: true, get: () => h });
        Object.defineProperty(document, 'visibilityState', { configurable: true, get: () => (h ? 'hidden' : 'visible') });
        document.dispatchEvent(new Event('visibilitychange'));
      }, hidden);
      await setHidden(true);
      await sleep(300);
      const hidden = await page.evaluate(async () => {
        const n = Module._sparkler_passes();
        await new Promise((resolve) => setTimeout(resolve, 500));
        return { passes: Module._sparkler_passes() - n, audio: Module.sparklerAudioContext.state };
      });
      console.log('hidden: ' + JSON.stringify(hidden));
      check(hidden.passes === 0, 'a hidden tab runs no pass');
      check(hidden.audio === 'suspended', 'a hidden tab suspends the audio context');
      await setHidden(false);
      await sleep(300);
      const back = await page.evaluate(async () => {
        const n = Module._sparkler_passes();
        await new Promise((resolve) => setTimeout(resolve, 500));
        return { passes: Module._sparkler_passes() - n, audio: Module.sparklerAudioContext.state };
      });
      console.log('back: ' + JSON.stringify(back));
      check(back.passes > 20 && back.audio === 'running', 'coming back resumes the passes and the sound');
      await page.close();
      server.close();
    }
  } finally {
    await close();
  }
  if (failures.length) {
    console.log(failures.length + ' check(s) failed');
    process.exit(1);
  }
}

main().catch((error) => { console.error(error); process.exit(1); });
