// The program's own thread, where the browser can hand a canvas to a worker (OffscreenCanvas):
// compiles sparkler.wasm (its fetch asked already by the page's lines that start this worker),
// runs the frames from the worker's animation-frame callbacks and draws them on the page's
// canvas, so that the page's thread only forwards input (keys, pointer motion, focus,
// visibility) and plays the sounds the program asks for (Web Audio stays on the page). Its
// messages are the page's (page.js); the screen (screen.js) and the program's glue are the same
// as on the page's own thread: the build appends that glue (sparkler.js) to this file, so that
// the worker fetches one script.
'use strict';

var worker = {
  tell: function (message, transfer) { self.postMessage(message, transfer || []); },
  compiled: false,
  canvas: false,
  silent: null,      // the silent run the page asked for before the program was ready
  running: false,
  looping: false,
  hidden: false,
  firstShown: false,
  sound: null,       // { rate, waves: { name: { length, numberOfChannels, sampleRate } } }
  wordsGiven: false,
  words: ''
};

// The page starts this worker from a few lines of its own (index.html), which asked for the
// wasm already and give the page's folder, against which the files are named.
var sparklerBase = self.sparklerBase || '';
worker.compiling = (function () {
  var fetched = self.sparklerFetched || fetch(sparklerBase + 'sparkler.wasm', { credentials: 'same-origin' });
  var compiling = WebAssembly.compileStreaming ? WebAssembly.compileStreaming(fetched) : fetched.then(function (response) {
    if (!response.ok) throw new Error('sparkler.wasm: ' + response.status);
    return response.arrayBuffer();
  }).then(function (bytes) { return WebAssembly.compile(bytes); });
  compiling.catch(function () {});
  return compiling;
})();


var Module = {
  canvas: null,
  instantiateWasm: function (imports, receive) {
    worker.compiling.then(function (module) {
      return WebAssembly.instantiate(module, imports).then(function (instance) { receive(instance, module); });
    }).catch(function (error) {
      console.warn('sparkler: ' + error);
      Module.onAbort();
    });
    return {};
  },
  // The glue (appended to this file) brings the page's sound side; here the program's sound
  // calls go to the page instead.
  preRun: [function () { Module.sparklerAudio = sparklerWorkerAudio; }],
  print: function (text) { console.log(text); },
  printErr: function (text) { console.warn(text); worker.tell({ line: text }); },
  onAbort: function () { worker.tell({ failed: true }); },
  postRun: [function () {
    Module.sparklerScreen.prepared.then(function () {
      Module._sparkler_prepare();
      worker.compiled = true;
      worker.begin();
    });
  }],
  sparklerPage: {
    shown: function () {
      if (worker.firstShown) return;
      worker.firstShown = true;
      // The page's own clock: the two threads' time origins differ.
      worker.tell({ firstFrame: performance.timeOrigin + performance.now() });
    }
  }
};

// The program's sound calls, kept in order and sent to the page after each frame (audio.js
// plays them there). The answers the program needs at once (ids, the waves' sizes) are given
// here: the page's side numbers voices and waves in the same order, so the ids agree.
var sparklerWorkerAudio = {
  opened: false,
  nextVoice: 1,
  voices: new Set(),
  waveList: [],
  calls: [],
  open: function () {
    if (!worker.sound) return 0;
    if (!this.opened) this.calls.push(['open']);
    this.opened = true;
    return 1;
  },
  close: function () {
    this.voices.clear();
    this.opened = false;
    this.calls.push(['close']);
  },
  sampleRate: function () { return this.opened ? worker.sound.rate : 0; },
  findWave: function (name) {
    if (!worker.sound || !worker.sound.waves[name]) return 0;
    this.calls.push(['findWave', name]);
    if (this.waveList.indexOf(name) < 0) this.waveList.push(name);
    return this.waveList.indexOf(name) + 1;
  },
  wave: function (id) {
    var name = this.waveList[id - 1];
    return name && worker.sound ? worker.sound.waves[name] : null;
  },
  createVoice: function (spatial) {
    if (!this.opened) return 0;
    var id = this.nextVoice++;
    this.voices.add(id);
    this.calls.push(['createVoice', spatial]);
    return id;
  },
  play: function (id, waveId, repeats) {
    if (!this.voices.has(id) || !this.wave(waveId)) return 0;
    this.calls.push(['play', id, waveId, repeats]);
    return 1;
  },
  stop: function (id) { this.calls.push(['stop', id]); },
  place: function (id, x, y, z) { this.calls.push(['place', id, x, y, z]); },
  setRefDistance: function (id, distance) { this.calls.push(['setRefDistance', id, distance]); },
  release: function (id) {
    this.voices.delete(id);
    this.calls.push(['release', id]);
  },
  flush: function () {
    if (!this.calls.length) return;
    worker.tell({ audio: this.calls });
    this.calls = [];
  }
};

