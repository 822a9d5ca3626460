// The page in headless Chromium, served on 127.0.0.1: it starts on a click; the canvas shows
// sparks, smoke, the background and the help panel; H, B, C and 8 change the picture as they
// do natively; pointer motion carries the sparkler; passes run 60 a second; Escape ends the
// run and the page says so, and it can be lit again. Usage: node page_test.js BUILD-WEB SHOTS
'use strict';
const fs = require('fs');
const path = require('path');
const { serve } = require('../../tools/web_serve');
const { launch } = require('./browser');

const folder = process.argv[2];
const shots = process.argv[3] || '.';
fs.mkdirSync(shots, { recursive: true });
const failures = [];
function check(ok, what) {
  console.log((ok ? 'ok   ' : 'FAIL ') + what);
  if (!ok) failures.push(what);
}

// Counts over the canvas's pixels, read in the page: white text in the help panel's area,
// the background's sky in the top-right corner, bright spark pixels (with their mean column and
// how many are bluish rather than orange), and smoke grey above the sparkler.
function measure() {
  const canvas = document.getElementById('screen');
  const data = canvas.getContext('2d').getImageData(0, 0, canvas.width, canvas.height).data;
  const at = (x, y) => (y * canvas.width + x) * 4;
  let panelWhite = 0;
  for (let y = 10; y < 145; ++y)
    for (let x = 10; x < 150; ++x) {
      const i = at(x, y);
      if (data[i] === 255 && data[i + 1] === 255 && data[i + 2] === 255) ++panelWhite;
    }
  let corner = 0;
  for (let y = 20; y < 100; ++y)
    for (let x = 900; x < 1000; ++x) {
      const i = at(x, y);
      if (data[i] + data[i + 1] + data[i + 2] > 24) ++corner;
    }
  let bright = 0, bluish = 0, sumX = 0, grey = 0;
  for (let y = 160; y < 768; ++y)
    for (let x = 160; x < 1024; ++x) {
      const i = at(x, y);
      const r = data[i], g = data[i + 1], b = data[i + 2];
      if (Math.max(r, g, b) > 200) {
        ++bright;
        sumX += x;
        if (b > r + 40) ++bluish;
      } else if (y < 384 && Math.abs(r - g) < 12 && Math.abs(g - b) < 12 && r > 60 && r < 200) {
        ++grey;
      }
    }
  return { panelWhite, corner, bright, bluish, meanX: bright ? sumX / bright : 0, grey };
}

