// What the browser tests and the browser benchmarks share: the picture names, the tests' static
// server (serve.py) on a free port of 127.0.0.1, which can emulate a link, says what it served and
// puts the tests' own script into the page, and that script's parts: the frames stamped, the
// drawn image kept readable, uncaught errors recorded.
'use strict';
const {execFileSync, spawn} = require('child_process');
const path = require('path');
const fs = require('fs');
const os = require('os');

// The picture names, in the order the field draws them from, as the game's own source lists them.
const kPictures = fs.readFileSync(path.join(__dirname, '../../app/field.h'), 'utf8')
                      .match(/"[A-Za-z]+\.bmp"/g).map((name) => name.slice(1, -1));

const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));
const median = (values) => values.slice().sort((a, b) => a - b)[Math.floor(values.length / 2)];

// Serves `folder` through serve.py. `options`: {down: Mbit/s, rtt: ms, withhold, oversize, stall,
// drop: lists of names (stall and drop entries may be NAME:BYTES), port, hang: true}, see serve.py,
// and `inject`, a script the page runs before its own (see instrument). Resolves to the server
// process, the page's address and its traffic (see watchTraffic).
function serve(folder, {inject, ...options} = {}) {
  const args = Object.entries(options).flatMap(
      ([key, value]) => (value === true ? [`--${key}`] : [`--${key}`, [].concat(value).join(',')]));
  let script = null;
  if (inject) {
    script = path.join(fs.mkdtempSync(path.join(os.tmpdir(), 'farlight-inject-')), 'inject.js');
    fs.writeFileSync(script, inject);
    args.push('--inject', script);
  }
  const server = spawn('python3', [path.join(__dirname, 'serve.py')].concat(args),
                       {cwd: folder, stdio: ['ignore', 'pipe', 'ignore']});
  if (script) server.on('exit', () => fs.rmSync(path.dirname(script), {recursive: true}));
  const traffic = watchTraffic(server);
  return new Promise((resolve, reject) => {
    let said = '';
    server.stdout.on('data', (data) => {
      said += data;
      const port = /port (\d+)/.exec(said);
      if (port) resolve({server, url: `http://127.0.0.1:${port[1]}/index.html`, traffic});
    });
    server.on('exit', () => reject(new Error('the web server ended: ' + said)));
  });
}

// What serve.py says it served: mark() a point, since(mark) sums what ended after it (requests
// by method, body bytes, the same for the pictures alone), quiet(ms, cap) waits until nothing has
// been in flight for `ms` (at most `cap` ms; resolves false then).
function watchTraffic(server) {
  const ended = [], asked = [];
  let pending = '', open = 0, last = Date.now();
  server.stdout.on('data', (data) => {
    const lines = (pending + data).split('\n');
    pending = lines.pop();
    for (const line of lines) {
      const [what, method, where, status, bytes, ending] = line.split(' ');
      if (what !== 'request' && what !== 'response') continue;
      last = Date.now();
      if (what === 'request') ++open, asked.push({method, where, at: last});
      else --open, ended.push({method, where, status: Number(status), bytes: Number(bytes), ending});
    }
  });
  const sum = (responses) => {
    const methods = {};
    responses.forEach(({method}) => methods[method] = (methods[method] || 0) + 1);
    return {requests: responses.length, methods,
            bytes: responses.reduce((total, {bytes}) => total + bytes, 0)};
  };
  const picture = ({where}) => kPictures.includes(decodeURIComponent(where.split('?')[0].slice(1)));
  return {
    mark: () => ended.length,
    // When each request arrived (Date.now()), in order.
    asked: () => asked.slice(),
    since: (mark) => {
      const responses = ended.slice(mark);
      return Object.assign(sum(responses), {responses, pictures: sum(responses.filter(picture))});
    },
    async quiet(ms, cap) {
      const until = Date.now() + cap;
      while (open > 0 || Date.now() - last < ms) {
        if (Date.now() > until) return false;
        await sleep(20);
      }
      return true;
    },
  };
}

