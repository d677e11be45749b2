#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "image/notice.h"

namespace {

const char kFocusBoxAndPressReturn[] =
    R"(w=$(xwininfo -name Error 2>/dev/null | sed -n 's/.*Window id: \(0x[0-9a-f]*\).*/\1/p') )"
    R"(&& [ -n "$w" ] && xdotool windowfocus --sync "$w" key Return)";

// Finds the "Error" box, checks it is up, and presses OK with the keyboard. If no box turns up, the
// process ends with a failure rather than wait forever on a box nobody can dismiss.
void dismissErrorBox(std::atomic<bool>* dismissed) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    if (std::system(kFocusBoxAndPressReturn) == 0) {
      *dismissed = true;
      return;
    }
  }
  std::fprintf(stderr, "no \"Error\" box appeared\n");
  std::_Exit(1);
}

TEST(NoticeBox, ShowsAnErrorBoxAndWaitsUntilItIsDismissed) {
  if (getenv("DISPLAY") == nullptr) GTEST_SKIP() << "needs an X display";
  std::atomic<bool> dismissed{false};
  std::thread helper(dismissErrorBox, &dismissed);
  showErrorBox("Image file conversion error.");
  helper.join();
  EXPECT_TRUE(dismissed);
}

}  // namespace
