#include "app/picking.h"

#include <GL/freeglut.h>
#include <GL/gl.h>
#include <GL/glu.h>

#include "app/body.h"
#include "app/field.h"
#include "app/viewer.h"

namespace {

// The frame keeps exactly one name on the stack per body, so a hit record is four entries: name
// count, min depth, max depth, name. Room for every body means a press over a pile of spheres can
// never overflow the buffer and lose the hit.
constexpr int kRecordSize = 4;
constexpr int kSelectSize = kBodyCount * kRecordSize;
constexpr double kPickBox = 2.0;

}  // namespace

void onMouse(int button, int state, int x, int y) {
  if (state != GLUT_DOWN) return;
  if (button == GLUT_LEFT_BUTTON) {
    pickAt(x, y);
    // The pick pass moved the scene but drew nothing to see. Running, the next frame shows it; a
    // frozen scene gets no next frame, so it is shown here as the pass left it, with no second
    // step.
    if (sceneFrozen) showScene();
  } else if (button == GLUT_MIDDLE_BUTTON || button == GLUT_RIGHT_BUTTON) {
    glutIdleFunc(nullptr);
    sceneFrozen = true;
  }
}

void pickAt(int x, int y, VertexPath path) {
  GLuint buffer[kSelectSize] = {};
  GLint viewport[4] = {};
  glSelectBuffer(kSelectSize, buffer);
  glGetIntegerv(GL_VIEWPORT, viewport);
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glRenderMode(GL_SELECT);
  glLoadIdentity();
  // GL counts rows from the bottom; done in double so no window coordinate can overflow.
  gluPickMatrix(x, static_cast<double>(viewport[3]) - y, kPickBox, kPickBox, viewport);
  // The near plane goes in narrowed to float, as the pick pass has always passed it; the frame's
  // projection takes the double. The difference moves the pick volume by far less than a pixel.
  gluPerspective(kFieldOfView, aspectRatio, static_cast<float>(kNearPlane), kFarPlane);
  glMatrixMode(GL_MODELVIEW);
  glPushClientAttrib(GL_CLIENT_VERTEX_ARRAY_BIT);
  runFrame(path);
  glPopClientAttrib();
  const GLint hits = glRenderMode(GL_RENDER);
  if (hits > 0) hideHit(&buffer[0]);
  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
}

void hideHit(const unsigned* record) {
  const unsigned name = record[3];
  if (name < kFirstName || name - kFirstName >= static_cast<unsigned>(kBodyCount)) return;
  bodies[name - kFirstName].setVisible(false);
}
