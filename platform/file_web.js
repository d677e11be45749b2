// The browser's half of the game's file reads (file_web.cpp). The pictures sit beside the page on
// its server, and a link's round trips, not its bytes, were most of a load: so every picture the
// field drew is asked for at once (expect), each response streamed into a queue as it arrives, and
// the game takes them in its own order, each as if from a disk.
//
// Bounds: the bytes queued ahead of the game across all pictures stop growing at kAheadBytes (the
// picture the game is reading always flows), so eleven huge pictures never sit in the tab at once.
// A picture of up to kMaxRereadBytes stays whole until the field is filled, so a second sphere
// that drew a bad file reads it again without a second request. A picture that gets no byte for
// kStallMs while the game waits for it, or whose connection drops, is refused like a cut file.
Module.farlightFiles = (() => {
  const kAheadBytes = 64 << 20;
  const kMaxRereadBytes = 16 << 20;
  // The tests shorten the wait (Module.farlightStallSeconds, set by the page).
  const kStallMs = (Module.farlightStallSeconds || 30) * 1000;
  const files = new Map();  // URL -> entry, for one field's load
  let reading = null;       // the entry the game reads now

  const queued = () => {
    let sum = 0;
    for (const entry of files.values()) sum += entry.arrived - entry.consumed;
    return sum;
  };
  const keepable = (entry) =>
    (entry.length >= 0 ? entry.length : entry.arrived) <= kMaxRereadBytes;

  // Tells the page how far the load is: pictures settled of those asked for, bytes arrived of
  // those announced. At most every 50 ms, but always when a picture settles: chunks of a huge
  // picture come by the thousand.
  let reported = 0;
  function report(settling) {
    if (!Module.farlightProgress) return;
    const now = performance.now();
    if (!settling && now - reported < 50) return;
    reported = now;
    // `part`: the mean over the pictures of how far each has come, which only grows, where bytes
    // of those announced would fall back as each answer announces more.
    const state = {files: files.size, settled: 0, bytes: 0, total: 0, part: 0};
    for (const entry of files.values()) {
      if (entry.settled) state.settled++;
      state.bytes += entry.arrived;
      if (entry.length > 0) state.total += entry.length;
      const come = entry.settled ? 1 : entry.length > 0 ? entry.arrived / entry.length : 0;
      state.part += Math.min(1, come) / files.size;
    }
    Module.farlightProgress(state);
  }

  // Something happened to `entry`: a byte, its end, a failure. Wakes the game if it waits on it.
  function changed(entry) {
    const wake = entry.wake;
    entry.wake = null;
    if (wake) wake();
    report(entry.settled);
  }

  // Waits for the next change of `entry`; after kStallMs with none, gives the transfer up.
  function nextChange(entry) {
    return new Promise((resolve) => {
      const timer = setTimeout(() => {
        fail(entry);
        resolve();
      }, kStallMs);
      entry.wake = () => {
        clearTimeout(timer);
        resolve();
      };
    });
  }

  // Ends a transfer and lets its queued bytes go, which may free room for the others.
  function stop(entry) {
    entry.controller.abort();
    entry.chunks = [];
    entry.consumed = entry.arrived;
    resume();
  }

  // Gives a transfer up: every read of it fails from now on.
  function fail(entry) {
    entry.failed = entry.settled = true;
    stop(entry);
    changed(entry);
  }

  // Stops a transfer on purpose: not a failure.
  function drop(entry) {
    entry.dropped = true;
    stop(entry);
  }

  // Resumes the pumps that stopped at the bound.
  function resume() {
    for (const entry of files.values()) {
      const go = entry.resume;
      entry.resume = null;
      if (go) go();
    }
  }

  async function pump(entry, reader) {
    try {
      for (;;) {
        while (entry !== reading && queued() >= kAheadBytes) {
          await new Promise((resolve) => (entry.resume = resolve));
        }
        const part = await reader.read();
        if (part.done) break;
        entry.chunks.push(part.value);
        entry.arrived += part.value.length;
        changed(entry);
      }
      entry.done = entry.settled = true;
      changed(entry);
    } catch (e) {
      if (!entry.failed && !entry.dropped) fail(entry);
    }
  }

  function start(url) {
    const entry = {
      url, controller: new AbortController(), status: 0, length: -1, chunks: [], at: 0,
      offset: 0, position: 0, consumed: 0, arrived: 0, answered: false, done: false,
      failed: false, dropped: false, spent: false, settled: false, wake: null, resume: null,
    };
    files.set(url, entry);
    fetch(url, {cache: 'no-cache', signal: entry.controller.signal}).then((response) => {
      entry.answered = true;
      entry.status = response.status;
      if (response.status != 200 || !response.body) {
        entry.settled = true;
        if (response.body) response.body.cancel().catch(() => {});
        changed(entry);
        return;
      }
      // A length the browser will change by decoding the body cannot be taken for the body's.
      const header = response.headers.get('Content-Length');
      const length = header === null ? NaN : Number(header);
      const encoding = response.headers.get('Content-Encoding') || 'identity';
      if (Number.isSafeInteger(length) && length >= 0 && encoding == 'identity') {
        entry.length = length;
      }
      changed(entry);
      pump(entry, response.body.getReader());
    }, () => {
      if (!entry.failed && !entry.dropped) fail(entry);
    });
    return entry;
  }

  const entryOf = (url) => files.get(url) || start(url);

  async function answered(entry) {
    while (!entry.answered && !entry.failed) await nextChange(entry);
  }

  return {
    // The files about to be read, in the order of their first read; repeats are one request.
    expect(urls) {
      urls.forEach(entryOf);
      report(true);
    },

    // Whether there is something to read under `url`: an answer of 200, or a transfer that failed
    // before any answer (whose read then fails). Any other answer is no file.
    async present(url) {
      const entry = entryOf(url);
      await answered(entry);
      return entry.failed || entry.status == 200;
    },

    // Makes `url` the file being read. Resolves to its length, taken from the answer or, where it
    // gave none, counted by gathering the body up to `maxBytes` + 1; -1 when there is nothing to
    // read.
    async open(url, maxBytes) {
      const known = files.get(url);
      const spent = known && known.spent && !(known.length > maxBytes || known.arrived > maxBytes);
      const entry = spent ? start(url) : entryOf(url);
      reading = entry;
      resume();
      entry.at = entry.offset = entry.position = 0;
      await answered(entry);
      // An announced length counts as a file's size on a disk: known before any byte is read.
      if (entry.answered && entry.status == 200 && entry.length >= 0) return entry.length;
      if (entry.failed || entry.status != 200) return -1;
      while (!entry.done && !entry.failed && entry.arrived <= maxBytes) await nextChange(entry);
      return entry.failed ? -1 : entry.arrived;
    },

    // The next piece of the file being read, at most `want` bytes: a Uint8Array, null at its end,
    // or undefined when the transfer failed. A file too large to keep lets go of each chunk read.
    async take(want) {
      const entry = reading;
      for (;;) {
        if (entry.failed) return undefined;
        if (entry.at < entry.chunks.length) break;
        if (entry.done) return null;
        await nextChange(entry);
      }
      const chunk = entry.chunks[entry.at];
      const piece = chunk.subarray(entry.offset, Math.min(chunk.length, entry.offset + want));
      entry.offset += piece.length;
      entry.position += piece.length;
      if (entry.position > entry.consumed) {
        entry.consumed = entry.position;
        resume();
      }
      if (entry.offset == chunk.length) {
        if (!keepable(entry)) entry.chunks[entry.at] = null;
        entry.at++;
        entry.offset = 0;
      }
      return piece;
    },

    // Ends the read. A file that arrived whole and small stays for a second read; any other lets
    // its bytes go, keeping only its answer: read again, it is asked for again.
    close() {
      const entry = reading;
      reading = null;
      if (!entry || entry.failed || entry.status != 200) return;
      // A keepable file's chunks are never let go while it is read.
      const whole = entry.done || entry.arrived === entry.length;
      if (whole && keepable(entry)) return;
      drop(entry);
      entry.spent = true;
    },

    // The field is filled: nothing kept is needed any more.
    end() {
      files.forEach(drop);
      report(true);
      files.clear();
      reading = null;
      if (Module.farlightLoaded) Module.farlightLoaded();
    },
  };
})();
