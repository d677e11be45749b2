#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "platform/platform.h"

namespace {

const char kFocusBoxAndPressReturn[] =
    R"(w=$(xwininfo -name Error 2>/dev/null | sed -n 's/.*Window id: \(0x[0-9a-f]*\).*/\1/p') )"
    R"(&& [ -n "$w" ] && xdotool windowfocus --sync "$w" key Return)";

// Ticks of one clock shared by both threads, so that what happened first has the smaller number.
std::atomic<int> ticks{0};

// Finds the "Error" box, checks it is up, and presses OK with the keyboard, noting the tick before
// each try. If no box turns up, the process ends with a failure rather than wait forever on a box
// nobody can dismiss.
void dismissErrorBox(std::atomic<int>* triedAt) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    *triedAt = ++ticks;
    if (std::system(kFocusBoxAndPressReturn) == 0) return;
  }
  std::fprintf(stderr, "no \"Error\" box appeared\n");
  std::_Exit(1);
}

// A box that returned before it was dismissed would return before the try that dismissed it.
TEST(NoticeBox, ShowsAnErrorBoxAndWaitsUntilItIsDismissed) {
  if (getenv("DISPLAY") == nullptr) GTEST_SKIP() << "needs an X display";
  std::atomic<int> dismissingAt{0};
  std::thread helper(dismissErrorBox, &dismissingAt);
  showErrorBox("Image file conversion error.");
  const int returnedAt = ++ticks;
  helper.join();
  EXPECT_GT(dismissingAt, 0);
  EXPECT_LT(dismissingAt, returnedAt);
}

}  // namespace
