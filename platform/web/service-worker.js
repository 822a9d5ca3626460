// The page's offline copy: on install it keeps the page's files in a cache named by this
// build's version (a hash of those files, written in by the build), answers the page's
// requests from it, and on activation drops the caches of other builds (keeping the sounds
// they held), so a new build replaces the old files at the next load. The page asks it to keep the sounds it plays too
// (one format of the two). Anything else goes to the network as usual.
'use strict';
const cacheName = 'sparkler-@SPARKLER_OFFLINE_VERSION@';
const pageFiles = [@SPARKLER_OFFLINE_FILES@];

self.addEventListener('install', (event) => {
  event.waitUntil(caches.open(cacheName).then((cache) => cache.addAll(pageFiles)).then(() => self.skipWaiting()));
});

// What the page asked an older build's copy to keep besides its files (the sounds it plays)
// this copy keeps too: fetched anew, or without the network taken from that copy.
function carryOver(oldName) {
  const pageUrls = new Set(pageFiles.map((name) => new URL(name, self.location.href).href));
  return Promise.all([caches.open(cacheName), caches.open(oldName)]).then(([cache, old]) => old.keys().then((requests) =>
    Promise.all(requests.filter((request) => !pageUrls.has(request.url)).map((request) => cache.add(request.url)
      .catch(() => old.match(request).then((response) => response && cache.put(request, response)))))));
}

self.addEventListener('activate', (event) => {
  event.waitUntil(caches.keys()
    .then((names) => Promise.all(names.filter((name) => name.startsWith('sparkler-') && name !== cacheName)
                                      .map((name) => carryOver(name).catch(() => {}).then(() => caches.delete(name)))))
    .then(() => self.clients.claim()));
});

// { keep: [url, ...] }: files the page fetched that belong to the copy (its sounds). A worker
// that a new build's has replaced (its cache gone) keeps nothing, so as not to make it again.
self.addEventListener('message', (event) => {
  if (!event.data || !Array.isArray(event.data.keep)) return;
  event.waitUntil(caches.has(cacheName)
    .then((has) => has && caches.open(cacheName).then((cache) => cache.addAll(event.data.keep)))
    .catch(() => {}));
});

// The kept copy first (a query string, as the embedded page's, names the same file).
self.addEventListener('fetch', (event) => {
  const request = event.request;
  if (request.method !== 'GET' || new URL(request.url).origin !== self.location.origin) return;
  event.respondWith(caches.match(request, { cacheName, ignoreSearch: true }).then((kept) => kept || fetch(request)));
});
