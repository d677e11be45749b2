// Coarse outlines of the Earth's land masses, enough to be recognised on a small sphere.
#pragma once

struct GeoPoint {
  float lon;  // degrees east
  float lat;  // degrees north
};

enum class GeoKind { kLand, kIce, kWater };

struct GeoOutline {
  GeoKind kind;
  const GeoPoint* points;
  int count;
};

// Land and ice outlines first, then the inland seas that are cut out of them again.
// Longitudes may run past 180 so that no outline has to be split at the date line.
const GeoOutline* earthOutlines(int* count);
