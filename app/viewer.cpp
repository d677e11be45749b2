#include "app/viewer.h"

#include <GL/freeglut.h>
#include <GL/gl.h>
#include <GL/glu.h>

#include "app/field.h"

namespace {
constexpr float kViewTurn = 15.0f;
}  // namespace

void initScene() {
  glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
  // Lighting stays off, so this white material changes no pixel; it is set so that lighting,
  // once switched on, finds the spheres white rather than GL's default grey.
  const GLfloat white[] = {1.0f, 1.0f, 1.0f, 1.0f};
  glMaterialfv(GL_FRONT, GL_AMBIENT, white);
  glMaterialfv(GL_FRONT, GL_SPECULAR, white);
  glMaterialfv(GL_FRONT, GL_EMISSION, white);
  glMaterialf(GL_FRONT, GL_SHININESS, 50.0f);
  populateField();
  glEnable(GL_DEPTH_TEST);
}

namespace {

// The frame's body loop; `step` moves each visible body before it is drawn.
void sendFrame(VertexPath path, bool step) {
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  // Every body sets white before it draws, so this black shows nowhere: the frame starts from
  // the same current colour whatever the last frame left.
  glColor3f(0.0f, 0.0f, 0.0f);
  glLoadIdentity();
  glRotatef(kViewTurn, 0.0f, 1.0f, 0.0f);
  for (int i = 0; i < kBodyCount; ++i) {
    Body& body = bodies[i];
    if (!body.isVisible()) continue;
    glPushName(kFirstName + i);
    // Body::draw changes no matrix (it adds the position to each vertex); the push and pop keep
    // any body that did from moving the ones after it.
    glPushMatrix();
    glColor3ub(255, 255, 255);
    if (step) body.advance();
    body.draw(path);
    glPopMatrix();
    glPopName();
  }
  glutSwapBuffers();
}

}  // namespace

void runFrame(VertexPath path) {
  sendFrame(path, true);
}

void showScene() {
  sendFrame(VertexPath::immediate, false);
}

void drawFrame() {
  runFrame(VertexPath::immediate);
}

void onResize(int width, int height) {
  // A minimised or collapsed window reports height 0; the ratio must stay finite.
  if (height < 1) height = 1;
  glViewport(0, 0, width, height);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  const double ratio = static_cast<double>(width) / height;
  aspectRatio = static_cast<float>(ratio);
  gluPerspective(kFieldOfView, ratio, kNearPlane, kFarPlane);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
}

void onIdle() {
  glutPostRedisplay();
}
