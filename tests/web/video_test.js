// The replay tool's default videos in headless Chromium: a short run written as .webm and .mp4
// with no video option but the name, each put in a page's <video> element, which must play it:
// no error, its time advancing, the size twice the scene's, and the picture drawn from it not
// black (the sparkler over the night scene). Skips (exit 77) when the replay writes no video.
// Usage: node video_test.js REPLAY OUTPUT_DIR
'use strict';
const { execFileSync } = require('child_process');
const fs = require('fs');
const path = require('path');
const { launch } = require('./browser');

const [replay, outDir] = process.argv.slice(2);

function fail(message) {
  console.error('FAIL: ' + message);
  process.exitCode = 1;
}

async function playIn(browser, file) {
  const page = await browser.newPage();
  const html = path.join(outDir, path.basename(file) + '.html');
  fs.writeFileSync(html, `<!doctype html><video id="v" muted playsinline src="${path.basename(file)}"></video>`);
  await page.goto('file://' + html);
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
  const { browser, close } = await launch();
  try {
    for (const ending of ['webm', 'mp4']) {
      const file = path.join(outDir, 'clip.' + ending);
      execFileSync(replay, ['--seed', '5', '--frames', '120', '--video', file], { stdio: 'inherit' });
      const seen = await playIn(browser, file);
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
  }
})().catch((e) => {
  fail(e.stack || String(e));
});
