// The floor of the start-up benchmark: a bare freeglut window of the game's size and mode that
// clears and swaps, and nothing else. Under the swap shim it ends at its first swap.
#include <GL/freeglut.h>
#include <GL/gl.h>

namespace {

void clearAndSwap() {
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glutSwapBuffers();
}

}  // namespace

int main(int argc, char** argv) {
  glutInit(&argc, argv);
  glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
  glutInitWindowSize(1024, 768);
  glutInitWindowPosition(0, 0);
  glutCreateWindow("Farlight : Solar System");
  glutDisplayFunc(clearAndSwap);
  glutIdleFunc(glutPostRedisplay);
  glutMainLoop();
  return 0;
}