async function main() {
  const { server, url } = await serve(folder);
  const { browser, close } = await launch();
  const page = await browser.newPage();
  await page.setViewport({ width: 1024, height: 800 });
  const logs = [];
  page.on('console', (message) => logs.push(message.text()));
  page.on('pageerror', (error) => failures.push('page error: ' + error.message));
  try {
    const loadStart = Date.now();
    await page.goto(url);
    await page.waitForFunction(() => page.ready === true, { timeout: 30000 });
    const readyMs = await page.evaluate(() => page.readyAt);
    check(await page.evaluate(() => !document.getElementById('cover').classList.contains('hidden')),
      'before a click the page asks for one and runs nothing');
    check(await page.evaluate(() => Module._sparkler_passes() === 0), 'no pass runs before the click');

    await page.mouse.click(512, 384);
    await page.waitForFunction(() => page.firstFrameAt > 0, { timeout: 10000 });
    const firstFrameMs = await page.evaluate(() => page.firstFrameAt);
    const clickedMs = Date.now() - loadStart;
    await page.waitForFunction(() => Module._sparkler_passes() >= 60, { timeout: 10000 });
    await page.screenshot({ path: path.join(shots, 'page-lit.png') });
    const lit = await page.evaluate(measure);
    console.log('lit: ' + JSON.stringify(lit));
    check(lit.panelWhite > 300, 'the help panel shows its white lines');
    check(lit.corner > 1000, 'the background shows in the corner (' + lit.corner + ')');
    check(lit.bright > 200, 'sparks show');
    check(lit.grey > 50, 'smoke shows above the sparkler');

    // Motion under the pointer lock, from the mouse itself. Where headless Chromium cannot
    // lock the pointer, the focus and the motion go in through the functions the lock's events
    // call (pointerlockchange and mousemove), the same road.
    const locked = await page.evaluate(() => document.pointerLockElement === page.canvas);
    console.log('pointer locked by the click: ' + locked);
    if (locked) {
      await page.mouse.move(612, 384, { steps: 4 });
      await page.mouse.move(762, 384, { steps: 3 });
    } else {
      await page.evaluate(() => { page.focusChanged(true); page.motion(250, 0); });
    }
    await new Promise((resolve) => setTimeout(resolve, 1500));
    const moved = await page.evaluate(measure);
    console.log('moved: ' + JSON.stringify(moved));
    check(moved.meanX > lit.meanX + 120, 'motion to the right carries the sparks right (' +
      lit.meanX.toFixed(0) + ' -> ' + moved.meanX.toFixed(0) + ')');

    // Frame rate over three seconds, counted in passes.
    const rate = await page.evaluate(async () => {
      const p0 = Module._sparkler_passes(), t0 = performance.now();
      await new Promise((resolve) => setTimeout(resolve, 3000));
      return (Module._sparkler_passes() - p0) * 1000 / (performance.now() - t0);
    });
    check(Math.abs(rate - 60) <= 1, 'passes run 60 +- 1 a second (' + rate.toFixed(2) + ')');

    const press = async (key, settleMs) => {
      await page.keyboard.press(key);
      await new Promise((resolve) => setTimeout(resolve, settleMs));
      return page.evaluate(measure);
    };
    const hidden = await press('h', 1000);
    check(hidden.panelWhite < lit.panelWhite / 10, 'H slides the help panel out');
    await page.screenshot({ path: path.join(shots, 'page-help-out.png') });
    const shown = await press('H', 1000);
    check(shown.panelWhite > 300, 'shifted H slides it back in');
    const noBackground = await press('b', 300);
    check(noBackground.corner < 100, 'B takes the background away (' + noBackground.corner + ')');
    const background = await press('b', 300);
    check(background.corner > 1000, 'B again brings it back');
    const random = await press('8', 1500);
    await page.screenshot({ path: path.join(shots, 'page-random-colours.png') });
    check(random.bluish > lit.bluish + 20, '8 gives random colours (bluish sparks ' + lit.bluish + ' -> ' + random.bluish + ')');
    const trails = await press('c', 2000);
    await page.screenshot({ path: path.join(shots, 'page-trails.png') });
    check(trails.bright > 2 * random.bright, 'C leaves trails (' + random.bright + ' -> ' + trails.bright + ' bright pixels)');
    await press('c', 300);

    // The buttons: the pointer is given back first (clicks under the lock go to the canvas).
    await page.evaluate(() => document.exitPointerLock());
    await new Promise((resolve) => setTimeout(resolve, 200));
    const cdp = await page.createCDPSession();
    await cdp.send('Browser.setDownloadBehavior', { behavior: 'allow', downloadPath: path.resolve(shots) });
    await page.click('#picture');
    await page.waitForFunction(() => /Saved sparkler-/.test(document.getElementById('status').textContent),
      { timeout: 5000 }).catch(() => {});
    const saved = await page.evaluate(() => document.getElementById('status').textContent.replace('Saved ', ''));
    check(/^sparkler-\d{8}-\d{6}\.png$/.test(saved), 'Save picture names the file sparkler-DATE-TIME.png (' + saved + ')');
    let picture = null;
    for (let i = 0; i < 50 && picture === null; ++i) {
      const file = path.join(shots, saved);
      if (fs.existsSync(file) && fs.statSync(file).size > 24) picture = fs.readFileSync(file);
      else await new Promise((resolve) => setTimeout(resolve, 100));
    }
    check(picture !== null && picture.toString('latin1', 1, 4) === 'PNG' && picture.readUInt32BE(16) === 1024 &&
      picture.readUInt32BE(20) === 768, 'the saved picture is a 1024x768 PNG');
    await page.click('#fullscreen');
    await new Promise((resolve) => setTimeout(resolve, 300));
    check(await page.evaluate(() => document.fullscreenElement && document.fullscreenElement.id === 'stage'),
      'Full screen takes the stage to the whole screen');
    await page.keyboard.down('Alt');
    await page.keyboard.press('Enter');
    await page.keyboard.up('Alt');
    await new Promise((resolve) => setTimeout(resolve, 300));
    check(await page.evaluate(() => document.fullscreenElement === null), 'Alt+Enter leaves it again');
    check(await page.evaluate(() => page.running), 'giving the pointer back did not end the run');

    // Escape ends the run and the page says so.
    await page.keyboard.press('Escape');
    await page.waitForFunction(() => !document.getElementById('out').classList.contains('hidden'), { timeout: 5000 })
      .catch(() => {});
    const out = await page.evaluate(() => ({
      shown: !document.getElementById('out').classList.contains('hidden'),
      text: document.getElementById('out').innerText,
      running: page.running
    }));
    await page.screenshot({ path: path.join(shots, 'page-out.png') });
    check(out.shown && /out/.test(out.text) && !out.running, 'Escape ends the run and the page says the sparkler is out');
    const passesAtQuit = await page.evaluate(() => Module._sparkler_passes());
    await new Promise((resolve) => setTimeout(resolve, 300));
    check(await page.evaluate((n) => Module._sparkler_passes() === n, passesAtQuit), 'no pass runs after the quit');

    await page.click('#again');
    await page.waitForFunction((n) => Module._sparkler_passes() > n + 30, { timeout: 5000 }, passesAtQuit)
      .catch(() => {});
    check(await page.evaluate(() => page.running), 'Light it again starts a new run');

    console.log('times: ready to light ' + readyMs.toFixed(0) + ' ms after the load began; first frame at ' +
      firstFrameMs.toFixed(0) + ' ms, the test\'s click included (' + clickedMs + ' ms wall clock to the click)');
  } finally {
    if (failures.length) console.log(logs.join('\n'));
    await close();
    server.close();
  }
  if (failures.length) {
    console.log(failures.length + ' check(s) failed');
    process.exit(1);
  }
}

main().catch((error) => { console.error(error); process.exit(1); });
