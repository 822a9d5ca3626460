// A static file server on 127.0.0.1 for the browser build: serves one folder with the types
// the page needs (wasm as application/wasm, so it compiles while it streams in), gzipped
// when the browser takes it, as a real static server sends it (each file compressed once and
// kept while it is unchanged; sounds and pictures go as they are), with an ETag that answers
// a browser's revalidation with "not modified". Used by the page tests,
// and by `scripts/web.sh serve`: node tools/web_serve.js FOLDER [PORT].
'use strict';
const http = require('http');
const fs = require('fs');
const path = require('path');
const zlib = require('zlib');

const types = {
  '.html': 'text/html; charset=utf-8', '.js': 'text/javascript', '.css': 'text/css',
  '.wasm': 'application/wasm', '.wav': 'audio/wav', '.png': 'image/png', '.json': 'application/json',
  '.webm': 'audio/webm', '.m4a': 'audio/mp4', '.webmanifest': 'application/manifest+json'
};
const compressible = new Set(['.html', '.js', '.css', '.wasm', '.wav', '.json', '.webmanifest']);

// Resolves to { server, url } once listening on a free port.
function serve(folder, port = 0) {
  const root = path.resolve(folder);
  const gzipped = new Map(); // file -> { mtimeMs, data }
  const server = http.createServer((request, response) => {
    const name = decodeURIComponent(new URL(request.url, 'http://127.0.0.1').pathname);
    const file = path.join(root, name === '/' ? 'index.html' : name);
    if (!file.startsWith(root + path.sep)) { response.writeHead(403); response.end(); return; }
    fs.readFile(file, (error, data) => {
      if (error) { response.writeHead(404); response.end(); return; }
      const { mtimeMs } = fs.statSync(file);
      // Validators, so that a browser asks again each time and is told "not modified".
      const tag = 'W/"' + data.length.toString(16) + '-' + Math.floor(mtimeMs).toString(16) + '"';
      const headers = { 'Content-Type': types[path.extname(file)] || 'application/octet-stream', 'Vary': 'Accept-Encoding',
                        'ETag': tag, 'Cache-Control': 'no-cache' };
      if (request.headers['if-none-match'] === tag) { response.writeHead(304, headers); response.end(); return; }
      if (compressible.has(path.extname(file)) && /\bgzip\b/.test(request.headers['accept-encoding'] || '')) {
        let kept = gzipped.get(file);
        if (!kept || kept.mtimeMs !== mtimeMs) {
          kept = { mtimeMs, data: zlib.gzipSync(data, { level: 9 }) };
          gzipped.set(file, kept);
        }
        headers['Content-Encoding'] = 'gzip';
        data = kept.data;
      }
      headers['Content-Length'] = data.length;
      response.writeHead(200, headers);
      response.end(data);
    });
  });
  return new Promise((resolve) => server.listen(port, '127.0.0.1', () =>
    resolve({ server, url: 'http://127.0.0.1:' + server.address().port + '/' })));
}

module.exports = { serve };

if (require.main === module) {
  const folder = process.argv[2];
  const port = Number(process.argv[3] || 8080);
  if (!folder || !fs.existsSync(path.join(folder, 'index.html')) || !Number.isInteger(port)) {
    console.error('usage: node tools/web_serve.js FOLDER-WITH-INDEX.HTML [PORT]');
    process.exit(2);
  }
  serve(folder, port).then(({ url }) => console.log('The sparkler is served at ' + url + ' (Ctrl+C stops it)'))
    .catch((error) => { console.error('web_serve: ' + error.message); process.exit(1); });
}
