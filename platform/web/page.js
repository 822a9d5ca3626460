// The page around the browser build: starts the scene at once on the program's own pilot,
// silent; a click (or a touch) takes the sparkler over, makes the audio context (browsers
// allow sound only after a gesture) and lights a run with the two waves, which are fetched
// after the first frame. Drives the loop from requestAnimationFrame, feeds keys and pointer
// motion in, shows the frames, says in a plain sentence what could not load, rests while
// the tab is hidden, and has its files kept for offline visits. Where the browser can hand
// the canvas to a worker, the program runs there (worker.js) and this page only forwards to
// it and plays its sounds; elsewhere (or with ?thread=main) it runs here, and Module is the
// compiled program's (sparkler.js).
'use strict';

var sparklerWaveNames = ['Sparkler.wav', 'BackgroundSound.wav'];

var page = {
  canvas: document.getElementById('screen'),
  compiled: false,
  ready: false,      // the program is compiled and its silent run is going
  running: false,    // a run is going (silent or a person's)
  looping: false,
  person: false,     // the run going was lit by a person's gesture
  failed: false,
  readyAt: 0,        // ms from the start of the page's load until the silent run started
  firstFrameAt: 0,   // ms from the start of the page's load to the first frame shown
  quitKeyDown: false,
  waveBytes: null,   // promise of name -> ArrayBuffer, fetched after the first frame
  wavesDecoded: null,
  status: function (text) { document.getElementById('status').textContent = text; },
  show: function (id, visible) { document.getElementById(id).classList.toggle('hidden', !visible); }
};

// The program's code, compiling since the page's head asked for it (index.html), here or in
// the program's worker (which has the canvas already). The page's options (sparklerOptions)
// are read there too.
page.compiling = sparklerCompiling;
page.worker = sparklerWorker;

var Module = page.worker ? {
  // The program in its worker, as this page sees it: what each pass reported, the canvas's
  // pixels on request, and the sound it plays here (audio.js).
  _sparkler_passes: function () { return page.passes; },
  _sparkler_origin: function (axis) { return page.origin[axis]; },
  sparklerScreen: { pixels: function () { return page.ask('pixels'); } }
} : {
  canvas: page.canvas,
  instantiateWasm: function (imports, receive) {
    page.compiling.then(function (module) {
      return WebAssembly.instantiate(module, imports).then(function (instance) { receive(instance, module); });
    }).catch(function (error) {
      console.warn('sparkler: ' + error);
      Module.onAbort();
    });
    return {};
  },
  print: function (text) { console.log(text); },
  printErr: function (text) { console.warn(text); if (!page.failed) page.status(text); },
  // The runtime's own abort text is for the console; the page says what went wrong.
  onAbort: function () { page.fail('The sparkler could not be loaded. Check the connection and reload the page.'); },
  // After main (which makes the program's page state): the scene starts at once, and a
  // gesture made while it loaded lights its run. The start goes in tasks of its own, each
  // short, so that the page answers input between them: the screen's table (screen.js), the
  // background unpacked, then the run.
  postRun: [function () {
    page.compiled = true;
    Module.sparklerScreen.prepared.then(function () {
      setTimeout(function () {
        Module._sparkler_prepare();
        setTimeout(function () { page.startSilent(); page.compiledNow(); }, 0);
      }, 0);
    });
  }],
  // Told by the program's screen (screen.js) after each frame it put on the canvas, whose
  // size is the frame's; CSS does the scaling.
  sparklerPage: {
    shown: function () {
      if (!page.firstFrameAt) {
        page.firstFrameAt = performance.now();
        setTimeout(page.fetchWaves, 0);
      }
    }
  }
};

