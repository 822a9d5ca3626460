// The page's offline copy: on install it keeps the page's files in a cache named by this
// build's version (a hash of those files, written in by the build), answers the page's
// requests from it, and on activation drops the caches of other builds, so a new build
// replaces the old files at the next load. The page asks it to keep the sounds it plays too
// (one format of the two). Anything else goes to the network as usual.
'use strict';
const cacheName = 'sparkler-@SPARKLER_OFFLINE_VERSION@';
const pageFiles = [@SPARKLER_OFFLINE_FILES@];

self.addEventListener('install', (event) => {
  event.waitUntil(caches.open(cacheName).then((cache) => cache.addAll(pageFiles)).then(() => self.skipWaiting()));
});

self.addEventListener('activate', (event) => {
  event.waitUntil(caches.keys()
    .then((names) => Promise.all(names.filter((name) => name.startsWith('sparkler-') && name !== cacheName)
                                      .map((name) => caches.delete(name))))
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
