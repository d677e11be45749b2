// The game's unit suites share one process and may run in any order (the test command runs them
// shuffled), while the game keeps its state in globals: every test starts from a fresh game and a
// fresh GL double, whatever ran before it.
#include <gtest/gtest.h>

#include "app/game.h"
#include "gl_double.h"

namespace {

class FreshStart : public ::testing::EmptyTestEventListener {
  void OnTestStart(const ::testing::TestInfo&) override {
    resetGame();
    gldouble::reset();
  }
};

// Registered before GoogleTest's main runs, which keeps it (listeners are the framework's).
[[maybe_unused]] const bool registered = [] {
  ::testing::UnitTest::GetInstance()->listeners().Append(new FreshStart);
  return true;
}();

}  // namespace
