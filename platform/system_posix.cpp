// The rest of the game's contact with a POSIX system: the "Error" box (through SDL), the seeding
// clock, start-up.
#include <SDL.h>

#include <chrono>
#include <csignal>
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

// The monotonic clock: any millisecond count makes a fine seed.
unsigned millisecondClock() {
  const auto now = std::chrono::steady_clock::now().time_since_epoch();
  return static_cast<unsigned>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

// Notices go to standard error when there is no display for a box; if whoever reads it has gone
// (a closed pipe), the write should fail quietly rather than end the game.
void preparePlatform() {
  std::signal(SIGPIPE, SIG_IGN);
}
