// The browser build's figures for docs/performance.md, measured in headless Chromium on
// SwiftShader (not a test: it prints, and judges nothing).
//   node web_figures.js SITE_DIR [huge|offline|engines]
//   sizes: the script and wasm, and every file of the page's folder gzipped as a host would;
//   first frame: from navigation to the end of the first requestAnimationFrame callback in which
//   the game draws, a fresh browser profile for each load, on three links the server emulates
//   (kLinks; never compressed), with the requests and body bytes the server sent per load; on
//   localhost also a reload's (warm profile);
//   frames a second with the field in view (frames 1-30 after the first), the canvas at 1100 x 825
//   device pixels (the largest 4:3 box of a 1100 x 850 page);
//   huge (optional): every picture name serving one 16384 x 16384 24-bit picture (805 MB), the
//   largest the reader takes: the first frame's time, the wasm memory and the browser's peak
//   resident memory, and whether the game goes on.
//   offline (optional): the offline worker's limit on a silent network against a live but slow
//   link: after a kept visit, with the browser's HTTP cache emptied so that every file crosses the
//   link again, a reload on 9 Mbit/s with 85 ms, for the shipped limit and shorter ones: how many
//   of the page's files came from the server and how many from the kept copies.
//   engines (optional): Chromium, Firefox and WebKit in one run, each one's first frame on
//   localhost and frames a second with the field in view.
//   density (optional): frames a second with the field in view at 1 and 2 device pixels per CSS
//   pixel, Chromium and Firefox.
'use strict';
const fs = require('fs');
const os = require('os');
const path = require('path');
const zlib = require('zlib');
const {kPictures, sleep, median, serve, family, instrument, drawn, fieldInView, copySite} =
    require('../tests/web/harness.js');
const {kEngines, open, freshProfile} = require('../tests/web/engines.js');

// Resident memory of the browser and all its processes, in bytes.
function browserResident(pid) {
  return family(pid, ['rss=']).reduce((sum, [, , rss]) => sum + rss * 1024, 0);
}

async function sizes(site) {
  let raw = 0, gzipped = 0;
  const files = fs.readdirSync(site);
  for (const name of files) {
    const bytes = fs.readFileSync(path.join(site, name));
    raw += bytes.length;
    gzipped += zlib.gzipSync(bytes, {level: 9}).length;
  }
  const js = fs.statSync(path.join(site, 'farlight.js')).size;
  const wasm = fs.statSync(path.join(site, 'farlight.wasm')).size;
  const gz = (name) => zlib.gzipSync(fs.readFileSync(path.join(site, name)), {level: 9}).length;
  console.log(`| script + wasm | ${js} B + ${wasm} B = ${js + wasm} B ` +
              `(gzip ${gz('farlight.js')} B + ${gz('farlight.wasm')} B) |`);
  console.log(`| the page's folder, all ${files.length} files (page, script, wasm, pictures...) | ` +
              `${raw} B, gzip ${gzipped} B |`);
}

// The links a first visit is timed on, each emulated by the server (serve.py --down, --rtt), and
// the loads timed on each.
const kLinks = [
  {name: 'localhost, no link emulation', options: {}, loads: 5},
  {name: '50 Mbit/s down, 20 ms round trip', options: {down: 50, rtt: 20}, loads: 5},
  {name: '9 Mbit/s down, 85 ms round trip', options: {down: 9, rtt: 85}, loads: 5},
];

// One first visit: a browser on a fresh profile (empty cache, no service worker) navigates to the
// page. Its first frame (ms from navigation), what the server sent from the navigation until the
// network was quiet after that frame; on `localhost`, also the field-in-view frame rate and a
// reload's first frame and traffic (the profile now warm).
async function visit({url, traffic}, localhost) {
  const profile = freshProfile();
  const session = await open('chromium', {profile: profile.folder});
  try {
    const mark = traffic.mark();
    await session.goto(url);
    const [first] = await drawn(session, 1, 180000);
    const quiet = await traffic.quiet(500, 30000);
    const result = {first, sent: traffic.since(mark), quiet};
    if (!localhost) return result;
    result.rate = await fieldInView(session);
    const again = traffic.mark();
    await session.reload();
    [result.warm] = await drawn(session, 1);
    await traffic.quiet(500, 30000);
    result.warmSent = traffic.since(again);
    return result;
  } finally {
    await session.close();
    profile.remove();
  }
}

const thousands = (n) => n.toLocaleString('en-US');
const spread = (values, show) => `${show(median(values))} (${values.map(show).join(', ')})`;

// Requests (by method) and body bytes, median of the loads, and the range when they differ.
function traffic(sums) {
  const one = (values, show) => {
    const low = Math.min(...values), high = Math.max(...values);
    return low === high ? show(low) : `${show(median(values))} (${show(low)} to ${show(high)})`;
  };
  const methods = [...new Set(sums.flatMap((sum) => Object.keys(sum.methods)))].sort();
  const each = methods.map((m) => `${m} ${one(sums.map((sum) => sum.methods[m] || 0), String)}`);
  return `${one(sums.map((sum) => sum.requests), String)} requests` +
         (methods.length ? ` (${each.join(', ')})` : '') +
         `, ${one(sums.map((sum) => sum.bytes), thousands)} B`;
}

