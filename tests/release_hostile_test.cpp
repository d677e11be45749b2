// Start-up with hostile picture files in place of the shipped ones: in-process in a real window,
// with the reader's notices captured, and the shipped binary under memcheck, its notices read from
// standard error.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "app/field.h"
#include "app/viewer.h"
#include "game_process.h"
#include "image/notice.h"
#include "tests/support/bitmap_writer.h"
#include "tests/support/field_draws.h"
#include "tests/support/gl_window.h"
#include "tests/support/notice_capture.h"
#include "tests/support/temp_folder.h"

namespace {

const char kUnknown[] = "Unknown DIB file format.";
const char kConversion[] = "Image file conversion error.";
const char kOutOfMemory[] = "Out of memory.";
const char kCannotOpen[] = "open";  // stands for "Failed to open DIB file <name>.\n"

// What one of the eleven names holds: a file of `bytes`, else a directory when `folder`, else the
// shipped picture; and the notice it should earn ("" for a readable picture).
struct Hostile {
  const char* what;
  const char* notice;
  Bytes (*bytes)();
  bool folder;
};

BitmapForm paletted(uint32_t compression, uint16_t bitCount) {
  BitmapForm form;
  form.bitCount = bitCount;
  form.compression = compression;
  form.palette.assign(size_t(1) << bitCount, 0x000000);
  form.palette[1] = 0x3366CC;
  return form;
}

Bytes goodBitmap() {
  return buildBitmap({}, 64, 32, std::vector<uint32_t>(64 * 32, 0x20A040));
}
Bytes headerOnly() {
  Bytes bytes = goodBitmap();
  bytes.resize(30);  // the file header and 16 of the info header's 40 bytes
  return bytes;
}
Bytes halfTheBits() {
  Bytes bytes = goodBitmap();
  bytes.resize(bytes.size() / 2);
  return bytes;
}
Bytes sizedHeader(uint32_t size) {
  BitmapForm form;
  form.headerSize = size;
  return buildBitmap(form, 4, 4, std::vector<uint32_t>(16, 0xFFFFFF));
}
// Claims 2^31 - 1 squared pixels, backed by a few bytes.
Bytes absurdlyLarge() {
  return buildBitmapWithBits({}, INT_MAX, INT_MAX, Bytes(64, 0x55));
}
Bytes negativeWidth() {
  return buildBitmapWithBits({}, -64, 32, Bytes(64 * 32 * 3, 0x55));
}
// An absolute run of 200 indices with two bytes of stream left.
Bytes runPastTheStream() {
  return buildBitmapWithBits(paletted(1, 8), 8, 4, {0, 2, 1, 1, 0, 200, 1, 1});
}
// Every row a run well past the right edge, then a jump far above the picture and codes that
// would paint there: all clipped, so the picture is readable and all colour 1.
Bytes runsPastThePicture() {
  Bytes stream;
  for (int row = 0; row < 4; ++row) stream.insert(stream.end(), {250, 1, 0, 0});
  stream.resize(stream.size() - 2);  // no end of line after the top row: the jump comes first
  stream.insert(stream.end(), {0, 2, 255, 255, 9, 1, 0, 1});
  return buildBitmapWithBits(paletted(1, 8), 8, 4, stream);
}
// A four-bit stream whose last code is cut in half.
Bytes cutCode() {
  return buildBitmapWithBits(paletted(2, 4), 8, 4, {8, 0x11, 0, 0, 4});
}
Bytes nothing() {
  return {};
}

// The last one is readable; every other one earns a notice.
const std::vector<Hostile> kHostile = {
    {"empty", kCannotOpen, nothing, false},
    {"directory", kCannotOpen, nullptr, true},
    {"cut in its header", kUnknown, headerOnly, false},
    {"cut in its bits", kConversion, halfTheBits, false},
    {"header of 108 bytes", kUnknown, [] { return sizedHeader(108); }, false},
    {"header of 124 bytes", kUnknown, [] { return sizedHeader(124); }, false},
    {"2^31-1 squared", kOutOfMemory, absurdlyLarge, false},
    {"negative width", kConversion, negativeWidth, false},
    {"RLE8 run past the stream", kConversion, runPastTheStream, false},
    {"RLE4 code cut short", kConversion, cutCode, false},
    {"RLE8 runs past the picture", "", runsPastThePicture, false},
};
const Hostile kShipped{"shipped picture", "", nullptr, false};

std::string expectedNotice(const Hostile& file, const char* name) {
  if (file.notice == kCannotOpen) return std::string("Failed to open DIB file ") + name + ".\n";
  return file.notice;
}

// A folder of the eleven names, name i holding layout[i]; shipped pictures stay links.
std::string hostileFolder(const std::string& tag, const std::vector<Hostile>& layout) {
  std::string dir = game::pictureFolder(tag);
  for (int i = 0; i < kTextureFileCount; ++i) {
    if (layout[i].bytes == nullptr && !layout[i].folder) continue;
    const std::string path = dir + "/" + textureFiles[i];
    EXPECT_EQ(unlink(path.c_str()), 0);
    if (layout[i].folder) {
      EXPECT_EQ(mkdir(path.c_str(), 0755), 0);
      continue;
    }
    EXPECT_TRUE(writeFile(path, layout[i].bytes()));
  }
  return dir;
}

const std::vector<std::string>& notices = capturedNotices();

// Draws body i alone, close up in the middle of the window, and tells whether a patch around its
// centre shows a picture (some pixel neither black nor white) or plain white.
enum class Look { picture, plainWhite, other };
Look lookOf(int i) {
  for (Body& body : bodies) body.setVisible(false);
  Body& body = bodies[i];
  body.setPosition(Vec3(0, 0, -12));
  body.setSpeed(0);
  body.setRadius(3);
  body.setVisible(true);
  drawFrame();
  const glwindow::Pixel centre = glwindow::project(0, 0, -12);
  bool allWhite = true, coloured = false;
  for (int y = centre.y - 4; y <= centre.y + 4; ++y) {
    for (int x = centre.x - 4; x <= centre.x + 4; ++x) {
      const unsigned char* rgb = glwindow::lastFrame().at(x, y);
      const int sum = rgb[0] + rgb[1] + rgb[2];
      allWhite = allWhite && sum == 3 * 255;
      coloured = coloured || (sum != 0 && sum != 3 * 255);
    }
  }
  return coloured ? Look::picture : allWhite ? Look::plainWhite : Look::other;
}

class HostileStart : public ::testing::TestWithParam<int> {
 protected:
  void SetUp() override {
    ASSERT_TRUE(glwindow::open());
    ASSERT_NE(getcwd(home_, sizeof home_), nullptr);
  }
  void TearDown() override { EXPECT_EQ(chdir(home_), 0); }

