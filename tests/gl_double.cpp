#include "gl_double.h"

#include <GL/freeglut.h>
#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>

namespace gldouble {

State& state() {
  static State instance;
  return instance;
}

void reset() {
  state() = State();
}

}  // namespace gldouble

namespace {

template <typename... Args>
void record(const char* name, Args... args) {
  gldouble::state().calls.push_back(gldouble::call(name, args...));
}

template <typename... Args>
void recordVertexCall(const char* name, Args... args) {
  gldouble::State& s = gldouble::state();
  ++s.vertexCalls;
  if (s.logVertexCalls) record(name, args...);
}

}  // namespace

extern "C" {

void glClearColor(GLclampf r, GLclampf g, GLclampf b, GLclampf a) {
  record("glClearColor", r, g, b, a);
}
void glMaterialfv(GLenum face, GLenum pname, const GLfloat* p) {
  record("glMaterialfv", face, pname, p[0], p[1], p[2], p[3]);
}
void glMaterialf(GLenum face, GLenum pname, GLfloat v) {
  record("glMaterialf", face, pname, v);
}
void glEnable(GLenum cap) {
  record("glEnable", cap);
}
void glClear(GLbitfield mask) {
  record("glClear", mask);
}
void glColor3f(GLfloat r, GLfloat g, GLfloat b) {
  record("glColor3f", r, g, b);
}
void glColor3ub(GLubyte r, GLubyte g, GLubyte b) {
  record("glColor3ub", r, g, b);
}
void glLoadIdentity() {
  record("glLoadIdentity");
}
void glRotatef(GLfloat a, GLfloat x, GLfloat y, GLfloat z) {
  record("glRotatef", a, x, y, z);
}
void glPushName(GLuint name) {
  record("glPushName", name);
}
void glPopName() {
  record("glPopName");
}
void glPushMatrix() {
  record("glPushMatrix");
}
void glPopMatrix() {
  record("glPopMatrix");
}
void glViewport(GLint x, GLint y, GLsizei w, GLsizei h) {
  record("glViewport", x, y, w, h);
}
void glMatrixMode(GLenum mode) {
  record("glMatrixMode", mode);
}
void glBegin(GLenum mode) {
  record("glBegin", mode);
}
void glEnd() {
  record("glEnd");
}
void glVertex3f(GLfloat x, GLfloat y, GLfloat z) {
  recordVertexCall("glVertex3f", x, y, z);
}
void glNormal3f(GLfloat x, GLfloat y, GLfloat z) {
  recordVertexCall("glNormal3f", x, y, z);
}
void glTexCoord2f(GLfloat s, GLfloat t) {
  recordVertexCall("glTexCoord2f", s, t);
}
void glBindTexture(GLenum target, GLuint texture) {
  record("glBindTexture", target, texture);
}

void glSelectBuffer(GLsizei size, GLuint* buffer) {
  record("glSelectBuffer", size);
  gldouble::state().selectBuffer = buffer;
  gldouble::state().selectSize = size;
}

void glGetIntegerv(GLenum pname, GLint* params) {
  record("glGetIntegerv", pname);
  if (pname == GL_VIEWPORT) std::copy_n(gldouble::state().viewport, 4, params);
}

GLint glRenderMode(GLenum mode) {
  record("glRenderMode", mode);
  gldouble::State& s = gldouble::state();
  if (mode != GL_RENDER || s.selectBuffer == nullptr) return 0;
  const size_t room = static_cast<size_t>(std::max(s.selectSize, 0));
  std::copy_n(s.records.begin(), std::min(room, s.records.size()), s.selectBuffer);
  return s.hits;
}

void gluPerspective(GLdouble fovy, GLdouble aspect, GLdouble zNear, GLdouble zFar) {
  record("gluPerspective", fovy, aspect, zNear, zFar);
}

void gluPickMatrix(GLdouble x, GLdouble y, GLdouble w, GLdouble h, GLint* v) {
  record("gluPickMatrix", x, y, w, h, v[0], v[1], v[2], v[3]);
}

void glGenTextures(GLsizei n, GLuint* names) {
  record("glGenTextures", n);
  for (GLsizei i = 0; i < n; ++i) names[i] = ++gldouble::state().lastTexture;
}
void glTexParameteri(GLenum target, GLenum pname, GLint value) {
  record("glTexParameteri", target, pname, value);
}
void glTexImage2D(GLenum target, GLint level, GLint internal, GLsizei w, GLsizei h, GLint border,
                  GLenum format, GLenum type, const GLvoid* pixels) {
  record("glTexImage2D", target, level, internal, w, h, border, format, type,
         pixels == nullptr ? "null" : "pixels");
  if (target == GL_PROXY_TEXTURE_2D) {
    gldouble::state().proxyWidth = w;
    gldouble::state().proxyHeight = h;
  }
}
// The proxy reports back a size that both sides are within the limit of, else 0; the game asks
// nothing of any other texture.
void glGetTexLevelParameteriv(GLenum target, GLint level, GLenum pname, GLint* value) {
  record("glGetTexLevelParameteriv", target, level, pname);
  const gldouble::State& s = gldouble::state();
  const bool fits = s.proxyWidth <= s.maxTextureSize && s.proxyHeight <= s.maxTextureSize;
  const int width = target == GL_PROXY_TEXTURE_2D && fits ? s.proxyWidth : 0;
  const int height = target == GL_PROXY_TEXTURE_2D && fits ? s.proxyHeight : 0;
  *value = pname == GL_TEXTURE_WIDTH ? width : pname == GL_TEXTURE_HEIGHT ? height : 0;
}
void glTexEnvi(GLenum target, GLenum pname, GLint value) {
  record("glTexEnvi", target, pname, value);
}
void glPixelStorei(GLenum pname, GLint value) {
  record("glPixelStorei", pname, value);
}
void glPushClientAttrib(GLbitfield mask) {
  record("glPushClientAttrib", mask);
}
void glPopClientAttrib() {
  record("glPopClientAttrib");
}

void glInterleavedArrays(GLenum format, GLsizei stride, const GLvoid* pointer) {
  record("glInterleavedArrays", format, stride);
  gldouble::state().arrayFormat = format;
  gldouble::state().array = static_cast<const float*>(pointer);
}
// Logs the call, then each vertex it draws as the immediate-mode calls that would send it, so a
// pass drawn from arrays compares line by line with one sent vertex by vertex.
void glDrawArrays(GLenum mode, GLint first, GLsizei count) {
  record("glDrawArrays", mode, first, count);
  const gldouble::State& s = gldouble::state();
  const int size = s.arrayFormat == GL_T2F_N3F_V3F ? 8 : 3;
  for (GLint i = first; i < first + count; ++i) {
    const float* v = s.array + size * i;
    if (size == 8) {
      glNormal3f(v[2], v[3], v[4]);
      glTexCoord2f(v[0], v[1]);
    }
    glVertex3f(v[size - 3], v[size - 2], v[size - 1]);
  }
}

void glutSwapBuffers() {
  record("glutSwapBuffers");
}
void glutPostRedisplay() {
  record("glutPostRedisplay");
}
void glutIdleFunc(void (*callback)()) {
  record("glutIdleFunc", callback == nullptr ? "null" : "set");
  gldouble::state().idle = callback;
}

}  // extern "C"
