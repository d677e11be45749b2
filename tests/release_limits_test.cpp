// The shipped game against resource limits: special files and pictures too large for a texture
// under the picture names, a standard error nobody reads, and many clicks.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "app/field.h"
#include "game_process.h"
#include "tests/support/bitmap_writer.h"
#include "tests/support/proc_reader.h"
#include "tests/support/temp_folder.h"

namespace {

// Replaces the eleven shipped pictures by what `make` puts under each name.
template <typename Make>
std::string folderOf(const std::string& tag, Make make) {
  const std::string dir = game::pictureFolder(tag);
  for (int i = 0; i < kTextureFileCount; ++i) {
    const std::string path = dir + "/" + textureFiles[i];
    EXPECT_EQ(unlink(path.c_str()), 0);
    make(i, path);
  }
  return dir;
}

// Starts the game on `dir`, waits for its first frame and closes it.
void expectFirstFrameAndCleanClose(game::Process& game, const std::string& dir, int seconds) {
  ASSERT_TRUE(game.start({FARLIGHT_BINARY}, dir, seconds)) << game.errors();
  EXPECT_TRUE(game.waitForFrames(1, seconds)) << game.errors();
  EXPECT_EQ(game.close(30), 0) << game.errors();
}

// A FIFO under every name: opening one to see whether it exists would wait for a writer forever.
// Each body gets the reader's open-failure notice instead, and the game goes on.
TEST(ReleaseLimits, FifoUnderEveryNameIsReportedAndDoesNotHoldUpTheGame) {
  const std::string dir = folderOf(
      "fifo", [](int, const std::string& path) { EXPECT_EQ(mkfifo(path.c_str(), 0644), 0); });
  game::Process game;
  expectFirstFrameAndCleanClose(game, dir, 60);
  int notices = 0;
  for (const char* name : textureFiles) {
    const std::string line = "Error: Failed to open DIB file " + std::string(name) + ".\n";
    for (size_t at = game.errors().find(line); at != std::string::npos;
         at = game.errors().find(line, at + 1)) {
      ++notices;
    }
  }
  EXPECT_EQ(notices, kBodyCount) << game.errors();
  if (!HasFailure()) removeFolder(dir);
}

// 2^25 pixels in one row or one column: far past any GL's side limit. Two names each, the rest
// shipped: only a body that draws a name reads it, and every name is read once at most.
TEST(ReleaseLimits, PictureOneRowOrColumnLongDoesNotCrashTheGame) {
  const std::string dir = game::pictureFolder("long");
  for (int i = 0; i < 4; ++i) {
    const std::string path = dir + "/" + textureFiles[i];
    ASSERT_EQ(unlink(path.c_str()), 0);
    EXPECT_TRUE(writeFile(
        path, i < 2 ? plainRleBitmap(1 << 25, 1, 0x3366CC) : plainRleBitmap(1, 1 << 25, 0x3366CC)));
  }
  game::Process game;
  expectFirstFrameAndCleanClose(game, dir, 120);
  if (!HasFailure()) removeFolder(dir);
}

// Every body wearing a 16384 x 16384 picture: a gigabyte each if uploaded as read.
TEST(ReleaseLimits, ElevenHugePicturesStartWithinBoundedMemory) {
  const std::string dir = folderOf("huge", [](int, const std::string& path) {
    EXPECT_TRUE(writeFile(path, plainRleBitmap(16384, 16384, 0x3366CC)));
  });
  game::Process game;
  ASSERT_TRUE(game.start({FARLIGHT_BINARY}, dir, 240)) << game.errors();
  EXPECT_TRUE(game.waitForFrames(1, 240)) << game.errors();
  EXPECT_LT(statusKiB(game.pid(), "VmHWM"), 3 << 20);
  EXPECT_EQ(game.close(30), 0) << game.errors();
  if (!HasFailure()) removeFolder(dir);
}

// The pick pass runs in selection mode, where the GL may keep what it is sent. With the scene
// frozen, clicks on empty sky after the first hundred must not make the game grow.
TEST(ReleaseLimits, ClicksDoNotMakeTheGameGrow) {
  const std::string dir = game::pictureFolder("clicks");
  game::Process game;
  ASSERT_TRUE(game.start({FARLIGHT_BINARY}, dir, 60));
  ASSERT_TRUE(game.waitForFrames(1, 60));
  ASSERT_TRUE(game.click(3, 2, 2));  // right: freeze
  ASSERT_TRUE(game::clickRepeatedly(game, 1, 2, 2, 100));
  // Resident size, not its peak: start-up's peak, while pictures are read, would hide growth.
  const long before = statusKiB(game.pid(), "VmRSS");
  ASSERT_TRUE(game::clickRepeatedly(game, 1, 2, 2, 400));
  EXPECT_LT(statusKiB(game.pid(), "VmRSS") - before, 30 << 10);
  EXPECT_EQ(game.close(30), 0) << game.errors();
  if (!HasFailure()) removeFolder(dir);
}

// Standard error is a pipe whose reader has gone, and every body has a notice to write there.
TEST(ReleaseLimits, StandardErrorClosedByItsReaderDoesNotEndTheGame) {
  const std::string dir = folderOf(
      "pipe", [](int, const std::string& path) { EXPECT_EQ(mkdir(path.c_str(), 0755), 0); });
  int ends[2];
  ASSERT_EQ(pipe(ends), 0);
  close(ends[0]);
  game::Process game;
  const std::string redirect = "exec \"$@\" 2>&" + std::to_string(ends[1]);
  ASSERT_TRUE(game.start({"sh", "-c", redirect, "sh", FARLIGHT_BINARY}, dir, 60));
  close(ends[1]);
  EXPECT_TRUE(game.waitForFrames(1, 60));
  EXPECT_EQ(game.close(30), 0);
  if (!HasFailure()) removeFolder(dir);
}

}  // namespace
