// The shipped game under valgrind's memcheck on Mesa under Xvfb: a couple of hundred frames, left
// clicks while the field is still in view, a right click, then the window is closed.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "game_process.h"
#include "tests/support/temp_folder.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kWantedFrames = 200;
constexpr auto kFrameBudget = std::chrono::seconds(150);

TEST(Memcheck, PlayingAndClosingTheGameIsClean) {
  ASSERT_TRUE(game::hasValgrind()) << "valgrind is missing: tools/setup-deps.sh test installs it";
  const std::string folder = game::pictureFolder("memcheck");
  ASSERT_FALSE(folder.empty());
  const std::string log = folder + "/memcheck.log";
  game::Process game;
  ASSERT_TRUE(game.start(game::underMemcheck(log), folder, 180)) << game::readFile(log);
  // Under the checker the first frames take a good part of a second each, so these land while
  // the field is still in view.
  for (int x : {512, 384, 640, 256, 768}) EXPECT_TRUE(game.click(1, x, 384));
  const Clock::time_point deadline = Clock::now() + kFrameBudget;
  while (game.framesDrawn() < kWantedFrames && Clock::now() < deadline && game.running()) {
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
  }
  const int frames = game.framesDrawn();
  EXPECT_TRUE(game.click(3, 512, 384));
  std::this_thread::sleep_for(std::chrono::seconds(1));

  const int status = game.close(120);
  const std::string report = game::readFile(log);
  EXPECT_EQ(status, 0) << "(99: memcheck found something) " << game::findings(report);
  EXPECT_NE(report.find("ERROR SUMMARY: 0 errors"), std::string::npos);
  EXPECT_GE(frames, kWantedFrames / 2) << "too few frames before the deadline";
  std::printf("frames drawn under memcheck: %d\n", frames);
  if (!HasFailure()) removeFolder(folder);
}

}  // namespace
