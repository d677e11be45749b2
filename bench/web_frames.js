// Frames a second of the browser build in headless Chromium on SwiftShader at 1100 x 825 (a 1100 x 850 page), split
// where the work differs: while the field is in view (its first 30 frames after the first, which
// is held until then so that the page's start stays out; the slowest sphere passes the viewer by
// frame 30) and after it has passed (the next two seconds, nothing left to fill).
// Beside the rate, which a busy machine drags down, the processor time all the browser's processes
// spent per frame over the same frames, which it drags down far less.
// Not a test: it prints a row per page folder and judges nothing.
//   node web_frames.js SITE_DIR [SITE_DIR...]   (puppeteer-core on NODE_PATH)
// Several folders are measured in turn, in a shuffled order each round, so that they share the
// machine's load alike; each row gives the median of the rounds and every round's figure.
'use strict';
const {execFileSync} = require('child_process');
const fs = require('fs');
const path = require('path');
const {sleep, median, serve, family, instrument, drawn, fieldInView} =
    require('../tests/web/harness.js');
const {open} = require('../tests/web/engines.js');

const kRounds = 5;

// Processor time, in ms, used so far by process `pid` and all its descendants.
function processorTime(pid) {
  let ticks = 0;
  for (const [p] of family(pid)) {
    try {  // utime and stime, after the parenthesised command name
      const fields = fs.readFileSync(`/proc/${p}/stat`, 'utf8').split(') ')[1].split(' ');
      ticks += Number(fields[11]) + Number(fields[12]);
    } catch (error) {}  // a process that has just ended
  }
  return ticks * 1000 / Number(execFileSync('getconf', ['CLK_TCK']));
}

async function measure({url, traffic}) {
  const session = await open('chromium');
  const pid = session.pid;
  await session.goto(url);
  await drawn(session, 1);
  await traffic.quiet(300, 10000);  // what the page fetches after its first frame
  const count = () => session.evaluate(() => window.frameEnds_.length);
  const start = [processorTime(pid), await count()];
  const inView = await fieldInView(session);
  const middle = [processorTime(pid), await count()];
  await sleep(2000);
  const end = [processorTime(pid), await count()];
  const ends = await session.evaluate(() => window.frameEnds_);
  await session.close();
  const cost = (a, b) => (b[0] - a[0]) / (b[1] - a[1]);
  const later = ends.filter((t) => t > ends[30]);
  const passed = (later.length - 1) / ((later[later.length - 1] - later[0]) / 1000);
  return {inView, passed, inViewCost: cost(start, middle), passedCost: cost(middle, end)};
}

(async () => {
  const sites = process.argv.slice(2).map((folder) => path.resolve(folder));
  const servers = await Promise.all(sites.map((site) => serve(site, {inject: instrument()})));
  const kinds = ['inView', 'passed', 'inViewCost', 'passedCost'];
  const results = sites.map(() => ({inView: [], passed: [], inViewCost: [], passedCost: []}));
  try {
    for (let round = 0; round < kRounds; ++round) {
      const order = sites.map((_, i) => i).sort(() => Math.random() - 0.5);
      for (const i of order) {
        const figures = await measure(servers[i]);
        kinds.forEach((kind) => results[i][kind].push(figures[kind]));
      }
    }
  } finally {
    servers.forEach(({server}) => server.kill());
  }
  const show = (values) =>
    `${median(values).toFixed(1)} (${values.map((v) => v.toFixed(1)).join(', ')})`;
  console.log('| page | frames a second, field in view (frames 1-30) | after it has passed | ' +
              'browser CPU ms a frame, in view | after |');
  console.log('|---|---|---|---|---|');
  sites.forEach((site, i) => console.log(
      `| ${path.basename(site)} | ${kinds.map((kind) => show(results[i][kind])).join(' | ')} |`));
})().catch((error) => {
  console.error(error);
  process.exit(1);
});
