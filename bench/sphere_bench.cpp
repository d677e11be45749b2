// Cost per vertex of a frame of thirty visible 60-segment spheres, against a GL that does nothing,
// for the game's sphere and for the per-vertex-trig reference.
#include <GL/freeglut.h>
#include <GL/gl.h>
#include <GL/glu.h>
#include <benchmark/benchmark.h>

#include "app/field.h"
#include "app/viewer.h"
#include "tests/support/reference_sphere.h"

// A do-nothing GL: out of line in this file, so the cost measured is the app's own.
extern "C" {
void glClear(GLbitfield) {}
void glColor3f(GLfloat, GLfloat, GLfloat) {}
void glColor3ub(GLubyte, GLubyte, GLubyte) {}
void glLoadIdentity() {}
void glRotatef(GLfloat, GLfloat, GLfloat, GLfloat) {}
void glPushName(GLuint) {}
void glPopName() {}
void glPushMatrix() {}
void glPopMatrix() {}
void glBegin(GLenum) {}
void glEnd() {}
void glVertex3f(GLfloat, GLfloat, GLfloat) {}
void glNormal3f(GLfloat, GLfloat, GLfloat) {}
void glTexCoord2f(GLfloat, GLfloat) {}
void glBindTexture(GLenum, GLuint) {}
void glutSwapBuffers() {}
// Never called in a frame: the set-up, resize, texture and pick code linked with it.
void glClearColor(GLclampf, GLclampf, GLclampf, GLclampf) {}
void glMaterialfv(GLenum, GLenum, const GLfloat*) {}
void glMaterialf(GLenum, GLenum, GLfloat) {}
void glEnable(GLenum) {}
void glViewport(GLint, GLint, GLsizei, GLsizei) {}
void glMatrixMode(GLenum) {}
void gluPerspective(GLdouble, GLdouble, GLdouble, GLdouble) {}
void glutPostRedisplay() {}
void glGenTextures(GLsizei, GLuint*) {}
void glTexParameteri(GLenum, GLenum, GLint) {}
void glTexImage2D(GLenum, GLint, GLint, GLsizei, GLsizei, GLint, GLenum, GLenum, const GLvoid*) {}
void glTexEnvi(GLenum, GLenum, GLint) {}
void glPixelStorei(GLenum, GLint) {}
void glPushClientAttrib(GLbitfield) {}
void glPopClientAttrib() {}
void glInterleavedArrays(GLenum, GLsizei, const GLvoid*) {}
void glDrawArrays(GLenum, GLint, GLsizei) {}
void glGetTexLevelParameteriv(GLenum, GLint, GLenum, GLint*) {}
void glSelectBuffer(GLsizei, GLuint*) {}
void glGetIntegerv(GLenum, GLint*) {}
GLint glRenderMode(GLenum) {
  return 0;
}
void gluPickMatrix(GLdouble, GLdouble, GLdouble, GLdouble, GLint*) {}
void glutIdleFunc(void (*)()) {}
}

namespace {

constexpr double kVerticesPerFrame = kBodyCount * 30.0 * 122.0;

void placeField() {
  for (int i = 0; i < kBodyCount; ++i) {
    bodies[i] = Body();
    bodies[i].setPosition(Vec3(static_cast<float>(i - 15), static_cast<float>(i % 7), -30.0f));
    bodies[i].setRadius(static_cast<float>(i % 4 + 1));
    // Motion does not change the cost; keep the bodies in place across millions of frames.
    bodies[i].setSpeed(0.0f);
    bodies[i].setVisible(true);
  }
}

template <void (*frame)()>
void runFrames(benchmark::State& state) {
  placeField();
  for (auto _ : state) frame();
  // Inverted rate of (vertices per frame / 1e9): nanoseconds of CPU time per vertex.
  state.counters["ns_per_vertex"] =
      benchmark::Counter(kVerticesPerFrame * 1e-9, benchmark::Counter::kIsIterationInvariantRate |
                                                       benchmark::Counter::kInvert);
}

void BM_DrawFrame(benchmark::State& state) {
  runFrames<drawFrame>(state);
  state.SetLabel("the game's frame, on a GL that does nothing");
}
void BM_DrawFrameReference(benchmark::State& state) {
  runFrames<referenceFrame>(state);
  state.SetLabel("the same frame with per-vertex sines and cosines");
}

}  // namespace

BENCHMARK(BM_DrawFrame)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DrawFrameReference)->Unit(benchmark::kMicrosecond);
BENCHMARK_MAIN();
