// Farlight's offline play: every request of the page's own goes to the network first, so that a
// file replaced on the server shows at the next load; only when the network cannot answer does the
// copy the page kept (index.html, keepForOffline) answer instead. The worker keeps nothing itself,
// though it could keep a copy of each response as it passes it on: the page bounds what it holds
// (a queue ahead of the game, a huge picture let go chunk by chunk, a stalled one given up), and a
// copy taken in passing would hold whole files beside that, at the pace of the slower reader.
'use strict';

// The kept copies' cache, which the page fills; named in packaging/web/CMakeLists.txt alone.
const kCache = '@FARLIGHT_OFFLINE_CACHE@';

self.addEventListener('install', () => self.skipWaiting());

// The copy kept for `request`, if any. A navigation to the folder's own address is index.html.
async function keptFor(request) {
  let url = request.url;
  const scope = self.registration.scope;
  if (request.mode === 'navigate' && url.split(/[?#]/)[0] === scope) url = scope + 'index.html';
  const cache = await caches.open(kCache);
  return cache.match(url, {ignoreSearch: true});
}

async function fromNetworkElseKept(request) {
  try {
    return await fetch(request);
  } catch (error) {
    const kept = await keptFor(request).catch(() => undefined);
    if (kept) return kept;
    // Nothing kept: the file is missing for the game (a picture whose spheres stay plain), not a
    // failed transfer.
    return new Response('', {status: 504, statusText: 'Offline'});
  }
}

self.addEventListener('fetch', (event) => {
  const url = new URL(event.request.url);
  if (event.request.method !== 'GET' || url.origin !== self.location.origin) return;
  event.respondWith(fromNetworkElseKept(event.request));
});
