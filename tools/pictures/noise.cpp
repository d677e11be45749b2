#include "tools/pictures/noise.h"

#include <cmath>
#include <utility>

uint64_t nextBits(Rng& rng) {  // xorshift64*
  rng.state ^= rng.state >> 12;
  rng.state ^= rng.state << 25;
  rng.state ^= rng.state >> 27;
  return rng.state * 2685821657736338717ULL;
}

double uniform(Rng& rng, double lo, double hi) {
  return lo + (hi - lo) * static_cast<double>(nextBits(rng) >> 11) / 9007199254740992.0;
}

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
