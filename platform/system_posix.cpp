// The rest of the game's contact with a POSIX system: the seeding clock, start-up.
#include <chrono>
#include <csignal>

#include "platform/platform.h"

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

// A desktop GL context keeps what it holds.
void whenGraphicsRestored(void (*)()) {}
