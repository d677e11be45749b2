// The "Error" box on a desktop with an X11 or Wayland display, through SDL.
#include <SDL.h>
#include <dlfcn.h>

#include <cstdlib>

#include "platform/error_line.h"
#include "platform/platform.h"

namespace {

bool hasDisplay() {
  const char* x11 = std::getenv("DISPLAY");
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  return (x11 != nullptr && *x11 != '\0') || (wayland != nullptr && *wayland != '\0');
}

using ShowBox = decltype(&SDL_ShowSimpleMessageBox);

// SDL brings some forty libraries (sound, Wayland, D-Bus among them) that cost every start about
// 10 ms to map and link, for a box most starts never show: it is loaded at the first box instead,
// and stays loaded. Null when it cannot be loaded; the text then goes to standard error.
ShowBox loadShowBox() {
  void* sdl = dlopen("libSDL2-2.0.so.0", RTLD_NOW | RTLD_LOCAL);
  return sdl == nullptr ? nullptr
                        : reinterpret_cast<ShowBox>(dlsym(sdl, "SDL_ShowSimpleMessageBox"));
}

}  // namespace

// SDL's simple message box needs no SDL_Init and blocks until dismissed; flags 0 asks for no icon.
void showErrorBox(const char* text) {
  if (!hasDisplay()) {
    writeErrorLine(text);
    return;
  }
  static const ShowBox show = loadShowBox();
  if (show == nullptr || show(0, "Error", text, nullptr) != 0) writeErrorLine(text);
}
