// The "Error" box on a desktop with an X11 or Wayland display, through SDL.
#include <SDL.h>

#include <cstdlib>

#include "platform/error_line.h"
#include "platform/platform.h"

namespace {

bool hasDisplay() {
  const char* x11 = std::getenv("DISPLAY");
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  return (x11 != nullptr && *x11 != '\0') || (wayland != nullptr && *wayland != '\0');
}

}  // namespace

// SDL's simple message box needs no SDL_Init and blocks until dismissed; flags 0 asks for no icon.
void showErrorBox(const char* text) {
  if (!hasDisplay() || SDL_ShowSimpleMessageBox(0, "Error", text, nullptr) != 0) {
    writeErrorLine(text);
  }
}
