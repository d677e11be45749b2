// The game's own pick pass over many fields and clicks, one line printed per click, in a window of
// the size given as WIDTHxHEIGHT (1024x768 without one). Built twice: on the desktop's GL
// (selection by Mesa, in a window) and on the web's GL library (selection on the CPU, no window);
// webgl_pick_test runs both and compares the lines.
#include <GL/freeglut.h>
#include <GL/gl.h>

#include <cmath>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "app/field.h"
#include "app/picking.h"
#include "app/viewer.h"
#include "tests/support/field_draws.h"
#include "tests/support/viewer_projection.h"

#ifdef FARLIGHT_CPU_SELECTION
// What the game's objects call of GLUT; no window here.
extern "C" {
void glutSwapBuffers() {}
void glutPostRedisplay() {}
void glutIdleFunc(void (*)()) {}
}
#else
#include "tests/support/gl_window.h"
#endif

namespace {

int width = 1024;
int height = 768;
constexpr int kFields = 40;
constexpr int kClicksPerField = 30;

// The selection buffer and the last pass's records, seen through the linker's wrapping of both
// calls (-Wl,--wrap), so that the game's pickAt runs untouched.
GLuint* selectBuffer = nullptr;
int selectSize = 0;
std::vector<GLuint> lastRecords;
GLint lastHits = 0;

// Hit count, names in order, and the depths apart (they may differ in the last bits).
void printRecords(const GLuint* buffer, int size, GLint hits) {
  std::string names = "hits " + std::to_string(hits) + " names";
  std::string depths;
  int at = 0;
  for (int h = 0; h < hits && at + 3 <= size; ++h) {
    const GLuint count = buffer[at];
    depths += " " + std::to_string(buffer[at + 1]) + " " + std::to_string(buffer[at + 2]);
    names += " [";
    for (GLuint n = 0; n < count && at + 3 + static_cast<int>(n) < size; ++n) {
      names += " " + std::to_string(buffer[at + 3 + n]);
    }
    names += " ]";
    at += 3 + static_cast<int>(count);
  }
  std::printf("%s |%s\n", names.c_str(), depths.c_str());
}

using viewer::kPi;

// A body's centre in the viewer's frame as the next pass draws it (it advances first).
viewer::Point eyeCentre(const Body& body) {
  return viewer::turned(body.position.x, body.position.y, body.position.z + body.speed);
}

// A viewer-frame point in window pixels from the top left.
void toWindow(const viewer::Point& eye, double* wx, double* wy) {
  const viewer::Point p = viewer::toWindow(eye, width, height);
  *wx = p.x;
  *wy = height - p.y;
}

// Just inside or outside the body's outline; false when it is not wholly in front of the viewer.
bool nearOutline(const Body& body, double a, double b, double* x, double* y) {
  const viewer::Point e = eyeCentre(body);
  const double r = body.radius;
  if (-e.z < r + kNearPlane) return false;
  double cx, cy;
  toWindow(e, &cx, &cy);
  const double radius = viewer::focal() * r / std::sqrt(e.z * e.z - r * r) * height / 2;
  const double distance = radius * (0.97 + 0.06 * b) + (b - 0.5) * 4;
  *x = cx + distance * std::cos(a * 2 * kPi);
  *y = cy + distance * std::sin(a * 2 * kPi);
  return true;
}

// Where the body's surface crosses the near plane, give or take a little: there only the near
// plane's clipping decides.
bool nearPlaneCrossing(const Body& body, double a, double b, double* x, double* y) {
  const viewer::Point e = eyeCentre(body);
  const double depth = kNearPlane + (b - 0.5) * 0.1;
  const double off = e.z + depth;
  const double r2 = static_cast<double>(body.radius) * body.radius - off * off;
  if (r2 <= 0) return false;
  const double rho = std::sqrt(r2);
  toWindow({e.x + rho * std::cos(a * 2 * kPi), e.y + rho * std::sin(a * 2 * kPi), -depth}, x, y);
  return std::abs(*x) < 4 * width && std::abs(*y) < 4 * height;
}

void pickClicks() {
  std::mt19937 random(20261207u);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  for (int field = 0; field < kFields; ++field) {
    const unsigned seed = 1000u + static_cast<unsigned>(field);
    const int frames = field % 31;  // 0 to 30 frames in: spheres cross the near plane late on
    const std::vector<FieldDraw> draws = fieldDraws(seed);
    Body start[kBodyCount];
    for (int i = 0; i < kBodyCount; ++i) {
      Body& body = start[i];
      body.setPosition(Vec3(draws[i].x, draws[i].y, draws[i].z));
      body.setRadius(draws[i].radius);
      body.setSpeed(draws[i].speed);
      body.setVisible(true);
      for (int f = 0; f < frames; ++f) body.advance();
    }
    for (int click = 0; click < kClicksPerField; ++click) {
      for (int i = 0; i < kBodyCount; ++i) bodies[i] = start[i];
      // Half anywhere in the window, half just inside or outside a sphere's outline, or where
      // its surface crosses the near plane for a sphere that reaches the viewer.
      double x = unit(random) * width, y = unit(random) * height;
      const Body& target = start[static_cast<int>(unit(random) * kBodyCount)];
      const double a = unit(random), b = unit(random);
      if (click % 4 == 1) nearOutline(target, a, b, &x, &y);
      for (int i = 0; click % 4 == 3 && i < kBodyCount; ++i) {
        if (nearPlaneCrossing(start[(click + i) % kBodyCount], a, b, &x, &y)) break;
      }
      const int ix = static_cast<int>(std::floor(x)), iy = static_cast<int>(std::floor(y));
      // Now and then the vertices one by one, as the displayed frame sends them.
      const VertexPath path = click % 25 == 7 ? VertexPath::immediate : VertexPath::clientArrays;
      pickAt(ix, iy, path);
      int hidden = -1;
      for (int i = 0; i < kBodyCount; ++i) {
        if (!bodies[i].isVisible()) hidden = i;
      }
      std::printf("seed %u frames %d click %d %d hidden %d ", seed, frames, ix, iy, hidden);
      printRecords(lastRecords.data(), static_cast<int>(lastRecords.size()), lastHits);
    }
  }
}

void triangle(const float (&corners)[3][3]) {
  glBegin(GL_TRIANGLES);
  for (const float* v : corners) glVertex3f(v[0], v[1], v[2]);
  glEnd();
}

// Selection called directly, with buffers too small for every record: each result and every
// entry written, overflow or not.
void smallBuffers() {
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glLoadIdentity();
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  glLoadIdentity();
  for (int size : {0, 3, 5, 8, 9, 12}) {
    GLuint buffer[16];
    for (GLuint& entry : buffer) entry = 0xdeadbeefu;
    glSelectBuffer(size, buffer);
    glRenderMode(GL_SELECT);
    glInitNames();
    glPushName(7);
    triangle({{-0.5f, -0.5f, 0.25f}, {0.5f, -0.5f, 0.25f}, {-0.5f, 0.5f, 0.5f}});
    glLoadName(8);
    triangle({{2.0f, 2.0f, 0.0f}, {3.0f, 2.0f, 0.0f}, {2.0f, 3.0f, 0.0f}});  // outside: no record
    glPushName(9);
    triangle({{-0.5f, -0.5f, -2.0f}, {0.5f, -0.5f, 0.5f}, {-0.5f, 0.5f, 0.5f}});  // the near plane
    glPopName();
    glPopName();
    const GLint hits = glRenderMode(GL_RENDER);
    std::printf("buffer %d returns %d entries", size, hits);
    for (int i = 0; i < size; ++i) {
      const bool depth = i == 1 || i == 2 || i == 5 || i == 6;
      std::printf(" %u", depth ? (buffer[i] != 0xdeadbeefu) : buffer[i]);
    }
    std::printf(" | %u %u %u %u\n", buffer[1], buffer[2], buffer[5], buffer[6]);
  }
  glPopMatrix();
  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
}

}  // namespace

