// The page offline and installable, in headless Chromium: it names a manifest whose icons
// load; after a first visit its service worker keeps the page's files and the sounds it plays;
// with the network cut (CDP offline, and the server closed) a second load draws the scene
// running and a click lights it with both sounds; a new build (a changed file and so a new
// version) replaces the kept copy within the next visits. The site served is a folder of links to
// the build's files, with the two files a new build changes written as copies.
// Usage: node offline_test.js BUILD-WEB WORK-DIR
'use strict';
const fs = require('fs');
const path = require('path');
const { serve } = require('../../tools/web_serve');
const { launch, siteFrom, sceneMotion } = require('./browser');

const build = path.resolve(process.argv[2]);
const work = path.resolve(process.argv[3] || 'offline');
const failures = [];
function check(ok, what) {
  console.log((ok ? 'ok   ' : 'FAIL ') + what);
  if (!ok) failures.push(what);
}

// The network on or off for the page, as the browser's own offline switch.
async function setOffline(cdp, offline) {
  await cdp.send('Network.emulateNetworkConditions', { offline, latency: 0, downloadThroughput: -1, uploadThroughput: -1 });
}

async function stopServer(server) {
  server.closeAllConnections();
  await new Promise((resolve) => server.close(resolve));
}

// The names of the caches the page's origin holds, and whether the one cache holds `files`.
async function kept(page, files) {
  return page.evaluate(async (names) => {
    const caches_ = await caches.keys();
    if (caches_.length !== 1) return { caches: caches_, all: false };
    const cache = await caches.open(caches_[0]);
    const found = await Promise.all(names.map((name) => cache.match(name)));
    return { caches: caches_, all: found.every(Boolean) };
  }, files);
}

