// <sparkler-scene> in another page, in headless Chromium: a page of other content includes
// the element's module with one script line and holds four elements: in a 480x360 box the
// scene runs and fills it; in a 480x200 box it keeps its aspect between black bars; with
// only a width it is 4:3; with autopilot="off" it waits for a click. They run at once;
// sound and controls come only when asked; the text around stays in its place; the words
// of write="..." are written in light and read back by OCR (tesseract). Then
// `npm pack --dry-run` lists the element, the page, the program and the sounds, and nothing
// of the build's own. Usage: node element_test.js BUILD-WEB WORK-DIR
'use strict';
const childProcess = require('child_process');
const fs = require('fs');
const path = require('path');
const { serve } = require('../../tools/web_serve');
const { launch, siteFrom, sceneMotion } = require('./browser');

const build = path.resolve(process.argv[2]);
const work = path.resolve(process.argv[3] || 'element');
const failures = [];
function check(ok, what) {
  console.log((ok ? 'ok   ' : 'FAIL ') + what);
  if (!ok) failures.push(what);
}

// What the wide element writes before its autopilot flies.
const words = 'Happy 2027';

const hostPage = `<!DOCTYPE html>
<html lang="en"><head><meta charset="utf-8"><title>Another page</title>
<script type="module" src="sparkler-scene.js"></script>
<style>
  body { margin: 20px; font: 16px serif; background: #f4f0e6; color: #222; }
  .box { width: 480px; height: 360px; border: 0; }
  .wide { width: 480px; height: 200px; }
  sparkler-scene { width: 100%; height: 100%; }
  #by-width { width: 300px; height: auto; }
  #still { width: 200px; height: 150px; }
</style></head>
<body>
<h1>A page about other things</h1>
<p id="before">Some words before the scene.</p>
<div class="box"><sparkler-scene id="main" sound></sparkler-scene></div>
<p id="after">Some words after it.</p>
<div class="wide"><sparkler-scene id="wide" write="${words}"></sparkler-scene></div>
<sparkler-scene id="by-width" controls></sparkler-scene>
<sparkler-scene id="still" autopilot="off"></sparkler-scene>
</body></html>
`;

const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

// The frame inside an element's shadow root.
async function sceneFrame(page, id) {
  const handle = await page.evaluateHandle((which) => document.getElementById(which).shadowRoot.querySelector('iframe'), id);
  return handle.asElement().contentFrame();
}

// The box of the scene's picture in a screenshot of the element: the rows and columns that
// are not wholly black (the bars are). Read in the page from the PNG.
async function pictureBox(page, frame, id) {
  // The hint line over the scene is left out of the picture.
  await frame.evaluate(() => { document.getElementById('cover').style.visibility = 'hidden'; });
  const element = await page.$('#' + id);
  const png = await element.screenshot({ encoding: 'base64' });
  return page.evaluate(async (data) => {
    const image = await createImageBitmap(await (await fetch('data:image/png;base64,' + data)).blob());
    const canvas = new OffscreenCanvas(image.width, image.height);
    const context = canvas.getContext('2d');
    context.drawImage(image, 0, 0);
    const pixels = context.getImageData(0, 0, image.width, image.height).data;
    let left = image.width, right = -1, top = image.height, bottom = -1;
    for (let y = 0; y < image.height; ++y)
      for (let x = 0; x < image.width; ++x) {
        const i = (y * image.width + x) * 4;
        if (pixels[i] + pixels[i + 1] + pixels[i + 2] > 0) {
          left = Math.min(left, x); right = Math.max(right, x);
          top = Math.min(top, y); bottom = Math.max(bottom, y);
        }
      }
    return { width: image.width, height: image.height, left, top, pictureWidth: right - left + 1, pictureHeight: bottom - top + 1 };
  }, png).finally(() => frame.evaluate(() => { document.getElementById('cover').style.visibility = ''; }));
}

