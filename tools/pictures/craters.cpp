#include "tools/pictures/craters.h"

#include <algorithm>
#include <cmath>

namespace {

// Height across a crater, in units of its depth: a bowl and a raised rim.
double craterHeight(double d) {
  const double bowl = d < 1 ? (d * d - 1) * 0.8 : 0;
  const double rim = 0.2 * std::exp(-(d - 1) * (d - 1) / 0.02);
  return bowl + rim;
}

// Brightness change at distance d (in radii) in direction (ex, ny) from the centre. Light
// comes from the upper left, so walls facing it are bright and the others dark.
double craterShade(const Crater& c, const Noise& n, double d, double ex, double ny) {
  const double slope = (craterHeight(d + 0.02) - craterHeight(d - 0.02)) / 0.04;
  const double towardsLight = d > 1e-9 ? (ex * -0.6 + ny * 0.8) / d : 0;
  double shade = -0.14 * c.depth * slope * towardsLight;
  if (d < 1) shade -= 0.05 * c.depth;                                  // darker floor
  if (d > 0.9) shade += 0.08 * c.depth * std::exp(-(d - 0.9) / 0.35);  // fresh ejecta
  if (c.rays > 0 && d > 0.8) {
    const double angle = std::atan2(ny, ex);
    const Vec around = {std::cos(angle) * 4, std::sin(angle) * 4, c.rays * 7};
    const double streak = std::pow(1 - std::fabs(noise(n, around)), 7);
    shade += 0.5 * streak * std::exp(-(d - 0.8) / (c.rays * 0.3));
  }
  return shade;
}

}  // namespace

void addCrater(std::vector<float>& field, const Grid& grid, const Noise& n, const Crater& c) {
  const double reach = c.rays > 0 ? c.rays : 1.8;  // in crater radii
  const double reachDeg = c.radius * reach / kDeg;
  const double latC = std::asin(std::clamp(c.spot.centre.y, -1.0, 1.0)) / kDeg;
  const int y0 = std::max(0, static_cast<int>((90 - latC - reachDeg) / 180 * kHeight));
  const int y1 = std::min(kHeight - 1, static_cast<int>((90 - latC + reachDeg) / 180 * kHeight));
  // Columns: the whole row near a pole, else the crater's reach widened by the latitude.
  const bool allColumns = std::fabs(latC) + reachDeg >= 80;
  const double halfU = reachDeg / 360 / std::cos((std::fabs(latC) + reachDeg) * kDeg);
  const double uC = 1 - std::atan2(c.spot.centre.z, c.spot.centre.x) / (2 * kPi);
  const int x0 = allColumns ? 0 : static_cast<int>(std::floor((uC - halfU) * kWidth));
  const int x1 = allColumns ? kWidth - 1 : static_cast<int>(std::ceil((uC + halfU) * kWidth));
  for (int y = y0; y <= y1; ++y) {
    for (int xi = x0; xi <= x1; ++xi) {
      const int x = ((xi % kWidth) + kWidth) % kWidth;
      double ex, ny;
      if (!localOffset(c.spot, directionAt(grid, x, y), &ex, &ny)) continue;
      ex /= c.radius;
      ny /= c.radius;
      const double d = std::sqrt(ex * ex + ny * ny);
      if (d > reach) continue;
      field[static_cast<size_t>(y) * kWidth + x] +=
          static_cast<float>(craterShade(c, n, d, ex, ny));
    }
  }
}

// Craters all over: many small ones, few large.
void addCraters(std::vector<float>& field, const Grid& grid, const Noise& n, uint64_t seed,
                int count, double minDeg, double maxDeg) {
  Rng rng{seed};
  for (int i = 0; i < count; ++i) {
    const double lat = std::asin(uniform(rng, -1, 1)) / kDeg;  // even over the sphere
    const double u = uniform(rng, 0, 1);
    const double radiusDeg = minDeg * std::pow(maxDeg / minDeg, std::pow(uniform(rng, 0, 1), 4));
    Crater c{makeSpot(u, lat), radiusDeg * kDeg, uniform(rng, 0.4, 1.0), 0};
    // Craters on the dark plains are shallower and fewer: the plains are younger.
    const int x = std::min(kWidth - 1, static_cast<int>(u * kWidth));
    const int y = std::min(kHeight - 1, static_cast<int>((90 - lat) / 180 * kHeight));
    if (field[static_cast<size_t>(y) * kWidth + x] < 0.42f) {
      if (uniform(rng, 0, 1) < 0.6) continue;
      c.depth *= 0.5;
    }
    addCrater(field, grid, n, c);
  }
}

IndexedPicture toIndexed(const std::vector<float>& field, Colour dark, Colour light) {
  IndexedPicture picture;
  picture.width = kWidth;
  picture.height = kHeight;
  for (int i = 0; i < 256; ++i) picture.palette.push_back(toRgb(mix(dark, light, i / 255.0)));
  picture.indices.reserve(field.size());
  for (float v : field) picture.indices.push_back(channel(v * 255.0));
  return picture;
}
