// What the browser tests and the browser benchmarks share: the picture names, the tests' static
// server (serve.py) on a free port of 127.0.0.1, and Debian's headless Chromium on SwiftShader.
'use strict';
const {execFileSync, spawn} = require('child_process');
const path = require('path');
const puppeteer = require('puppeteer-core');

const kPictures = ['Sun', 'Mercury', 'Venus', 'Earth', 'Moon', 'Mars', 'Jupiter', 'Saturn',
                   'Uranus', 'Neptune', 'Pluto'].map((name) => name + '.bmp');

const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));
const median = (values) => values.slice().sort((a, b) => a - b)[Math.floor(values.length / 2)];

// Serves `folder` (`lengths`: serve.py's arguments); resolves to the server process and the page's
// address.
function serve(folder, lengths = []) {
  const server = spawn('python3', [path.join(__dirname, 'serve.py')].concat(lengths),
                       {cwd: folder, stdio: ['ignore', 'pipe', 'ignore']});
  return new Promise((resolve, reject) => {
    let said = '';
    server.stdout.on('data', (data) => {
      said += data;
      const port = /port (\d+)/.exec(said);
      if (port) resolve({server, url: `http://127.0.0.1:${port[1]}/index.html`});
    });
    server.on('exit', () => reject(new Error('the web server ended: ' + said)));
  });
}

// Root needs --no-sandbox; the rest keeps Chromium off a network it does not have.
function launch() {
  return puppeteer.launch({
    executablePath: '/usr/bin/chromium',
    headless: true,
    args: ['--no-sandbox', '--use-gl=angle', '--use-angle=swiftshader',
           '--enable-unsafe-swiftshader', '--disable-background-networking',
           '--disable-component-update', '--disable-default-apps', '--disable-extensions',
           '--disable-sync', '--no-first-run', '--mute-audio']});
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

module.exports = {kPictures, sleep, median, serve, launch, family};
