// The browser build played in Chromium, Firefox and WebKit (engines.js), each case written once:
// node browser_test.js ENGINE CASE SITE_DIR, or node browser_test.js --list ENGINE for the cases
// that run on ENGINE. The page's folder is served as a static host would serve it, on a free port
// of 127.0.0.1 (serve.py); some cases serve a copy with the pictures changed. Exits 0 when the case
// passes.
'use strict';
const fs = require('fs');
const path = require('path');
const {kPictures, sleep, serve, instrument, drawn, copySite} = require('./harness.js');
const {kEngines, open} = require('./engines.js');
const {field, under, shown} = require('./field.js');

const kSeed = 1234567;  // Date.now() in the page, so the field is the same at every run

function check(ok, what) {
  if (!ok) throw new Error('failed: ' + what);
  console.log('ok: ' + what);
}

// In the page: the canvas's pixels, told apart as black, white or grey (unlit or plain spheres)
// and coloured (a picture), counted over the whole canvas or a square of `radius` around (x, y).
function look(x, y, radius) {
  const canvas = document.getElementById('canvas');
  const copy = document.createElement('canvas');
  copy.width = canvas.width;
  copy.height = canvas.height;
  const context = copy.getContext('2d');
  context.drawImage(canvas, 0, 0);
  const left = radius ? Math.max(0, x - radius) : 0, top = radius ? Math.max(0, y - radius) : 0;
  const right = radius ? Math.min(copy.width, x + radius + 1) : copy.width;
  const bottom = radius ? Math.min(copy.height, y + radius + 1) : copy.height;
  const data = context.getImageData(left, top, right - left, bottom - top).data;
  const counts = {black: 0, white: 0, coloured: 0, lit: 0, deepest: null};
  const lit = new Uint8Array(data.length / 4);
  for (let i = 0; i < data.length; i += 4) {
    const high = Math.max(data[i], data[i + 1], data[i + 2]);
    const low = Math.min(data[i], data[i + 1], data[i + 2]);
    if (high < 16) {
      counts.black++;
      continue;
    }
    lit[i / 4] = 1;
    counts.lit++;
    if (high - low > 40) counts.coloured++;
    else if (low > 200) counts.white++;
  }
  if (!radius) {
    // The lit pixel farthest from any unlit one (city-block distance, two passes): the middle of
    // the largest sphere in view.
    const w = right - left, h = bottom - top, far = new Int32Array(w * h);
    let best = 0;
    for (let pass = 0; pass < 2; ++pass) {
      for (let k = 0; k < w * h; ++k) {
        const i = pass === 0 ? k : w * h - 1 - k, px = i % w, step = pass === 0 ? -1 : 1;
        if (!lit[i]) continue;
        const across = px + step >= 0 && px + step < w ? far[i + step] : 0;
        const down = i + step * w >= 0 && i + step * w < w * h ? far[i + step * w] : 0;
        far[i] = Math.min(pass === 0 ? 1e9 : far[i], Math.min(across, down) + 1);
        if (pass === 1 && far[i] > best) {
          best = far[i];
          counts.deepest = {x: px, y: Math.floor(i / w), radius: best};
        }
      }
    }
  }
  return counts;
}

// Loads the page from `folder` (a copy of the site, whose remove() runs at the end, or the site's
// own path) in `engine` and hands the case the session and the server ({server, url, traffic},
// harness.js). `options`: the viewport, the server's options, a function run in the page before
// its scripts (`before`), the browser's options (engines.js).
async function play(engine, folder, body, {viewport, server = {}, before = null,
                                           browser = {}} = {}) {
  const site = typeof folder === 'string' ? folder : folder.folder;
  const inject = instrument({seed: kSeed, keep: true, before});
  const served = await serve(site, {...server, inject});
  served.inject = inject;
  let session = null;
  try {
    session = await open(engine, {viewport, ...browser});
    await session.goto(served.url);
    await body(session, served);
    const errors = (await session.evaluate(() => window.errors_)).concat(session.errors);
    check(errors.length === 0, `no uncaught error in the page (${JSON.stringify(errors)})`);
  } finally {
    if (session) await session.close();
    served.server.kill();
    if (folder.remove) folder.remove();
  }
}