// The program's worker: its answers and reports. A question (`pixels`, `picture`) is answered
// by a promise.
page.passes = 0;
page.origin = [0, 0];
page.questions = new Map();
page.nextQuestion = 1;
page.ask = function (what, extra) {
  var id = page.nextQuestion++;
  var message = Object.assign({}, extra);
  message[what] = id;
  return new Promise(function (resolve) {
    page.questions.set(id, resolve);
    page.worker.postMessage(message);
  });
};
page.fromWorker = function (event) {
  var message = event.data;
  if (message.pass) {
    page.passes = message.pass[0];
    page.origin = [message.pass[1], message.pass[2]];
  }
  if (message.audio) {
    var audio = Module.sparklerAudio;
    message.audio.forEach(function (call) { audio[call[0]].apply(audio, call.slice(1)); });
  }
  if (message.firstFrame && !page.firstFrameAt) {
    page.firstFrameAt = message.firstFrame - performance.timeOrigin;
    setTimeout(page.fetchWaves, 0);
  }
  if (message.answer) {
    var resolve = page.questions.get(message.answer);
    page.questions.delete(message.answer);
    if (resolve) resolve(message.value);
  }
  if (message.line && !page.failed) page.status(message.line);
  if (message.failed) Module.onAbort();
  if (message.ready) { page.startSilent(); page.compiledNow(); }
  if (message.runFailed) {
    page.running = false;
    page.status('The sparkler could not be lit (see the line above).');
  }
  // The program has said (the line above) which wave it lacks; the page says it plainly.
  if (message.started && page.person && page.soundFailed) page.soundMissing();
  if (message.ended) page.out(message.ended === 3 ? 'The picture could not be shown.' : '');
};
if (page.worker) {
  Module.onAbort = function () { page.fail('The sparkler could not be loaded. Check the connection and reload the page.'); };
  page.worker.onmessage = page.fromWorker;
  page.worker.onerror = function (event) { event.preventDefault(); Module.onAbort(); };
  // Sounds are played here: their side (audio.js) comes after this script.
  var audioScript = document.createElement('script');
  audioScript.src = 'audio.js';
  document.head.appendChild(audioScript);
}

// The sounds' bytes, fetched once the first frame is out of the way: Opus where the browser
// plays it, AAC otherwise, each kept under its wave's name (the one the program asks for). A
// sound that cannot be had is left out (said on the page) and the run plays what it has.
// With the program in its worker, the worker fetches them (this page's thread then only
// receives them). Which format is asked while the page's script first runs.
page.soundSuffix = (function () {
  var probe = document.createElement('audio');
  var suffix = probe.canPlayType && probe.canPlayType('audio/webm; codecs=opus') ? '.webm' : '.m4a';
  return function () { return suffix; };
})();

page.fetchWaves = function () {
  if (page.waveBytes) return page.waveBytes;
  var bytes = {};
  var suffix = page.soundSuffix();
  if (page.worker) {
    page.waveBytes = page.ask('waves', { names: sparklerWaveNames, suffix: suffix }).then(function (fetched) {
      fetched.missing.forEach(function (why) { console.warn('sparkler: ' + why); page.soundMissing(); });
      return fetched.bytes;
    });
    page.waveBytes.then(page.keepOffline);
    return page.waveBytes;
  }
  page.waveBytes = Promise.all(sparklerWaveNames.map(function (name) {
    return fetch(name.replace(/\.wav$/, suffix))
      .then(function (response) { if (!response.ok) throw new Error(name + ': ' + response.status); return response.arrayBuffer(); })
      .then(function (data) { bytes[name] = data; })
      .catch(function (error) { console.warn('sparkler: ' + error.message); page.soundMissing(); });
  })).then(function () { return bytes; });
  page.waveBytes.then(page.keepOffline);
  return page.waveBytes;
};

// Once the first frame and the sounds are in (so as not to slow them), the service worker
// keeps the page's files and the sounds this browser plays for visits without the network;
// each visit asks whether a new build has come (its worker then replaces the kept copy).
page.keepOffline = function () {
  if (!('serviceWorker' in navigator)) return;
  var sounds = sparklerWaveNames.map(function (name) { return name.replace(/\.wav$/, page.soundSuffix()); });
  navigator.serviceWorker.register('service-worker.js')
    .then(function (registration) {
      registration.update().catch(function () {});
      return navigator.serviceWorker.ready;
    })
    .then(function (registration) { registration.active.postMessage({ keep: sounds }); })
    .catch(function (error) { console.warn('sparkler: no offline copy: ' + error.message); });
};

