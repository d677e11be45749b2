// The Earth: coastlines filled into a land mask, then oceans, deserts, forests and ice.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <iterator>
#include <vector>

#include "tools/pictures/colour.h"
#include "tools/pictures/earth_coasts.h"
#include "tools/pictures/noise.h"
#include "tools/pictures/painters.h"

namespace {

// Earth's map is turned so that Africa and Europe face the viewer.
double earthU(double lonDeg) {
  return kFacingU + (lonDeg - 20) / 360;
}
double earthLongitude(double u) {
  return (u - kFacingU) * 360 + 20;
}

void fillOutline(std::vector<uint8_t>& mask, const GeoOutline& outline, uint8_t value) {
  std::vector<double> crossings;
  for (int y = 0; y < kHeight; ++y) {
    const double lat = 90.0 - (y + 0.5) * 180.0 / kHeight;
    crossings.clear();
    for (int i = 0, j = outline.count - 1; i < outline.count; j = i++) {
      const GeoPoint a = outline.points[j], b = outline.points[i];
      if ((a.lat > lat) == (b.lat > lat)) continue;
      const double lon = a.lon + (lat - a.lat) / (b.lat - a.lat) * (b.lon - a.lon);
      crossings.push_back(earthU(lon) * kWidth - 0.5);
    }
    std::sort(crossings.begin(), crossings.end());
    for (size_t k = 0; k + 1 < crossings.size(); k += 2) {
      const int from = static_cast<int>(std::ceil(crossings[k]));
      const int to = static_cast<int>(std::ceil(crossings[k + 1]));
      for (int xi = from; xi < to; ++xi) {
        mask[static_cast<size_t>(y) * kWidth + ((xi % kWidth) + kWidth) % kWidth] = value;
      }
    }
  }
}

enum : uint8_t { kOcean, kLand, kIce };

std::vector<uint8_t> earthSurface() {
  std::vector<uint8_t> mask(static_cast<size_t>(kWidth) * kHeight, kOcean);
  int count = 0;
  const GeoOutline* outlines = earthOutlines(&count);
  for (int i = 0; i < count; ++i) {
    const GeoKind kind = outlines[i].kind;
    fillOutline(mask, outlines[i],
                kind == GeoKind::kLand  ? kLand
                : kind == GeoKind::kIce ? kIce
                                        : kOcean);
  }
  return mask;
}

// Box blur of the land mask: how much land lies near each pixel (0..1).
std::vector<float> landNearby(const std::vector<uint8_t>& surface, int radius) {
  std::vector<float> a(surface.size()), b(surface.size());
  for (size_t i = 0; i < surface.size(); ++i) a[i] = surface[i] != kOcean ? 1.0f : 0.0f;
  const float span = 2.0f * radius + 1;
  for (int y = 0; y < kHeight; ++y) {  // along rows, wrapping round the sphere
    for (int x = 0; x < kWidth; ++x) {
      float sum = 0;
      for (int k = -radius; k <= radius; ++k) {
        sum += a[static_cast<size_t>(y) * kWidth + ((x + k) % kWidth + kWidth) % kWidth];
      }
      b[static_cast<size_t>(y) * kWidth + x] = sum / span;
    }
  }
  for (int y = 0; y < kHeight; ++y) {  // down columns, clamped at the poles
    for (int x = 0; x < kWidth; ++x) {
      float sum = 0;
      for (int k = -radius; k <= radius; ++k) {
        sum += b[static_cast<size_t>(std::clamp(y + k, 0, kHeight - 1)) * kWidth + x];
      }
      a[static_cast<size_t>(y) * kWidth + x] = sum / span;
    }
  }
  return a;
}

struct Region {
  double lon, lat, halfLon, halfLat;
};

// Distance to the nearest desert's core, in units of its size (below 1 is inside).
double desertDistance(double lon, double lat) {
  static const Region deserts[] = {{12, 24, 30, 10},   {47, 23, 12, 9},   {60, 30, 12, 5},
                                   {71, 27, 5, 4},     {100, 42, 18, 5},  {64, 43, 10, 5},
                                   {20, -24, 7, 7},    {131, -25, 15, 8}, {-112, 33, 7, 5},
                                   {-69, -24, 2.5, 7}, {-68, -44, 3, 6},  {45, 7, 5, 4}};
  double nearest = 1e9;
  for (const Region& r : deserts) {
    const double dLon = std::remainder(lon - r.lon, 360.0) / r.halfLon;
    const double dLat = (lat - r.lat) / r.halfLat;
    nearest = std::min(nearest, std::sqrt(dLon * dLon + dLat * dLat));
  }
  return nearest;
}

Colour earthLand(double lat, double desert, double texture) {
  const Stop zones[] = {{0, {30, 84, 32}},    {10, {34, 90, 34}}, {24, {78, 112, 50}},
                        {48, {70, 112, 48}},  {58, {52, 84, 46}}, {66, {116, 110, 86}},
                        {90, {130, 124, 104}}};
  const Colour green = ramp(zones, std::fabs(lat));
  const Colour sand = mix(Colour{214, 186, 130}, Colour{184, 140, 88}, 0.5 + 1.5 * texture);
  return scaled(mix(green, sand, desert), 1 + 0.22 * texture);
}

}  // namespace