// Reloads the page and waits for its first frame again; the alerts start afresh.
async function reload(session) {
  session.alerts.length = 0;
  await session.reload();
  await firstFrame(session);
}

// The pixels around each of `spots`, 5 x 5 each.
async function lookAround(session, spots) {
  const counts = [];
  for (const {x, y} of spots) counts.push(await session.evaluate(look, x, y, 2));
  return counts;
}

const frames = (session) => session.evaluate(() => window.frameEnds_.length);

// Waits for the first frame, which the page then holds.
const firstFrame = (session, ms = 30000) => drawn(session, 1, ms);

// Lets the held frames go, and waits until at least `count` more have been drawn.
async function framesFlow(session, count = 5, ms = 10000) {
  const from = await frames(session);
  await session.evaluate(() => window.release_());
  await session.waitFor((n) => window.frameEnds_.length >= n, [from + count], ms);
}

// Canvas pixel (x, y) as a point of the page, wherever and however large the canvas is shown.
function onPage(session, x, y) {
  return session.evaluate((x, y) => {
    const canvas = document.getElementById('canvas');
    const rect = canvas.getBoundingClientRect();
    return {x: rect.left + (x + 0.5) * rect.width / canvas.width,
            y: rect.top + (y + 0.5) * rect.height / canvas.height};
  }, x, y);
}

// The canvas's drawing buffer: {width, height}.
const canvasSize = (session) => session.evaluate(() => {
  const canvas = document.getElementById('canvas');
  return {width: canvas.width, height: canvas.height};
});

// The text the page's panel shows, or null when it shows none.
const panelText = (session) => session.evaluate(() => {
  const panel = document.getElementById('loading');
  return panel && getComputedStyle(panel).display !== 'none' ? panel.innerText : null;
});

// Freezes the scene on its first frame with a right press, and lets the held frames go.
async function freeze(session) {
  const size = await canvasSize(session);
  const middle = await onPage(session, size.width / 2, size.height / 2);
  await session.click(middle.x, middle.y, 'right');
  await session.evaluate(() => window.release_());
  await sleep(300);
}

// On a frozen scene, clears the largest sphere with a press (`press`: click or tap) on its middle:
// checks it goes and the others stay where the field has them.
async function clearLargest(session, press = 'click') {
  const before = await session.evaluate(look);
  const target = before.deepest;
  check(target !== null && target.radius >= 6, `a sphere to press (${JSON.stringify(target)})`);
  const around = await session.evaluate(look, target.x, target.y, target.radius - 1);
  const point = await onPage(session, target.x, target.y);
  if (press === 'tap') await session.tap(point.x, point.y);
  else await session.click(point.x, point.y);
  await sleep(500);
  const after = await session.evaluate(look, target.x, target.y, target.radius - 1);
  check(after.lit < around.lit / 2,
        `the sphere under the pointer is gone (${around.lit} lit pixels, then ${after.lit})`);
  // The rest still show where the field has them: one step per frame and one for the pick,
  // which hides the first body in order under the pointer.
  const size = await canvasSize(session);
  const bodies = field(kSeed, await frames(session) + 1);
  const hidden = Math.min(...under(bodies, target.x, target.y, size));
  const lit = (await lookAround(session, shown(bodies, size).filter(({index}) => index !== hidden)))
      .map((counts) => counts.lit);
  check(lit.length > 0 && lit.every((count) => count === 25),
        `the other spheres still shown (lit pixels of 25 at each: ${lit})`);
}

// Waits for the page's panel to say it cannot run the game (a text with `words`), with the
// spinner gone and no frame drawn, and its button, if any, named `button`.
async function saysWhy(session, words, button = null) {
  const said = await session.waitFor((words) => {
    const panel = document.getElementById('loading');
    return panel && panel.className === 'failed' && panel.innerText.includes(words) &&
           {text: panel.innerText, button: (panel.querySelector('button') || {}).textContent || null,
            turning: [...panel.querySelectorAll('.spinner')].some((s) => s.getClientRects().length)};
  }, [words], 30000);
  check(!said.turning, `the panel says why, no spinner: ${JSON.stringify(said.text)}`);
  check(said.button === button, `its button: ${said.button}`);
  check(await frames(session) === 0, 'no frame drawn');
}

