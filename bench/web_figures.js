// The browser build's figures for docs/performance.md, measured in headless Chromium on
// SwiftShader (not a test: it prints, and judges nothing). node web_figures.js SITE_DIR [huge]
//   sizes: the script and wasm, and every file of the page's folder gzipped as a host would;
//   first frame: from navigation to the end of the first display, empty cache and warm, 5 each;
//   frames a second at 1024 x 768 over the two seconds after the first frame;
//   huge (optional): every picture name serving one 16384 x 16384 24-bit picture (805 MB), the
//   largest the reader takes: the first frame's time, the wasm memory and the browser's peak
//   resident memory, and whether the game goes on.
'use strict';
const fs = require('fs');
const os = require('os');
const path = require('path');
const zlib = require('zlib');
const {kPictures, sleep, median, serve, launch, family} =
    require('../tests/web/chromium.js');

// Each display is one requestAnimationFrame callback of the game's GLUT.
function countFrames() {
  window.frames_ = 0;
  const request = window.requestAnimationFrame.bind(window);
  window.requestAnimationFrame = (callback) => request((time) => {
    callback(time);
    if (window.frames_++ === 0) window.firstFrame_ = performance.now();
  });
}

async function open(browser, url, timeout) {
  const page = await browser.newPage();
  await page.setViewport({width: 1100, height: 850});
  page.on('dialog', (dialog) => { console.log('alert: ' + dialog.message()); dialog.accept(); });
  await page.evaluateOnNewDocument(countFrames);
  await page.goto(url);
  await page.waitForFunction(() => window.frames_ >= 1, {timeout, polling: 20});
  return page;
}

// Resident memory of the browser and all its processes, in bytes.
function browserResident(pid) {
  return family(pid, ['rss=']).reduce((sum, [, , rss]) => sum + rss * 1024, 0);
}

async function sizes(site) {
  let raw = 0, gzipped = 0;
  for (const name of fs.readdirSync(site)) {
    const bytes = fs.readFileSync(path.join(site, name));
    raw += bytes.length;
    gzipped += zlib.gzipSync(bytes, {level: 9}).length;
  }
  const js = fs.statSync(path.join(site, 'farlight.js')).size;
  const wasm = fs.statSync(path.join(site, 'farlight.wasm')).size;
  const gz = (name) => zlib.gzipSync(fs.readFileSync(path.join(site, name)), {level: 9}).length;
  console.log(`| script + wasm | ${js} B + ${wasm} B = ${js + wasm} B ` +
              `(gzip ${gz('farlight.js')} B + ${gz('farlight.wasm')} B) |`);
  console.log(`| whole download (page, script, wasm, 11 pictures) | ${raw} B, gzip ${gzipped} B |`);
}

async function timing(site) {
  const {server, url} = await serve(site);
  const browser = await launch();
  try {
    const cold = [], warm = [], rates = [];
    for (let i = 0; i < 5; ++i) {
      const context = await browser.createBrowserContext();  // an empty cache
      const page = await context.newPage();
      await page.setViewport({width: 1100, height: 850});
      await page.evaluateOnNewDocument(countFrames);
      await page.goto(url);
      await page.waitForFunction(() => window.frames_ >= 1, {timeout: 30000, polling: 20});
      cold.push(await page.evaluate(() => window.firstFrame_));
      await page.reload();
      await page.waitForFunction(() => window.frames_ >= 1, {timeout: 30000, polling: 20});
      warm.push(await page.evaluate(() => window.firstFrame_));
      const start = await page.evaluate(() => window.frames_);
      await sleep(2000);
      rates.push(((await page.evaluate(() => window.frames_)) - start) / 2);
      await context.close();
    }
    const ms = (values) =>
      `${median(values).toFixed(0)} ms (${values.map((v) => v.toFixed(0)).join(', ')})`;
    console.log(`| first frame after navigation, empty cache, median of 5 | ${ms(cold)} |`);
    console.log(`| first frame after navigation, warm cache, median of 5 | ${ms(warm)} |`);
    console.log(`| frames a second at 1024 x 768, median of 5 | ${median(rates)} ` +
                `(${rates.join(', ')}) |`);
  } finally {
    await browser.close();
    server.kill();
  }
}

// A 16384 x 16384 24-bit bottom-up bitmap, written row by row: 805 MB.
function writeHuge(file) {
  const side = 16384, row = side * 3, header = Buffer.alloc(54);
  header.write('BM', 0);
  header.writeUInt32LE(54 + row * side, 2);
  header.writeUInt32LE(54, 10);
  header.writeUInt32LE(40, 14);
  header.writeInt32LE(side, 18);
  header.writeInt32LE(side, 22);
  header.writeUInt16LE(1, 26);
  header.writeUInt16LE(24, 28);
  const fd = fs.openSync(file, 'w');
  fs.writeSync(fd, header);
  const line = Buffer.alloc(row);
  for (let y = 0; y < side; ++y) {
    for (let x = 0; x < row; x += 3) {
      line[x] = (x >> 6) & 255, line[x + 1] = y >> 6, line[x + 2] = 128;
    }
    fs.writeSync(fd, line);
  }
  fs.closeSync(fd);
}

async function huge(site) {
  const folder = fs.mkdtempSync(path.join(os.tmpdir(), 'farlight-huge-'));
  try {
    for (const name of fs.readdirSync(site)) {
      if (kPictures.includes(name)) continue;
      fs.copyFileSync(path.join(site, name), path.join(folder, name));
    }
    writeHuge(path.join(folder, 'huge.bmp'));
    kPictures.forEach((name) => fs.symlinkSync('huge.bmp', path.join(folder, name)));
    const {server, url} = await serve(folder);
    const browser = await launch();
    let peak = 0;
    const watch = setInterval(() => {
      peak = Math.max(peak, browserResident(browser.process().pid));
    }, 100);
    try {
      const page = await open(browser, url, 600000);
      const first = await page.evaluate(() => window.firstFrame_);
      const wasm = await page.evaluate(() => Module.HEAPU8.length);
      const before = await page.evaluate(() => window.frames_);
      await sleep(1000);
      const going = (await page.evaluate(() => window.frames_)) > before;
      const row = (what, value) =>
        console.log(`| eleven 16384 x 16384 pictures: ${what} | ${value} |`);
      row('first frame', `${(first / 1000).toFixed(1)} s`);
      row('wasm memory at the end', `${wasm} B`);
      row('browser\'s peak resident memory, all its processes', `${peak} B`);
      row('frames flow after', going);
    } finally {
      clearInterval(watch);
      await browser.close();
      server.kill();
    }
  } finally {
    fs.rmSync(folder, {recursive: true, force: true});
  }
}

(async () => {
  const [site, what] = process.argv.slice(2);
  if (what === 'huge') return huge(path.resolve(site));
  await sizes(path.resolve(site));
  await timing(path.resolve(site));
})().catch((error) => {
  console.error(error);
  process.exit(1);
});
