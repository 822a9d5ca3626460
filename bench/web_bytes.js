// What the page costs a visitor, in headless Chromium over tools/web_serve.js (gzip as a static
// server sends it): the bytes transferred up to the first frame, the bytes once the sounds are
// in (after a click), and the first frame's time after navigation start on the local server
// and with the network throttled to 10 Mbit/s and 40 ms latency, after a first visit
// counted apart (a fresh browser's first page pays for starting its own processes). Each
// visit fetches every file again, past the cache and the service worker; the bytes are counted
// by the server as it sends them (the program's worker fetches its own).
// Prints one line per figure; the times are the median of VISITS visits (5).
// Usage: NODE_PATH=build-web/node_modules node bench/web_bytes.js build-web
'use strict';
const { serve } = require('../tools/web_serve');
const { launch } = require('../tests/web/browser');

async function visit(browser, site, throttled) {
  const page = await browser.newPage();
  await page.setViewport({ width: 1024, height: 800 });
  // Through puppeteer, so that the program's worker is throttled and uncached as the page is.
  await page.setCacheEnabled(false);
  // The first visit's service worker would answer every later one from its cache.
  await page.setBypassServiceWorker(true);
  if (throttled) await page.emulateNetworkConditions({ download: 10e6 / 8, upload: 10e6 / 8, latency: 40 });
  site.sent.length = 0;
  await page.goto(site.url);
  await page.waitForFunction(() => page.firstFrameAt > 0, { timeout: 60000 });
  const firstWall = Date.now();
  const { firstFrameAt, readyAt, loaded } = await page.evaluate(() => ({
    firstFrameAt: page.firstFrameAt, readyAt: page.readyAt,
    loaded: ['index.html ' + performance.getEntriesByType('navigation')[0].responseEnd.toFixed(0)].concat(
      performance.getEntriesByType('mark').map((m) => m.name + ' ' + m.startTime.toFixed(0)),
      performance.getEntriesByType('resource')).map((r) => typeof r === 'string' ? r : r.name.replace(/.*\//, '') + ' ' + r.responseEnd.toFixed(0))
  }));
  const beforeFirst = site.sent.filter((f) => f.wall <= firstWall && !/\.(webm|m4a|wav)$/.test(f.url));
  const firstBytes = beforeFirst.reduce((sum, f) => sum + f.bytes, 0);
  await page.mouse.click(512, 384);
  await page.waitForFunction(() => page.person === true, { timeout: 60000 });
  await new Promise((resolve) => setTimeout(resolve, 500));
  const allBytes = site.sent.reduce((sum, f) => sum + f.bytes, 0);
  await page.close();
  return { firstFrameAt, readyAt, loaded, firstBytes, allBytes, files: site.sent.map((f) => f.url + ' ' + f.bytes) };
}

// What the server sent, counted as it goes out (headers and body as sent, gzipped where it
// was): the page's requests and its worker's alike.
function countSent(server, sent) {
  server.prependListener('request', (request, response) => {
    let bytes = 0;
    const write = response.write.bind(response);
    const end = response.end.bind(response);
    response.write = (chunk, ...rest) => { if (chunk) bytes += Buffer.byteLength(chunk); return write(chunk, ...rest); };
    response.end = (chunk, ...rest) => { if (chunk && typeof chunk !== 'function') bytes += Buffer.byteLength(chunk); return end(chunk, ...rest); };
    response.on('finish', () => sent.push({ url: request.url.replace(/^\//, ''), bytes: bytes + Buffer.byteLength(response._header || ''), wall: Date.now() }));
  });
}

// The middle of the figures.
function median(values) {
  const sorted = values.slice().sort((a, b) => a - b);
  return sorted[Math.floor(sorted.length / 2)];
}

async function main() {
  const { server, url } = await serve(process.argv[2] || 'build-web');
  const site = { url, sent: [] };
  countSent(server, site.sent);
  const { browser, close } = await launch();
  const visits = Number(process.env.VISITS || 5);
  try {
    const cold = await visit(browser, site, false);
    console.log('first frame, local server, a fresh browser\'s first page: ' + cold.firstFrameAt.toFixed(0) + ' ms');
    const local = [];
    for (let i = 0; i < visits; ++i) local.push(await visit(browser, site, false));
    const last = local[local.length - 1];
    console.log('files: ' + last.files.join(', '));
    console.log('loaded (ms): ' + last.loaded.join(', ') + '; run started ' + last.readyAt.toFixed(0));
    console.log('bytes to the first frame: ' + last.firstBytes);
    console.log('bytes with the sounds: ' + last.allBytes);
    const times = (runs) => runs.map((run) => run.firstFrameAt.toFixed(0)).join(', ');
    console.log('first frame, local server: ' + median(local.map((run) => run.firstFrameAt)).toFixed(0) +
                ' ms (median of ' + times(local) + ')');
    const slow = [];
    for (let i = 0; i < Math.max(1, visits >> 1); ++i) slow.push(await visit(browser, site, true));
    console.log('first frame, 10 Mbit/s and 40 ms: ' + median(slow.map((run) => run.firstFrameAt)).toFixed(0) +
                ' ms (median of ' + times(slow) + ')');
  } finally {
    await close();
    server.close();
  }
}

main().catch((error) => { console.error(error); process.exit(1); });
