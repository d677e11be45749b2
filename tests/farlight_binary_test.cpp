// The shipped binary under Xvfb: its window, found by title with xdotool, and a clean close.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "game_process.h"
#include "tests/support/proc_reader.h"
#include "tests/support/temp_folder.h"

namespace {

using namespace std::chrono_literals;

class RunningGame : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = game::pictureFolder("binary");
    ASSERT_FALSE(folder_.empty());
    ASSERT_TRUE(game_.start({FARLIGHT_BINARY}, folder_, 20))
        << "no window titled \"Farlight : Solar System\" appeared (is there an X display? run "
           "through ctest, which gives each test an Xvfb of its own)";
  }
  void TearDown() override { removeFolder(folder_); }

  std::string folder_;
  game::Process game_;
};

TEST_F(RunningGame, OpensItsWindowAt1024By768AndEndsWhenClosed) {
  const std::string shape =
      game::output("xdotool getwindowgeometry --shell " + std::to_string(game_.window()));
  EXPECT_NE(shape.find("WIDTH=1024\n"), std::string::npos) << shape;
  EXPECT_NE(shape.find("HEIGHT=768\n"), std::string::npos) << shape;
  EXPECT_NE(shape.find("X=0\n"), std::string::npos) << shape;
  EXPECT_NE(shape.find("Y=0\n"), std::string::npos) << shape;
  EXPECT_EQ(game_.close(10), 0);
}

// Motion is per frame, so the field is gone in a fraction of a second and no test can win a race
// to click a sphere; what does not race is whether the game keeps drawing.
// Frozen, a left click draws two frames: its pick pass, and the scene shown as the pass left it.
TEST_F(RunningGame, SpinsFrameAfterFrameUntilARightClickFreezesIt) {
  const long started = cpuTicks(game_.pid());
  std::this_thread::sleep_for(1s);
  EXPECT_GT(cpuTicks(game_.pid()), started + 10) << "the idle callback keeps frames coming";

  ASSERT_TRUE(game_.click(3, 512, 384));
  // Lets the click and a frame already asked for through, however busy the machine (within 10 s:
  // a game that never stops is the failure checked below).
  for (int before = -1, i = 0; before != game_.framesDrawn() && i < 20; ++i) {
    before = game_.framesDrawn();
    std::this_thread::sleep_for(500ms);
  }
  const long frozen = cpuTicks(game_.pid());
  const int frames = game_.framesDrawn();
  std::this_thread::sleep_for(1500ms);
  EXPECT_LE(cpuTicks(game_.pid()), frozen + 3) << "still drawing after the right click";
  EXPECT_EQ(game_.framesDrawn(), frames);

  ASSERT_TRUE(game_.click(1, 512, 384));
  EXPECT_TRUE(game_.waitForFrames(frames + 2, 10));
  std::this_thread::sleep_for(500ms);
  EXPECT_EQ(game_.framesDrawn(), frames + 2);
  EXPECT_EQ(game_.close(10), 0);
}

}  // namespace
