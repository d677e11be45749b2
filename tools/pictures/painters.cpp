#include "tools/pictures/painters.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <iterator>
#include <vector>

#include "tools/pictures/colour.h"
#include "tools/pictures/craters.h"
#include "tools/pictures/noise.h"

namespace {

struct Patch {
  double lat, lon, radiusDeg, darkness;
};

struct Band {
  double fromLat;  // southern edge
  Colour colour;
};

// Colour of a banded planet at (turbulent) latitude lat, blending across band edges.
template <size_t N>
Colour bandAt(const Band (&bands)[N], double lat, double blend) {
  Colour c = bands[0].colour;
  for (size_t i = 1; i < N; ++i) {
    c = mix(c, bands[i].colour,
            smoothstep(bands[i].fromLat - blend, bands[i].fromLat + blend, lat));
  }
  return c;
}

// The heart curve (x^2 + y^2 - 1)^3 - x^2 y^3: negative inside, point at the bottom.
double heart(double x, double y) {
  const double a = x * x + y * y - 1;
  return a * a * a - x * x * y * y * y;
}

}  // namespace

Picture paintSun(const Grid& grid) {
  const Noise n = makeNoise(11);
  const Stop stops[] = {{0.0, {150, 45, 5}},
                        {0.3, {215, 100, 15}},
                        {0.55, {245, 160, 35}},
                        {0.8, {255, 210, 80}},
                        {1.0, {255, 245, 175}}};
  const Spot spots[] = {makeSpot(0.73, 14),  makeSpot(0.745, 16), makeSpot(0.81, -11),
                        makeSpot(0.62, -18), makeSpot(0.93, 21),  makeSpot(0.25, 9)};
  const double spotSize[] = {2.4, 1.5, 3.0, 2.2, 1.8, 2.6};
  const Field patches = sampled(4, [&](Vec p, double) { return fbm(n, p + Vec{5, 5, 5}, 5, 3); });
  return paint(grid, [&](Vec p, double, int x, int y) {
    // Bright granules parted by dark lanes, on broader brighter and dimmer patches.
    const double granule = std::min(1.0, std::fabs(noise(n, p * 70)) * 3.5);
    double t = 0.45 + 0.3 * granule + 0.2 * patches.at(x, y);
    for (size_t i = 0; i < std::size(spots); ++i) {
      double ex, ny;
      if (!localOffset(spots[i], p, &ex, &ny)) continue;
      const double d = std::sqrt(ex * ex + ny * ny) / (spotSize[i] * kDeg);
      t -= 0.35 * smoothstep(1.0, 0.6, d) + 0.3 * smoothstep(0.5, 0.3, d);
    }
    return ramp(stops, t);
  });
}

IndexedPicture paintMercury(const Grid& grid) {
  const Noise n = makeNoise(22);
  const Field plains = sampled(4, [&](Vec p, double) { return fbm(n, p, 3, 4); });
  std::vector<float> field(static_cast<size_t>(kWidth) * kHeight);
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      const double grain = noise(n, directionAt(grid, x, y) * 40);
      field[static_cast<size_t>(y) * kWidth + x] =
          static_cast<float>(0.52 + 0.12 * plains.at(x, y) + 0.05 * grain);
    }
  }
  addCraters(field, grid, n, 2222, 900, 0.4, 10);
  const Crater rayed[] = {{makeSpot(0.78, -20), 2.0 * kDeg, 1.0, 8},
                          {makeSpot(0.60, 35), 1.4 * kDeg, 1.0, 7}};
  for (const Crater& c : rayed) addCrater(field, grid, n, c);
  return toIndexed(field, {30, 28, 26}, {222, 212, 196});
}

Picture paintVenus(const Grid& grid) {
  const Noise n = makeNoise(33);
  const Stop stops[] = {{0.0, {185, 140, 75}},
                        {0.35, {215, 180, 110}},
                        {0.65, {238, 214, 155}},
                        {1.0, {250, 238, 200}}};
  const Field cloud = sampled(2, [&](Vec p, double lat) {
    const double swirl = fbm(n, banded(p, 3), 2.5, 4);
    const double bands = std::sin(lat * kDeg * 9 + 3 * swirl);
    const double streaks = fbm(n, banded(p, 7) + Vec{9, 9, 9}, 3, 4);
    return 0.6 + 0.08 * bands + 0.14 * streaks + 0.06 * std::cos(lat * kDeg * 2);
  });
  return paint(grid, [&](Vec, double, int x, int y) { return ramp(stops, cloud.at(x, y)); });
}

