// Renders the game's field from a fixed seed in a real window and saves one frame as a PNG, for
// the README. Run it in the folder that holds the eleven pictures:
//   screenshot OUT.png [SEED] [FRAME]
#include <GL/freeglut.h>
#include <GL/gl.h>
#include <stb/stb_image_write.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "app/field.h"
#include "app/viewer.h"

namespace {

constexpr int kWidth = 1024;
constexpr int kHeight = 768;
bool wanted = false;
std::vector<unsigned char> frame;

}  // namespace

// The frame's swap is wrapped at link time: the back buffer is read just before it is shown,
// because the front buffer of a hidden or virtual window need not hold the picture.
// The linker's --wrap fixes these names.
extern "C" void __real_glutSwapBuffers(void);  // NOLINT(bugprone-reserved-identifier)
extern "C" void __wrap_glutSwapBuffers(void) {  // NOLINT(bugprone-reserved-identifier)
  if (wanted) {
    frame.assign(3 * kWidth * kHeight, 0);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, kWidth, kHeight, GL_RGB, GL_UNSIGNED_BYTE, frame.data());
  }
  __real_glutSwapBuffers();
}

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s OUT.png [SEED] [FRAME]\n", argv[0]);
    return 2;
  }
  const unsigned seed = argc > 2 ? static_cast<unsigned>(std::strtoul(argv[2], nullptr, 10)) : 42;
  const int frames = argc > 3 ? std::atoi(argv[3]) : 1;
  std::srand(seed);
  glutInit(&argc, argv);
  glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
  glutInitWindowSize(kWidth, kHeight);
  glutInitWindowPosition(0, 0);
  glutCreateWindow("Farlight : Solar System");
  initScene();
  onResize(kWidth, kHeight);
  for (int i = 1; i <= frames; ++i) {
    wanted = i == frames;
    drawFrame();
  }
  // GL's rows run bottom-up; PNG's top-down.
  stbi_flip_vertically_on_write(1);
  if (!stbi_write_png(argv[1], kWidth, kHeight, 3, frame.data(), 3 * kWidth)) {
    std::fprintf(stderr, "cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
