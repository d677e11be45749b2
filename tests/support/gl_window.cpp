#include "tests/support/gl_window.h"

#include <GL/freeglut.h>
#include <GL/gl.h>
#include <X11/Xlib.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "app/picking.h"
#include "tests/support/viewer_projection.h"

namespace {
glwindow::Capture capture;
}

// The app's swap is wrapped at link time (-Wl,--wrap=glutSwapBuffers): Mesa under Xvfb reads the
// front buffer back black after a swap, so the picture is taken from the back buffer just before.
// Selection-mode frames draw nothing and are left out.
extern "C" void __real_glutSwapBuffers(void);   // NOLINT(bugprone-reserved-identifier)
extern "C" void __wrap_glutSwapBuffers(void) {  // NOLINT(bugprone-reserved-identifier)
  GLint mode = 0;
  glGetIntegerv(GL_RENDER_MODE, &mode);
  if (mode == GL_RENDER) {
    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    capture.width = viewport[2];
    capture.height = viewport[3];
    capture.rgb.assign(3 * static_cast<size_t>(capture.width) * capture.height, 0);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(viewport[0], viewport[1], capture.width, capture.height, GL_RGB, GL_UNSIGNED_BYTE,
                 capture.rgb.data());
    ++capture.swaps;
  }
  __real_glutSwapBuffers();
}

namespace glwindow {

// Xvfb resets itself whenever its last client leaves, and a connection attempted during the reset
// is refused; so try for a moment before calling the display missing.
Display* connect(const char* name) {
  for (int attempt = 0; attempt < 40; ++attempt) {
    if (Display* display = XOpenDisplay(name)) return display;
    usleep(50 * 1000);
  }
  return nullptr;
}

bool open(int width, int height) {
  static bool opened = false;
  if (opened) return true;
  // freeglut ends the whole process inside glutInit when it cannot open a display, which would
  // look like a crash rather than a clear failure: check first.
  const char* name = std::getenv("DISPLAY");
  Display* display = (name && *name) ? connect(name) : nullptr;
  if (display == nullptr) {
    std::fprintf(stderr,
                 "No X display (DISPLAY='%s'): this needs the real GL stack; run the tests through "
                 "ctest, which gives each test an Xvfb of its own.\n",
                 name ? name : "");
    return false;
  }
  int argc = 1;
  char arg0[] = "farlight-gl-test";
  char* argv[] = {arg0, nullptr};
  glutInit(&argc, argv);  // while the check's connection still holds the server up
  XCloseDisplay(display);
  glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
  glutInitWindowSize(width, height);
  glutInitWindowPosition(0, 0);
  glutCreateWindow("farlight gl test");
  opened = true;
  return true;
}

bool Capture::isBlack() const {
  for (unsigned char c : rgb)
    if (c != 0) return false;
  return !rgb.empty();
}

const Capture& lastFrame() {
  return capture;
}

Pixel project(float x, float y, float z) {
  const viewer::Point p = viewer::toWindow(viewer::turned(x, y, z), kWidth, kHeight);
  return {static_cast<int>(std::floor(p.x)), static_cast<int>(std::floor(p.y))};
}

void pressOver(float x, float y, float z) {
  const Pixel p = project(x, y, z);
  onMouse(GLUT_LEFT_BUTTON, GLUT_DOWN, p.x, kHeight - p.y);
}

}  // namespace glwindow