// Runs in the page before its scripts (the benchmarks' instrument): the time at which each frame
// ended, counting only the requestAnimationFrame callbacks in which the game drew on its canvas (a
// page may run others), and the animation held once `holdAt` frames are drawn (0: never) until
// release_(). Date.now gives `seed`, which the game seeds its field with, so every load draws the
// same field from the same pictures.
function stampFrames(holdAt, seed) {
  Date.now = () => seed;
  window.frameEnds_ = [];
  let drew = false, held = [];
  for (const type of [window.WebGLRenderingContext, window.WebGL2RenderingContext]) {
    for (const call of type ? ['clear', 'drawArrays', 'drawElements'] : []) {
      const original = type.prototype[call];
      type.prototype[call] = function(...args) {
        if (this.canvas && this.canvas.id === 'canvas') drew = true;
        return original.apply(this, args);
      };
    }
  }
  const request = window.requestAnimationFrame.bind(window);
  window.requestAnimationFrame = (callback) => request(function run(time) {
    if (holdAt > 0 && window.frameEnds_.length >= holdAt) return void held.push(run);
    drew = false;
    callback(time);
    if (drew) window.frameEnds_.push(performance.now());
  });
  window.release_ = () => {
    holdAt = 0;
    held.splice(0).forEach((run) => request(run));
  };
}

// Runs in the page before its scripts: keeps the drawn image readable after the frame.
function keepDrawn() {
  const getContext = HTMLCanvasElement.prototype.getContext;
  HTMLCanvasElement.prototype.getContext = function(type, attributes) {
    const kept = Object.assign({}, attributes, {preserveDrawingBuffer: true});
    return getContext.call(this, type, kept);
  };
}

// Runs in the page before its scripts: every error that reaches the page's top level uncaught
// (window.errors_); one the page itself handles (preventDefault) is not counted.
function recordErrors() {
  window.errors_ = [];
  const note = (event, what) => setTimeout(() => {
    if (!event.defaultPrevented) window.errors_.push(String(what));
  });
  window.addEventListener('error', (e) => note(e, e.error && e.error.message || e.message));
  window.addEventListener('unhandledrejection',
                          (e) => note(e, e.reason && e.reason.message || e.reason));
}

// The script the page runs before its own: frames stamped and held at `holdAt` (0: never), the
// field seeded with `seed`, errors recorded, the drawn image kept when `keep`, then `before`.
function instrument({holdAt = 1, seed = 1234567, keep = false, before = null} = {}) {
  return [`(${stampFrames})(${holdAt}, ${seed});`, `(${recordErrors})();`,
          keep ? `(${keepDrawn})();` : '', before ? `(${before})();` : ''].join('\n');
}

// Waits until the page has drawn `count` frames; resolves to every frame's end (ms from navigation).
async function drawn(session, count, timeout = 60000) {
  await session.waitFor((count) => window.frameEnds_.length >= count, [count], timeout);
  return session.evaluate(() => window.frameEnds_);
}

// Frames a second with the field in view, of a page held at its first frame: released, frames 1 to
// 30 (the slowest sphere has passed the viewer by then), timed from the end of the first to the
// end of the last.
async function fieldInView(session) {
  await session.evaluate(() => window.release_());
  const ends = await drawn(session, 31);
  return 29 / ((ends[30] - ends[1]) / 1000);
}

// A copy of the page's folder whose pictures `change(file, name)` rewrites or deletes; removed
// by the returned folder's remove().
function copySite(site, change = () => {}) {
  const folder = fs.mkdtempSync(path.join(os.tmpdir(), 'farlight-web-'));
  for (const name of fs.readdirSync(site)) {
    fs.copyFileSync(path.join(site, name), path.join(folder, name));
  }
  kPictures.forEach((name) => change(path.join(folder, name), name));
  return {folder, remove: () => fs.rmSync(folder, {recursive: true, force: true})};
}

// The process `pid` and all its descendants, from ps: each as [pid, parent, ...the `columns`].
function family(pid, columns = []) {
  const table = execFileSync('ps', ['-e', '-o', ['pid=', 'ppid='].concat(columns).join(',')])
      .toString().trim().split('\n').map((line) => line.trim().split(/\s+/).map(Number));
  const members = new Set([pid]);
  for (let grew = true; grew;) {
    grew = false;
    for (const [p, parent] of table) {
      if (members.has(parent) && !members.has(p)) members.add(p), grew = true;
    }
  }
  return table.filter(([p]) => members.has(p));
}

module.exports = {kPictures, sleep, median, serve, family, instrument, drawn, fieldInView,
                  copySite};
