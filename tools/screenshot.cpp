// Renders the game's field from a fixed seed in a real window and saves one frame as a PNG, for
// the README. Run it in the folder that holds the eleven pictures:
//   screenshot OUT.png [SEED] [FRAME]
#include <stb/stb_image_write.h>

#include <cstdio>
#include <cstdlib>

#include "app/viewer.h"
#include "tests/support/gl_window.h"

namespace {

constexpr int kWidth = 1024;
constexpr int kHeight = 768;

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s OUT.png [SEED] [FRAME]\n", argv[0]);
    return 2;
  }
  const unsigned seed = argc > 2 ? static_cast<unsigned>(std::strtoul(argv[2], nullptr, 10)) : 42;
  const int frames = argc > 3 ? std::atoi(argv[3]) : 1;
  // The window's swap keeps the back buffer of each frame: the front buffer of a hidden or
  // virtual window need not hold the picture.
  if (!glwindow::open(kWidth, kHeight)) return 1;
  std::srand(seed);
  initScene();
  onResize(kWidth, kHeight);
  for (int i = 1; i <= frames; ++i) drawFrame();
  const glwindow::Capture& frame = glwindow::lastFrame();
  // GL's rows run bottom-up; PNG's top-down.
  stbi_flip_vertically_on_write(1);
  if (!stbi_write_png(argv[1], frame.width, frame.height, 3, frame.rgb.data(), 3 * frame.width)) {
    std::fprintf(stderr, "cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