async function main() {
  const site = siteFrom(build, path.join(work, 'site'), { copy: ['page.css', 'service-worker.js'] });
  let { server, url } = await serve(site);
  const port = server.address().port;
  const { browser, close } = await launch();
  const page = await browser.newPage();
  await page.setViewport({ width: 1024, height: 800 });
  page.on('pageerror', (error) => failures.push('page error: ' + error.message));
  const cdp = await page.createCDPSession();
  await cdp.send('Network.enable');
  try {
    // Installable: the manifest and its icons.
    await page.goto(url);
    const manifest = await page.evaluate(async () => {
      const link = document.querySelector('link[rel="manifest"]');
      const data = await (await fetch(link.href)).json();
      const icons = await Promise.all(data.icons.map((icon) => new Promise((resolve) => {
        const image = new Image();
        image.onload = () => resolve(icon.sizes === image.naturalWidth + 'x' + image.naturalHeight);
        image.onerror = () => resolve(false);
        image.src = new URL(icon.src, link.href).href;
      })));
      return { data, icons };
    });
    const sizes = manifest.data.icons.map((icon) => icon.sizes);
    check(manifest.data.name === 'Sparkler' && manifest.data.start_url && manifest.data.display === 'fullscreen',
      'the manifest names the page, where it starts and how it shows');
    check(sizes.includes('192x192') && sizes.includes('512x512') && manifest.icons.every(Boolean),
      'its icons (' + sizes.join(', ') + ') load at the sizes it gives');

    // The first visit: the scene, then the offline copy with this browser's sounds.
    await page.waitForFunction(() => page.ready === true && Module._sparkler_passes() >= 10, { timeout: 30000 });
    const sounds = await page.evaluate(() => sparklerWaveNames.map((name) => name.replace(/\.wav$/, page.soundSuffix())));
    const files = ['index.html', 'page.js', 'page.css', 'sparkler.js', 'sparkler.wasm', 'manifest.webmanifest'].concat(sounds);
    await page.waitForFunction(async (names) => {
      const caches_ = await caches.keys();
      if (caches_.length !== 1 || !navigator.serviceWorker.controller) return false;
      const cache = await caches.open(caches_[0]);
      return (await Promise.all(names.map((name) => cache.match(name)))).every(Boolean);
    }, { timeout: 30000, polling: 200 }, files).catch(() => {});
    const first = await kept(page, files);
    console.log('after the first visit: ' + JSON.stringify(first));
    check(first.all, 'after a first visit one cache keeps the page\'s files and ' + sounds.join(' and '));

    // The network cut: nothing reaches the server, and what is not kept cannot be had.
    await setOffline(cdp, true);
    await stopServer(server);
    await page.reload();
    await page.waitForFunction(() => page.ready === true && Module._sparkler_passes() >= 30, { timeout: 30000 }).catch(() => {});
    const offline = await sceneMotion(page);
    console.log('offline: ' + JSON.stringify({ differ: offline.differ, colours: offline.colours }));
    await page.screenshot({ path: path.join(work, 'offline.png') });
    check(offline.differ > 500 && offline.colours > 200,
      'offline, the second load draws the scene running (' + offline.differ + ' pixels changed, ' + offline.colours + ' colours)');
    check(!/could not be loaded/.test(offline.text), 'and says nothing failed to load');
    const unkept = await page.evaluate(() => fetch('Sparkler.wav').then(() => 'fetched', () => 'failed'));
    check(unkept === 'failed', 'a file the copy does not keep cannot be fetched then (' + unkept + ')');
    await page.mouse.click(512, 384);
    await page.waitForFunction(() => page.person === true && Object.keys(Module.sparklerWaves || {}).length === 2,
      { timeout: 15000 }).catch(() => {});
    const lit = await page.evaluate(() => ({ person: page.person, waves: Object.keys(Module.sparklerWaves || {}),
                                             failed: !!page.soundFailed }));
    check(lit.person && lit.waves.length === 2 && !lit.failed, 'a click lights it offline with both sounds (' + lit.waves.join(', ') + ')');

    // A new build: a file and the worker's version change; the next visit replaces the copy.
    fs.appendFileSync(path.join(site, 'page.css'), '\n#second-build { color: #123456; }\n');
    const worker = path.join(site, 'service-worker.js');
    const text = fs.readFileSync(worker, 'utf8');
    const oldName = (text.match(/'(sparkler-[0-9a-f]+)'/) || [])[1];
    fs.writeFileSync(worker, text.replace(oldName, 'sparkler-0123456789abcdef'));
    ({ server } = await serve(site, port));
    await setOffline(cdp, false);
    // The visit that finds the new worker may still be answered by the old one, which holds
    // the new one's start until it is done: the copy is replaced by the next visit or so.
    let visits = 0;
    for (let replacedYet = false; !replacedYet && visits < 3; ++visits) {
      await page.reload();
      replacedYet = await page.waitForFunction(async () => {
        const names = await caches.keys();
        return names.length === 1 && names[0] === 'sparkler-0123456789abcdef';
      }, { timeout: 15000, polling: 200 }).then(() => true, () => false);
    }
    const replaced = await kept(page, files);
    console.log('after the new build and ' + visits + ' visit(s): ' + JSON.stringify(replaced) + ' (was ' + oldName + ')');
    if (!replaced.all) {
      console.log('workers: ' + await page.evaluate(async () => {
        const registration = await navigator.serviceWorker.getRegistration();
        const state = (worker) => worker && worker.state;
        return JSON.stringify({ installing: state(registration.installing), waiting: state(registration.waiting),
                                active: state(registration.active) });
      }));
    }
    await setOffline(cdp, true);
    await stopServer(server);
    server = null;
    const css = await page.evaluate(() => fetch('page.css').then((response) => response.text(), () => ''));
    check(replaced.caches.length === 1 && replaced.caches[0] === 'sparkler-0123456789abcdef' && replaced.all,
      'a new build\'s version replaces the old cache within three visits (' + visits + '), sounds and all');
    check(css.includes('#second-build'), 'and the new build\'s file is the one kept');
  } finally {
    await close();
    if (server) await stopServer(server);
  }
  if (failures.length) {
    console.log(failures.length + ' check(s) failed');
    process.exit(1);
  }
  console.log('all checks passed');
}

main().catch((error) => { console.error(error); process.exit(1); });
