// Colours, ramps and the per-pixel loop that turns a shading function into a picture.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "tools/bitmap/dib_writer.h"
#include "tools/pictures/geometry.h"

struct Colour {
  double r, g, b;
};

Colour mix(Colour a, Colour b, double t);

inline Colour scaled(Colour c, double s) {
  return {c.r * s, c.g * s, c.b * s};
}

struct Stop {
  double at;
  Colour colour;
};

// Piecewise-linear colour ramp over stops sorted by their position.
template <size_t N>
Colour ramp(const Stop (&stops)[N], double t) {
  if (t <= stops[0].at) return stops[0].colour;
  for (size_t i = 1; i < N; ++i) {
    if (t <= stops[i].at) {
      const double span = stops[i].at - stops[i - 1].at;
      return mix(stops[i - 1].colour, stops[i].colour, (t - stops[i - 1].at) / span);
    }
  }
  return stops[N - 1].colour;
}

uint8_t channel(double v);
Rgb toRgb(Colour c);

double smoothstep(double e0, double e1, double x);

// A value per pixel. Large-scale shapes are evaluated on a coarser grid and interpolated:
// they need no more, and it keeps the whole set fast.
struct Field {
  int step = 1;
  int columns = 0;  // of the coarse grid; it wraps round the sphere
  std::vector<float> values;

  double at(int x, int y) const;
};

// Samples f(direction, latitude) every step pixels; step divides the picture's sizes.
template <typename F>
Field sampled(int step, F f) {
  Field field;
  field.step = step;
  field.columns = kWidth / step;
  const int rows = kHeight / step + (step > 1 ? 1 : 0);
  field.values.reserve(static_cast<size_t>(field.columns) * rows);
  for (int j = 0; j < rows; ++j) {
    const double lat = 90.0 - (std::min(j * step, kHeight - 1) + 0.5) * 180.0 / kHeight;
    for (int i = 0; i < field.columns; ++i) {
      const double u = (i * step + 0.5) / kWidth;
      field.values.push_back(static_cast<float>(f(directionOf(u, lat), lat)));
    }
  }
  return field;
}

// Calls shade(direction, latitude in degrees, x, y) for every pixel.
template <typename Shade>
Picture paint(const Grid& grid, Shade shade) {
  Picture picture;
  picture.width = kWidth;
  picture.height = kHeight;
  picture.pixels.resize(static_cast<size_t>(kWidth) * kHeight);
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      const Colour c = shade(directionAt(grid, x, y), grid.latDeg[y], x, y);
      picture.pixels[static_cast<size_t>(y) * kWidth + x] = toRgb(c);
    }
  }
  return picture;
}