extern "C" {
void __real_glSelectBuffer(GLsizei size, GLuint* buffer);  // NOLINT(bugprone-reserved-identifier)
GLint __real_glRenderMode(GLenum mode);                    // NOLINT(bugprone-reserved-identifier)

void __wrap_glSelectBuffer(GLsizei size, GLuint* buffer) {  // NOLINT(bugprone-reserved-identifier)
  selectBuffer = buffer;
  selectSize = size;
  __real_glSelectBuffer(size, buffer);
}

GLint __wrap_glRenderMode(GLenum mode) {  // NOLINT(bugprone-reserved-identifier)
  const GLint result = __real_glRenderMode(mode);
  if (mode == GL_RENDER) {
    lastHits = result;
    lastRecords.assign(selectBuffer, selectBuffer + selectSize);
  }
  return result;
}
}

int main(int argc, char** argv) {
  if (argc > 1) {
    // Up to Mesa's largest viewport; the whole argument, nothing after the height.
    char rest = 0;
    if (std::sscanf(argv[1], "%dx%d%c", &width, &height, &rest) != 2 || width < 1 || height < 1 ||
        width > 16384 || height > 16384) {
      std::fprintf(stderr, "usage: %s [WIDTHxHEIGHT], each side 1 to 16384\n", argv[0]);
      return 2;
    }
  }
#ifndef FARLIGHT_CPU_SELECTION
  if (!glwindow::open(width, height)) return 1;
#endif
  onResize(width, height);
  GLint viewport[4] = {};
  glGetIntegerv(GL_VIEWPORT, viewport);
  std::printf("viewport %d %d %d %d\n", viewport[0], viewport[1], viewport[2], viewport[3]);
  pickClicks();
  smallBuffers();
  return 0;
}
