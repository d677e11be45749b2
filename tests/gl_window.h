#ifndef FARLIGHT_TESTS_GL_WINDOW_H
#define FARLIGHT_TESTS_GL_WINDOW_H

// A real freeglut window on the X server named by DISPLAY (Xvfb under the test command), with the
// back buffer captured at every swap.

#include <vector>

namespace glwindow {

constexpr int kWidth = 400;
constexpr int kHeight = 300;

// Opens the window once per process and makes its context current. Returns false, after
// reporting a test failure, when there is no display to open it on.
bool open();

// The back buffer as it was at the last swap in render mode: RGB rows, bottom row first.
struct Capture {
  int swaps = 0;
  std::vector<unsigned char> rgb;
  const unsigned char* at(int x, int y) const { return &rgb[3 * (y * kWidth + x)]; }
  bool isBlack() const;
};
const Capture& lastFrame();

// Where a scene point lands in window pixels (GL convention: y up from the bottom row) under the
// frame's view turn and the resize handler's projection for the window above.
struct Pixel {
  int x, y;
};
Pixel project(float x, float y, float z);

}  // namespace glwindow

#endif
