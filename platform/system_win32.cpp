// The rest of the game's contact with Windows: the "Error" box, the seeding clock, start-up.
#include <windows.h>

#include <cstring>

#include "platform/error_line.h"
#include "platform/platform.h"
#include "platform/window_scale.h"

void showErrorBox(const char* text) {
  // Owned by the window with the keyboard focus, if any, so the box stays in front of the game.
  if (MessageBoxA(GetFocus(), text, "Error", MB_OK) != 0) return;
  writeErrorLine(text);
}

unsigned millisecondClock() {
  return timeGetTime();
}

namespace {

HHOOK windowHook = nullptr;

// The monitor's own scale (Windows 8.1 on; looked up, so that older systems still start the game),
// else the system's, which is the main monitor's.
int dpiOf(HMONITOR monitor) {
  using DpiForMonitor = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
  if (HMODULE shcore = LoadLibraryA("shcore.dll")) {
    // Through the generic function type, which a cast may leave without a warning.
    const auto find = reinterpret_cast<DpiForMonitor>(
        reinterpret_cast<void (*)()>(GetProcAddress(shcore, "GetDpiForMonitor")));
    UINT x = 0, y = 0;
    const int kEffectiveDpi = 0;  // MDT_EFFECTIVE_DPI: the scale the user chose
    const bool found = find != nullptr && find(monitor, kEffectiveDpi, &x, &y) == S_OK;
    FreeLibrary(shcore);
    if (found) return static_cast<int>(y);
  }
  HDC screen = GetDC(nullptr);
  if (screen == nullptr) return 96;
  const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  return dpi;
}

// The game draws at the screen's own pixels (its manifest says so), so on a scaled screen its
// window opens scaled: as large to the eye as at 100 %, as it was when Windows stretched it, now
// sharp; but no larger than the monitor's work area, which the stretched window could overrun. The
// game asks freeglut for its client size at 96 dpi, and the made window is resized here, in its
// own frame, before it is first shown.
void scaleWindow(HWND window) {
  RECT outer, inner;
  if (!GetWindowRect(window, &outer) || !GetClientRect(window, &inner)) return;
  const PixelSize asked = {inner.right - inner.left, inner.bottom - inner.top};
  const PixelSize frame = {outer.right - outer.left - asked.width,
                           outer.bottom - outer.top - asked.height};
  HMONITOR monitor = MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY);
  MONITORINFO info = {};
  info.cbSize = sizeof info;
  PixelSize room;
  if (GetMonitorInfoA(monitor, &info)) {
    room = {info.rcWork.right - info.rcWork.left, info.rcWork.bottom - info.rcWork.top};
  }
  const PixelSize client = scaledClientSize(asked, dpiOf(monitor), frame, room);
  if (client.width == asked.width && client.height == asked.height) return;
  SetWindowPos(window, nullptr, 0, 0, client.width + frame.width, client.height + frame.height,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// Sees each window procedure return on this thread until the game's window has been made: a
// top-level window of freeglut's class. (A hook on the window's creation could change its size
// before it is made, but Wine ignores such a change.)
LRESULT CALLBACK afterWindowProcedure(int code, WPARAM wParam, LPARAM lParam) {
  const auto* call = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
  if (code == HC_ACTION && call->message == WM_CREATE && call->lResult != -1) {
    char className[16] = "";
    const bool gameWindow = GetClassNameA(call->hwnd, className, sizeof className) > 0 &&
                            std::strcmp(className, "FREEGLUT") == 0 &&
                            (GetWindowLongA(call->hwnd, GWL_STYLE) & (WS_CHILD | WS_POPUP)) == 0;
    if (gameWindow) {
      UnhookWindowsHookEx(windowHook);
      windowHook = nullptr;
      scaleWindow(call->hwnd);
    }
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace

// Windows has no SIGPIPE: a write to a closed pipe fails and returns, which is what the game wants.
// The window to come is watched for, on this thread, to open at the screen's scale.
void preparePlatform() {
  if (windowHook == nullptr) {
    windowHook =
        SetWindowsHookExA(WH_CALLWNDPROCRET, afterWindowProcedure, nullptr, GetCurrentThreadId());
  }
}

// A desktop GL context keeps what it holds.
void whenGraphicsRestored(void (*)()) {}
