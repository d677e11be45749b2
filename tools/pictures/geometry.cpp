#include "tools/pictures/geometry.h"

#include <cmath>

double longitudeOf(double u) {
  return (1 - u) * 2 * kPi;
}

Vec directionOf(double u, double latDeg) {
  const double lon = longitudeOf(u);
  const double lat = latDeg * kDeg;
  return {std::cos(lat) * std::cos(lon), std::sin(lat), std::cos(lat) * std::sin(lon)};
}

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