IndexedPicture paintMoon(const Grid& grid) {
  const Noise n = makeNoise(55);
  // The dark plains of the near side, which faces the viewer (lunar longitude 0 at u = 0.75).
  static const Patch maria[] = {
      {33, -16, 14, 1.0}, {28, 17, 10, 1.0},  {8, 31, 11, 0.95},  {17, 59, 7, 1.0},
      {-7, 51, 9, 0.85},  {-21, -17, 9, 0.8}, {22, -55, 18, 0.9}, {0, -40, 14, 0.85},
      {-24, -39, 6, 0.9}, {-15, 34, 6, 0.85}, {56, 0, 6, 0.7},    {55, -25, 6, 0.7},
      {-5, -20, 9, 0.75}, {40, -40, 10, 0.8}, {15, 0, 6, 0.7},    {-20, 87, 5, 0.7}};
  std::vector<Spot> spots;
  for (const Patch& m : maria) spots.push_back(makeSpot(kFacingU + m.lon / 360, m.lat));
  // Basins add up, so neighbours merge into one irregular dark plain.
  const Field plains = sampled(4, [&](Vec p, double) {
    const double rough = fbm(n, p, 4, 5);
    double basins = 0;
    for (size_t i = 0; i < std::size(maria); ++i) {
      double ex, ny;
      if (!localOffset(spots[i], p, &ex, &ny)) continue;
      const double d = std::sqrt(ex * ex + ny * ny) / (maria[i].radiusDeg * kDeg);
      basins += maria[i].darkness * std::exp(-d * d);
    }
    const double mare = smoothstep(0.35, 0.55, basins + 0.3 * rough + 0.15 * fbm(n, p, 12, 3));
    const double highland = 0.68 + 0.1 * rough;
    const double lowland = 0.3 + 0.05 * fbm(n, p + Vec{6, 6, 6}, 10, 2);
    return lerp(highland, lowland, mare);
  });
  std::vector<float> field(static_cast<size_t>(kWidth) * kHeight);
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      const double grain = noise(n, directionAt(grid, x, y) * 45);
      field[static_cast<size_t>(y) * kWidth + x] =
          static_cast<float>(plains.at(x, y) + 0.04 * grain);
    }
  }
  addCraters(field, grid, n, 5555, 700, 0.4, 8);
  const Crater rayed[] = {{makeSpot(kFacingU - 11.0 / 360, -43), 1.4 * kDeg, 1.0, 14},
                          {makeSpot(kFacingU - 20.0 / 360, 9.6), 1.5 * kDeg, 1.0, 8},
                          {makeSpot(kFacingU - 38.0 / 360, 8), 0.9 * kDeg, 1.0, 8}};
  for (const Crater& c : rayed) addCrater(field, grid, n, c);
  return toIndexed(field, {20, 20, 22}, {238, 236, 230});
}

Picture paintMars(const Grid& grid) {
  const Noise n = makeNoise(66);
  const Stop stops[] = {{0.0, {80, 42, 30}},
                        {0.3, {120, 62, 38}},
                        {0.45, {170, 85, 48}},
                        {0.65, {195, 105, 58}},
                        {1.0, {222, 145, 92}}};
  const Field albedo = sampled(2, [&](Vec p, double) { return fbm(n, p, 2.2, 5); });
  const Field capEdge = sampled(4, [&](Vec p, double lat) {
    return lat + 3 * fbm(n, p + Vec{8, 2, 5}, 8, 3);
  });
  return paint(grid, [&](Vec p, double, int x, int y) {
    const double dust = 0.1 * noise(n, p * 28 + Vec{4, 4, 4});
    Colour c = ramp(stops, 0.58 + 0.45 * albedo.at(x, y) + dust);
    const double edge = capEdge.at(x, y);
    if (edge > 72 || edge < -75)
      c = mix(Colour{236, 232, 228}, Colour{250, 248, 245}, 0.5 + 3 * dust);
    return c;
  });
}

