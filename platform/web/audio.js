// The WebAudio side of the browser build's sound classes (see WebAudio.cpp): one context, the
// waves the page decoded, and voices. A voice is a gain stage to the speakers, with a panner
// before it for a 3D path; playing on a voice replaces what it played and begins at the first
// sample. Ids are small integers; calls with an id that is gone do nothing.
Module['sparklerAudio'] = {
  context: null,
  voices: new Map(),
  nextVoice: 1,

  // The page may hand over its own context (an OfflineAudioContext for a test) and its
  // decoded waves (name -> AudioBuffer) as Module.sparklerAudioContext / Module.sparklerWaves.
  open: function () {
    if (this.context) return 1;
    var given = Module['sparklerAudioContext'];
    if (given) {
      this.context = given;
    } else if (typeof AudioContext !== 'undefined') {
      try { this.context = new AudioContext(); } catch (e) { this.context = null; }
    }
    return this.context ? 1 : 0;
  },
  sampleRate: function () { return this.context ? this.context.sampleRate : 0; },
  close: function () {
    var self = this;
    this.voices.forEach(function (voice, id) { self.release(id); });
    // A context the page handed over stays the page's; one made here is closed.
    if (this.context && this.context !== Module['sparklerAudioContext'] && this.context.close)
      this.context.close();
    this.context = null;
  },
  waves: function () { return Module['sparklerWaves'] || {}; },
  waveList: [],
  findWave: function (name) {
    var wave = this.waves()[name];
    if (!wave) return 0;
    var index = this.waveList.indexOf(wave);
    if (index < 0) { this.waveList.push(wave); index = this.waveList.length - 1; }
    return index + 1;
  },
  wave: function (id) { return this.waveList[id - 1] || null; },
  createVoice: function (spatial) {
    if (!this.context) return 0;
    var ctx = this.context;
    var voice = { gain: ctx.createGain(), panner: null, source: null };
    voice.gain.connect(ctx.destination);
    if (spatial) {
      // Head-relative placement: the listener stays at the origin facing ahead, never moved,
      // so a position is relative to the head. Level falls as 1/distance beyond refDistance.
      var panner = ctx.createPanner();
      panner.panningModel = 'HRTF';
      panner.distanceModel = 'inverse';
      panner.refDistance = 1024;
      panner.rolloffFactor = 1;
      panner.maxDistance = 1e9;
      // A stereo wave is placed as one channel.
      panner.channelCount = 1;
      panner.channelCountMode = 'explicit';
      panner.connect(voice.gain);
      voice.panner = panner;
    }
    var id = this.nextVoice++;
    this.voices.set(id, voice);
    return id;
  },
  play: function (id, waveId, repeats) {
    var voice = this.voices.get(id);
    var wave = this.wave(waveId);
    if (!voice || !wave) return 0;
    this.stop(id);
    var source = this.context.createBufferSource();
    source.buffer = wave;
    source.loop = repeats !== 0;
    source.connect(voice.panner || voice.gain);
    source.start(this.context.currentTime);
    if (repeats > 0) source.stop(this.context.currentTime + wave.duration * (repeats + 1));
    voice.source = source;
    return 1;
  },
  stop: function (id) {
    var voice = this.voices.get(id);
    if (!voice || !voice.source) return;
    try { voice.source.stop(); } catch (e) {}
    voice.source.disconnect();
    voice.source = null;
  },
  place: function (id, x, y, z) {
    var voice = this.voices.get(id);
    if (!voice || !voice.panner) return;
    var p = voice.panner;
    if (p.positionX) {
      p.positionX.value = x; p.positionY.value = y; p.positionZ.value = z;
    } else {
      p.setPosition(x, y, z);
    }
  },
  setRefDistance: function (id, distance) {
    var voice = this.voices.get(id);
    if (voice && voice.panner && distance > 0) voice.panner.refDistance = distance;
  },
  release: function (id) {
    var voice = this.voices.get(id);
    if (!voice) return;
    this.stop(id);
    if (voice.panner) voice.panner.disconnect();
    voice.gain.disconnect();
    this.voices.delete(id);
  }
};
