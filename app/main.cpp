#include <GL/freeglut.h>

#include <chrono>
#include <csignal>
#include <cstdlib>

#include "app/picking.h"
#include "app/viewer.h"

namespace {

// Milliseconds on the monotonic clock: any millisecond count makes a fine seed.
unsigned millisecondSeed() {
  const auto now = std::chrono::steady_clock::now().time_since_epoch();
  return static_cast<unsigned>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

}  // namespace

int main(int argc, char** argv) {
  // Notices go to standard error when there is no display for a box; if whoever reads it has gone
  // (a closed pipe), the write should fail quietly rather than end the game.
  std::signal(SIGPIPE, SIG_IGN);
  std::srand(millisecondSeed());
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