async function timing(site) {
  for (const link of kLinks) {
    const served = await serve(site, {...link.options, inject: instrument()});
    const localhost = Object.keys(link.options).length === 0;
    const visits = [];
    try {
      for (let i = 0; i < link.loads; ++i) visits.push(await visit(served, localhost));
    } finally {
      served.server.kill();
    }
    const row = (what, value) => console.log(`| ${what} | ${value} |`);
    const of = `${link.name}, median of ${link.loads}`;
    const ms = (v) => `${thousands(Math.round(v))} ms`;
    row(`first frame after navigation, fresh profile, ${of}`,
        spread(visits.map((v) => v.first), ms));
    const unquiet = visits.filter((v) => !v.quiet).length;
    row(`requests and body bytes the server sent per load, ${link.name}: all, from navigation ` +
        `until 0.5 s without traffic after the first frame` +
        (unquiet ? ` (never quiet within 30 s in ${unquiet} loads)` : ''),
        traffic(visits.map((v) => v.sent)));
    row(`the same, ${link.name}: the pictures' requests only`,
        traffic(visits.map((v) => v.sent.pictures)));
    if (!localhost) continue;
    row(`first frame after a reload (same profile, warm cache), ${of}`,
        spread(visits.map((v) => v.warm), ms));
    row(`requests and body bytes the server sent for that reload, ${link.name}`,
        traffic(visits.map((v) => v.warmSent)));
    row(`frames a second at 1100 x 825, field in view (frames 1-30 after the first, which is held ` +
        `until the network is quiet), ${of}`, spread(visits.map((v) => v.rate), (v) => v.toFixed(1)));
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
  const copy = copySite(site, (file) => {
    fs.unlinkSync(file);
    fs.symlinkSync('huge.bmp', file);
  });
  const folder = copy.folder;
  try {
    writeHuge(path.join(folder, 'huge.bmp'));
    const {server, url} = await serve(folder, {inject: instrument()});
    const session = await open('chromium');
    let peak = 0;
    const watch = setInterval(() => {
      peak = Math.max(peak, browserResident(session.pid));
    }, 100);
    try {
      await session.goto(url);
      const [first] = await drawn(session, 1, 600000);
      const wasm = await session.evaluate(() => Module.HEAPU8.length);
      await session.evaluate(() => window.release_());
      await sleep(1000);
      const going = (await session.evaluate(() => window.frameEnds_.length)) > 1;
      const row = (what, value) =>
        console.log(`| eleven 16384 x 16384 pictures: ${what} | ${value} |`);
      row('first frame', `${(first / 1000).toFixed(1)} s`);
      row('wasm memory at the end', `${wasm} B`);
      row('browser\'s peak resident memory, all its processes', `${peak} B`);
      row('frames flow after', going);
    } finally {
      clearInterval(watch);
      await session.close();
      server.kill();
    }
  } finally {
    copy.remove();
  }
}

// The worker's limits tried, in ms, beside the one it ships with; reloads for each.
const kLimits = [50, 100, 125, 250, 1000];
const kReloads = 3;

// One kept visit and a reload on the slow link, the worker's limit `limit` ms (null: as shipped).
async function reloadOnSlowLink(site, limit) {
  const copy = copySite(site);
  const folder = copy.folder;
  const profile = freshProfile();
  let served = null, session = null;
  try {
    const worker = path.join(folder, 'service-worker.js');
    const source = fs.readFileSync(worker, 'utf8');
    const shipped = Number(/const kSilenceMs = (\d+);/.exec(source)[1]);
    if (limit !== null) {
      const changed = source.replace(/const kSilenceMs = \d+;/, `const kSilenceMs = ${limit};`);
      fs.writeFileSync(worker, changed);
    }
    served = await serve(folder, {down: 9, rtt: 85, inject: instrument()});
    session = await open('chromium', {profile: profile.folder});
    await session.goto(served.url);
    await drawn(session, 1, 180000);
    if (!await session.evaluate(() => window.farlightOffline)) throw new Error('nothing kept');
    await served.traffic.quiet(500, 30000);
    const cdp = await session.cdp();
    await cdp.send('Network.clearBrowserCache');
    const mark = served.traffic.mark();
    await session.reload();
    const [first] = await drawn(session, 1, 180000);
    // The files the page asks for itself, and of those, the ones whose answer the server sent
    // whole; the rest came from the kept copies (the worker aborts a fetch it gives up; the page's
    // own, a navigation's, it can only leave to run out, so the page is not counted).
    const needed = ['/farlight.js', '/farlight.wasm'].concat(kPictures.map((name) => '/' + name));
    const whole = served.traffic.since(mark).responses.filter(
        ({where, status, ending}) => needed.includes(where) && status === 200 && !ending);
    const network = new Set(whole.map(({where}) => where)).size;
    const waited = await session.evaluate(() => Math.max(...performance.getEntries()
        .filter((e) => e.entryType === 'navigation' || e.entryType === 'resource')
        .map((e) => e.responseStart - e.startTime)));
    return {limit: limit === null ? shipped : limit, shipped: limit === null, first, waited,
            network, kept: needed.length - network};
  } finally {
    if (session) await session.close();
    if (served) served.server.kill();
    copy.remove();
    profile.remove();
  }
}

async function offline(site) {
  for (const limit of kLimits.concat([null])) {
    const runs = [];
    for (let i = 0; i < kReloads; ++i) runs.push(await reloadOnSlowLink(site, limit));
    const list = (show) => runs.map(show).join(', ');
    const ms = (value) => Math.round(value) + ' ms';
    console.log(`| reload on 9 Mbit/s with 85 ms after a kept visit, HTTP cache emptied, worker's ` +
                `limit ${runs[0].limit} ms${runs[0].shipped ? ' (as shipped)' : ''}, ` +
                `${kReloads} reloads | the script, wasm and pictures from the server: ` +
                `${list((r) => r.network)} of 13, kept: ${list((r) => r.kept)}; first frame ` +
                `${list((r) => ms(r.first))}; longest wait for an answer in the page ` +
                `${list((r) => ms(r.waited))} |`);
  }
}

// Each of `kinds` ({engine, viewport}) loaded `rounds` times, the kinds taking turns in a shuffled
// order each round, so that they share the machine's load alike; a browser on a fresh profile for
// each load. Resolves to each kind's first frames (ms from navigation) and frames a second with
// the field in view: [{first: [...], rate: [...]}], in the order of `kinds`.
async function interleaved(site, kinds, rounds) {
  const served = await serve(site, {inject: instrument()});
  const results = kinds.map(() => ({first: [], rate: []}));
  try {
    for (let round = 0; round < rounds; ++round) {
      for (const i of kinds.map((_, i) => i).sort(() => Math.random() - 0.5)) {
        const profile = freshProfile();
        const session = await open(kinds[i].engine,
                                   {profile: profile.folder, viewport: kinds[i].viewport});
        try {
          await session.goto(served.url);
          const [first] = await drawn(session, 1, 60000);
          results[i].first.push(first);
          results[i].rate.push(await fieldInView(session));
        } finally {
          await session.close();
          profile.remove();
        }
      }
    }
  } finally {
    served.server.kill();
  }
  return results;
}

// Each engine's first frame on localhost and frames a second with the field in view, in one run.
// Firefox and WebKit draw on llvmpipe on the X server of DISPLAY, Chromium on SwiftShader; each
// canvas at 1100 x 825 device pixels (the page's largest 4:3 box).
async function engines(site) {
  const kRounds = 5;
  const results = await interleaved(site, kEngines.map((engine) => ({engine})), kRounds);
  const ms = (v) => `${Math.round(v)} ms`;
  kEngines.forEach((engine, i) => {
    console.log(`| ${engine}: first frame after navigation, fresh profile, localhost, median of ` +
                `${kRounds} | ${spread(results[i].first, ms)} |`);
    console.log(`| ${engine}: frames a second, field in view (frames 1-30 after the first), ` +
                `median of ${kRounds} | ${spread(results[i].rate, (v) => v.toFixed(1))} |`);
  });
}

// What drawing at the screen's own pixels costs a software renderer: frames a second with the
// field in view, 1100 x 850 page, at 1 and 2 device pixels per CSS pixel (canvas 1100 x 825 and
// 2200 x 1650), Chromium and Firefox, in one run.
async function density(site) {
  const kRounds = 5;
  const kinds = ['chromium', 'firefox'].flatMap(
      (engine) => [1, 2].map((scale) => ({engine, viewport: {width: 1100, height: 850, scale}})));
  const results = await interleaved(site, kinds, kRounds);
  kinds.forEach(({engine, viewport: {scale}}, i) => console.log(
      `| ${engine}: frames a second, field in view, ${scale} device pixel${scale > 1 ? 's' : ''} ` +
      `per CSS pixel (canvas ${1100 * scale} x ${825 * scale}), median of ${kRounds} | ` +
      `${spread(results[i].rate, (v) => v.toFixed(1))} |`));
}

(async () => {
  const [site, what] = process.argv.slice(2);
  if (what === 'density') return density(path.resolve(site));
  if (what === 'huge') return huge(path.resolve(site));
  if (what === 'engines') return engines(path.resolve(site));
  if (what === 'offline') return offline(path.resolve(site));
  // The figures swing with the machine's load: said beside them.
  const load = () => os.loadavg().map((n) => n.toFixed(1)).join(', ');
  console.log(`run ${new Date().toISOString()}, load average ${load()}`);
  await sizes(path.resolve(site));
  await timing(path.resolve(site));
  console.log(`end ${new Date().toISOString()}, load average ${load()}`);
})().catch((error) => {
  console.error(error);
  process.exit(1);
});
