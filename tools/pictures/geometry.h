// Directions on the unit sphere and the equirectangular grid every picture is painted on.
#pragma once

#include <vector>

constexpr int kWidth = 1024;
constexpr int kHeight = 512;
constexpr double kPi = 3.14159265358979323846;
constexpr double kDeg = kPi / 180;
// The sphere puts texture column u at longitude (1 - u) * 2 pi and the viewer looks at
// longitude pi/2, so the face a player sees is centred on u = 0.75.
constexpr double kFacingU = 0.75;

struct Vec {
  double x, y, z;
};

inline Vec operator+(Vec a, Vec b) {
  return {a.x + b.x, a.y + b.y, a.z + b.z};
}
inline Vec operator*(Vec a, double s) {
  return {a.x * s, a.y * s, a.z * s};
}
inline double dot(Vec a, Vec b) {
  return a.x * b.x + a.y * b.y + a.z * b.z;
}

inline double lerp(double a, double b, double t) {
  return a + (b - a) * t;
}

// The longitude, in radians, of texture column u.
double longitudeOf(double u);

Vec directionOf(double u, double latDeg);

// Pixel-centre directions, computed once: rows top (north) first.
struct Grid {
  std::vector<double> latDeg, cosLat, sinLat, cosLon, sinLon;
};

Grid makeGrid();

inline Vec directionAt(const Grid& g, int x, int y) {
  return {g.cosLat[y] * g.cosLon[x], g.sinLat[y], g.cosLat[y] * g.sinLon[x]};
}

// A place on the sphere with its own east/north frame, for painting local shapes.
struct Spot {
  Vec centre, east, north;
};

Spot makeSpot(double u, double latDeg);

// Offsets of p from the spot's centre, in radians east and north; false on the far side.
bool localOffset(const Spot& s, Vec p, double* east, double* north);
