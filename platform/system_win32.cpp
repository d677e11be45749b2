// The rest of the game's contact with Windows: the "Error" box, the seeding clock, start-up.
#include <windows.h>

#include "platform/error_line.h"
#include "platform/platform.h"

void showErrorBox(const char* text) {
  // Owned by the window with the keyboard focus, if any, so the box stays in front of the game.
  if (MessageBoxA(GetFocus(), text, "Error", MB_OK) != 0) return;
  writeErrorLine(text);
}

unsigned millisecondClock() {
  return timeGetTime();
}

// Windows has no SIGPIPE: a write to a closed pipe fails and returns, which is what the game wants.
void preparePlatform() {}

// A desktop GL context keeps what it holds.
void whenGraphicsRestored(void (*)()) {}
