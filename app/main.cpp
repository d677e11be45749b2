#include <GL/freeglut.h>

#include <cstdlib>

#include "app/field.h"
#include "app/picking.h"
#include "app/viewer.h"
#include "platform/platform.h"

int main(int argc, char** argv) {
  preparePlatform();
  std::srand(millisecondClock());
  placeField();
  glutInit(&argc, argv);
  glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
  glutInitWindowSize(1024, 768);
  glutInitWindowPosition(0, 0);
  glutCreateWindow("Farlight : Solar System");
  initScene();
  glutDisplayFunc(drawFrame);
  glutReshapeFunc(onResize);
  glutMouseFunc(onMouse);
  glutIdleFunc(onIdle);
  glutMainLoop();
  return 0;
}
