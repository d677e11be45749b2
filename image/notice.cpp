#include "image/notice.h"

#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

NoticeHandler currentHandler = showErrorBox;

bool hasDisplay() {
  const char* x11 = std::getenv("DISPLAY");
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  return (x11 != nullptr && *x11 != '\0') || (wayland != nullptr && *wayland != '\0');
}

void writeToStderr(const char* text) {
  size_t length = std::strlen(text);
  bool endsLine = length > 0 && text[length - 1] == '\n';
  std::fprintf(stderr, "Error: %s%s", text, endsLine ? "" : "\n");
}

}  // namespace

NoticeHandler setNoticeHandler(NoticeHandler handler) {
  NoticeHandler previous = currentHandler;
  currentHandler = handler != nullptr ? handler : showErrorBox;
  return previous;
}

void showNotice(const char* text) {
  currentHandler(text);
}

// SDL's simple message box needs no SDL_Init and blocks until dismissed; flags 0 asks for no icon.
void showErrorBox(const char* text) {
  if (!hasDisplay() || SDL_ShowSimpleMessageBox(0, "Error", text, nullptr) != 0) {
    writeToStderr(text);
  }
}