// In a scene's frame: its canvas read every 200 ms while the words are written and their light
// holds, until the light has faded to half its most or `seconds` have passed; the read with the
// most pixels of the light's own warm white (as read_light.sh keeps them), as a PNG data URL.
async function brightestLight(frame, seconds) {
  return frame.evaluate(async (limit) => {
    let best = null, most = -1;
    const end = performance.now() + limit * 1000;
    while (performance.now() < end) {
      const rgba = await Module.sparklerScreen.pixels();
      let count = 0;
      for (let i = 0; i < rgba.length; i += 4)
        if (rgba[i] > 237 && rgba[i + 1] > 216 && rgba[i + 2] > 191 && rgba[i] - rgba[i + 2] > 7) ++count;
      if (count > most) { most = count; best = rgba; }
      else if (most > 2000 && count < most / 2) break;
      await new Promise((resolve) => setTimeout(resolve, 200));
    }
    const width = page.canvas.width, height = page.canvas.height;
    const canvas = new OffscreenCanvas(width, height);
    canvas.getContext('2d').putImageData(new ImageData(new Uint8ClampedArray(best.buffer), width, height), 0, 0);
    const blob = await canvas.convertToBlob({ type: 'image/png' });
    const url = await new Promise((resolve) => { const reader = new FileReader(); reader.onload = () => resolve(reader.result); reader.readAsDataURL(blob); });
    return { most, url };
  }, seconds);
}

// What OCR reads in the written light of the PNG `file` (read_light.sh, as for the replay's words).
function readLight(file) {
  const script = path.join(__dirname, '..', 'words', 'read_light.sh');
  const result = childProcess.spawnSync('bash', ['-c', '. "$1"; read_light "$2"', 'read', script, file], { encoding: 'utf8' });
  return result.status === 0 ? result.stdout.trim() : 'nothing (' + result.stderr.trim() + ')';
}

async function elementChecks(browser, url) {
  const page = await browser.newPage();
  await page.setViewport({ width: 1000, height: 1400 });
  page.on('pageerror', (error) => failures.push('page error: ' + error.message));
  await page.goto(url + 'host.html');
  const ids = ['main', 'wide', 'by-width', 'still'];
  const frames = {};
  for (const id of ids) {
    await page.waitForFunction((which) => {
      const element = document.getElementById(which);
      return element && element.shadowRoot && element.shadowRoot.querySelector('iframe');
    }, { timeout: 10000 }, id);
    frames[id] = await sceneFrame(page, id);
  }
  for (const id of ids)
    await frames[id].waitForFunction(() => window.page && page.ready === true, { timeout: 60000 });
  for (const id of ['main', 'wide', 'by-width'])
    await frames[id].waitForFunction(() => Module._sparkler_passes() >= 30, { timeout: 30000 });

  // The boxes: the element fills its own, the text around stays in place.
  const boxes = await page.evaluate(() => {
    const rect = (id) => { const r = document.getElementById(id).getBoundingClientRect(); return { x: r.x, y: r.y, w: r.width, h: r.height }; };
    return { main: rect('main'), wide: rect('wide'), byWidth: rect('by-width'), before: rect('before'), after: rect('after') };
  });
  console.log('boxes: ' + JSON.stringify(boxes));
  check(boxes.main.w === 480 && boxes.main.h === 360, 'the element fills its 480x360 box');
  check(boxes.before.y + boxes.before.h <= boxes.main.y && boxes.after.y >= boxes.main.y + boxes.main.h,
    'the words before and after it stay outside it');
  check(Math.abs(boxes.byWidth.w / boxes.byWidth.h - 4 / 3) < 0.01, 'given only a width it is 4:3 (' + boxes.byWidth.w + 'x' + boxes.byWidth.h + ')');

  // Each scene runs at once, as many as the page holds.
  for (const id of ['main', 'wide', 'by-width']) {
    const moving = await sceneMotion(frames[id]);
    check(moving.differ > 500 && moving.colours > 200,
      id + ': the scene runs on its own (' + moving.differ + ' pixels changed, ' + moving.colours + ' colours)');
  }
  await page.screenshot({ path: path.join(work, 'host.png'), fullPage: true });

  // write="...": the words in light, read back where their light is brightest.
  const light = await brightestLight(frames.wide, 15);
  const lightFile = path.join(work, 'written.png');
  fs.writeFileSync(lightFile, Buffer.from(light.url.replace(/^data:image\/png;base64,/, ''), 'base64'));
  const read = readLight(lightFile);
  check(read === words, 'write="' + words + '" is written in light: OCR reads "' + read + '" (' + light.most +
        ' pixels of light at the most; ' + lightFile + ')');

  // The picture keeps its aspect: the whole 480x360 box, and bars beside it in the wide one.
  const main = await pictureBox(page, frames.main, 'main');
  const wide = await pictureBox(page, frames.wide, 'wide');
  console.log('pictures: ' + JSON.stringify({ main, wide }));
  check(main.pictureWidth >= 478 && main.pictureHeight >= 358, 'in the 480x360 box the scene fills it');
  check(Math.abs(wide.pictureWidth / wide.pictureHeight - 4 / 3) < 0.03 && wide.pictureHeight >= 198 &&
        Math.abs(wide.left - (wide.width - wide.pictureWidth) / 2) <= 2,
    'in the 480x200 box it keeps 4:3 between equal bars (' + wide.pictureWidth + 'x' + wide.pictureHeight + ' at ' + wide.left + ')');

  // autopilot="off": nothing runs until a click; the click lights it (silent: no sound asked).
  const still = await frames.still.evaluate(() => ({ passes: Module._sparkler_passes(), text: document.body.innerText }));
  check(still.passes === 0 && /Click or touch to light/.test(still.text), 'with autopilot="off" it waits for a click (' + still.passes + ' passes)');
  const stillBox = await (await page.$('#still')).boundingBox();
  await page.mouse.click(stillBox.x + stillBox.width / 2, stillBox.y + stillBox.height / 2);
  await frames.still.waitForFunction(() => page.person === true && Module._sparkler_passes() >= 30, { timeout: 15000 }).catch(() => {});
  const lit = await frames.still.evaluate(() => ({ person: page.person, passes: Module._sparkler_passes(),
                                                   audio: Module.sparklerAudioContext !== undefined }));
  check(lit.person && lit.passes >= 30 && !lit.audio, 'a click lights it, without sound (' + JSON.stringify(lit) + ')');

  // sound and controls where asked: the main element's click starts its sound.
  const shown = async (id) => frames[id].evaluate(() => ({
    controls: document.getElementById('controls').offsetHeight > 0, bar: document.getElementById('bar').offsetHeight > 0 }));
  const withControls = await shown('by-width');
  const without = await shown('main');
  check(withControls.controls && !without.controls && !withControls.bar && !without.bar,
    'the on-screen controls show only where asked, the page\'s own bar nowhere');
  // The click above took the pointer lock in its scene; each scene's click takes its own.
  await frames.still.evaluate(() => document.exitPointerLock());
  await frames.still.waitForFunction(() => document.pointerLockElement === null, { timeout: 5000 }).catch(() => {});
  await page.mouse.click(boxes.main.x + 240, boxes.main.y + 150);
  await frames.main.waitForFunction(() => page.person === true && Module.sparklerAudioContext &&
                                          Module.sparklerAudioContext.state === 'running', { timeout: 15000 }).catch(() => {});
  check(await frames.main.evaluate(() => page.person === true && Module.sparklerAudioContext.state === 'running'),
    'with sound a click lights it with its sound running');
  await sleep(2000);
  await page.screenshot({ path: path.join(work, 'host-lit.png'), fullPage: true });
  await page.close();
}

