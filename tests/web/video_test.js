// The replay tool's default videos in headless Chromium: a short run written as .webm and .mp4
// with no video option but the name, each put in a page's <video> element, which must play it:
// no error, its time advancing, the size twice the scene's, and the picture drawn from it not
// black (the sparkler over the night scene). Skips (exit 77) when the replay writes no video.
// Usage: node video_test.js REPLAY OUTPUT_DIR
'use strict';
const { execFileSync } = require('child_process');
const fs = require('fs');
const http = require('http');
const path = require('path');
const { launch } = require('./browser');

const [replay, outDir] = process.argv.slice(2);

function fail(message) {
  console.error('FAIL: ' + message);
  process.exitCode = 1;
}

// The output folder over HTTP on the loopback (a page from a file may not read a video's pixels).
function serve() {
  const types = { '.html': 'text/html', '.mp4': 'video/mp4', '.webm': 'video/webm' };
  const server = http.createServer((request, response) => {
    const file = path.join(outDir, path.basename(decodeURIComponent(request.url)));
    fs.readFile(file, (error, data) => {
      if (error) {
        response.writeHead(404);
        response.end();
        return;
      }
      response.writeHead(200, { 'Content-Type': types[path.extname(file)] || 'application/octet-stream' });
      response.end(data);
    });
  });
  return new Promise((resolve) => server.listen(0, '127.0.0.1', () => resolve(server)));
}

async function playIn(browser, origin, file) {
  const page = await browser.newPage();
  const html = path.basename(file) + '.html';
  fs.writeFileSync(path.join(outDir, html),
                   `<!doctype html><video id="v" muted playsinline src="${path.basename(file)}"></video>`);
  await page.goto(origin + '/' + html);
  return page.evaluate(async () => {
    const video = document.getElementById('v');
    const ended = new Promise((resolve) => {
      video.addEventListener('error', () => resolve('error ' + (video.error ? video.error.code + ' ' + video.error.message : '')));
      setTimeout(() => resolve('timeout'), 20000);
      video.addEventListener('timeupdate', () => { if (video.currentTime > 0.5) resolve('playing'); });
    });
    let started = 'started';
    await video.play().catch((e) => { started = 'play() refused: ' + e.message; });
    const state = await ended;
    video.pause();
    const canvas = document.createElement('canvas');
    canvas.width = 64;
    canvas.height = 48;
    const context = canvas.getContext('2d');
    context.drawImage(video, 0, 0, 64, 48);
    const pixels = context.getImageData(0, 0, 64, 48).data;
    let lit = 0;
    for (let i = 0; i < pixels.length; i += 4)
      lit += pixels[i] + pixels[i + 1] + pixels[i + 2] > 60 ? 1 : 0;
    return { started, state, time: video.currentTime, width: video.videoWidth, height: video.videoHeight, lit };
  });
}

(async () => {
  const help = execFileSync(replay, ['--help']).toString();
  if (!help.includes('--video')) {
    console.log('SKIP: this build writes no video');
    process.exit(77);
  }
  fs.rmSync(outDir, { recursive: true, force: true });
  fs.mkdirSync(outDir, { recursive: true });
  const server = await serve();
  const origin = 'http://127.0.0.1:' + server.address().port;
  const { browser, close } = await launch();
  try {
    for (const ending of ['webm', 'mp4']) {
      const file = path.join(outDir, 'clip.' + ending);
      execFileSync(replay, ['--seed', '5', '--frames', '120', '--video', file], { stdio: 'inherit' });
      const seen = await playIn(browser, origin, file);
      console.log(ending, JSON.stringify(seen));
      if (seen.started !== 'started' || seen.state !== 'playing')
        fail(`${ending}: did not play (${seen.started}, ${seen.state})`);
      if (!(seen.time > 0.5))
        fail(`${ending}: its time did not advance (${seen.time} s)`);
      if (seen.width !== 2048 || seen.height !== 1536)
        fail(`${ending}: ${seen.width} x ${seen.height}, expected 2048 x 1536`);
      if (seen.lit < 20)
        fail(`${ending}: the picture drawn from the video is black (${seen.lit} of 3072 samples lit)`);
    }
  } finally {
    await close();
    server.close();
  }
})().catch((e) => {
  fail(e.stack || String(e));
});
