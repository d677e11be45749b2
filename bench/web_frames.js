// Frames a second of the browser build in headless Chromium on SwiftShader at 1024 x 768, split
// where the work differs: while the field is in view (its first 30 frames; the slowest sphere
// passes the viewer by then) and after it has passed (the next two seconds, nothing left to fill).
// Not a test: it prints a row per page folder and judges nothing.
//   node web_frames.js SITE_DIR [SITE_DIR...]   (puppeteer-core on NODE_PATH)
// Several folders are measured in turn, in a shuffled order each round, so that they share the
// machine's load alike; each row gives the median of the rounds and every round's figure.
'use strict';
const {spawn} = require('child_process');
const path = require('path');
const puppeteer = require('puppeteer-core');

const kRounds = 5;
const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));
const median = (values) => values.slice().sort((a, b) => a - b)[Math.floor(values.length / 2)];

function serve(folder) {
  const server = spawn('python3', ['-u', '-m', 'http.server', '0', '--bind', '127.0.0.1'],
                       {cwd: folder, stdio: ['ignore', 'pipe', 'ignore']});
  return new Promise((resolve) => {
    let said = '';
    server.stdout.on('data', (data) => {
      said += data;
      const port = /port (\d+)/.exec(said);
      if (port) resolve({server, url: `http://127.0.0.1:${port[1]}/index.html`});
    });
  });
}

// The time at which each display (one requestAnimationFrame callback of the game's GLUT) ended.
function stampFrames() {
  window.frameEnds_ = [];
  const request = window.requestAnimationFrame.bind(window);
  window.requestAnimationFrame = (callback) => request((time) => {
    callback(time);
    window.frameEnds_.push(performance.now());
  });
}

async function measure(browser, url) {
  const context = await browser.createBrowserContext();
  const page = await context.newPage();
  await page.setViewport({width: 1100, height: 850});
  page.on('dialog', (dialog) => dialog.accept());
  await page.evaluateOnNewDocument(stampFrames);
  await page.goto(url);
  await page.waitForFunction(() => window.frameEnds_.length >= 31, {timeout: 60000, polling: 50});
  await sleep(2000);
  const ends = await page.evaluate(() => window.frameEnds_);
  await context.close();
  // Frames 1 to 30 (the first display also waits for the pictures' first use).
  const inView = 29 / ((ends[30] - ends[1]) / 1000);
  const later = ends.filter((t) => t > ends[30]);
  const passed = (later.length - 1) / ((later[later.length - 1] - later[0]) / 1000);
  return {inView, passed};
}

(async () => {
  const sites = process.argv.slice(2).map((folder) => path.resolve(folder));
  const servers = await Promise.all(sites.map(serve));
  const browser = await puppeteer.launch({
    executablePath: '/usr/bin/chromium', headless: true,
    args: ['--no-sandbox', '--use-gl=angle', '--use-angle=swiftshader',
           '--enable-unsafe-swiftshader', '--disable-background-networking',
           '--disable-component-update', '--no-first-run']});
  const results = sites.map(() => ({inView: [], passed: []}));
  try {
    for (let round = 0; round < kRounds; ++round) {
      const order = sites.map((_, i) => i).sort(() => Math.random() - 0.5);
      for (const i of order) {
        const {inView, passed} = await measure(browser, servers[i].url);
        results[i].inView.push(inView);
        results[i].passed.push(passed);
      }
    }
  } finally {
    await browser.close();
    servers.forEach(({server}) => server.kill());
  }
  const show = (values) =>
    `${median(values).toFixed(1)} (${values.map((v) => v.toFixed(1)).join(', ')})`;
  console.log('| page | frames a second, field in view (frames 1-30) | after it has passed |');
  console.log('|---|---|---|');
  sites.forEach((site, i) => console.log(
      `| ${path.basename(site)} | ${show(results[i].inView)} | ${show(results[i].passed)} |`));
})().catch((error) => {
  console.error(error);
  process.exit(1);
});
