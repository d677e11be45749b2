#include "tools/pictures/colour.h"

Colour mix(Colour a, Colour b, double t) {
  t = std::clamp(t, 0.0, 1.0);
  return {lerp(a.r, b.r, t), lerp(a.g, b.g, t), lerp(a.b, b.b, t)};
}

uint8_t channel(double v) {
  return static_cast<uint8_t>(std::lround(std::clamp(v, 0.0, 255.0)));
}
Rgb toRgb(Colour c) {
  return {channel(c.r), channel(c.g), channel(c.b)};
}

double smoothstep(double e0, double e1, double x) {
  const double t = std::clamp((x - e0) / (e1 - e0), 0.0, 1.0);
  return t * t * (3 - 2 * t);
}

double Field::at(int x, int y) const {
  if (step == 1) return values[static_cast<size_t>(y) * kWidth + x];
  const int i0 = x / step, j0 = y / step;
  const int i1 = (i0 + 1) % columns, j1 = j0 + 1;
  const double tx = static_cast<double>(x % step) / step;
  const double ty = static_cast<double>(y % step) / step;
  const auto v = [&](int i, int j) { return values[static_cast<size_t>(j) * columns + i]; };
  return lerp(lerp(v(i0, j0), v(i1, j0), tx), lerp(v(i0, j1), v(i1, j1), tx), ty);
}