// What `npm pack` would put in the package.
function packChecks() {
  const result = childProcess.spawnSync('npm', ['pack', '--dry-run', '--json', '--loglevel=error'],
                                        { cwd: build, encoding: 'utf8' });
  check(result.status === 0, 'npm pack --dry-run succeeds' + (result.status ? ': ' + result.stderr : ''));
  if (result.status !== 0) return;
  const packed = JSON.parse(result.stdout)[0];
  const files = packed.files.map((file) => file.path).sort();
  console.log(packed.filename + ': ' + files.join(' ') + ' (' + packed.size + ' bytes packed)');
  const needed = ['package.json', 'LICENSE', 'sparkler-scene.js', 'index.html', 'page.js', 'page.css', 'sparkler.js',
                  'sparkler.wasm', 'Sparkler.webm', 'BackgroundSound.webm', 'Sparkler.m4a', 'BackgroundSound.m4a'];
  const missing = needed.filter((file) => !files.includes(file));
  check(missing.length === 0, 'the package holds the element, the page, the program and the sounds' +
        (missing.length ? ' (missing ' + missing.join(' ') + ')' : ''));
  const stray = files.filter((file) => /node_modules|CMake|\.wav$|sparkler-replay|\.ninja|tests\//.test(file));
  check(stray.length === 0, 'and nothing of the build\'s own' + (stray.length ? ' (' + stray.slice(0, 5).join(' ') + ')' : ''));
  const everyFile = files.every((file) => fs.existsSync(path.join(build, file)));
  check(everyFile, 'every file it lists is in the build');
}

async function main() {
  const site = siteFrom(build, path.join(work, 'site'));
  fs.writeFileSync(path.join(site, 'host.html'), hostPage);
  const { server, url } = await serve(site);
  const { browser, close } = await launch();
  try {
    await elementChecks(browser, url);
  } finally {
    await close();
    server.close();
  }
  packChecks();
  if (failures.length) {
    console.log(failures.length + ' check(s) failed');
    process.exit(1);
  }
  console.log('all checks passed');
}

main().catch((error) => { console.error(error); process.exit(1); });