 private:
  NoticeCapture capture_;
  char home_[4096] = {};
};

// Rotation r puts hostile file (i + r) % 12 under name i, the twelfth being the shipped picture,
// so each run spreads the cases over other names; the seed varies who drew what.
TEST_P(HostileStart, EveryBadFileIsReportedAndTheRestIsDrawn) {
  const int rotation = GetParam();
  std::vector<Hostile> layout;
  for (int i = 0; i < kTextureFileCount; ++i) {
    const size_t k = (i + rotation) % (kHostile.size() + 1);
    layout.push_back(k < kHostile.size() ? kHostile[k] : kShipped);
  }
  const std::string dir = hostileFolder("inprocess-" + std::to_string(rotation), layout);
  ASSERT_EQ(chdir(dir.c_str()), 0);
  const unsigned seed = 100 + rotation;
  std::srand(seed);
  initScene();
  onResize(glwindow::kWidth, glwindow::kHeight);

  const std::vector<int> files = drawnFiles(seed);
  std::vector<std::string> expected;
  for (int file : files) {
    if (*layout[file].notice != '\0')
      expected.push_back(expectedNotice(layout[file], textureFiles[file]));
  }
  EXPECT_EQ(notices, expected);
  for (int i = 0; i < kBodyCount; ++i) {
    const Hostile& file = layout[files[i]];
    EXPECT_EQ(lookOf(i), *file.notice == '\0' ? Look::picture : Look::plainWhite)
        << "body " << i << " drew " << textureFiles[files[i]] << ": " << file.what;
  }
  if (!HasFailure()) removeFolder(dir);
}

INSTANTIATE_TEST_SUITE_P(Rotations, HostileStart, ::testing::Values(0, 4, 9));

// One case per name, the readable stream included so that its decoding runs under the checker
// too. Each body that drew any other name earns one notice on standard error, where the game
// writes them when it has no display of its own to put a box on.
TEST(HostileStartOfTheGame, UnderMemcheckItReportsTheBadFilesDrawsAndClosesCleanly) {
  ASSERT_TRUE(game::hasValgrind()) << "valgrind is missing: tools/setup-deps.sh test installs it";
  std::set<std::string> allowed;
  for (int i = 0; i < kTextureFileCount; ++i) {
    std::string line = "Error: " + expectedNotice(kHostile[i], textureFiles[i]);
    if (line.back() == '\n') line.pop_back();
    allowed.insert(line);
  }
  allowed.erase("Error: ");  // the readable one
  const std::string dir = hostileFolder("binary", kHostile);
  const std::string log = dir + "/memcheck.log";
  game::Process game;
  ASSERT_TRUE(game.start(game::underMemcheck(log), dir, 180));
  // The bound only stops a game that never draws: under the checker on a busy machine (the other
  // memcheck test may run beside this one) twenty frames have taken over a minute.
  EXPECT_TRUE(game.waitForFrames(20, 240)) << game.framesDrawn() << " frames";
  EXPECT_EQ(game.close(120), 0) << "(99: memcheck found something) "
                                << game::findings(game::readFile(log));

  std::istringstream errors(game.errors());
  int count = 0;
  for (std::string line; std::getline(errors, line);) {
    if (line.rfind("Error: ", 0) != 0) continue;  // the graphics stack may have its say too
    EXPECT_EQ(allowed.count(line), 1u) << line;
    ++count;
  }
  // Which file each body drew depends on the game's own seed; ten of the eleven names fail.
  EXPECT_GT(count, 0);
  EXPECT_LE(count, kBodyCount);
  if (!HasFailure()) removeFolder(dir);
}

}  // namespace
