// The browser build's screen (see WebDisplay.cpp): puts each RGB565 frame on the page's canvas.
// With WebGL the frame goes up as it is, a texture of UNSIGNED_SHORT_5_6_5, and a shader widens
// each channel by repeating its top bits, as pixelToRgb does natively; without WebGL, or where
// WebGL would only be drawn in software (no GPU), a 2D canvas gets it widened here through a
// table. Both give the same pixels. The program says in which bands of rows (and columns) a
// frame may differ from the one before: only those are widened and put (the 2D canvas then
// tells the compositor that only that rectangle changed), and a frame that differs nowhere
// is not put at all. The canvas keeps the frame's size (the page's style scales it). The last
// frame stays in a texture, so that reading the pixels (tests, the saved picture) can draw it
// again first. The page learns early whether a GPU draws WebGL (index.html); the 2D canvas's
// table is made ahead of the first frame (prepare).
Module['sparklerScreen'] = {
  presenter: null,
  table: null, // the 2D canvas's widening table, once made
  last: null, // where the last frame shown lies in the heap, and its size
  // Views of the heap at the frames' and the bands' places, made once (the frames take turns
  // in two buffers) and again only when the heap grows.
  views: { heap: null, frames: new Map(), bands: new Map() },

  // The 8-bit RGBA of a 5-6-5 pixel, little-endian as a canvas's 32-bit words hold it.
  widenTable: function () {
    var table = new Uint32Array(65536);
    for (var pixel = 0; pixel < 65536; ++pixel) {
      var r = pixel >> 11, g = (pixel >> 5) & 63, b = pixel & 31;
      table[pixel] = (255 << 24 | ((b << 3) | (b >> 2)) << 16 | ((g << 2) | (g >> 4)) << 8 | ((r << 3) | (r >> 2))) >>> 0;
    }
    return table;
  },

  // A presenter over `canvas` at width x height: kind '2d' or 'webgl' (even drawn in
  // software) asks for one; without a kind, WebGL where a GPU draws it, else 2D. Null when the
  // canvas gives no such context.
  create: function (canvas, width, height, kind) {
    canvas.width = width;
    canvas.height = height;
    if (kind === 'webgl') return this.createWebGl(canvas, width, height);
    var presenter = kind === '2d' || !this.gpuDraws() ? null : this.createWebGl(canvas, width, height);
    return presenter || this.create2d(canvas, width, height);
  },

  // Makes the 2D canvas's table, where the page's probe found no GPU to draw WebGL, in a task
  // apart from the program's start. Resolves once done.
  prepare: function () {
    var self = this;
    return new Promise(function (resolve) {
      setTimeout(function () {
        if (!self.gpuDraws()) self.table = self.table || self.widenTable();
        resolve();
      }, 0);
    });
  },

  // Whether WebGL is drawn by a GPU, as the page asked while the program's code loaded
  // (index.html); without that answer, not. Drawn in software (no GPU, or one the browser
  // refuses) WebGL costs more than the 2D canvas.
  gpuDraws: function () { return typeof sparklerGpuDraws !== 'undefined' && sparklerGpuDraws === true; },

  // The rows [top, bottom) from the first band to the last that changed in `bands` (left and
  // right columns for each band of `bandRows` rows; null: all of it), in `box`; null when no
  // band changed.
  changedRows: function (bands, bandRows, height, box) {
    box[0] = 0;
    box[1] = height;
    if (!bands) return box;
    box[0] = -1;
    for (var band = 0, top = 0; top < height; ++band, top += bandRows) {
      if (bands[2 * band] >= bands[2 * band + 1]) continue;
      if (box[0] < 0) box[0] = top;
      box[1] = Math.min(top + bandRows, height);
    }
    return box[0] < 0 ? null : box;
  },

  create2d: function (canvas, width, height) {
    var context = canvas.getContext('2d');
    if (!context) return null;
    var image = context.createImageData(width, height);
    var words = new Uint32Array(image.data.buffer);
    var table = this.table || (this.table = this.widenTable());
    var shownOnce = false;
    return {
      kind: '2d',
      // The image keeps the last frame widened, so only the bands are widened again, and each
      // is put as a rectangle of its own (the compositor then redraws only those).
      show: function (pixels, bands, bandRows) {
        if (!bands || !shownOnce) {
          for (var i = 0; i < words.length; ++i) words[i] = table[pixels[i]];
          context.putImageData(image, 0, 0);
          shownOnce = true;
          return;
        }
        for (var band = 0, top = 0; top < height; ++band, top += bandRows) {
          var left = Math.max(bands[2 * band], 0), right = Math.min(bands[2 * band + 1], width);
          if (left >= right) continue;
          var bottom = Math.min(top + bandRows, height);
          for (var row = top * width; row < bottom * width; row += width) {
            for (var at = row + left, end = row + right; at < end; ++at) words[at] = table[pixels[at]];
          }
          context.putImageData(image, 0, 0, left, top, right - left, bottom - top);
        }
      },
      pixels: function () { return new Uint8Array(context.getImageData(0, 0, width, height).data.buffer); }
    };
  },

  createWebGl: function (canvas, width, height) {
    var gl = null;
    try {
      gl = canvas.getContext('webgl', { alpha: false, antialias: false, depth: false, stencil: false,
                                        premultipliedAlpha: false, powerPreference: 'low-power' });
    } catch (e) { gl = null; }
    if (!gl) return null;
    var compile = function (type, source) {
      var shader = gl.createShader(type);
      gl.shaderSource(shader, source);
      gl.compileShader(shader);
      return shader;
    };
    var program = gl.createProgram();
    gl.attachShader(program, compile(gl.VERTEX_SHADER,
      'attribute vec2 corner; varying vec2 at;\n' +
      'void main() { at = vec2(corner.x + 1.0, 1.0 - corner.y) * 0.5; gl_Position = vec4(corner, 0.0, 1.0); }'));
    // The 5, 6 and 5 bit values back from the sampled fractions, then each widened to 8 bits
    // by repeating its top bits.
    gl.attachShader(program, compile(gl.FRAGMENT_SHADER,
      '#ifdef GL_FRAGMENT_PRECISION_HIGH\nprecision highp float;\n#else\nprecision mediump float;\n#endif\n' +
      'uniform sampler2D frame; varying vec2 at;\n' +
      'void main() {\n' +
      '  vec3 bits = floor(texture2D(frame, at).rgb * vec3(31.0, 63.0, 31.0) + 0.5);\n' +
      '  vec3 wide = bits * vec3(8.0, 4.0, 8.0) + floor(bits / vec3(4.0, 16.0, 4.0));\n' +
      '  gl_FragColor = vec4(wide / 255.0, 1.0);\n' +
      '}'));
    gl.linkProgram(program);
    if (!gl.getProgramParameter(program, gl.LINK_STATUS)) return null;
    gl.useProgram(program);
    var corners = gl.createBuffer();
    gl.bindBuffer(gl.ARRAY_BUFFER, corners);
    gl.bufferData(gl.ARRAY_BUFFER, new Float32Array([-1, -1, 1, -1, -1, 1, 1, 1]), gl.STATIC_DRAW);
    var corner = gl.getAttribLocation(program, 'corner');
    gl.enableVertexAttribArray(corner);
    gl.vertexAttribPointer(corner, 2, gl.FLOAT, false, 0, 0);
    gl.bindTexture(gl.TEXTURE_2D, gl.createTexture());
    gl.texParameteri(gl.TEXTURE_2D, gl.TEXTURE_MIN_FILTER, gl.NEAREST);
    gl.texParameteri(gl.TEXTURE_2D, gl.TEXTURE_MAG_FILTER, gl.NEAREST);
    gl.texParameteri(gl.TEXTURE_2D, gl.TEXTURE_WRAP_S, gl.CLAMP_TO_EDGE);
    gl.texParameteri(gl.TEXTURE_2D, gl.TEXTURE_WRAP_T, gl.CLAMP_TO_EDGE);
    gl.pixelStorei(gl.UNPACK_ALIGNMENT, 2);
    gl.texImage2D(gl.TEXTURE_2D, 0, gl.RGB, width, height, 0, gl.RGB, gl.UNSIGNED_SHORT_5_6_5, null);
    gl.viewport(0, 0, width, height);
    if (gl.getError() !== gl.NO_ERROR) return null;
    var draw = function () { gl.drawArrays(gl.TRIANGLE_STRIP, 0, 4); };
    var changedRows = this.changedRows;
    var box = [0, 0];
    var shownOnce = false;
    return {
      kind: 'webgl',
      // The rows from the first band that changed to the last go up whole (WebGL 1 takes
      // only whole rows from an array); a frame that changed nowhere leaves the canvas as it is.
      show: function (pixels, bands, bandRows) {
        var rows = changedRows(shownOnce ? bands : null, bandRows, height, box);
        shownOnce = true;
        if (!rows) return;
        var part = rows[0] === 0 && rows[1] === height ? pixels : pixels.subarray(rows[0] * width, rows[1] * width);
        gl.texSubImage2D(gl.TEXTURE_2D, 0, 0, rows[0], width, rows[1] - rows[0], gl.RGB, gl.UNSIGNED_SHORT_5_6_5, part);
        draw();
      },
      // The drawing buffer is not kept once shown, so the kept frame is drawn again first.
      pixels: function () {
        draw();
        var flipped = new Uint8Array(width * height * 4);
        gl.readPixels(0, 0, width, height, gl.RGBA, gl.UNSIGNED_BYTE, flipped);
        var rows = new Uint8Array(flipped.length);
        var stride = width * 4;
        for (var y = 0; y < height; ++y) rows.set(flipped.subarray((height - 1 - y) * stride, (height - y) * stride), y * stride);
        return rows;
      },
      redraw: draw,
      lost: function () { return gl.isContextLost(); }
    };
  },

  // The program's display: the page's canvas (Module.canvas). 1 when it can be drawn on.
  open: function (width, height) {
    this.presenter = this.create(Module['canvas'], width, height);
    return this.presenter ? 1 : 0;
  },

  // A view of `count` elements of the heap at `pointer`, kept in `kept` for the next time.
  heapView: function (kept, heap, pointer, count) {
    var views = this.views;
    if (views.heap !== Module['HEAPU16'].buffer) {
      views.heap = Module['HEAPU16'].buffer;
      views.frames.clear();
      views.bands.clear();
    }
    var view = kept.get(pointer);
    if (!view || view.length !== count) {
      var at = pointer / heap.BYTES_PER_ELEMENT;
      view = heap.subarray(at, at + count);
      kept.set(pointer, view);
    }
    return view;
  },

  // Shows the frame at `pointer` in the heap, with `bandCount` bands of `bandRows` rows at
  // `bands` (two columns each, left and right: where it may differ from the frame before; 0 for
  // the whole frame); 0 when it could not be shown.
  show: function (pointer, width, height, bands, bandCount, bandRows) {
    var presenter = this.presenter;
    if (!presenter || (presenter.lost && presenter.lost())) return 0;
    presenter.show(this.heapView(this.views.frames, Module['HEAPU16'], pointer, width * height),
                   bands ? this.heapView(this.views.bands, Module['HEAP32'], bands, bandCount * 2) : null, bandRows);
    this.last = { pointer: pointer, width: width, height: height };
    if (Module['sparklerPage'] && Module['sparklerPage'].shown) Module['sparklerPage'].shown();
    return 1;
  },

  // A copy of the last frame shown, as RGB565 (for tests: it stays in the heap until the next).
  frame: function () {
    var last = this.last;
    return last ? Module['HEAPU16'].slice(last.pointer >> 1, (last.pointer >> 1) + last.width * last.height) : null;
  },

  // The canvas's pixels as RGBA, top row first (for tests); null before the first open.
  pixels: function () { return this.presenter ? this.presenter.pixels() : null; },

  // Draws the kept frame again, so that the canvas can be read in this same task (a saved
  // picture).
  refresh: function () { if (this.presenter && this.presenter.redraw) this.presenter.redraw(); }
};

// Started as the program's script runs, while its code may still be compiling.
Module['sparklerScreen'].prepared = Module['sparklerScreen'].prepare();
