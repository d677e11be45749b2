// Writes Farlight's eleven planet pictures into the folder named on the command line.
// Each is a 1024 x 512 equirectangular map painted from fixed-seed noise, so every build
// writes the same files. The files deliberately use several bitmap forms, as a player's
// own pictures would.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "bmp_writer.h"
#include "earth_coasts.h"

namespace {

constexpr int kWidth = 1024;
constexpr int kHeight = 512;
constexpr double kPi = 3.14159265358979323846;
constexpr double kDeg = kPi / 180;
// The sphere puts texture column u at longitude (1 - u) * 2 pi and the viewer looks at
// longitude pi/2, so the face a player sees is centred on u = 0.75.
constexpr double kFacingU = 0.75;

// ---- Geometry on the sphere ----

struct Vec {
  double x, y, z;
};

Vec operator+(Vec a, Vec b) {
  return {a.x + b.x, a.y + b.y, a.z + b.z};
}
Vec operator*(Vec a, double s) {
  return {a.x * s, a.y * s, a.z * s};
}
double dot(Vec a, Vec b) {
  return a.x * b.x + a.y * b.y + a.z * b.z;
}

double longitudeOf(double u) {
  return (1 - u) * 2 * kPi;
}

Vec directionOf(double u, double latDeg) {
  const double lon = longitudeOf(u);
  const double lat = latDeg * kDeg;
  return {std::cos(lat) * std::cos(lon), std::sin(lat), std::cos(lat) * std::sin(lon)};
}

// Pixel-centre directions, computed once: rows top (north) first.
struct Grid {
  std::vector<double> latDeg, cosLat, sinLat, cosLon, sinLon;
};

Grid makeGrid() {
  Grid g;
  for (int y = 0; y < kHeight; ++y) {
    const double lat = 90.0 - (y + 0.5) * 180.0 / kHeight;
    g.latDeg.push_back(lat);
    g.cosLat.push_back(std::cos(lat * kDeg));
    g.sinLat.push_back(std::sin(lat * kDeg));
  }
  for (int x = 0; x < kWidth; ++x) {
    const double lon = longitudeOf((x + 0.5) / kWidth);
    g.cosLon.push_back(std::cos(lon));
    g.sinLon.push_back(std::sin(lon));
  }
  return g;
}

Vec directionAt(const Grid& g, int x, int y) {
  return {g.cosLat[y] * g.cosLon[x], g.sinLat[y], g.cosLat[y] * g.sinLon[x]};
}

// A place on the sphere with its own east/north frame, for painting local shapes.
struct Spot {
  Vec centre, east, north;
};

Spot makeSpot(double u, double latDeg) {
  const double lon = longitudeOf(u);
  const double lat = latDeg * kDeg;
  Spot s;
  s.centre = directionOf(u, latDeg);
  s.east = {std::sin(lon), 0, -std::cos(lon)};  // towards growing u
  s.north = {-std::sin(lat) * std::cos(lon), std::cos(lat), -std::sin(lat) * std::sin(lon)};
  return s;
}

// Offsets of p from the spot's centre, in radians east and north; false on the far side.
bool localOffset(const Spot& s, Vec p, double* east, double* north) {
  if (dot(p, s.centre) <= 0) return false;
  *east = dot(p, s.east);
  *north = dot(p, s.north);
  return true;
}

// ---- Fixed-seed randomness ----

struct Rng {
  uint64_t state;
};

uint64_t nextBits(Rng& rng) {  // xorshift64*
  rng.state ^= rng.state >> 12;
  rng.state ^= rng.state << 25;
  rng.state ^= rng.state >> 27;
  return rng.state * 2685821657736338717ULL;
}

double uniform(Rng& rng, double lo, double hi) {
  return lo + (hi - lo) * static_cast<double>(nextBits(rng) >> 11) / 9007199254740992.0;
}

// Gradient noise in three dimensions. It is sampled at each pixel's direction on the
// sphere, so the pictures have no seam at their edges and no pinching at the poles.
struct Noise {
  std::array<uint8_t, 512> perm;
};

Noise makeNoise(uint64_t seed) {
  Noise n;
  Rng rng{seed * 0x9E3779B97F4A7C15ULL + 1};
  for (int i = 0; i < 256; ++i) n.perm[i] = static_cast<uint8_t>(i);
  for (int i = 255; i > 0; --i) {
    std::swap(n.perm[i], n.perm[nextBits(rng) % static_cast<uint64_t>(i + 1)]);
  }
  for (int i = 0; i < 256; ++i) n.perm[256 + i] = n.perm[i];
  return n;
}

double fade(double t) {
  return t * t * t * (t * (t * 6 - 15) + 10);
}
double lerp(double a, double b, double t) {
  return a + (b - a) * t;
}

double gradient(int hash, double x, double y, double z) {
  const int h = hash & 15;
  const double u = h < 8 ? x : y;
  const double v = h < 4 ? y : (h == 12 || h == 14 ? x : z);
  return ((h & 1) ? -u : u) + ((h & 2) ? -v : v);
}

double noise(const Noise& n, Vec p) {
  const double fx = std::floor(p.x), fy = std::floor(p.y), fz = std::floor(p.z);
  const int X = static_cast<int>(fx) & 255, Y = static_cast<int>(fy) & 255;
  const int Z = static_cast<int>(fz) & 255;
  const double x = p.x - fx, y = p.y - fy, z = p.z - fz;
  const double u = fade(x), v = fade(y), w = fade(z);
  const auto& P = n.perm;
  const int A = P[X] + Y, AA = P[A] + Z, AB = P[A + 1] + Z;
  const int B = P[X + 1] + Y, BA = P[B] + Z, BB = P[B + 1] + Z;
  return lerp(
      lerp(lerp(gradient(P[AA], x, y, z), gradient(P[BA], x - 1, y, z), u),
           lerp(gradient(P[AB], x, y - 1, z), gradient(P[BB], x - 1, y - 1, z), u), v),
      lerp(lerp(gradient(P[AA + 1], x, y, z - 1), gradient(P[BA + 1], x - 1, y, z - 1), u),
           lerp(gradient(P[AB + 1], x, y - 1, z - 1), gradient(P[BB + 1], x - 1, y - 1, z - 1), u),
           v),
      w);
}

// Fractal sum of octaves, normalised to roughly -1..1.
double fbm(const Noise& n, Vec p, double frequency, int octaves) {
  double sum = 0, amplitude = 1, total = 0;
  for (int i = 0; i < octaves; ++i) {
    sum += amplitude * noise(n, p * frequency);
    total += amplitude;
    amplitude *= 0.5;
    frequency *= 2.03;  // not exactly 2, so octaves do not line up
  }
  return sum / total * 1.6;
}

// Stretching the y axis (the poles' axis) turns blobs into bands along the parallels.
Vec banded(Vec p, double stretch) {
  return {p.x, p.y * stretch, p.z};
}

// ---- Colour ----

struct Colour {
  double r, g, b;
};

Colour mix(Colour a, Colour b, double t) {
  t = std::clamp(t, 0.0, 1.0);
  return {lerp(a.r, b.r, t), lerp(a.g, b.g, t), lerp(a.b, b.b, t)};
}

Colour scaled(Colour c, double s) {
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

// A value per pixel. Large-scale shapes are evaluated on a coarser grid and interpolated:
// they need no more, and it keeps the whole set fast.
struct Field {
  int step = 1;
  int columns = 0;  // of the coarse grid; it wraps round the sphere
  std::vector<float> values;

  double at(int x, int y) const {
    if (step == 1) return values[static_cast<size_t>(y) * kWidth + x];
    const int i0 = x / step, j0 = y / step;
    const int i1 = (i0 + 1) % columns, j1 = j0 + 1;
    const double tx = static_cast<double>(x % step) / step;
    const double ty = static_cast<double>(y % step) / step;
    const auto v = [&](int i, int j) { return values[static_cast<size_t>(j) * columns + i]; };
    return lerp(lerp(v(i0, j0), v(i1, j0), tx), lerp(v(i0, j1), v(i1, j1), tx), ty);
  }
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

// ---- Craters, for the grey bodies ----

struct Crater {
  Spot spot;
  double radius;  // radians
  double depth;   // 0..1
  double rays;    // 0 for none; reach of bright rays in crater radii
};

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

// Greyscale field to an 8-bit picture whose palette is a ramp from dark to light.
IndexedPicture toIndexed(const std::vector<float>& field, Colour dark, Colour light) {
  IndexedPicture picture;
  picture.width = kWidth;
  picture.height = kHeight;
  for (int i = 0; i < 256; ++i) picture.palette.push_back(toRgb(mix(dark, light, i / 255.0)));
  picture.indices.reserve(field.size());
  for (float v : field) picture.indices.push_back(channel(v * 255.0));
  return picture;
}

// ---- The bodies ----

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

struct Patch {
  double lat, lon, radiusDeg, darkness;
};

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

// The heart curve (x^2 + y^2 - 1)^3 - x^2 y^3: negative inside, point at the bottom.
double heart(double x, double y) {
  const double a = x * x + y * y - 1;
  return a * a * a - x * x * y * y * y;
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

bool save(const std::string& folder, const char* name, const std::vector<uint8_t>& bytes) {
  const std::string path = folder + "/" + name;
  if (writeFile(path, bytes)) return true;
  std::fprintf(stderr, "make_pictures: cannot write %s\n", path.c_str());
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s FOLDER\n", argc > 0 ? argv[0] : "make_pictures");
    return 2;
  }
  const std::string folder = argv[1];
  const Grid grid = makeGrid();
  // Mostly the common form, with a few others mixed in as a player's files would be.
  const BmpForm plain{DibHeader::kInfo40, true};
  const BmpForm core{DibHeader::kCore12, true};
  const BmpForm bare{DibHeader::kInfo40, false};
  bool ok = true;
  ok &= save(folder, "Sun.bmp", encodeBmp24(paintSun(grid), plain));
  ok &= save(folder, "Mercury.bmp", encodeBmp8(paintMercury(grid), plain));
  ok &= save(folder, "Venus.bmp", encodeBmp24(paintVenus(grid), plain));
  ok &= save(folder, "Earth.bmp", encodeBmp24(paintEarth(grid), plain));
  ok &= save(folder, "Moon.bmp", encodeBmp8(paintMoon(grid), core));
  ok &= save(folder, "Mars.bmp", encodeBmp24(paintMars(grid), plain));
  ok &= save(folder, "Jupiter.bmp", encodeBmp24(paintJupiter(grid), plain));
  ok &= save(folder, "Saturn.bmp", encodeBmp24(paintSaturn(grid), plain));
  ok &= save(folder, "Uranus.bmp", encodeBmp24(paintUranus(grid), bare));
  ok &= save(folder, "Neptune.bmp", encodeBmp24(paintNeptune(grid), plain));
  ok &= save(folder, "Pluto.bmp", encodeBmp24(paintPluto(grid), plain));
  return ok ? 0 : 1;
}
