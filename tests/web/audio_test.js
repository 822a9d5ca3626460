// The crackle's placement in the browser, measured: each case lights the program in headless
// Chromium over an OfflineAudioContext (the crackle alone, no background), applies its motion
// and keys before the first pass, renders a second and compares the two channels' levels.
// Right at x = +600, left with R, silent after K; and against the same wave panned from the
// same place with no distance rolloff at all, full level within 1024 and half the level at
// twice that distance (the panner's inverse rolloff). Usage: node audio_test.js BUILD-WEB
'use strict';
const { serve } = require('../../tools/web_serve');
const { launch } = require('./browser');

const failures = [];
function check(ok, what) {
  console.log((ok ? 'ok   ' : 'FAIL ') + what);
  if (!ok) failures.push(what);
}

// In the page: one run over an offline context, its channels' RMS over the second rendered.
async function renderCase(setup) {
  const rate = 44100;
  const context = new OfflineAudioContext(2, rate, rate);
  const bytes = await (await fetch('Sparkler.wav')).arrayBuffer();
  Module.sparklerWaves = { 'Sparkler.wav': await context.decodeAudioData(bytes) };
  Module.sparklerAudioContext = context;
  page.stop(); // the page's own silent run gives way
  if (Module._sparkler_start() !== 0) return null;
  Module._sparkler_focus(1);
  Module._sparkler_mouse(setup.dx, 0);
  for (const [code, key] of setup.keys)
    Module.ccall('sparkler_key', null, ['string', 'string', 'number'], [code, key, 0]);
  Module._sparkler_frame(0); // the first pass places the crackle (and takes the keys)
  const rendered = await context.startRendering();
  const rms = (channel) => {
    const data = rendered.getChannelData(channel);
    let sum = 0;
    for (let i = 0; i < data.length; ++i) sum += data[i] * data[i];
    return Math.sqrt(sum / data.length);
  };
  return { left: rms(0), right: rms(1) };
}

// In the page: the wave panned from (x, 768, 0) as the program's 3D path pans it, but with no
// distance rolloff, so that only the program's own rolloff differs from it.
async function renderUnattenuated(x) {
  const rate = 44100;
  const context = new OfflineAudioContext(2, rate, rate);
  const bytes = await (await fetch('Sparkler.wav')).arrayBuffer();
  const source = context.createBufferSource();
  source.buffer = await context.decodeAudioData(bytes);
  source.loop = true;
  const panner = context.createPanner();
  panner.panningModel = 'HRTF';
  panner.refDistance = 1e9;
  panner.channelCount = 1;
  panner.channelCountMode = 'explicit';
  panner.positionX.value = x;
  panner.positionY.value = 768;
  source.connect(panner).connect(context.destination);
  source.start(0);
  // On a loaded machine Chromium's offline render with an HRTF panner made just before it was
  // seen to stall in about half the runs, and not once when the panner had 300 ms first.
  await new Promise((resolve) => setTimeout(resolve, 300));
  const rendered = await context.startRendering();
  const rms = (channel) => {
    const data = rendered.getChannelData(channel);
    let sum = 0;
    for (let i = 0; i < data.length; ++i) sum += data[i] * data[i];
    return Math.sqrt(sum / data.length);
  };
  return { left: rms(0), right: rms(1) };
}

// One measurement on a page of its own, once the page has settled. Chromium's offline render
// has been seen to stall for minutes on a loaded machine before it ever starts, through no
// fault of the page: a measurement not back within its deadline is dropped with its page and
// made once more on a fresh one, and a second stall fails the test. A result is never reused.
async function measureOnFreshPage(browser, url, name, fn, arg) {
  for (let attempt = 1; attempt <= 2; ++attempt) {
    const page = await browser.newPage();
    const errors = [];
    page.on('pageerror', (error) => errors.push(name + ': page error: ' + error.message));
    let timer;
    const deadline = new Promise((resolve) => { timer = setTimeout(() => resolve('stalled'), 60000); });
    const run = (async () => {
      await page.goto(url + '?thread=main'); // the program on the page's thread, driven from here
      await page.waitForFunction(() => page.ready === true, { timeout: 30000 });
      return { value: await page.evaluate(fn, arg) };
    })();
    const outcome = await Promise.race([run, deadline]);
    clearTimeout(timer);
    await page.close().catch(() => {});
    run.catch(() => {}); // a stalled run rejects once its page is closed
    if (outcome !== 'stalled') {
      failures.push(...errors);
      return outcome.value;
    }
    console.log(name + ': the browser did not finish the measurement in 60 s (attempt ' + attempt + ')');
  }
  failures.push(name + ': the browser stalled twice');
  return null;
}

async function main() {
  const { server, url } = await serve(process.argv[2]);
  const { browser, close } = await launch();
  const results = {};
  try {
    const cases = {
      centre: { dx: 0, keys: [] },
      right: { dx: 600, keys: [] },
      mirrored: { dx: 600, keys: [['KeyR', 'r']] },
      edgeOfFull: { dx: 677, keys: [] },   // distance 1023.8: within 1024, full level
      twiceAsFar: { dx: 1899, keys: [] },  // distance 2048.4
      stopped: { dx: 600, keys: [['KeyK', 'k']] }
    };
    for (const [name, setup] of Object.entries(cases)) {
      results[name] = await measureOnFreshPage(browser, url, name, renderCase, setup);
      console.log(name + ': ' + JSON.stringify(results[name]));
      if (results[name] === null) failures.push(name + ': no measurement (the program did not start, or the browser stalled)');
    }
    for (const x of [677, 1899]) {
      const name = 'unattenuated' + x;
      results[name] = await measureOnFreshPage(browser, url, name, renderUnattenuated, x);
      console.log(name + ': ' + JSON.stringify(results[name]));
      if (results[name] === null) failures.push(name + ': no measurement');
    }
  } finally {
    await close();
    server.close();
  }
  if (failures.length) {
    console.log(failures.join('\n'));
    process.exit(1);
  }
  const level = (r) => Math.hypot(r.left, r.right);
  const { centre, right, mirrored, edgeOfFull, twiceAsFar, stopped } = results;
  check(level(centre) > 0.01, 'the crackle plays (level ' + level(centre).toFixed(4) + ')');
  check(Math.abs(centre.left - centre.right) < 0.1 * level(centre), 'at x = 0 it is in the middle');
  check(right.right > 1.5 * right.left, 'at x = +600 it is louder on the right');
  check(mirrored.left > 1.5 * mirrored.right, 'with R it is louder on the left');
  check(Math.abs(mirrored.left - right.right) < 0.02 * right.right && Math.abs(mirrored.right - right.left) < 0.02 * right.right,
    'R mirrors the two sides exactly');
  const full = level(edgeOfFull) / level(results.unattenuated677);
  check(Math.abs(full - 1) < 0.01, 'within 1024 the level is full (' + full.toFixed(4) + ' of the unattenuated level)');
  const half = level(twiceAsFar) / level(results.unattenuated1899);
  check(Math.abs(half - 1024 / Math.hypot(1899, 768)) < 0.01,
    'at twice the distance the level halves (' + half.toFixed(4) + ' of the unattenuated level)');
  check(level(stopped) < 1e-4, 'after K it is silent (level ' + level(stopped).toExponential(2) + ')');
  if (failures.length) {
    console.log(failures.length + ' check(s) failed');
    process.exit(1);
  }
}

main().catch((error) => { console.error(error); process.exit(1); });
