// Craters for the grey bodies, and the 8-bit form their greyscale fields are written in.
#pragma once

#include <cstdint>
#include <vector>

#include "tools/pictures/colour.h"
#include "tools/pictures/geometry.h"
#include "tools/pictures/noise.h"

struct Crater {
  Spot spot;
  double radius;  // radians
  double depth;   // 0..1
  double rays;    // 0 for none; reach of bright rays in crater radii
};

// Adds crater c's shading to a greyscale field of the grid's size.
void addCrater(std::vector<float>& field, const Grid& grid, const Noise& n, const Crater& c);

// Craters all over: many small ones, few large.
void addCraters(std::vector<float>& field, const Grid& grid, const Noise& n, uint64_t seed,
                int count, double minDeg, double maxDeg);

// Greyscale field to an 8-bit picture whose palette is a ramp from dark to light.
IndexedPicture toIndexed(const std::vector<float>& field, Colour dark, Colour light);