page.soundMissing = function () {
  page.soundFailed = true;
  page.status('The sound could not be loaded; the sparkler runs without it.');
};

// Called within a gesture: makes the audio context (so that it may start), then decodes the
// waves into it. Resolves once the sound is settled, with or without it.
page.openSound = function () {
  if (page.wavesDecoded) {
    if (Module.sparklerAudioContext && Module.sparklerAudioContext.resume) Module.sparklerAudioContext.resume();
    return page.wavesDecoded;
  }
  var AudioContextType = window.AudioContext || window.webkitAudioContext;
  var context = null;
  try { context = AudioContextType ? new AudioContextType() : null; } catch (e) { context = null; }
  if (!context) {
    page.soundMissing();
    page.wavesDecoded = Promise.resolve();
    return page.wavesDecoded;
  }
  if (context.resume) context.resume();
  Module.sparklerAudioContext = context;
  Module.sparklerWaves = {};
  page.wavesDecoded = page.fetchWaves().then(function (bytes) {
    return Promise.all(Object.keys(bytes).map(function (name) {
      return context.decodeAudioData(bytes[name])
        .then(function (wave) { Module.sparklerWaves[name] = wave; })
        .catch(function () { console.warn('sparkler: ' + name + ' cannot be decoded'); page.soundMissing(); });
    }));
  });
  return page.wavesDecoded;
};

page.fail = function (sentence) {
  page.failed = true;
  page.running = false;
  document.getElementById('cover-text').textContent = sentence;
  document.getElementById('cover-text').classList.remove('hidden');
  page.show('cover', true);
  document.getElementById('cover').classList.remove('hint');
  page.status('');
};

// Starts a run (see sparkler_start_run) and the loop that drives it. False when it failed.
page.startRun = function (sound, piloted) {
  if (page.worker) {
    // The worker says when it could not light it.
    page.worker.postMessage({ run: { sound: sound, piloted: piloted } });
    page.running = true;
    page.quitKeyDown = false;
    page.worker.postMessage({ focus: document.hasFocus() });
    return true;
  }
  if (page.running) Module._sparkler_stop();
  page.running = false;
  if (piloted && sparklerOptions.write && !page.wordsGiven) {
    page.wordsGiven = true;
    Module.ccall('sparkler_write', null, ['string'], [sparklerOptions.write]);
  }
  if (Module._sparkler_start_run(sound ? 1 : 0, piloted ? 1 : 0) !== 0) {
    page.status('The sparkler could not be lit (see the line above).');
    return false;
  }
  page.running = true;
  page.quitKeyDown = false;
  Module._sparkler_focus(document.hasFocus() ? 1 : 0);
  if (!page.looping) {
    page.looping = true;
    requestAnimationFrame(page.frame);
  }
  return true;
};

// The scene as soon as the program can draw: silent, on the autopilot, before any gesture
// (unless the embedding page asked for no autopilot: then the scene waits for a click).
page.startSilent = function () {
  // The worker lit the silent run itself, once it could.
  if (page.worker) page.running = page.running || sparklerOptions.autopilot;
  else if (sparklerOptions.autopilot && !page.startRun(false, true)) return;
  page.ready = true;
  page.readyAt = performance.now();
  if (document.getElementById('status').textContent === page.loadingLine) page.status('');
};

// The hint says from the start what a click does, true already while the program loads (the
// click is kept until then); the loading line is the bar's.
page.loadingLine = document.getElementById('status').textContent;
if (!sparklerOptions.autopilot) document.getElementById('cover-text').textContent = 'Click or touch to light the sparkler';
page.whenCompiled = new Promise(function (resolve) { page.compiledNow = resolve; });

// Ends the run going and its loop (tests that drive the program themselves call this first).
page.stop = function () {
  if (page.worker) page.worker.postMessage({ stop: true });
  else if (page.running) Module._sparkler_stop();
  page.running = false;
};

