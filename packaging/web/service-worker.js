// Farlight's offline play: every request of the page's own goes to the network first, so that a
// file replaced on the server shows at the next load; only when the network cannot answer does the
// copy the page kept (index.html, keepForOffline) answer instead. The worker keeps nothing itself:
// fetching the pictures again to keep them would double the wait on a slow link.
'use strict';

self.addEventListener('install', () => self.skipWaiting());

async function fromNetworkElseKept(request) {
  try {
    return await fetch(request);
  } catch (error) {
    const kept = await caches.match(request, {ignoreSearch: true});
    if (kept) return kept;
    // A page opened at the folder's own address is the kept index.html.
    if (request.mode === 'navigate') {
      const page = await caches.match(new URL('index.html', self.registration.scope).href);
      if (page) return page;
    }
    // Neither: the file is missing for the game (a picture whose spheres stay plain), not a failed
    // transfer.
    return new Response('', {status: 504, statusText: 'Offline'});
  }
}

self.addEventListener('fetch', (event) => {
  const url = new URL(event.request.url);
  if (event.request.method !== 'GET' || url.origin !== self.location.origin) return;
  event.respondWith(fromNetworkElseKept(event.request));
});
