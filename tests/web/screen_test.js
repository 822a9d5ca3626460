// The page's two ways of putting a frame on the canvas give the same pixels: WebGL (the RGB565
// frame uploaded as it is, widened by a shader) and the 2D canvas (widened through a table),
// for every one of the 65536 RGB565 values and for a frame of the running scene, and both as
// the native program widens a pixel (each channel's top bits repeated). The page itself shows
// the scene through one of them. Both, fed the running scene's frames with only the bands the
// program says changed, still hold its last frame exactly. Usage: node screen_test.js BUILD-WEB
'use strict';
const { serve } = require('../../tools/web_serve');
const { launch } = require('./browser');

const failures = [];
function check(ok, what) {
  console.log((ok ? 'ok   ' : 'FAIL ') + what);
  if (!ok) failures.push(what);
}

// In the page: shows `pixels` (RGB565, width x height) through a WebGL and a 2D presenter on
// canvases of their own and counts the pixels where either differs from the widening computed
// here, and where the two differ from each other.
function compare(pixels, width, height) {
  const screen = Module.sparklerScreen;
  const gl = screen.create(document.createElement('canvas'), width, height, 'webgl');
  const flat = screen.create(document.createElement('canvas'), width, height, '2d');
  if (!gl || gl.kind !== 'webgl' || !flat || flat.kind !== '2d') return { made: false };
  gl.show(pixels);
  flat.show(pixels);
  const a = gl.pixels();
  const b = flat.pixels();
  let glWrong = 0, flatWrong = 0, between = 0;
  for (let i = 0; i < pixels.length; ++i) {
    const p = pixels[i];
    const r = p >> 11, g = (p >> 5) & 63, bl = p & 31;
    const want = [(r << 3) | (r >> 2), (g << 2) | (g >> 4), (bl << 3) | (bl >> 2), 255];
    for (let c = 0; c < 4; ++c) {
      if (a[i * 4 + c] !== want[c]) { ++glWrong; break; }
    }
    for (let c = 0; c < 4; ++c) {
      if (b[i * 4 + c] !== want[c]) { ++flatWrong; break; }
    }
    for (let c = 0; c < 4; ++c) {
      if (a[i * 4 + c] !== b[i * 4 + c]) { ++between; break; }
    }
  }
  return { made: true, glWrong, flatWrong, between, colours: new Set(pixels).size };
}

// In the page: a WebGL and a 2D presenter of their own are shown each of the running scene's
// frames for a second, with the bands the program gives the page's own; after the last, each
// one's pixels (and the page's canvas) are compared with that frame widened here.
async function followScene() {
  const screen = Module.sparklerScreen;
  const width = page.canvas.width, height = page.canvas.height;
  const gl = screen.create(document.createElement('canvas'), width, height, 'webgl');
  const flat = screen.create(document.createElement('canvas'), width, height, '2d');
  const own = screen.presenter;
  const show = own.show;
  let frames = 0, banded = 0, bandArea = 0, enough = false, compared = null;
  const compare = new Promise((resolve) => { compared = resolve; });
  own.show = function (pixels, bands, bandRows) {
    show.call(own, pixels, bands, bandRows);
    gl.show(pixels, bands, bandRows);
    flat.show(pixels, bands, bandRows);
    ++frames;
    if (bands) {
      ++banded;
      for (let band = 0; band * bandRows < height; ++band)
        bandArea += Math.max(0, bands[2 * band + 1] - bands[2 * band]) * Math.min(bandRows, height - band * bandRows);
    }
    // Compared in the task that showed the frame, while it is the last one.
    if (enough) {
      own.show = show;
      compared({ frame: pixels.slice(), gl: gl.pixels(), flat: flat.pixels(), own: screen.pixels() });
    }
  };
  setTimeout(() => { enough = true; }, 1000);
  const read = await compare;
  const wrong = (rgba) => wrongPixels(read.frame, rgba);
  return { frames, banded, bandShare: bandArea / Math.max(1, banded) / (width * height),
           glWrong: wrong(read.gl), flatWrong: wrong(read.flat), pageWrong: wrong(read.own) };
}

// In the page: how many pixels of `rgba` (RGBA, top row first) differ in colour from the RGB565
// `frame` widened as the native program widens it.
function wrongPixels(frame, rgba) {
  let count = 0;
  for (let i = 0; i < frame.length; ++i) {
    const p = frame[i];
    const r = p >> 11, g = (p >> 5) & 63, b = p & 31;
    if (rgba[i * 4] !== ((r << 3) | (r >> 2)) || rgba[i * 4 + 1] !== ((g << 2) | (g >> 4)) ||
        rgba[i * 4 + 2] !== ((b << 3) | (b >> 2))) ++count;
  }
  return count;
}

async function main() {
  const { server, url } = await serve(process.argv[2] || 'build-web');
  const { browser, close } = await launch();
  try {
    const page = await browser.newPage();
    page.on('pageerror', (error) => failures.push('page error: ' + error.message));
    await page.setViewport({ width: 1024, height: 800 });
    await page.goto(url + '?thread=main'); // the program's presenters, driven from here
    await page.waitForFunction(() => page.ready === true && Module._sparkler_passes() >= 30, { timeout: 30000 });
    await page.evaluate(wrongPixels.toString() + '; window.wrongPixels = wrongPixels;');

    const every = await page.evaluate(compare.toString() + `;
      const all = new Uint16Array(65536);
      for (let i = 0; i < all.length; ++i) all[i] = i;
      compare(all, 256, 256);`);
    console.log('every RGB565 value: ' + JSON.stringify(every));
    check(every.made, 'a WebGL and a 2D presenter can be made');
    check(every.made && every.colours === 65536 && every.glWrong === 0 && every.flatWrong === 0 && every.between === 0,
      'all 65536 RGB565 values come out the same through WebGL and the 2D canvas, as the program widens them');

    const scene = await page.evaluate(compare.toString() + `;
      const frame = Module.sparklerScreen.frame();
      const result = compare(frame, page.canvas.width, page.canvas.height);
      // The page's own canvas shows that frame too (nothing ran in between).
      const shownWrong = wrongPixels(frame, Module.sparklerScreen.pixels());
      Object.assign(result, { shownWrong, kind: Module.sparklerScreen.presenter.kind,
                              size: [page.canvas.width, page.canvas.height] });`);
    console.log('a frame of the scene: ' + JSON.stringify(scene));
    check(scene.made && scene.colours > 1000 && scene.glWrong === 0 && scene.flatWrong === 0 && scene.between === 0,
      'a frame of the running scene (' + scene.colours + ' colours) is pixel for pixel the same through both');
    check(scene.shownWrong === 0 && scene.size[0] === 1024 && scene.size[1] === 768,
      'the page\'s canvas (' + scene.kind + ') shows the frame exactly');

    const followed = await page.evaluate(followScene);
    console.log('a second of the scene put band by band: ' + JSON.stringify(followed));
    check(followed.frames >= 20 && followed.banded >= followed.frames - 1 && followed.bandShare < 0.75,
      'the program gives the bands that changed with its frames (' + followed.banded + ' of ' + followed.frames +
      ', ' + (100 * followed.bandShare).toFixed(0) + ' % of the frame on average)');
    check(followed.glWrong === 0 && followed.flatWrong === 0 && followed.pageWrong === 0,
      'shown only where they changed, WebGL, the 2D canvas and the page\'s canvas hold the last frame exactly');
  } finally {
    await close();
    server.close();
  }
  if (failures.length) {
    console.log(failures.length + ' failed');
    process.exit(1);
  }
}

main().catch((error) => { console.error(error); process.exit(1); });
