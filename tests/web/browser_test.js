// The browser build played in Chromium, Firefox and WebKit (engines.js), each case written once:
// node browser_test.js ENGINE CASE SITE_DIR, or node browser_test.js --list ENGINE for the cases
// that run on ENGINE. The page's folder is served as a static host would serve it, on a free port
// of 127.0.0.1 (serve.py); some cases serve a copy with the pictures changed. Exits 0 when the case
// passes.
'use strict';
const fs = require('fs');
const path = require('path');
const {kPictures, sleep, serve, instrument, copySite} = require('./harness.js');
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
  const served = await serve(site, {...server, inject: instrument({seed: kSeed, keep: true,
                                                                     before})});
  let session = null;
  try {
    session = await open(engine, {viewport, ...browser});
    await session.goto(served.url);
    await body(session, served);
    const errors = await session.evaluate(() => window.errors_);
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
const firstFrame = (session, ms = 30000) =>
    session.waitFor(() => window.frameEnds_.length >= 1, [], ms);

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
    await play(engine, site, async (session, {server, traffic}) => {
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
    });
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
    const folder = copySite(site, (file, name) => {
      const bytes = Buffer.alloc(54 + 128 * 64 * 3, kPictures.indexOf(name) * 20);
      bytes.write('BM', 0);
      [[2, bytes.length], [10, 54], [14, 40], [18, 128], [22, 64]].forEach(
          ([at, value]) => bytes.writeUInt32LE(value, at));
      bytes.writeUInt32LE(1 | (24 << 16), 26);  // one plane, 24 bits
      [30, 34, 38, 42, 46, 50].forEach((at) => bytes.writeUInt32LE(0, at));
      fs.writeFileSync(file, bytes);
    });
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