// Presses the panel's button, which reloads the page; resolves once the new page is there.
async function pressPanelButton(session) {
  const at = await session.evaluate(() => {
    window.pressed_ = true;
    const rect = document.querySelector('#loading button').getBoundingClientRect();
    return {x: rect.left + rect.width / 2, y: rect.top + rect.height / 2};
  });
  await session.click(at.x, at.y);
  await session.waitFor(() => !window.pressed_ && document.readyState !== 'loading');
}

// Takes the game's WebGL context away, waits until the page has lost it, and gives it back.
async function loseContext(session) {
  await session.evaluate(() => new Promise((resolve) => {
    const canvas = document.getElementById('canvas');
    const gl = canvas.getContext('webgl2') || canvas.getContext('webgl');
    window.loseContext_ = gl.getExtension('WEBGL_lose_context');
    canvas.addEventListener('webglcontextlost', () => setTimeout(resolve, 100), {once: true});
    window.loseContext_.loseContext();
  }));
  await session.evaluate(() => new Promise((resolve) => {
    const canvas = document.getElementById('canvas');
    canvas.addEventListener('webglcontextrestored', () => setTimeout(resolve, 300), {once: true});
    window.loseContext_.restoreContext();
  }));
}

// A 24-bit bitmap of `width` x `height`, every byte `value`.
function bitmap(width, height, value) {
  const bytes = Buffer.alloc(54 + width * height * 3, value);
  bytes.write('BM', 0);
  [[2, bytes.length], [10, 54], [14, 40], [18, width], [22, height]].forEach(
      ([at, value]) => bytes.writeUInt32LE(value, at));
  bytes.writeUInt32LE(1 | (24 << 16), 26);  // one plane, 24 bits
  [30, 34, 38, 42, 46, 50].forEach((at) => bytes.writeUInt32LE(0, at));
  return bytes;
}

// How long the offline worker lets the network stay silent before it answers from a kept copy, as
// the shipped worker says.
function silenceLimit(site) {
  const said = /const kSilenceMs = (\d+);/.exec(
      fs.readFileSync(path.join(site, 'service-worker.js'), 'utf8'));
  check(said !== null, 'the worker names its limit');
  return Number(said[1]);
}

// Stops the server of `served` and starts another on its port, for the same origin, with serve.py's
// `options` (and the same script put into the page); resolves to it as serve does. Its stdout is
// also gathered in `said`.
async function standIn(served, folder, options) {
  const port = Number(new URL(served.url).port);
  await new Promise((resolve) => {
    served.server.once('exit', resolve);
    served.server.kill();
  });
  const other = await serve(folder, Object.assign({port, inject: served.inject}, options));
  other.said = '';
  other.server.stdout.on('data', (data) => (other.said += data));
  return other;
}

// The names of the pictures held in any of the page's caches.
function keptPictures(session) {
  return session.evaluate(async (names) => {
    const kept = [];
    for (const key of await caches.keys()) {
      const cache = await caches.open(key);
      for (const name of names) {
        if (await cache.match(name, {ignoreSearch: true})) kept.push(name);
      }
    }
    return kept;
  }, kPictures);
}

