#ifndef FARLIGHT_TESTS_SUPPORT_GL_WINDOW_H
#define FARLIGHT_TESTS_SUPPORT_GL_WINDOW_H

// A real freeglut window on the X server named by DISPLAY (a private Xvfb under ctest), with the
// back buffer captured at every swap in render mode. Whoever links this gets the game's swap
// wrapped (the link option comes with the library).

#include <vector>

namespace glwindow {

constexpr int kWidth = 400;
constexpr int kHeight = 300;

// Opens the window once per process and makes its context current. Returns false, after saying
// why on standard error, when there is no display to open it on.
bool open(int width = kWidth, int height = kHeight);

// The back buffer as it was at the last swap in render mode: RGB rows, bottom row first, at the
// viewport's size.
struct Capture {
  int swaps = 0;
  int width = 0;
  int height = 0;
  std::vector<unsigned char> rgb;
  const unsigned char* at(int x, int y) const { return &rgb[3 * (y * width + x)]; }
  bool isBlack() const;
};
const Capture& lastFrame();

// Where a scene point lands in window pixels (GL convention: y up from the bottom row) under the
// frame's view turn and the resize handler's projection for the default window above.
struct Pixel {
  int x, y;
};
Pixel project(float x, float y, float z);

// Presses the left button, through the game's mouse callback, where that scene point shows.
void pressOver(float x, float y, float z);

}  // namespace glwindow

#endif