Picture paintEarth(const Grid& grid) {
  const Noise n = makeNoise(44);
  const std::vector<uint8_t> surface = earthSurface();
  const std::vector<float> nearLand = landNearby(surface, 4);
  const Field coastX = sampled(4, [&](Vec p, double) { return 3.5 * noise(n, p * 30); });
  const Field coastY = sampled(4, [&](Vec p, double) {
    return 3.5 * noise(n, p * 30 + Vec{7, 7, 7});
  });
  const Field texture = sampled(2, [&](Vec p, double) { return 0.5 * fbm(n, p, 12, 3); });
  const Field desert = sampled(4, [&](Vec p, double lat) {
    const double lon = earthLongitude(1 - std::atan2(p.z, p.x) / (2 * kPi));
    return smoothstep(1.15, 0.45, desertDistance(lon, lat) + 0.6 * fbm(n, p + Vec{3, 1, 2}, 5, 4));
  });
  const Field iceEdge = sampled(4, [&](Vec p, double lat) {
    return std::fabs(lat) + 4 * fbm(n, p + Vec{2, 8, 4}, 5, 3);
  });
  // Clouds: a band over the equator, clear subtropics, storm tracks further out.
  const Field clouds = sampled(2, [&](Vec p, double lat) {
    const double a = std::fabs(lat);
    const double bias = 0.12 * std::exp(-a * a / 60) - 0.18 * std::exp(-(a - 25) * (a - 25) / 80) +
                        0.1 * std::exp(-(a - 55) * (a - 55) / 150);
    const Vec q = banded(p, 1.4) + Vec{noise(n, p * 2), noise(n, p * 2 + Vec{4, 4, 4}), 0} * 0.15;
    return smoothstep(0.2, 0.65, fbm(n, q + Vec{1, 1, 1}, 3.5, 6) + bias);
  });
  return paint(grid, [&](Vec, double lat, int x, int y) {
    const int wx = x + static_cast<int>(std::lround(coastX.at(x, y)));
    const int wy = std::clamp(y + static_cast<int>(std::lround(coastY.at(x, y))), 0, kHeight - 1);
    const uint8_t kind =
        surface[static_cast<size_t>(wy) * kWidth + ((wx % kWidth) + kWidth) % kWidth];
    const double grain = texture.at(x, y);
    const Colour ice = mix(Colour{222, 230, 238}, Colour{250, 252, 255}, 0.5 + grain);
    Colour c;
    if (kind == kLand) {
      c = earthLand(lat, desert.at(x, y), grain);
    } else if (kind == kIce) {
      c = ice;
    } else {
      const double shallow = std::min(0.7, nearLand[static_cast<size_t>(y) * kWidth + x] * 1.5);
      c = mix(Colour{14, 42, 112}, Colour{30, 88, 160}, shallow + 0.35 * grain);
    }
    // Arctic sea ice and the ice sheet of the far south.
    if (iceEdge.at(x, y) > (lat > 0 ? 79 : 68)) c = ice;
    return mix(c, Colour{246, 248, 250}, 0.92 * clouds.at(x, y));
  });
}