// A person's gesture lights a run with sound: a click takes the sparkler at once (the pointer
// lock carries it); a touch leaves the autopilot flying until the finger moves it. A gesture
// before the program is compiled makes the sound's context then and lights the run once it is.
page.light = function (piloted) {
  if (page.failed || page.lighting || (page.running && page.person)) return;
  page.lighting = true;
  page.takePointer();
  Promise.all([sparklerOptions.sound ? page.openSound() : null, page.whenCompiled]).then(function () {
    page.lighting = false;
    if (page.failed) return;
    if (page.worker) page.worker.postMessage({ sound: page.soundForWorker() });
    if (!page.startRun(sparklerOptions.sound, piloted === true)) return;
    // The program has said which wave it lacks; the page says it plainly.
    if (page.soundFailed) page.soundMissing();
    page.person = true;
    page.show('cover', false);
    page.show('out', false);
  });
};

// What the worker's sound side needs to know of the sound opened here: its rate and the
// waves decoded; null without sound.
page.soundForWorker = function () {
  var context = Module.sparklerAudioContext;
  if (!sparklerOptions.sound || !context) return null;
  var waves = {};
  Object.keys(Module.sparklerWaves || {}).forEach(function (name) {
    var wave = Module.sparklerWaves[name];
    waves[name] = { length: wave.length, numberOfChannels: wave.numberOfChannels, sampleRate: wave.sampleRate };
  });
  return { rate: context.sampleRate, waves: waves };
};

page.frame = function (now) {
  if (!page.running || document.hidden) { page.looping = false; return; }
  var result = Module._sparkler_frame(now);
  if (result === 2 || result === 3 || result === 4) {
    page.looping = false;
    page.out(result === 3 ? 'The picture could not be shown.' : '');
    return;
  }
  requestAnimationFrame(page.frame);
};

page.out = function (why) {
  page.running = false;
  page.looping = false;
  page.person = false;
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
  if (!page.running) return;
  if (page.worker) page.worker.postMessage({ mouse: [dx | 0, dy | 0] });
  else Module._sparkler_mouse(dx | 0, dy | 0);
};

page.key = function (code, key, repeat) {
  if (!page.running) return;
  if (code === 'Escape' || code === 'F12') page.quitKeyDown = true;
  if (page.worker) page.worker.postMessage({ key: [code, key, repeat ? 1 : 0] });
  else Module.ccall('sparkler_key', null, ['string', 'string', 'number'], [code, key, repeat ? 1 : 0]);
};

// The keyboard and the pointer (1) or not (0), as the program reads them.
page.focus = function (focused) {
  if (page.worker) page.worker.postMessage({ focus: focused });
  else Module._sparkler_focus(focused ? 1 : 0);
};

page.focusChanged = function (focused) {
  if (!page.running) return;
  page.focus(focused);
  page.show('paused', !focused && !page.quitKeyDown);
};

page.savePicture = function () {
  var now = new Date();
  var two = function (n) { return (n < 10 ? '0' : '') + n; };
  var name = 'sparkler-' + now.getFullYear() + two(now.getMonth() + 1) + two(now.getDate()) + '-' +
             two(now.getHours()) + two(now.getMinutes()) + two(now.getSeconds()) + '.png';
  var saved = function (blob) {
    if (!blob) { page.status('The picture could not be made.'); return; }
    var link = document.createElement('a');
    link.href = URL.createObjectURL(blob);
    link.download = name;
    document.body.appendChild(link);
    link.click();
    link.remove();
    setTimeout(function () { URL.revokeObjectURL(link.href); }, 1000);
    page.status('Saved ' + name);
  };
  if (page.worker) {
    page.ask('picture').then(saved);
    return;
  }
  Module.sparklerScreen.refresh();
  page.canvas.toBlob(saved, 'image/png');
};

page.toggleFullScreen = function () {
  var stage = document.getElementById('stage');
  if (document.fullscreenElement) document.exitFullscreen();
  else if (stage.requestFullscreen) stage.requestFullscreen().catch(function () {});
};