Picture paintJupiter(const Grid& grid) {
  const Noise n = makeNoise(77);
  const Colour cream{236, 224, 198}, paleCream{242, 232, 212}, brown{184, 124, 84},
      darkBrown{160, 100, 66}, tan{206, 176, 140}, polar{156, 142, 126};
  const Band bands[] = {{-90, polar},    {-60, tan},           {-50, paleCream},      {-42, brown},
                        {-34, cream},    {-19, darkBrown},     {-7, {236, 214, 176}}, {7, brown},
                        {17, paleCream}, {23, {178, 124, 88}}, {30, cream},           {40, tan},
                        {48, paleCream}, {56, polar}};
  const Spot redSpot = makeSpot(kFacingU, -24);
  const Spot whiteOvals[] = {makeSpot(0.62, -41), makeSpot(0.9, -42), makeSpot(0.35, -40)};
  // Eddies stretched along the parallels push the band edges about.
  const Field turbulence = sampled(2, [&](Vec p, double) {
    const Vec q = banded(p, 3) + Vec{noise(n, p * 5), 0, noise(n, p * 5 + Vec{2, 2, 2})} * 0.25;
    return fbm(n, q, 3, 5);
  });
  const Field streaks = sampled(2, [&](Vec p, double) {
    return fbm(n, banded(p, 12) + Vec{3, 3, 3}, 4, 4);
  });
  return paint(grid, [&](Vec p, double lat, int x, int y) {
    const double t = turbulence.at(x, y), s = streaks.at(x, y);
    Colour c = bandAt(bands, lat + 4.5 * t, 1.5);
    c = mix(c, Colour{250, 244, 232}, 0.35 * smoothstep(0.15, 0.6, s));
    c = mix(c, Colour{150, 86, 52}, 0.3 * smoothstep(-0.15, -0.6, s));
    double ex, ny;
    if (localOffset(redSpot, p, &ex, &ny)) {
      const double e = std::sqrt(ex * ex / (15 * 15) + ny * ny / (7.5 * 7.5)) / kDeg;
      const double swirl = 0.1 * t;
      c = mix(c, paleCream, smoothstep(1.5, 1.1, e + swirl));
      c = mix(c, Colour{194, 88, 58}, smoothstep(1.05, 0.85, e + swirl));
      c = mix(c, Colour{214, 118, 82}, smoothstep(0.55, 0.2, e + swirl));
    }
    for (const Spot& oval : whiteOvals) {
      if (!localOffset(oval, p, &ex, &ny)) continue;
      const double e = std::sqrt(ex * ex / 9 + ny * ny / 4) / kDeg;
      c = mix(c, Colour{246, 242, 234}, smoothstep(1.0, 0.7, e));
    }
    return c;
  });
}

Picture paintSaturn(const Grid& grid) {
  const Noise n = makeNoise(88);
  const Colour pale{240, 222, 170}, gold{216, 182, 114}, deep{184, 144, 86}, polar{158, 150, 126};
  const Band bands[] = {{-90, polar}, {-66, deep}, {-56, gold}, {-46, pale},
                        {-38, deep},  {-30, gold}, {-20, pale}, {-10, {246, 232, 186}},
                        {10, pale},   {18, gold},  {27, deep},  {36, pale},
                        {44, gold},   {52, deep},  {62, polar}};
  const Field turbulence = sampled(2, [&](Vec p, double) {
    return 1.2 * fbm(n, banded(p, 8), 3, 4) + 0.05 * fbm(n, banded(p, 12) + Vec{2, 2, 2}, 5, 3);
  });
  return paint(grid, [&](Vec, double lat, int x, int y) {
    const double t = turbulence.at(x, y);
    return scaled(bandAt(bands, lat + t, 2.5), 1 + 0.03 * t);
  });
}

Picture paintUranus(const Grid& grid) {
  const Noise n = makeNoise(99);
  const Field haze = sampled(4, [&](Vec p, double) { return 0.02 * fbm(n, banded(p, 10), 3, 3); });
  return paint(grid, [&](Vec, double lat, int x, int y) {
    const Colour c = mix(Colour{160, 212, 222}, Colour{196, 234, 236}, smoothstep(-10, -70, lat));
    return scaled(c, 1 + 0.025 * std::sin(lat * kDeg * 14) + haze.at(x, y));
  });
}

