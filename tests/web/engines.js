// The browsers the tests and benchmarks drive, one small driver each behind one session interface:
// Chromium (headless, SwiftShader) and Firefox (headful on the X server of DISPLAY: headless it
// gets no WebGL without a GPU) through puppeteer-core, WebKit (WebKitGTK's MiniBrowser, headful)
// through its W3C WebDriver server. What a case needs before the page's own scripts runs as part
// of the page (serve.py --inject), the same way on every engine.
//
// A session: goto(url), reload(), evaluate(fn, ...args) (fn's source runs in the page; a promise
// is awaited; the result comes back as JSON), waitFor(fn, args, ms), click(x, y, button) and
// tap(x, y) at a point of the page in CSS pixels, setViewport({width, height, scale, touch}),
// alerts (every alert's text, each accepted at once), errors (what the browser reported uncaught,
// where its driver tells), close(). `can` says what the engine's driver offers beyond that: touch,
// scale (a viewport's device pixel ratio), cdp (Chromium's DevTools protocol: cdp()), httpCache
// (WebKit's automation sessions keep no HTTP cache, so a file asked for twice crosses the link
// twice).
'use strict';
const {spawn} = require('child_process');
const fs = require('fs');
const net = require('net');
const os = require('os');
const path = require('path');

const {sleep} = require('./harness.js');

const kEngines = ['chromium', 'firefox', 'webkit'];
const kMiniBrowser = '/usr/lib/x86_64-linux-gnu/webkit2gtk-4.1/MiniBrowser';

// Polls `fn` in the page until it returns something true; that is the result. A page being
// replaced (a reload) answers nothing for a moment.
async function waitFor(session, fn, args = [], ms = 30000) {
  const until = Date.now() + ms;
  for (let last = null;;) {
    try {
      const value = await session.evaluate(fn, ...args);
      if (value) return value;
    } catch (error) {
      last = error;
    }
    if (Date.now() > until) {
      throw new Error(`timed out after ${ms} ms waiting for ${fn}` + (last ? `: ${last}` : ''));
    }
    await sleep(25);
  }
}

// Chromium and Firefox, through puppeteer-core. `options`: viewport {width, height, scale},
// noWebGL, noWebGL2 (each engine's own switch), profile (a folder for the browser's profile).
async function puppeteerSession(engine, options) {
  const puppeteer = require('puppeteer-core');
  const launchOptions = engine === 'chromium' ? {
    executablePath: '/usr/bin/chromium',
    headless: true,
    // Root needs --no-sandbox; the rest keeps Chromium off a network it does not have.
    args: ['--no-sandbox', '--use-gl=angle', '--use-angle=swiftshader',
           '--enable-unsafe-swiftshader', '--disable-background-networking',
           '--disable-component-update', '--disable-default-apps', '--disable-extensions',
           '--disable-sync', '--no-first-run', '--mute-audio']
        .concat(options.noWebGL ? ['--disable-3d-apis'] : [],
                options.noWebGL2 ? ['--disable-webgl2'] : []),
  } : {
    browser: 'firefox',
    executablePath: '/usr/bin/firefox-esr',
    headless: false,
    extraPrefsFirefox: Object.assign(
        {'webgl.force-enabled': true}, options.noWebGL ? {'webgl.disabled': true} : {},
        options.noWebGL2 ? {'webgl.enable-webgl2': false} : {}),
  };
  if (options.profile) launchOptions.userDataDir = options.profile;
  const browser = await puppeteer.launch(launchOptions);
  const page = (await browser.pages())[0] || await browser.newPage();
  const alerts = [], errors = [];
  page.on('dialog', async (dialog) => {
    alerts.push(dialog.message());
    await dialog.accept().catch(() => {});
  });
  // What the browser itself reports as uncaught, which the page's own listeners may not see
  // (Firefox reports a promise rejected with a plain value whatever the page does).
  page.on('pageerror', (error) => errors.push(String(error.message || error)));
  const session = {
    engine, alerts, errors, page,
    pid: browser.process() ? browser.process().pid : 0,
    can: {touch: engine === 'chromium', scale: true, cdp: engine === 'chromium', httpCache: true},
    async setViewport({width = 1100, height = 850, scale = 1, touch = false} = {}) {
      await page.setViewport({width, height, deviceScaleFactor: scale, hasTouch: touch,
                              isLandscape: width > height, isMobile: touch});
    },
    goto: (url) => page.goto(url, {waitUntil: 'domcontentloaded', timeout: 0}),
    reload: () => page.reload({waitUntil: 'domcontentloaded', timeout: 0}),
    evaluate: (fn, ...args) => page.evaluate(fn, ...args),
    waitFor: (fn, args, ms) => waitFor(session, fn, args, ms),
    click: (x, y, button = 'left') => page.mouse.click(x, y, {button}),
    tap: (x, y) => page.touchscreen.tap(x, y),
    cdp: () => page.target().createCDPSession(),
    close: () => browser.close(),
  };
  await session.setViewport(options.viewport);
  return session;
}

// A free TCP port of 127.0.0.1 for the WebDriver server.
function freePort() {
  return new Promise((resolve, reject) => {
    const probe = net.createServer();
    probe.on('error', reject);
    probe.listen(0, '127.0.0.1', () => {
      const {port} = probe.address();
      probe.close(() => resolve(port));
    });
  });
}