// Each case: run(engine, site), and the engines it runs on where not all (`engines`), with why.
const cases = {
  // The first frame wears the pictures; the animation flows until a right press freezes it, and the
  // canvas keeps the browser's menu to itself.
  play: {async run(engine, site) {
    await play(engine, site, async (session) => {
      await firstFrame(session);
      const first = await session.evaluate(look);
      check(first.lit > 20000 && first.coloured > 10000,
            `first frame lit and textured (${first.lit} lit, ${first.coloured} coloured)`);
      await framesFlow(session);
      const menu = await session.evaluate(() => !document.getElementById('canvas').dispatchEvent(
          new MouseEvent('contextmenu', {bubbles: true, cancelable: true})));
      check(menu, 'no context menu over the canvas');
      const at = await onPage(session, 512, 384);
      await session.click(at.x, at.y, 'right');
      await sleep(300);
      const frozen = await frames(session);
      await sleep(1000);
      check(await frames(session) === frozen, 'no frame in the second after a right press');
      check(session.alerts.length === 0, 'no alert');
      check(await session.evaluate(() => document.title) === 'Farlight : Solar System', 'title');
    });
  }},

  // Shown smaller than its 1024 x 768 pixels, frozen on its first frame: a left press on the middle
  // of the largest sphere takes that sphere out, and the frozen scene shows it. Needs the game to
  // redraw after a left press on a frozen scene.
  frozen_click: {async run(engine, site) {
    await play(engine, site, async (session) => {
      await firstFrame(session);
      await freeze(session);
      await clearLargest(session);
    }, {viewport: {width: 800, height: 600}});
  }},

  // Every picture junk, of three kinds: one alert per sphere (thirty), each with the reader's text
  // for the file it drew; the game then goes on.
  junk: {async run(engine, site) {
    const kinds = {};
    const folder = copySite(site, (file, name) => {
      const kind = kPictures.indexOf(name) % 3;
      // Empty; a bare header of a refused length; a 100 x 100 24-bit header without its pixels.
      const bytes = Buffer.alloc(kind === 0 ? 0 : 40);
      if (kind === 1) bytes.writeUInt32LE(124, 0);
      if (kind === 2) {
        bytes.writeUInt32LE(40, 0);
        bytes.writeInt32LE(100, 4);
        bytes.writeInt32LE(100, 8);
        bytes.writeUInt16LE(1, 12);
        bytes.writeUInt16LE(24, 14);
      }
      fs.writeFileSync(file, bytes);
      kinds[name] = kind;
    });
    await play(engine, folder, async (session, {traffic}) => {
      await firstFrame(session);
      await framesFlow(session);  // the game goes on after its alerts, or this times out
      // In body order, each with the text for the file that body drew.
      const expected = field(kSeed).map(({picture}) => [`Failed to open DIB file ${picture}.\n`,
        'Unknown DIB file format.', 'Image file conversion error.'][kinds[picture]]);
      const alerts = session.alerts;
      const wrong = expected.flatMap((text, i) => (alerts[i] === text ? [] : [[i, alerts[i]]]));
      check(alerts.length === 30 && wrong.length === 0,
            `one alert per sphere, its file's text (${alerts.length}, ${JSON.stringify(wrong)})`);
      // A bad file is read again for each sphere that drew it, from what the page kept.
      const asked = traffic.since(0).pictures;
      check(asked.requests === 11, `each picture asked for once (${JSON.stringify(asked.methods)})`);
    });
  }},

  // A server that withholds some pictures' lengths and announces others past any picture: the
  // former are read all the same, the latter refused before a byte is kept, as "Out of memory.".
  lengths: {async run(engine, site) {
    const withheld = ['Sun.bmp', 'Earth.bmp', 'Mars.bmp', 'Moon.bmp', 'Jupiter.bmp'];
    const oversized = ['Venus.bmp', 'Pluto.bmp'];
    const bodies = field(kSeed);
    await play(engine, site, async (session) => {
      await firstFrame(session);
      const spots = shown(bodies, await canvasSize(session))
                        .filter(({index}) => withheld.includes(bodies[index].picture));
      const seen = (await lookAround(session, spots)).map((counts) => counts.coloured);
      check(seen.length > 0 && seen.every((coloured) => coloured > 12),
            `spheres wearing pictures without a length coloured (of 25 pixels: ${seen})`);
      const refused = bodies.filter((body) => oversized.includes(body.picture)).length;
      const alerts = session.alerts;
      check(alerts.length === refused && alerts.every((text) => text === 'Out of memory.'),
            `the oversized ones refused, once per sphere (${refused}: ${JSON.stringify(alerts)})`);
    }, {server: {withhold: withheld, oversize: oversized}});
  }},

  // One visit keeps the game for offline play: each picture crossed the link once, eleven in all
  // whatever the field drew, none asked about with HEAD; with the server gone, a reload draws the
  // same textured field. On Chromium, whose DevTools protocol can ask, the page is installable.
  offline: {async run(engine, site) {
    await play(engine, site, async (session, {server, traffic, url}) => {
      await firstFrame(session);
      check(await session.evaluate(() => window.farlightOffline), 'kept for offline play');
      if (session.can.cdp) {
        const cdp = await session.cdp();
        const {errors} = await cdp.send('Page.getAppManifest');
        const {installabilityErrors} = await cdp.send('Page.getInstallabilityErrors');
        check(errors.length === 0 && installabilityErrors.length === 0,
              `installable (${JSON.stringify(errors.concat(installabilityErrors))})`);
      }
      const asked = {};
      traffic.since(0).responses.forEach(({method, where}) => {
        asked[method + ' ' + where] = (asked[method + ' ' + where] || 0) + 1;
      });
      const once = kPictures.every((name) => asked['GET /' + name] === (session.can.httpCache ? 1 : 2));
      check(once && !Object.keys(asked).some((request) => request.startsWith('HEAD')),
            `each picture fetched once, twice without an HTTP cache (${JSON.stringify(asked)})`);
      server.kill();
      await reload(session);
      const first = await session.evaluate(look);
      check(first.coloured > 10000 && session.alerts.length === 0,
            `offline: textured (${first.coloured} coloured), silent (${session.alerts.length} alerts)`);
      // The page at its folder's address is the kept index.html too.
      await session.goto(new URL('./', url).href);
      await firstFrame(session);
      const folder = await session.evaluate(look);
      check(folder.coloured > 10000 && session.alerts.length === 0,
            `offline at the folder's address: textured (${folder.coloured} coloured)`);
    });
  }},

  // After one visit, a server that takes connections and never answers (a phone between cells): the
  // reload, having asked it, draws the textured field from the kept copies once the worker's limit
  // has passed, not minutes later.
  dead_link: {async run(engine, site) {
    const limit = silenceLimit(site);
    await play(engine, site, async (session, served) => {
      await firstFrame(session);
      check(await session.evaluate(() => window.farlightOffline), 'kept for offline play');
      const dead = await standIn(served, site, {hang: true});
      try {
        await reload(session);
        const at = await session.evaluate(() => window.frameEnds_[0]);
        check(at < limit + 2500,
              `first frame ${Math.round(at)} ms after the reload (limit ${limit} ms)`);
        const first = await session.evaluate(look);
        check(first.coloured > 10000 && session.alerts.length === 0,
              `textured (${first.coloured} coloured), silent (${session.alerts.length} alerts)`);
        check(dead.said.includes('request GET /index.html') && !dead.said.includes('response'),
              'the silent server was asked for the page');
      } finally {
        dead.server.kill();
      }
    });
  }},

  // After one visit, pictures replaced by 1.5 MB of junk each and the link slowed to 9 Mbit/s with
  // 85 ms round trips: every picture of the reload comes from the server (its alerts, one per
  // sphere), none from a kept copy, though the later ones wait for a connection past the limit.
  slow_link_kept: {async run(engine, site) {
    const limit = silenceLimit(site);
    const folder = copySite(site);
    await play(engine, folder, async (session, served) => {
      await firstFrame(session);
      check(await session.evaluate(() => window.farlightOffline), 'kept for offline play');
      kPictures.forEach((name) => fs.writeFileSync(path.join(folder.folder, name),
                                                   Buffer.alloc(1.5e6)));
      const slow = await standIn(served, folder.folder, {down: 9, rtt: 85});
      try {
        session.alerts.length = 0;
        const reloaded = Date.now();
        await session.reload();
        await firstFrame(session, 90000);
        // The browser's six connections to the server: the last pictures are asked for only as
        // earlier answers end.
        const waited = Math.max(...slow.traffic.asked().filter(
            ({where}) => kPictures.includes(where.slice(1))).map(({at}) => at)) - reloaded;
        check(waited > limit,
              `the last picture asked for ${waited} ms after the reload (limit ${limit} ms)`);
        const sent = slow.traffic.since(0).pictures;
        check(session.alerts.length === 30 && sent.requests === 11 && sent.bytes === 11 * 1.5e6,
              `each picture from the server (${session.alerts.length} alerts, ${sent.requests} ` +
              `responses, ${sent.bytes} B)`);
      } finally {
        slow.server.kill();
      }
    });
  }},

  // A picture over the page's bound for offline copies, sent without a length, is not kept; one
  // under it, sent the same way, is.
  unbounded_keep: {async run(engine, site) {
    const folder = copySite(site, (file, name) => {
      if (name === 'Sun.bmp') fs.writeFileSync(file, bitmap(4096, 2048, 200));  // 25 MB
    });
    await play(engine, folder, async (session) => {
      await firstFrame(session, 60000);
      check(await session.evaluate(() => window.farlightOffline), 'kept for offline play');
      const kept = await keptPictures(session);
      check(!kept.includes('Sun.bmp') && kept.includes('Earth.bmp') && kept.length === 10,
            `all but the large picture kept (${kept})`);
    }, {server: {withhold: ['Sun.bmp', 'Earth.bmp']}});
  }},

  // Online, the server comes first: pictures replaced by junk after a visit give their boxes at
  // the next load, not the kept copies.
  replaced: {async run(engine, site) {
    const folder = copySite(site);
    await play(engine, folder, async (session) => {
      await firstFrame(session);
      check(await session.evaluate(() => window.farlightOffline), 'kept for offline play');
      kPictures.forEach((name) => fs.writeFileSync(path.join(folder.folder, name), Buffer.alloc(0)));
      await reload(session);
      const alerts = session.alerts;
      check(alerts.length === 30 && alerts.every((text) => text.startsWith('Failed to open DIB')),
            `one alert per sphere (${alerts.length}: ${JSON.stringify(alerts.slice(0, 2))})`);
    });
  }},

  // On a slow link the load shows from the first second, moves on as pictures arrive, and is gone
  // in the first frame the game draws.
  slow_load: {async run(engine, site) {
    // Pictures of 128 x 64 pixels, 24 kB each, so that the link takes seconds rather than minutes.
    const folder = copySite(site, (file, name) =>
        fs.writeFileSync(file, bitmap(128, 64, kPictures.indexOf(name) * 20)));
    await play(engine, folder, async (session) => {
      await sleep(900);
      const early = await panelText(session);
      check(early && early.includes('Touch'), `the load shown after 0.9 s (${early})`);
      const texts = new Set([early]);
      while (await session.evaluate(() => window.frameEnds_.length < 1)) {
        texts.add(await panelText(session));
        await sleep(100);
      }
      check(texts.size >= 3, `the load moves on (${texts.size} different texts)`);
      check(await session.evaluate(() => window.loadGoneAt_ <= window.frameEnds_[0]),
            'the load gone in the first frame');
    }, {server: {down: 1, rtt: 150}, before: () => {
      // When the load, once shown, leaves the page.
      let shown = false;
      new MutationObserver((changes, observer) => {
        if (document.getElementById('loading')) return void (shown = true);
        if (!shown) return;
        window.loadGoneAt_ = performance.now();
        observer.disconnect();
      }).observe(document, {childList: true, subtree: true});
    }});
  }},

  // A picture whose transfer stalls and one whose connection drops: each sphere that drew one gets
  // its notice, and the game goes on.
  faults: {async run(engine, site) {
    const faulty = {'Venus.bmp': 'stalls', 'Pluto.bmp': 'drops'};
    await play(engine, site, async (session) => {
      await firstFrame(session, 60000);
      await framesFlow(session);  // the game goes on after its notices, or this times out
      const expected = field(kSeed).filter(({picture}) => faulty[picture])
                           .map(({picture}) => `Failed to open DIB file ${picture}.\n`);
      check(JSON.stringify(session.alerts) === JSON.stringify(expected),
            `one notice per sphere that drew a faulty picture (${JSON.stringify(session.alerts)})`);
    }, {server: {stall: ['Venus.bmp'], drop: ['Pluto.bmp']},
        before: () => (window.farlightStallSeconds = 2)});
  }},

  // A browser that offers WebGL 2 but will not make it: the game asks for WebGL 1 and wears its
  // pictures all the same. MiniBrowser has no switch for WebGL 2 alone.
  webgl1: {engines: ['chromium', 'firefox'], async run(engine, site) {
    await play(engine, site, async (session) => {
      await firstFrame(session);
      const first = await session.evaluate(look);
      check(first.coloured > 10000 && session.alerts.length === 0,
            `textured on WebGL 1 (${first.coloured} coloured, ${session.alerts.length} alerts)`);
      const version = await session.evaluate(() => {
        const canvas = document.getElementById('canvas');
        return canvas.getContext('webgl2') ? 2 : canvas.getContext('webgl') ? 1 : 0;
      });
      check(version === 1, `drawn with WebGL 1 (${version})`);
    }, {browser: {noWebGL2: true}});
  }},

  // No picture at all: no alert, and the spheres plain white rather than black.
  missing: {async run(engine, site) {
    const folder = copySite(site, (file) => fs.unlinkSync(file));
    await play(engine, folder, async (session) => {
      await firstFrame(session);
      const first = await session.evaluate(look);
      check(first.white > 20000 && first.coloured === 0,
            `spheres plain white (${first.white} white, ${first.coloured} coloured)`);
      await framesFlow(session);
      check(session.alerts.length === 0, `silent (${JSON.stringify(session.alerts)})`);
    });
  }},
};

