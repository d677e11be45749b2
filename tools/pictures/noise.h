// Fixed-seed randomness and gradient noise, so every build paints the same pictures.
#pragma once

#include <array>
#include <cstdint>

#include "tools/pictures/geometry.h"

struct Rng {
  uint64_t state;
};

uint64_t nextBits(Rng& rng);

// Uniform in [lo, hi).
double uniform(Rng& rng, double lo, double hi);

// Gradient noise in three dimensions. It is sampled at each pixel's direction on the
// sphere, so the pictures have no seam at their edges and no pinching at the poles.
struct Noise {
  std::array<uint8_t, 512> perm;
};

Noise makeNoise(uint64_t seed);

// Gradient noise at p, roughly -1..1.
double noise(const Noise& n, Vec p);

// Fractal sum of octaves, normalised to roughly -1..1.
double fbm(const Noise& n, Vec p, double frequency, int octaves);

// Stretching the y axis (the poles' axis) turns blobs into bands along the parallels.
inline Vec banded(Vec p, double stretch) {
  return {p.x, p.y * stretch, p.z};
}
