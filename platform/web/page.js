// The page around the browser build: fetches and decodes the two waves, lights a run on a click
// (which also takes the pointer lock and lets the audio start, as browsers ask), drives the
// loop from requestAnimationFrame, feeds keys and pointer motion in, shows the frames, and
// says when the sparkler is out. Module is the compiled program's (sparkler.js).
'use strict';

var sparklerWaveNames = ['Sparkler.wav', 'BackgroundSound.wav'];

var page = {
  canvas: document.getElementById('screen'),
  context2d: null,
  image: null,
  ready: false,      // the program is compiled and the waves are settled
  running: false,
  readyAt: 0,        // ms from the start of the page's load until it can be lit
  firstFrameAt: 0,   // ms from the start of the page's load to the first frame shown
  quitKeyDown: false,
  status: function (text) { document.getElementById('status').textContent = text; },
  show: function (id, visible) { document.getElementById(id).classList.toggle('hidden', !visible); }
};

var Module = {
  canvas: page.canvas,
  print: function (text) { console.log(text); },
  printErr: function (text) { console.warn(text); page.status(text); },
  onRuntimeInitialized: function () { page.compiled = true; page.settle(); },
  // Where the program draws: the canvas takes the frame's size; CSS does the scaling.
  sparklerPage: {
    open: function (width, height) {
      page.canvas.width = width;
      page.canvas.height = height;
      page.context2d = page.canvas.getContext('2d');
      if (!page.context2d) return 0;
      page.image = page.context2d.createImageData(width, height);
      return 1;
    },
    show: function (pointer, width, height) {
      page.image.data.set(Module.HEAPU8.subarray(pointer, pointer + width * height * 4));
      page.context2d.putImageData(page.image, 0, 0);
      if (!page.firstFrameAt) page.firstFrameAt = performance.now();
    }
  }
};

// The waves are fetched with the page and decoded before a run can start; a context made
// before the first click starts suspended, and the click resumes it. Without WebAudio, or when
// the waves cannot be had, the run is silent.
page.loadWaves = function () {
  var AudioContextType = window.AudioContext || window.webkitAudioContext;
  if (!AudioContextType) return Promise.resolve();
  var context;
  try { context = new AudioContextType(); } catch (e) { return Promise.resolve(); }
  Module.sparklerAudioContext = context;
  Module.sparklerWaves = {};
  return Promise.all(sparklerWaveNames.map(function (name) {
    return fetch(name)
      .then(function (response) { if (!response.ok) throw new Error(name + ': ' + response.status); return response.arrayBuffer(); })
      .then(function (bytes) { return context.decodeAudioData(bytes); })
      .then(function (wave) { Module.sparklerWaves[name] = wave; })
      .catch(function (error) { console.warn('sparkler: ' + error.message); });
  }));
};

page.settle = function () {
  if (!page.compiled || !page.wavesSettled) return;
  page.ready = true;
  page.readyAt = performance.now();
  document.getElementById('cover-text').textContent = 'Click to light the sparkler';
};

page.light = function () {
  if (!page.ready || page.running) return;
  if (Module.sparklerAudioContext && Module.sparklerAudioContext.resume) Module.sparklerAudioContext.resume();
  page.takePointer();
  if (Module._sparkler_start() !== 0) {
    page.status('The sparkler could not be lit (see the line above).');
    return;
  }
  page.running = true;
  page.quitKeyDown = false;
  page.show('cover', false);
  page.show('out', false);
  Module._sparkler_focus(document.hasFocus() ? 1 : 0);
  requestAnimationFrame(page.frame);
};

page.frame = function (now) {
  if (!page.running) return;
  var result = Module._sparkler_frame(now);
  if (result === 2 || result === 3 || result === 4) {
    page.out(result === 3 ? 'The picture could not be shown.' : '');
    return;
  }
  requestAnimationFrame(page.frame);
};

page.out = function (why) {
  page.running = false;
  if (document.pointerLockElement) document.exitPointerLock();
  page.show('paused', false);
  page.show('out', true);
  if (why) page.status(why);
};

page.takePointer = function () {
  if (page.canvas.requestPointerLock && document.pointerLockElement !== page.canvas) {
    try {
      var request = page.canvas.requestPointerLock();
      if (request && request.catch) request.catch(function () {});
    } catch (e) {}
  }
};

// Pointer motion while the lock is held, the one road motion takes into the program (tests
// without a lockable pointer call it directly).
page.motion = function (dx, dy) {
  if (page.running) Module._sparkler_mouse(dx | 0, dy | 0);
};

page.key = function (code, key, repeat) {
  if (!page.running) return;
  if (code === 'Escape' || code === 'F12') page.quitKeyDown = true;
  Module.ccall('sparkler_key', null, ['string', 'string', 'number'], [code, key, repeat ? 1 : 0]);
};

page.focusChanged = function (focused) {
  if (!page.running) return;
  Module._sparkler_focus(focused ? 1 : 0);
  page.show('paused', !focused && !page.quitKeyDown);
};

page.savePicture = function () {
  var now = new Date();
  var two = function (n) { return (n < 10 ? '0' : '') + n; };
  var name = 'sparkler-' + now.getFullYear() + two(now.getMonth() + 1) + two(now.getDate()) + '-' +
             two(now.getHours()) + two(now.getMinutes()) + two(now.getSeconds()) + '.png';
  page.canvas.toBlob(function (blob) {
    if (!blob) { page.status('The picture could not be made.'); return; }
    var link = document.createElement('a');
    link.href = URL.createObjectURL(blob);
    link.download = name;
    document.body.appendChild(link);
    link.click();
    link.remove();
    setTimeout(function () { URL.revokeObjectURL(link.href); }, 1000);
    page.status('Saved ' + name);
  }, 'image/png');
};

page.toggleFullScreen = function () {
  var stage = document.getElementById('stage');
  if (document.fullscreenElement) document.exitFullscreen();
  else if (stage.requestFullscreen) stage.requestFullscreen().catch(function () {});
};

document.getElementById('cover').addEventListener('click', page.light);
document.getElementById('again').addEventListener('click', page.light);
document.getElementById('paused').addEventListener('click', function () { page.takePointer(); page.focusChanged(true); });
document.getElementById('fullscreen').addEventListener('click', page.toggleFullScreen);
document.getElementById('picture').addEventListener('click', page.savePicture);

document.addEventListener('mousemove', function (event) {
  if (document.pointerLockElement === page.canvas) page.motion(event.movementX, event.movementY);
});
// Losing the lock (the browser's own Escape, another window) is a loss of focus, not a quit,
// unless the key-down itself reached the page.
document.addEventListener('pointerlockchange', function () {
  page.focusChanged(document.pointerLockElement === page.canvas);
});
window.addEventListener('blur', function () { page.focusChanged(false); });

window.addEventListener('keydown', function (event) {
  if (event.altKey) {
    // As natively: Alt+Enter switches full screen; other keys with Alt are the system's.
    if (event.code === 'Enter' || event.code === 'NumpadEnter') { event.preventDefault(); page.toggleFullScreen(); }
    return;
  }
  if (!page.running) return;
  if (event.code === 'F10' || event.ctrlKey || event.metaKey) return;
  event.preventDefault();
  page.key(event.code, event.key, event.repeat);
});

page.loadWaves().then(function () { page.wavesSettled = true; page.settle(); });
