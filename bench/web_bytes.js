// What the page costs a visitor, in headless Chromium over tools/web_serve.js (gzip as a static
// server sends it): the bytes transferred up to the first frame, the bytes once the sounds are
// in (after a click), and the first frame's time after navigation start on the local server
// and with the network throttled to 10 Mbit/s and 40 ms latency, after a first visit that
// is not counted (a fresh browser's first page pays for starting its own processes).
// Prints one line per figure.
// Usage: NODE_PATH=build-web/node_modules node bench/web_bytes.js build-web
'use strict';
const { serve } = require('../tools/web_serve');
const { launch } = require('../tests/web/browser');

async function visit(browser, url, throttled) {
  const page = await browser.newPage();
  await page.setViewport({ width: 1024, height: 800 });
  const cdp = await page.createCDPSession();
  await cdp.send('Network.enable');
  await cdp.send('Network.setCacheDisabled', { cacheDisabled: true });
  if (throttled)
    await cdp.send('Network.emulateNetworkConditions',
      { offline: false, latency: 40, downloadThroughput: 10e6 / 8, uploadThroughput: 10e6 / 8 });
  const finished = []; // { url, bytes, at (ms since the page's time origin) }
  const urls = new Map();
  cdp.on('Network.requestWillBeSent', (event) => urls.set(event.requestId, event.request.url));
  cdp.on('Network.loadingFinished', (event) =>
    finished.push({ url: urls.get(event.requestId), bytes: event.encodedDataLength, wall: Date.now() }));
  await page.goto(url);
  await page.waitForFunction(() => page.firstFrameAt > 0, { timeout: 60000 });
  const firstWall = Date.now();
  const firstFrameAt = await page.evaluate(() => page.firstFrameAt);
  const beforeFirst = finished.filter((f) => f.wall <= firstWall && !/\.(webm|m4a|wav)$/.test(f.url));
  const firstBytes = beforeFirst.reduce((sum, f) => sum + f.bytes, 0);
  await page.mouse.click(512, 384);
  await page.waitForFunction(() => page.person === true, { timeout: 60000 });
  await new Promise((resolve) => setTimeout(resolve, 500));
  const allBytes = finished.reduce((sum, f) => sum + f.bytes, 0);
  await page.close();
  return { firstFrameAt, firstBytes, allBytes, files: finished.map((f) => f.url.replace(url, '') + ' ' + f.bytes) };
}

async function main() {
  const { server, url } = await serve(process.argv[2] || 'build-web');
  const { browser, close } = await launch();
  try {
    await visit(browser, url, false);
    const local = await visit(browser, url, false);
    console.log('files: ' + local.files.join(', '));
    console.log('bytes to the first frame: ' + local.firstBytes);
    console.log('bytes with the sounds: ' + local.allBytes);
    console.log('first frame, local server: ' + local.firstFrameAt.toFixed(0) + ' ms');
    const slow = await visit(browser, url, true);
    console.log('first frame, 10 Mbit/s and 40 ms: ' + slow.firstFrameAt.toFixed(0) + ' ms');
  } finally {
    await close();
    server.close();
  }
}

main().catch((error) => { console.error(error); process.exit(1); });
