// The rest of the game's contact with the browser: the "Error" box, the seeding clock, start-up.
#include <emscripten.h>

#include <chrono>

#include "platform/platform.h"

namespace {

// alert() is modal and returns once the player has pressed OK; its text is the notice's own.
EM_JS(void, browserAlert, (const char* text), { alert(UTF8ToString(text)); });

}  // namespace

void showErrorBox(const char* text) {
  browserAlert(text);
}

// The wall clock: a page's monotonic clock starts near zero at every load, which would give a few
// fields over and over.
unsigned millisecondClock() {
  const auto now = std::chrono::system_clock::now().time_since_epoch();
  return static_cast<unsigned>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

// A page has no standard error to lose and no signals.
void preparePlatform() {}
