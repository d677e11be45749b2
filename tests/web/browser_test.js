// The browser build played in headless Chromium (Debian's, on SwiftShader), driven by
// puppeteer-core: node browser_test.js CASE SITE_DIR. The page's folder is served as a static host
// would serve it, by Python's static file server on a free port of 127.0.0.1 (serve.py); the junk
// and missing cases serve a copy with the pictures changed. Exits 0 when the case passes.
'use strict';
const fs = require('fs');
const os = require('os');
const path = require('path');
const {kPictures, sleep, serve, launch, stampFrames} = require('./chromium.js');
const {field, under, shown} = require('./field.js');

const kSeed = 1234567;  // Date.now() in the page, so the field is the same at every run

function check(ok, what) {
  if (!ok) throw new Error('failed: ' + what);
  console.log('ok: ' + what);
}

// Runs in the page before its scripts, beside chromium.js's frame stamps (stampFrames: the game's
// frames counted, the first held, the field's seed fixed): keeps the drawn image readable.
function keepDrawn() {
  const getContext = HTMLCanvasElement.prototype.getContext;
  HTMLCanvasElement.prototype.getContext = function(type, attributes) {
    const kept = Object.assign({}, attributes, {preserveDrawingBuffer: true});
    return getContext.call(this, type, kept);
  };
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

// Loads the page from `folder` and hands the case its page, its alerts (answered at once and kept)
// and the server ({server, url, traffic}, chromium.js). `options`: the viewport, the server's
// options, a function run in the page before its scripts (`before`), the browser's launch options.
async function play(folder, body, {viewport = {width: 1100, height: 850}, server = {},
                                   before = null, browser: browserOptions = {}} = {}) {
  const served = await serve(folder, server);
  const browser = await launch(browserOptions);
  try {
    const page = await browser.newPage();
    await page.setViewport(viewport);
    const alerts = [];
    page.on('dialog', async (dialog) => {
      alerts.push(dialog.message());
      await dialog.accept();
    });
    const errors = [];
    page.on('pageerror', (error) => errors.push(String(error.message || error)));
    await page.evaluateOnNewDocument(stampFrames, 1, kSeed);
    await page.evaluateOnNewDocument(keepDrawn);
    if (before) await page.evaluateOnNewDocument(before);
    await page.goto(served.url);
    await body(page, alerts, served);
    check(errors.length === 0, `no error in the page (${JSON.stringify(errors)})`);
  } finally {
    await browser.close();
    served.server.kill();
  }
}

// Reloads the page and waits for its first frame again; the alerts start afresh.
async function reload(page, alerts) {
  alerts.length = 0;
  await page.reload({waitUntil: 'domcontentloaded'});
  await firstFrame(page, 30000);
}

// The pixels around each of `spots`, 5 x 5 each.
async function lookAround(page, spots) {
  const counts = [];
  for (const {x, y} of spots) counts.push(await page.evaluate(look, x, y, 2));
  return counts;
}

async function frames(page) {
  return page.evaluate(() => window.frameEnds_.length);
}

// Waits up to `ms` for the first frame, which the page then holds.
async function firstFrame(page, ms) {
  await page.waitForFunction(() => window.frameEnds_.length >= 1, {timeout: ms, polling: 50});
}

// Canvas pixel (x, y) as a point of the page, wherever and however large the canvas is shown.
async function onPage(page, x, y) {
  return page.evaluate((x, y) => {
    const rect = document.getElementById('canvas').getBoundingClientRect();
    return {x: rect.left + (x + 0.5) * rect.width / 1024,
            y: rect.top + (y + 0.5) * rect.height / 768};
  }, x, y);
}

// A copy of the page's folder whose pictures `change(file)` rewrites or deletes.
function copySite(site, change) {
  const folder = fs.mkdtempSync(path.join(os.tmpdir(), 'farlight-web-'));
  for (const name of fs.readdirSync(site)) {
    fs.copyFileSync(path.join(site, name), path.join(folder, name));
  }
  kPictures.forEach((name) => change(path.join(folder, name), name));
  return folder;
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
// `options`; resolves to it as serve does. Its stdout is also gathered in `said`.
async function standIn(served, folder, options) {
  const port = Number(new URL(served.url).port);
  await new Promise((resolve) => {
    served.server.once('exit', resolve);
    served.server.kill();
  });
  const other = await serve(folder, Object.assign({port}, options));
  other.said = '';
  other.server.stdout.on('data', (data) => (other.said += data));
  return other;
}

// The names of the pictures held in any of the page's caches.
async function keptPictures(page) {
  return page.evaluate(async (names) => {
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

const cases = {
  // The first frame wears the pictures; the animation flows until a right press freezes it, and the
  // canvas keeps the browser's menu to itself.
  async play(site) {
    await play(site, async (page, alerts) => {
      await firstFrame(page, 30000);
      const first = await page.evaluate(look);
      check(first.lit > 20000 && first.coloured > 10000,
            `first frame lit and textured (${first.lit} lit, ${first.coloured} coloured)`);
      await page.evaluate(() => window.release_());
      await sleep(500);
      check(await frames(page) > 5, 'frames flow');
      const menu = await page.evaluate(() => !document.getElementById('canvas').dispatchEvent(
          new MouseEvent('contextmenu', {bubbles: true, cancelable: true})));
      check(menu, 'no context menu over the canvas');
      const at = await onPage(page, 512, 384);
      await page.mouse.click(at.x, at.y, {button: 'right'});
      await sleep(300);
      const frozen = await frames(page);
      await sleep(1000);
      check(await frames(page) === frozen, 'no frame in the second after a right press');
      check(alerts.length === 0, 'no alert');
      check(await page.title() === 'Farlight : Solar System', 'title');
    });
  },

  // Shown smaller than its 1024 x 768 pixels, frozen on its first frame: a left press on the middle
  // of the largest sphere takes that sphere out, and the frozen scene shows it. Needs the game to
  // redraw after a left press on a frozen scene.
  async frozen_click(site) {
    await play(site, async (page) => {
      await firstFrame(page, 30000);
      const at = await onPage(page, 512, 384);
      await page.mouse.click(at.x, at.y, {button: 'right'});
      await page.evaluate(() => window.release_());
      await sleep(300);
      const before = await page.evaluate(look);
      const target = before.deepest;
      check(target !== null && target.radius >= 6, `a sphere to click (${JSON.stringify(target)})`);
      const around = await page.evaluate(look, target.x, target.y, target.radius - 1);
      const point = await onPage(page, target.x, target.y);
      await page.mouse.click(point.x, point.y);
      await sleep(500);
      const after = await page.evaluate(look, target.x, target.y, target.radius - 1);
      check(after.lit < around.lit / 2,
            `the sphere under the pointer is gone (${around.lit} lit pixels, then ${after.lit})`);
      // The rest still show where the field has them: one step per frame and one for the pick,
      // which hides the first body in order under the pointer.
      const bodies = field(kSeed, await frames(page) + 1);
      const hidden = Math.min(...under(bodies, target.x, target.y));
      const lit = (await lookAround(page, shown(bodies).filter(({index}) => index !== hidden)))
          .map((counts) => counts.lit);
      check(lit.length > 0 && lit.every((count) => count === 25),
            `the other spheres still shown (lit pixels of 25 at each: ${lit})`);
    }, {viewport: {width: 800, height: 600}});
  },

  // Every picture junk, of three kinds: one alert per sphere (thirty), each with the reader's text
  // for the file it drew; the game then goes on.
  async junk(site) {
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
    try {
      await play(folder, async (page, alerts, {traffic}) => {
        await firstFrame(page, 30000);
        await page.evaluate(() => window.release_());
        await sleep(500);
        check(await frames(page) > 5, 'frames flow after the alerts');
        // In body order, each with the text for the file that body drew.
        const expected = field(kSeed).map(({picture}) => [`Failed to open DIB file ${picture}.\n`,
          'Unknown DIB file format.', 'Image file conversion error.'][kinds[picture]]);
        const wrong = expected.flatMap((text, i) => (alerts[i] === text ? [] : [[i, alerts[i]]]));
        check(alerts.length === 30 && wrong.length === 0,
              `one alert per sphere, its file's text (${alerts.length}, ${JSON.stringify(wrong)})`);
        // A bad file is read again for each sphere that drew it, from what the page kept.
        const asked = traffic.since(0).pictures;
        check(asked.requests === 11,
              `each picture asked for once (${JSON.stringify(asked.methods)})`);
      });
    } finally {
      fs.rmSync(folder, {recursive: true, force: true});
    }
  },

  // A server that withholds some pictures' lengths and announces others past any picture: the
  // former are read all the same, the latter refused before a byte is kept, as "Out of memory.".
  async lengths(site) {
    const withheld = ['Sun.bmp', 'Earth.bmp', 'Mars.bmp', 'Moon.bmp', 'Jupiter.bmp'];
    const oversized = ['Venus.bmp', 'Pluto.bmp'];
    const bodies = field(kSeed);
    const spots = shown(bodies).filter(({index}) => withheld.includes(bodies[index].picture));
    await play(site, async (page, alerts) => {
      await firstFrame(page, 30000);
      const seen = (await lookAround(page, spots)).map((counts) => counts.coloured);
      check(seen.length > 0 && seen.every((coloured) => coloured > 12),
            `spheres wearing pictures without a length coloured (of 25 pixels: ${seen})`);
      const refused = bodies.filter((body) => oversized.includes(body.picture)).length;
      check(alerts.length === refused && alerts.every((text) => text === 'Out of memory.'),
            `the oversized ones refused, once per sphere (${refused}: ${JSON.stringify(alerts)})`);
    }, {server: {withhold: withheld, oversize: oversized}});
  },

  // One visit makes the page installable and keeps the game for offline play: each picture crossed
  // the link once, eleven in all whatever the field drew, none asked about with HEAD; with the
  // server gone, a reload draws the same textured field.
  async offline(site) {
    await play(site, async (page, alerts, {server, traffic}) => {
      await firstFrame(page, 30000);
      check(await page.evaluate(() => window.farlightOffline), 'kept for offline play');
      const cdp = await page.target().createCDPSession();
      const {errors} = await cdp.send('Page.getAppManifest');
      const {installabilityErrors} = await cdp.send('Page.getInstallabilityErrors');
      check(errors.length === 0 && installabilityErrors.length === 0,
            `installable (${JSON.stringify(errors.concat(installabilityErrors))})`);
      const asked = {};
      traffic.since(0).responses.forEach(({method, where}) => {
        asked[method + ' ' + where] = (asked[method + ' ' + where] || 0) + 1;
      });
      const once = kPictures.every((name) => asked['GET /' + name] === 1);
      check(once && !Object.keys(asked).some((request) => request.startsWith('HEAD')),
            `each picture fetched once (${JSON.stringify(asked)})`);
      server.kill();
      await reload(page, alerts);
      const first = await page.evaluate(look);
      check(first.coloured > 10000 && alerts.length === 0,
            `offline: textured (${first.coloured} coloured), silent (${alerts.length} alerts)`);
      // The page at its folder's address is the kept index.html too.
      await page.goto(new URL('./', page.url()).href, {waitUntil: 'domcontentloaded'});
      await firstFrame(page, 30000);
      const folder = await page.evaluate(look);
      check(folder.coloured > 10000 && alerts.length === 0,
            `offline at the folder's address: textured (${folder.coloured} coloured)`);
    });
  },

  // After one visit, a server that takes connections and never answers (a phone between cells): the
  // reload, having asked it, draws the textured field from the kept copies once the worker's limit
  // has passed, not minutes later.
  async dead_link(site) {
    const limit = silenceLimit(site);
    await play(site, async (page, alerts, served) => {
      await firstFrame(page, 30000);
      check(await page.evaluate(() => window.farlightOffline), 'kept for offline play');
      const dead = await standIn(served, site, {hang: true});
      try {
        alerts.length = 0;
        await page.reload({waitUntil: 'domcontentloaded', timeout: limit + 30000});
        await firstFrame(page, 30000);
        const at = await page.evaluate(() => window.frameEnds_[0]);
        check(at < limit + 2500,
              `first frame ${Math.round(at)} ms after the reload (limit ${limit} ms)`);
        const first = await page.evaluate(look);
        check(first.coloured > 10000 && alerts.length === 0,
              `textured (${first.coloured} coloured), silent (${alerts.length} alerts)`);
        check(dead.said.includes('request GET /index.html') && !dead.said.includes('response'),
              'the silent server was asked for the page');
      } finally {
        dead.server.kill();
      }
    });
  },

  // After one visit, pictures replaced by 1.5 MB of junk each and the link slowed to 9 Mbit/s with
  // 85 ms round trips: every picture of the reload comes from the server (its alerts, one per
  // sphere), none from a kept copy, though the later ones wait for a connection past the limit.
  async slow_link_kept(site) {
    const limit = silenceLimit(site);
    const folder = copySite(site, () => {});
    try {
      await play(folder, async (page, alerts, served) => {
        await firstFrame(page, 30000);
        check(await page.evaluate(() => window.farlightOffline), 'kept for offline play');
        kPictures.forEach((name) => fs.writeFileSync(path.join(folder, name), Buffer.alloc(1.5e6)));
        const slow = await standIn(served, folder, {down: 9, rtt: 85});
        try {
          alerts.length = 0;
          await page.reload({waitUntil: 'domcontentloaded'});
          await firstFrame(page, 90000);
          const waited = await page.evaluate((names) => Math.max(...performance
              .getEntriesByType('resource')
              .filter(({name}) => names.includes(name.split('/').pop()))
              .map((entry) => entry.responseStart - entry.startTime)), kPictures);
          check(waited > limit,
                `the last picture's answer waited ${Math.round(waited)} ms (limit ${limit} ms)`);
          const sent = slow.traffic.since(0).pictures;
          check(alerts.length === 30 && sent.requests === 11 && sent.bytes === 11 * 1.5e6,
                `each picture from the server (${alerts.length} alerts, ${sent.requests} ` +
                `responses, ${sent.bytes} B)`);
        } finally {
          slow.server.kill();
        }
      });
    } finally {
      fs.rmSync(folder, {recursive: true, force: true});
    }
  },

  // A picture over the page's bound for offline copies, sent without a length, is not kept; one
  // under it, sent the same way, is.
  async unbounded_keep(site) {
    const folder = copySite(site, (file, name) => {
      if (name === 'Sun.bmp') fs.writeFileSync(file, bitmap(4096, 2048, 200));  // 25 MB
    });
    try {
      await play(folder, async (page) => {
        await firstFrame(page, 60000);
        check(await page.evaluate(() => window.farlightOffline), 'kept for offline play');
        const kept = await keptPictures(page);
        check(!kept.includes('Sun.bmp') && kept.includes('Earth.bmp') && kept.length === 10,
              `all but the large picture kept (${kept})`);
      }, {server: {withhold: ['Sun.bmp', 'Earth.bmp']}});
    } finally {
      fs.rmSync(folder, {recursive: true, force: true});
    }
  },

  // Online, the server comes first: pictures replaced by junk after a visit give their boxes at
  // the next load, not the kept copies.
  async replaced(site) {
    const folder = copySite(site, () => {});
    try {
      await play(folder, async (page, alerts) => {
        await firstFrame(page, 30000);
        check(await page.evaluate(() => window.farlightOffline), 'kept for offline play');
        kPictures.forEach((name) => fs.writeFileSync(path.join(folder, name), Buffer.alloc(0)));
        await reload(page, alerts);
        const expected = 'Failed to open DIB file ';
        check(alerts.length === 30 && alerts.every((text) => text.startsWith(expected)),
              `one alert per sphere (${alerts.length}: ${JSON.stringify(alerts.slice(0, 2))})`);
      });
    } finally {
      fs.rmSync(folder, {recursive: true, force: true});
    }
  },

  // On a slow link the load shows from the first second, moves on as pictures arrive, and is gone
  // in the first frame the game draws.
  async slow_load(site) {
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
    await play(folder, async (page) => {
      await sleep(900);
      const state = () => page.evaluate(() => {
        const shown = document.getElementById('loading');
        return shown && getComputedStyle(shown).display !== 'none' && shown.innerText;
      });
      const early = await state();
      check(early && early.includes('Touch'), `the load shown after 0.9 s (${early})`);
      const texts = new Set([early]);
      while (await page.evaluate(() => window.frameEnds_.length < 1)) {
        texts.add(await state());
        await sleep(100);
      }
      check(texts.size >= 3, `the load moves on (${texts.size} different texts)`);
      check(await page.evaluate(() => window.loadGoneAt_ <= window.frameEnds_[0]),
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
    }})
        .finally(() => fs.rmSync(folder, {recursive: true, force: true}));
  },

  // A picture whose transfer stalls and one whose connection drops: each sphere that drew one gets
  // its notice, and the game goes on.
  async faults(site) {
    const faulty = {'Venus.bmp': 'stalls', 'Pluto.bmp': 'drops'};
    await play(site, async (page, alerts) => {
      await firstFrame(page, 60000);
      await page.evaluate(() => window.release_());
      await page.waitForFunction(() => window.frameEnds_.length > 5, {timeout: 10000, polling: 50});
      check(true, 'frames flow after the alerts');
      const expected = field(kSeed).filter(({picture}) => faulty[picture])
                           .map(({picture}) => `Failed to open DIB file ${picture}.\n`);
      check(JSON.stringify(alerts) === JSON.stringify(expected),
            `one notice per sphere that drew a faulty picture (${JSON.stringify(alerts)})`);
    }, {server: {stall: ['Venus.bmp'], drop: ['Pluto.bmp']},
        before: () => (window.farlightStallSeconds = 2)});
  },

  // A browser that offers WebGL 2 but will not make it: the game asks for WebGL 1 and wears its
  // pictures all the same.
  async webgl1(site) {
    await play(site, async (page, alerts) => {
      await firstFrame(page, 30000);
      const first = await page.evaluate(look);
      check(first.coloured > 10000 && alerts.length === 0,
            `textured on WebGL 1 (${first.coloured} coloured, ${alerts.length} alerts)`);
      check(await page.evaluate(() => typeof WebGL2RenderingContext) === 'undefined',
            'WebGL 2 given up');
    }, {browser: {args: ['--disable-webgl2']}});
  },

  // No picture at all: no alert, and the spheres plain white rather than black.
  async missing(site) {
    const folder = copySite(site, (file) => fs.unlinkSync(file));
    try {
      await play(folder, async (page, alerts) => {
        await firstFrame(page, 30000);
        const first = await page.evaluate(look);
        check(first.white > 20000 && first.coloured === 0,
              `spheres plain white (${first.white} white, ${first.coloured} coloured)`);
        await page.evaluate(() => window.release_());
        await sleep(1000);
        check(alerts.length === 0, `silent (${JSON.stringify(alerts)})`);
      });
    } finally {
      fs.rmSync(folder, {recursive: true, force: true});
    }
  },
};

const [name, site] = process.argv.slice(2);
if (!cases[name] || !site) {
  console.error('usage: node browser_test.js ' + Object.keys(cases).join('|') + ' SITE_DIR');
  process.exit(2);
}
cases[name](path.resolve(site)).then(() => process.exit(0), (error) => {
  console.error(error.message);
  process.exit(1);
});