// The silent run, once the program is compiled and the canvas has come.
worker.begin = function () {
  if (!worker.compiled || !worker.canvas) return;
  if (worker.silent) worker.start(false, true);
  worker.tell({ ready: true });
};

worker.start = function (sound, piloted) {
  if (worker.running) Module._sparkler_stop();
  worker.running = false;
  if (piloted && worker.words && !worker.wordsGiven) {
    worker.wordsGiven = true;
    Module.ccall('sparkler_write', null, ['string'], [worker.words]);
  }
  var result = Module._sparkler_start_run(sound ? 1 : 0, piloted ? 1 : 0);
  sparklerWorkerAudio.flush();
  if (result !== 0) {
    worker.tell({ runFailed: true });
    return;
  }
  worker.running = true;
  worker.tell({ started: true });
  // The run's first frame at once rather than at the next animation frame (up to a display
  // period later); the loop goes on from there. A loop already waiting for its frame keeps it.
  if (worker.looping || worker.hidden) worker.loop();
  else worker.frame(performance.now());
};

worker.loop = function () {
  if (worker.looping || !worker.running || worker.hidden) return;
  worker.looping = true;
  worker.nextFrame(worker.frame);
};
worker.nextFrame = self.requestAnimationFrame ? self.requestAnimationFrame.bind(self)
  : function (callback) { return setTimeout(function () { callback(performance.now()); }, 16); };

worker.frame = function (now) {
  worker.looping = false;
  if (!worker.running || worker.hidden) return;
  var result = Module._sparkler_frame(now);
  sparklerWorkerAudio.flush();
  if (result === 1) worker.tell({ pass: [Module._sparkler_passes(), Module._sparkler_origin(0), Module._sparkler_origin(1)] });
  if (result === 2 || result === 3 || result === 4) {
    worker.running = false;
    worker.tell({ ended: result });
    return;
  }
  worker.loop();
};

self.onmessage = function (event) {
  var message = event.data;
  if (message.canvas) {
    Module.canvas = message.canvas;
    // Read by the screen (screen.js) when the program opens it.
    self.sparklerGpuDraws = message.gpuDraws === true;
    worker.silent = message.silent;
    worker.words = message.words || '';
    worker.canvas = true;
    worker.begin();
  } else if (message.sound !== undefined) {
    worker.sound = message.sound;
  } else if (message.run) {
    worker.start(message.run.sound, message.run.piloted);
  } else if (message.stop) {
    if (worker.running) Module._sparkler_stop();
    worker.running = false;
    sparklerWorkerAudio.flush();
  } else if (message.key) {
    if (worker.running) Module.ccall('sparkler_key', null, ['string', 'string', 'number'], message.key);
  } else if (message.mouse) {
    if (worker.running) Module._sparkler_mouse(message.mouse[0] | 0, message.mouse[1] | 0);
  } else if (message.focus !== undefined) {
    if (worker.running) Module._sparkler_focus(message.focus ? 1 : 0);
  } else if (message.hidden !== undefined) {
    worker.hidden = message.hidden;
    worker.loop();
  } else if (message.pixels) {
    var pixels = Module.sparklerScreen.pixels();
    worker.tell({ answer: message.pixels, value: pixels }, pixels ? [pixels.buffer] : []);
  } else if (message.waves) {
    // The sounds' bytes, for the page to decode: { bytes: { name: ArrayBuffer }, missing: [why] }.
    var fetched = { bytes: {}, missing: [] };
    Promise.all(message.names.map(function (name) {
      return fetch(sparklerBase + name.replace(/\.wav$/, message.suffix))
        .then(function (response) { if (!response.ok) throw new Error(name + ': ' + response.status); return response.arrayBuffer(); })
        .then(function (data) { fetched.bytes[name] = data; })
        .catch(function (error) { fetched.missing.push(error.message); });
    })).then(function () {
      var buffers = Object.keys(fetched.bytes).map(function (name) { return fetched.bytes[name]; });
      worker.tell({ answer: message.waves, value: fetched }, buffers);
    });
  } else if (message.picture) {
    // Drawn again first, so that the canvas holds the frame in this same task.
    Module.sparklerScreen.refresh();
    Module.canvas.convertToBlob({ type: 'image/png' })
      .then(function (blob) { worker.tell({ answer: message.picture, value: blob }); },
            function () { worker.tell({ answer: message.picture, value: null }); });
  }
};
