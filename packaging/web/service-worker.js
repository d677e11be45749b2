// Farlight's offline play: every request of the page's own goes to the network first, so that a
// file replaced on the server shows at the next load; only when the network cannot answer does the
// copy the page kept (index.html, keepForOffline) answer instead. The worker keeps nothing itself,
// though it could keep a copy of each response as it passes it on: the page bounds what it holds
// (a queue ahead of the game, a huge picture let go chunk by chunk, a stalled one given up), and a
// copy taken in passing would hold whole files beside that, at the pace of the slower reader.
'use strict';

// The kept copies' cache, which the page fills; named in packaging/web/CMakeLists.txt alone.
const kCache = '@FARLIGHT_OFFLINE_CACHE@';

// A network that has said nothing for this long, while a request with a kept copy waited for its
// answer, is taken for dead. Silence, not the time to an answer: over HTTP/1.1 a browser opens six
// connections to a host, so on a slow link a later picture's answer waits for earlier pictures'
// bodies, but those bodies keep arriving. See the README's Offline paragraph for the measurement.
const kSilenceMs = 4000;

// When the network last said something: a response's headers or a chunk of its body, for any
// request this worker passed on.
let heard = 0;
// Whether a request fell back to its kept copy for silence, with nothing heard since: the rest of
// that load's requests with kept copies then take them at once rather than wait as long again.
let dead = false;
// The requests with kept copies waiting for their answers: each a function that ends the wait.
const waiting = new Set();

self.addEventListener('install', () => self.skipWaiting());

function heardFrom() {
  heard = performance.now();
  dead = false;
}

// Ends once the network has been silent for kSilenceMs since `since` (the request's start), or once
// another request has found it dead: {ended, cancel}.
function silence(since) {
  let timer = 0, end = null;
  const ended = new Promise((resolve) => {
    end = () => {
      clearTimeout(timer);
      waiting.delete(end);
      resolve();
    };
  });
  const check = () => {
    const left = Math.max(since, heard) + kSilenceMs - performance.now();
    if (dead || left <= 0) return end();
    timer = setTimeout(check, left);
  };
  waiting.add(end);
  check();
  return {ended, cancel: end};
}

// The response as it is, its body passed through so that each chunk counts as the network's voice.
function heeded(response) {
  heardFrom();
  if (!response.body || response.type === 'opaqueredirect' ||
      [101, 204, 205, 304].includes(response.status)) {
    return response;
  }
  const body = response.body.pipeThrough(new TransformStream({
    transform(chunk, controller) {
      heardFrom();
      controller.enqueue(chunk);
    },
  }));
  return new Response(body, {status: response.status, statusText: response.statusText,
                             headers: response.headers});
}

// The copy kept for `request`, if any. A navigation to the folder's own address is index.html.
async function keptFor(request) {
  let url = request.url;
  const scope = self.registration.scope;
  if (request.mode === 'navigate' && url.split(/[?#]/)[0] === scope) url = scope + 'index.html';
  const cache = await caches.open(kCache);
  return cache.match(url, {ignoreSearch: true});
}

async function fromNetworkElseKept(request) {
  const started = performance.now();
  const navigation = request.mode === 'navigate';
  const kept = keptFor(request).catch(() => undefined);
  // A network found dead in this load: its other files come from their copies at once. A
  // navigation, a new load, asks the network again.
  if (dead && !navigation) {
    const copy = await kept;
    if (copy) return copy;
  }
  // A navigation's fetch is abandoned rather than aborted: a request given a signal of its own is
  // no longer a navigation's.
  const controller = navigation ? null : new AbortController();
  const network = fetch(controller ? new Request(request, {signal: controller.signal}) : request)
      .then(heeded);
  const copy = await kept;
  if (!copy) {
    // Nothing kept (a first visit, a file too large to keep): the network takes what it takes.
    // Failing, the file is missing for the game (a picture whose spheres stay plain), not a failed
    // transfer.
    return network.catch(() => new Response('', {status: 504, statusText: 'Offline'}));
  }
  const quiet = silence(started);
  const answer = await Promise.race([network.catch(() => null), quiet.ended.then(() => 'silent')]);
  quiet.cancel();
  if (answer && answer !== 'silent') return answer;
  if (answer === 'silent' && !dead) {
    dead = true;
    waiting.forEach((end) => end());
  }
  if (controller) controller.abort();
  network.catch(() => {});
  return copy;
}

self.addEventListener('fetch', (event) => {
  const url = new URL(event.request.url);
  if (event.request.method !== 'GET' || url.origin !== self.location.origin) return;
  event.respondWith(fromNetworkElseKept(event.request));
});