// WebKit through WebKitWebDriver. Alerts are left open by the browser (unhandledPromptBehavior
// ignore) and answered here: a command refused while one is open reads and accepts it, then goes
// again; a poller does the same all the while, as the game waits on each alert.
async function webkitSession(options) {
  const port = await freePort();
  const driver = spawn('WebKitWebDriver', [`--port=${port}`], {stdio: 'ignore'});
  const base = `http://127.0.0.1:${port}`;
  let queue = Promise.resolve();
  // A command that gets no answer in `ms` fails, naming itself, rather than hanging the case.
  async function raw(method, where, body, ms = 60000) {
    const response = await fetch(base + where, {
      method, headers: {'Content-Type': 'application/json'}, signal: AbortSignal.timeout(ms),
      body: body === undefined ? undefined : JSON.stringify(body)})
        .catch((error) => Promise.reject(new Error(`WebDriver ${method} ${where}: ${error}`)));
    return (await response.json()).value;
  }
  let id = null;
  const alerts = [];
  // One command at a time, in order. A script that an alert interrupts is not always refused:
  // WebKitWebDriver may hold it, and every command after it, until the alert is answered, which
  // then cannot be. So a script gets 5 s; given up, its alert is answered and it goes again (the
  // scripts the cases run only read, or do what may be done twice).
  function command(method, where, body) {
    const script = where.startsWith('/execute');
    const run = queue.then(async () => {
      for (let tries = 0;; ++tries) {
        let value;
        try {
          value = await raw(method, `/session/${id}${where}`, body, script ? 5000 : 60000);
        } catch (error) {
          if (!script || tries >= 12) throw error;
          await answerAlert().catch(() => {});
          continue;
        }
        if (!(value && value.error === 'unexpected alert open')) return value;
        await answerAlert();
      }
    });
    queue = run.catch(() => {});
    return run.then((value) => {
      if (value && value.error) throw new Error(`WebDriver ${where}: ${value.message}`);
      return value;
    });
  }
  async function answerAlert() {
    const text = await raw('GET', `/session/${id}/alert/text`);
    if (text && text.error) return false;
    alerts.push(text);
    await raw('POST', `/session/${id}/alert/accept`, {});
    return true;
  }
  for (let tries = 0;; ++tries) {  // until the server listens
    try {
      const created = await raw('POST', '/session', {capabilities: {alwaysMatch: {
        unhandledPromptBehavior: 'ignore',
        'webkitgtk:browserOptions': {
          binary: kMiniBrowser,
          args: ['--automation'].concat(options.noWebGL ? ['--enable-webgl=false'] : []),
        },
      }}});
      if (created.error) throw new Error(created.message);
      id = created.sessionId;
      break;
    } catch (error) {
      if (tries > 100) {
        driver.kill();
        throw error;
      }
      await sleep(50);
    }
  }
  // The poller takes its turn in the queue: WebKitWebDriver holds a command sent beside another.
  let polling = true;
  const poller = (async () => {
    while (polling) {
      queue = queue.then(() => answerAlert()).catch(() => {});
      await queue;
      await sleep(20);
    }
  })();
  const pointer = (x, y, kind, button) => command('POST', '/actions', {actions: [{
    type: 'pointer', id: kind, parameters: {pointerType: kind},
    actions: [{type: 'pointerMove', duration: 0, origin: 'viewport', x: Math.round(x),
               y: Math.round(y)},
              {type: 'pointerDown', button}, {type: 'pointerUp', button}]}]});
  const session = {
    engine: 'webkit', alerts, errors: [], pid: driver.pid,
    can: {touch: false, scale: false, cdp: false, httpCache: false},
    async setViewport({width = 1100, height = 850} = {}) {
      // The window's outer size: the viewport is what the browser's own bars leave of it.
      await command('POST', '/window/rect', {width, height});
    },
    goto: (url) => command('POST', '/url', {url}),
    reload: () => command('POST', '/refresh', {}),
    evaluate: (fn, ...args) => command('POST', '/execute/sync', {
      script: `return (${fn}).apply(null, arguments);`, args}),
    waitFor: (fn, args, ms) => waitFor(session, fn, args, ms),
    click: (x, y, button = 'left') =>
        pointer(x, y, 'mouse', {left: 0, middle: 1, right: 2}[button]),
    tap: () => Promise.reject(new Error('no touch on WebKit\'s driver')),
    async close() {
      polling = false;
      await poller;
      await raw('DELETE', `/session/${id}`).catch(() => {});
      driver.kill();
    },
  };
  await session.setViewport(options.viewport);
  return session;
}

// Starts `engine` (one of kEngines) with `options` (see puppeteerSession).
function open(engine, options = {}) {
  if (engine === 'webkit') return webkitSession(options);
  if (engine === 'chromium' || engine === 'firefox') return puppeteerSession(engine, options);
  throw new Error(`no engine ${engine}: ${kEngines.join(', ')}`);
}

// A profile folder of its own, removed by the returned function.
function freshProfile() {
  const folder = fs.mkdtempSync(path.join(os.tmpdir(), 'farlight-profile-'));
  return {folder, remove: () => fs.rmSync(folder, {recursive: true, force: true})};
}

module.exports = {kEngines, open, freshProfile};
