// The field a seed gives (app/field.cpp), replayed for the browser tests: emscripten's rand() is
// musl's, drawn z, y, x, radius, speed, picture for each body; the view is app/viewer.cpp's
// (45 degrees, turned 15 degrees about y) on a canvas of `size` pixels ({width, height}, by
// default 1024 x 768).
'use strict';
const {kPictures} = require('./harness.js');

const kFocal = 1 / Math.tan(Math.PI / 8);
const kCos = Math.cos(Math.PI / 12), kSin = Math.sin(Math.PI / 12);

// The thirty bodies after `steps` frames, in eye space: {picture, radius, centre: [x, y, z]}.
function field(seed, steps = 1) {
  let state = BigInt(seed) - 1n;
  const rand = () => Number((state = (6364136223846793005n * state + 1n) % (1n << 64n)) >> 33n);
  return Array.from({length: 30}, () => {
    const z = rand() % 1 - 30, y = rand() % 60 - 30, x = rand() % 60 - 30;
    const radius = rand() % 4 + 1, speed = rand() % 4 + 1, picture = kPictures[rand() % 11];
    const moved = z + speed * steps;
    return {picture, radius, centre: [kCos * x + kSin * moved, y, kCos * moved - kSin * x]};
  });
}

const kCanvas = {width: 1024, height: 768};

// The bodies whose spheres lie under canvas pixel (x, y), nearest first.
function under(bodies, x, y, {width, height} = kCanvas) {
  const ray = [((x + 0.5) / (width / 2) - 1) * width / height / kFocal,
               (1 - (y + 0.5) / (height / 2)) / kFocal, -1];
  const dot = (a, b) => a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
  return bodies.map((body, index) => {
    const a = dot(ray, ray), b = dot(ray, body.centre);
    const c = dot(body.centre, body.centre) - body.radius * body.radius;
    return {index, t: b * b >= a * c ? (b - Math.sqrt(b * b - a * c)) / a : Infinity};
  }).filter((hit) => hit.t < Infinity).sort((p, q) => p.t - q.t).map((hit) => hit.index);
}

// The bodies that show on the canvas, each at one pixel that shows it: {index, x, y}, its centre's
// pixel moved 8 pixels inside the canvas.
function shown(bodies, size = kCanvas) {
  const {width, height} = size;
  return bodies.map(({centre: [x, y, z]}, index) => ({
    index,
    x: Math.round(Math.min(width - 9, Math.max(8, width / 2 * (1 + kFocal * height / width *
                                                                         x / -z)))),
    y: Math.round(Math.min(height - 9, Math.max(8, height / 2 * (1 - kFocal * y / -z)))),
  })).filter(({index, x, y}) => under(bodies, x, y, size)[0] === index);
}

module.exports = {field, under, shown};