Object.assign(cases, {
  // WebGL switched off, each engine's own way: the page says the game cannot be drawn here and
  // what to do, and stops.
  no_webgl: {async run(engine, site) {
    await play(engine, site, (session) => saysWhy(session, 'WebGL'),
               {browser: {noWebGL: true}});
  }},

  // No WebAssembly: the page says so, and does not start the script.
  no_wasm: {async run(engine, site) {
    await play(engine, site, (session) => saysWhy(session, 'WebAssembly'),
               {before: () => delete window.WebAssembly});
  }},

  // The script, then the wasm, answered with a 404: the page says the game could not be fetched
  // and offers to try again, which starts the game once the file is back.
  unfetched: {async run(engine, site) {
    const folder = copySite(site);
    const away = (name) => fs.renameSync(path.join(folder.folder, name),
                                         path.join(folder.folder, name + '.away'));
    const back = (name) => fs.renameSync(path.join(folder.folder, name + '.away'),
                                         path.join(folder.folder, name));
    away('farlight.js');
    await play(engine, folder, async (session) => {
      await saysWhy(session, 'could not be fetched', 'Try again');
      back('farlight.js');
      away('farlight.wasm');
      await pressPanelButton(session);
      await saysWhy(session, 'could not be fetched', 'Try again');
      back('farlight.wasm');
      await pressPanelButton(session);
      await firstFrame(session);
      check(session.alerts.length === 0, 'then the game, once its files are back');
    });
  }},

  // The WebGL context lost and given back: on a running field the scene shows again as it was
  // and frames go on; on a frozen one it shows frozen, and a left press still clears a sphere.
  context_lost: {async run(engine, site) {
    await play(engine, site, async (session) => {
      const same = async (what) => {
        const before = await session.evaluate(look);
        await loseContext(session);
        const after = await session.evaluate(look);
        check(Math.abs(after.coloured - before.coloured) < before.coloured / 100 &&
              Math.abs(after.lit - before.lit) < before.lit / 100,
              `${what}: shown again as it was (${before.coloured} coloured, then ` +
              `${after.coloured}; ${before.lit} lit, then ${after.lit})`);
      };
      await firstFrame(session);
      await same('running');
      await framesFlow(session);
      await reload(session);
      await freeze(session);
      const frozen = await frames(session);
      await same('frozen');
      check(await frames(session) === frozen, 'still frozen');
      await clearLargest(session);
    });
  }},
});

