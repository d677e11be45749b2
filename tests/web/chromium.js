// What the browser tests and the browser benchmarks share: the picture names, the tests' static
// server (serve.py) on a free port of 127.0.0.1, which can emulate a link and says what it served,
// Debian's headless Chromium on SwiftShader, and the benchmarks' frame stamps.
'use strict';
const {execFileSync, spawn} = require('child_process');
const path = require('path');
const puppeteer = require('puppeteer-core');

const kPictures = ['Sun', 'Mercury', 'Venus', 'Earth', 'Moon', 'Mars', 'Jupiter', 'Saturn',
                   'Uranus', 'Neptune', 'Pluto'].map((name) => name + '.bmp');

const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));
const median = (values) => values.slice().sort((a, b) => a - b)[Math.floor(values.length / 2)];

// Serves `folder` through serve.py. `options`: {down: Mbit/s, rtt: ms, withhold, oversize, stall,
// drop: lists of names (stall and drop entries may be NAME:BYTES), port, hang: true}, see serve.py;
// an array is taken as serve.py's own arguments. Resolves to the server process, the page's
// address and its traffic (see watchTraffic).
function serve(folder, options = {}) {
  const args = Array.isArray(options) ? options : Object.entries(options).flatMap(
      ([key, value]) => (value === true ? [`--${key}`] : [`--${key}`, [].concat(value).join(',')]));
  const server = spawn('python3', [path.join(__dirname, 'serve.py')].concat(args),
                       {cwd: folder, stdio: ['ignore', 'pipe', 'ignore']});
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
  const ended = [];
  let pending = '', open = 0, last = Date.now();
  server.stdout.on('data', (data) => {
    const lines = (pending + data).split('\n');
    pending = lines.pop();
    for (const line of lines) {
      const [what, method, where, status, bytes, ending] = line.split(' ');
      if (what !== 'request' && what !== 'response') continue;
      last = Date.now();
      if (what === 'request') ++open;
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

// Root needs --no-sandbox; the rest keeps Chromium off a network it does not have. `options` go to
// puppeteer.launch (e.g. userDataDir for a profile of one's own).
function launch(options = {}) {
  return puppeteer.launch({
    ...options,
    executablePath: '/usr/bin/chromium',
    headless: true,
    args: ['--no-sandbox', '--use-gl=angle', '--use-angle=swiftshader',
           '--enable-unsafe-swiftshader', '--disable-background-networking',
           '--disable-component-update', '--disable-default-apps', '--disable-extensions',
           '--disable-sync', '--no-first-run', '--mute-audio'].concat(options.args || [])});
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

// A page of `target` (a browser or a browser context) at 1100 x 850, alerts answered, frames
// stamped and held at the first (stampFrames), navigated to `url`. The seed's field wears all
// eleven pictures.
async function openStamped(target, url, seed = 1234567) {
  const page = await target.newPage();
  await page.setViewport({width: 1100, height: 850});
  page.on('dialog', (dialog) => dialog.accept());
  await page.evaluateOnNewDocument(stampFrames, 1, seed);
  await page.goto(url, {waitUntil: 'domcontentloaded', timeout: 0});
  return page;
}

// Waits until the page has drawn `count` frames; resolves to every frame's end (ms from navigation).
async function drawn(page, count, timeout = 60000) {
  await page.waitForFunction((count) => window.frameEnds_.length >= count,
                             {timeout, polling: 10}, count);
  return page.evaluate(() => window.frameEnds_);
}

// Frames a second with the field in view, of a page held at its first frame: released, frames 1 to
// 30 (the slowest sphere has passed the viewer by then), timed from the end of the first to the
// end of the last.
async function fieldInView(page) {
  await page.evaluate(() => window.release_());
  const ends = await drawn(page, 31);
  return 29 / ((ends[30] - ends[1]) / 1000);
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

module.exports = {kPictures, sleep, median, serve, launch, family, stampFrames, openStamped, drawn,
                  fieldInView};