document.getElementById('cover').addEventListener('click', function () {
  // A finger that carried the sparkler, however little, made no tap (the browser may still
  // call a short drag a click).
  if (page.lastPointerType === 'touch' && page.touchMoved) return;
  page.light(page.lastPointerType === 'touch');
});
document.getElementById('again').addEventListener('click', function () { page.light(false); });
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

// The on-screen controls: each button is its key, pressed once. They start open where the
// pointer is coarse (a finger) and folded where a mouse points. An embedded scene shows the
// scene alone (with the controls, folded, only when asked).
document.getElementById('controls').open = !sparklerOptions.embedded && !window.matchMedia('(pointer: fine)').matches;
document.body.classList.toggle('embedded', sparklerOptions.embedded);
document.body.classList.toggle('without-controls', !sparklerOptions.controls);
document.getElementById('control-buttons').addEventListener('click', function (event) {
  var button = event.target.closest('button');
  if (button) page.key(button.dataset.code, button.dataset.key, false);
});

// A finger on the stage: a drag carries the sparkler by the finger's motion, scaled from the
// page's pixels to the scene's (as a trackpad does, so the finger does not hide it); a tap
// without motion lights the sound (the click that follows it, see the cover's handler).
page.touch = null;
page.touchMoved = false; // the last touch carried the sparkler
page.lastPointerType = 'mouse';
var stage = document.getElementById('stage');
stage.addEventListener('pointerdown', function (event) {
  page.lastPointerType = event.pointerType;
  if (event.pointerType !== 'touch') return;
  page.touch = { id: event.pointerId, x: event.clientX, y: event.clientY };
  page.touchMoved = false;
});
stage.addEventListener('pointermove', function (event) {
  var touch = page.touch;
  if (!touch || event.pointerId !== touch.id || !page.running) return;
  var box = page.canvas.getBoundingClientRect();
  var scale = Math.max(page.canvas.width / box.width, page.canvas.height / box.height);
  var dx = Math.round((event.clientX - touch.x) * scale);
  var dy = Math.round((event.clientY - touch.y) * scale);
  if (dx === 0 && dy === 0) return;
  touch.x += dx / scale;
  touch.y += dy / scale;
  page.focus(true);
  page.motion(dx, dy);
  page.touchMoved = true;
  // The finger has the sparkler: the hint goes (the cover stays, for a tap to start the sound).
  document.getElementById('cover-text').classList.add('hidden');
});
var touchEnded = function (event) { if (page.touch && event.pointerId === page.touch.id) page.touch = null; };
stage.addEventListener('pointerup', touchEnded);
stage.addEventListener('pointercancel', touchEnded);

window.addEventListener('keydown', function (event) {
  // The page's own controls keep the keys that work them.
  if (!event.altKey && event.target.closest && event.target.closest('#controls, #bar') &&
      (event.code === 'Tab' || event.code === 'Enter' || event.code === 'Space' || event.code === 'NumpadEnter')) return;
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

// A hidden tab does no work: the loop stops (the animation frames stop anyway) and the audio
// context is suspended; coming back resumes both.
document.addEventListener('visibilitychange', function () {
  var context = Module.sparklerAudioContext;
  if (page.worker) page.worker.postMessage({ hidden: document.hidden });
  if (document.hidden) {
    if (context && context.suspend && context.state === 'running') context.suspend();
    return;
  }
  if (context && context.resume && page.person) context.resume();
  if (page.worker) return;
  if (page.running && !page.looping) {
    page.looping = true;
    requestAnimationFrame(page.frame);
  }
});

// The program itself could not be fetched (its script), said plainly.
page.programMissing = function () {
  page.fail('The sparkler could not be loaded. Check the connection and reload the page.');
};

// What the program's worker said before this script came (index.html kept it), taken in order
// now that the page can answer all of it.
if (page.worker) {
  page.worker.early.forEach(function (event) { page.worker[event.type === 'error' ? 'onerror' : 'onmessage'](event); });
  page.worker.early = [];
}