Object.assign(cases, {
  // A picture past what the game keeps to draw again (a 4096 x 4096 one, 48 MiB as uploaded): after
  // a lost context the page says it cannot be drawn again and offers a restart. Chromium alone:
  // the picture is large, and the page's words are the same on every engine.
  context_lost_unkept: {engines: ['chromium'], async run(engine, site) {
    const folder = copySite(site, (file, name) => {
      if (name === 'Sun.bmp') fs.writeFileSync(file, bitmap(4096, 4096, 90));
    });
    await play(engine, folder, async (session) => {
      await firstFrame(session, 60000);
      await freeze(session);
      await loseContext(session);
      await session.waitFor(() => document.querySelector('#loading.failed button'), [], 10000);
      const said = await panelText(session);
      check(/cannot be drawn again/.test(said) && /Restart/.test(said),
            `the page says so and offers a restart (${JSON.stringify(said)})`);
    });
  }},
});

// The canvas's drawing buffer against the device pixels it covers: the same, or the cap's.
async function sharp(session, what) {
  const sizes = await session.evaluate(() => {
    const canvas = document.getElementById('canvas');
    const rect = canvas.getBoundingClientRect(), ratio = devicePixelRatio;
    return {buffer: [canvas.width, canvas.height],
            covered: [Math.round(rect.width * ratio), Math.round(rect.height * ratio)]};
  });
  const [width, height] = sizes.covered;
  const scale = Math.min(1, 4096 / Math.max(width, height));
  const expected = [Math.floor(width * scale), Math.floor(height * scale)];
  check(sizes.buffer.every((side, i) => Math.abs(side - expected[i]) <= 1),
        `${what}: the drawing buffer ${sizes.buffer.join(' x ')} for ` +
        `${sizes.covered.join(' x ')} device pixels`);
}

