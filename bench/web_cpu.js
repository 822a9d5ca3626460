// What the page costs to run, side by side with a peer page built on the npm package
// fireworks-js (a web fireworks library, installed from npm into FOLDER/bench-peer, never into
// the page) in the same headless Chromium: the browser's processor time summed over all its
// processes (SystemInfo.getProcessInfo) during 10 s of each page running, after 2 s to settle,
// the two pages alternated three times. Prints each run, the sums and their ratio.
// Usage: NODE_PATH=build-web/node_modules node bench/web_cpu.js [build-web [PORT]]
//        (PORT and PORT+1 serve the two pages; by default any free ports)
'use strict';
const fs = require('fs');
const path = require('path');
const { execFileSync } = require('child_process');
const { serve } = require('../tools/web_serve');
const { launch } = require('../tests/web/browser');

const peerVersion = '2.10.8';
const peerPage = `<!DOCTYPE html>
<html lang="en"><head><meta charset="utf-8"><title>fireworks-js</title>
<style>html, body { margin: 0; height: 100%; background: #000; overflow: hidden } #sky { position: fixed; inset: 0 }</style>
</head><body><div id="sky"></div>
<script src="node_modules/fireworks-js/dist/index.umd.js"></script>
<script>new Fireworks.Fireworks(document.getElementById('sky'), {}).start();</script>
</body></html>
`;

function peerFolder(build) {
  const folder = path.join(build, 'bench-peer');
  if (!fs.existsSync(path.join(folder, 'node_modules', 'fireworks-js', 'dist', 'index.umd.js'))) {
    fs.mkdirSync(folder, { recursive: true });
    execFileSync('npm', ['install', '--prefix', folder, '--no-save', '--no-audit', '--no-fund', '--loglevel=error',
                         'fireworks-js@' + peerVersion], { stdio: 'inherit' });
  }
  fs.writeFileSync(path.join(folder, 'index.html'), peerPage);
  return folder;
}

const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

async function browserCpuSeconds(cdp) {
  const { processInfo } = await cdp.send('SystemInfo.getProcessInfo');
  return processInfo.reduce((sum, process) => sum + process.cpuTime, 0);
}

// One page running for 10 s: the browser's processor seconds, and frames counted in the page.
async function run(browser, cdp, url, ours) {
  const page = await browser.newPage();
  await page.setViewport({ width: 1024, height: 800 });
  await page.goto(url);
  if (ours) await page.waitForFunction(() => page.ready === true, { timeout: 60000 });
  await page.evaluate(() => {
    window.benchFrames = 0;
    const count = () => { ++window.benchFrames; requestAnimationFrame(count); };
    requestAnimationFrame(count);
  });
  await sleep(2000);
  const framesBefore = await page.evaluate(() => window.benchFrames);
  const before = await browserCpuSeconds(cdp);
  await sleep(10000);
  const after = await browserCpuSeconds(cdp);
  const frames = (await page.evaluate(() => window.benchFrames)) - framesBefore;
  // In its worker the program's presenter is not on the page: the page only says where it runs.
  const kind = ours ? await page.evaluate(() => (page.worker ? 'worker' : Module.sparklerScreen.presenter.kind)) : '';
  await page.close();
  await sleep(1000);
  return { cpu: after - before, fps: frames / 10, kind };
}

async function main() {
  const build = process.argv[2] || 'build-web';
  const port = Number(process.argv[3] || 0);
  const ours = await serve(build, port);
  const peer = await serve(peerFolder(build), port ? port + 1 : 0);
  const { browser, close } = await launch();
  const cdp = await browser.target().createCDPSession();
  const sums = { ours: 0, peer: 0 };
  try {
    for (let round = 1; round <= 3; ++round) {
      const a = await run(browser, cdp, ours.url, true);
      const b = await run(browser, cdp, peer.url, false);
      sums.ours += a.cpu;
      sums.peer += b.cpu;
      console.log('round ' + round + ': the sparkler (' + a.kind + ') ' + a.cpu.toFixed(2) + ' s at ' + a.fps.toFixed(1) +
                  ' frames/s; fireworks-js ' + b.cpu.toFixed(2) + ' s at ' + b.fps.toFixed(1) + ' frames/s');
    }
    console.log('browser processor time over 3 x 10 s: the sparkler ' + sums.ours.toFixed(2) + ' s, fireworks-js ' +
                sums.peer.toFixed(2) + ' s, ratio ' + (sums.ours / sums.peer).toFixed(2));
  } finally {
    await close();
    ours.server.close();
    peer.server.close();
  }
}

main().catch((error) => { console.error(error); process.exit(1); });
