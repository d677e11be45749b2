#include <GL/freeglut.h>

#include <cstdlib>

#include "app/field.h"
#include "app/picking.h"
#include "app/viewer.h"
#include "platform/platform.h"

int main(int argc, char** argv) {
  // The field is placed first, so that pictures fetched over a network are on their way while
  // the platform and the GL start; placing it writes nothing and draws nothing.
  std::srand(millisecondClock());
  placeField();
  preparePlatform();
  glutInit(&argc, argv);
  glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
  glutInitWindowSize(1024, 768);
  glutInitWindowPosition(0, 0);
  glutCreateWindow("Farlight : Solar System");
  initScene();
  // A browser may take the GL away and give it back empty; the scene then shows as it stood.
  whenGraphicsRestored(showScene);
  glutDisplayFunc(drawFrame);
  glutReshapeFunc(onResize);
  glutMouseFunc(onMouse);
  glutIdleFunc(onIdle);
  glutMainLoop();
  return 0;
}
