// Where the game's viewer sees a scene point, worked out in double precision apart from the game's
// code: the frame's 15 degree turn about y, then the resize handler's 45 degree perspective.
#pragma once

#include <cmath>

namespace viewer {

constexpr double kPi = 3.14159265358979323846;

struct Point {
  double x, y, z;
};

// 1 / tan(half the field of view): the projection's scale at unit depth.
inline double focal() {
  return 1.0 / std::tan(22.5 * kPi / 180.0);
}

// A scene point in the viewer's frame, the frame's turn applied.
inline Point turned(double x, double y, double z) {
  const double turn = 15.0 * kPi / 180.0;
  return {std::cos(turn) * x + std::sin(turn) * z, y, -std::sin(turn) * x + std::cos(turn) * z};
}

// A viewer-frame point in pixels of a `width` x `height` window: x from the left, y up from the
// bottom row, as GL counts them (z is left 0).
inline Point toWindow(const Point& eye, int width, int height) {
  const double aspect = static_cast<double>(width) / height;
  const double ndcX = focal() / aspect * eye.x / -eye.z;
  const double ndcY = focal() * eye.y / -eye.z;
  return {(ndcX + 1) / 2 * width, (ndcY + 1) / 2 * height, 0};
}

}  // namespace viewer
