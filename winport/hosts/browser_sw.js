// The page's service worker: it keeps the page, its manifest and icons in a
// cache named for this version, so that the page opens offline, and removes
// the caches of older versions once this one is in charge. The build puts the
// name in; it changes whenever any of the files does.
'use strict';
const CACHE = '@CACHE@';
const FILES = ['index.html', 'manifest.webmanifest', 'icon-192.png', 'icon-512.png'];

self.addEventListener('install', (event) => {
  // A new version takes over at once: the page is one file, so nothing old
  // and new can be mixed.
  event.waitUntil(caches.open(CACHE).then((cache) => cache.addAll(FILES)).then(() => self.skipWaiting()));
});

self.addEventListener('activate', (event) => {
  event.waitUntil(caches.keys()
      .then((names) => Promise.all(names.filter((n) => n.startsWith('hypercube-') && n !== CACHE)
          .map((n) => caches.delete(n))))
      .then(() => self.clients.claim()));
});

self.addEventListener('fetch', (event) => {
  const request = event.request;
  if (request.method !== 'GET') return;
  const url = new URL(request.url);
  // The folder itself is the page.
  const page = request.mode === 'navigate' && url.origin === location.origin &&
      url.pathname === new URL('./', location.href).pathname;
  event.respondWith(caches.open(CACHE)
      .then((cache) => cache.match(page ? 'index.html' : request, {ignoreSearch: true}))
      .then((hit) => hit || fetch(request)));
});