Object.assign(cases, {
  // A screen of 2 device pixels per CSS pixel: the canvas is drawn at its device pixels, wears its
  // pictures, and a click on the frozen scene clears the sphere under it.
  sharp: {engines: ['chromium', 'firefox'], async run(engine, site) {
    await play(engine, site, async (session) => {
      await firstFrame(session);
      await sharp(session, '2x');
      const first = await session.evaluate(look);
      check(first.coloured > 40000, `textured (${first.coloured} coloured)`);
      await freeze(session);
      await clearLargest(session);
    }, {viewport: {width: 1100, height: 850, scale: 2}});
  }},

  // A phone in landscape at 3 device pixels per CSS pixel, played by touch: the same, the freeze a
  // right press (touch's own freeze, a finger held, is the page's and has its own case).
  sharp_touch: {engines: ['chromium'], async run(engine, site) {
    await play(engine, site, async (session) => {
      await firstFrame(session);
      await sharp(session, '3x, landscape');
      await freeze(session);
      await clearLargest(session, 'tap');
    }, {viewport: {width: 844, height: 390, scale: 3, touch: true}});
  }},

  // The page resized while the game runs: the drawing buffer follows, capped on a large screen
  // at 4096 pixels a side, and frames go on.
  resized: {engines: ['chromium', 'firefox'], async run(engine, site) {
    await play(engine, site, async (session) => {
      await firstFrame(session);
      await session.evaluate(() => window.release_());
      for (const viewport of [{width: 700, height: 500, scale: 1},
                              {width: 1600, height: 1200, scale: 3}]) {
        await session.setViewport(viewport);
        const before = await frames(session);
        await session.waitFor((before) => window.frameEnds_.length > before + 3, [before], 20000);
        await sharp(session, `${viewport.width} x ${viewport.height} at ${viewport.scale}x`);
      }
    });
  }},
});

const [engine, name, site] = process.argv.slice(2);
const runsOn = (engine) => Object.keys(cases).filter(
    (name) => !cases[name].engines || cases[name].engines.includes(engine));
if (engine === '--list' && kEngines.includes(name)) {
  console.log(runsOn(name).join(';'));
  process.exit(0);
}
if (!kEngines.includes(engine) || !runsOn(engine).includes(name) || !site) {
  console.error(`usage: node browser_test.js ENGINE CASE SITE_DIR (engines ${kEngines.join(', ')};` +
                ' node browser_test.js --list ENGINE lists its cases)');
  process.exit(2);
}
cases[name].run(engine, path.resolve(site)).then(() => process.exit(0), (error) => {
  console.error(error.stack || error.message);
  process.exit(1);
});
