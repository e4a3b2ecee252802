// The page's service worker, for a page served over HTTP(S): every file of
// the folder is kept in the browser's cache when the page is first opened,
// and served from there, so that the page works, and can be installed, with
// the network off. bundle.mjs fills in the files and a version made from
// their contents; a new version replaces the old cache.
const VERSION = '@VERSION@';
const FILES = @FILES@;

self.addEventListener('install', (event) => {
  event.waitUntil(caches.open(VERSION).then((cache) => cache.addAll(FILES)).then(() => self.skipWaiting()));
});

self.addEventListener('activate', (event) => {
  event.waitUntil(caches.keys()
    .then((keys) => Promise.all(keys.filter((key) => key !== VERSION).map((key) => caches.delete(key))))
    .then(() => self.clients.claim()));
});

self.addEventListener('fetch', (event) => {
  if (event.request.method !== 'GET') return;
  const url = new URL(event.request.url);
  if (url.origin !== self.location.origin) return;
  event.respondWith(caches.open(VERSION).then(async (cache) => {
    const kept = await cache.match(event.request, {ignoreSearch: true});
    return kept ?? fetch(event.request);
  }));
});