Picture paintNeptune(const Grid& grid) {
  const Noise n = makeNoise(110);
  const Band bands[] = {{-90, {40, 66, 160}}, {-62, {32, 56, 150}}, {-48, {48, 84, 186}},
                        {-15, {56, 96, 200}}, {15, {48, 84, 186}},  {50, {40, 70, 168}}};
  const Spot darkSpot = makeSpot(kFacingU, -22);
  const Spot companion = makeSpot(kFacingU + 0.004, -29);
  const Spot smallSpot = makeSpot(kFacingU + 0.09, -55);
  const Field turbulence = sampled(2, [&](Vec p, double) { return fbm(n, banded(p, 6), 3, 4); });
  const Field streaks = sampled(2, [&](Vec p, double) {
    return fbm(n, banded(p, 9) + Vec{5, 5, 5}, 4, 4);
  });
  return paint(grid, [&](Vec p, double lat, int x, int y) {
    const double t = turbulence.at(x, y);
    Colour c = scaled(bandAt(bands, lat + 2 * t, 4), 1 + 0.06 * t);
    // Thin bright streaks of high cloud in the mid-latitudes.
    const double belt = smoothstep(18, 28, std::fabs(lat)) * smoothstep(50, 38, std::fabs(lat));
    c = mix(c, Colour{215, 228, 248}, belt * smoothstep(0.35, 0.7, streaks.at(x, y)));
    double ex, ny;
    if (localOffset(darkSpot, p, &ex, &ny)) {
      const double e = std::sqrt(ex * ex / 169 + ny * ny / 42) / kDeg + 0.1 * t;
      c = mix(c, Colour{18, 30, 100}, smoothstep(1.0, 0.7, e));
    }
    if (localOffset(companion, p, &ex, &ny)) {
      const double e = std::sqrt(ex * ex / 64 + ny * ny / 3) / kDeg;
      c = mix(c, Colour{235, 240, 252}, smoothstep(1.0, 0.4, e));
    }
    if (localOffset(smallSpot, p, &ex, &ny)) {
      const double e = std::sqrt(ex * ex / 16 + ny * ny / 9) / kDeg;
      c = mix(c, Colour{20, 36, 110}, smoothstep(1.0, 0.7, e));
      c = mix(c, Colour{220, 230, 250}, smoothstep(0.35, 0.1, e));
    }
    return c;
  });
}

Picture paintPluto(const Grid& grid) {
  const Noise n = makeNoise(121);
  const Stop stops[] = {
      {0.0, {110, 72, 52}}, {0.35, {160, 118, 86}}, {0.6, {200, 172, 136}}, {1.0, {224, 206, 178}}};
  const Spot heartCentre = makeSpot(kFacingU, 14);
  const Field rough = sampled(2, [&](Vec p, double) { return fbm(n, p, 3, 5); });
  const Field patchy = sampled(4, [&](Vec p, double) { return fbm(n, p + Vec{9, 3, 1}, 5, 4); });
  return paint(grid, [&](Vec p, double lat, int x, int y) {
    const double r = rough.at(x, y);
    Colour c = ramp(stops, 0.55 + 0.4 * r);
    // Dark reddish lands strung along the equator, broken into patches.
    const double belt =
        smoothstep(24, 8, std::fabs(lat + 4 + 8 * r)) * smoothstep(-0.1, 0.25, patchy.at(x, y));
    c = mix(c, Colour{96, 54, 40}, 0.95 * belt);
    double ex, ny;
    if (localOffset(heartCentre, p, &ex, &ny)) {
      const double size = 20 * kDeg;
      const double h = heart(ex / size, ny / size + 0.1) + 0.25 * patchy.at(x, y);
      const Colour plain =
          mix(Colour{246, 240, 228}, Colour{230, 218, 198}, smoothstep(-0.3, 0.3, ex / size));
      c = mix(c, plain, smoothstep(0.05, -0.1, h));
    }
    if (lat > 55) c = mix(c, Colour{186, 172, 150}, smoothstep(55, 70, lat));
    return c;
  });
}
