// The reader as the game calls it: each failed load tells the user once, unless errorPopups is 0,
// and without a display the notice becomes a line on standard error.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "image/dib_reader.h"
#include "image/notice.h"
#include "tests/support/bitmap_writer.h"
#include "tests/support/notice_capture.h"
#include "tests/support/temp_folder.h"

namespace {

using Texts = std::vector<std::string>;
const Texts& notices = capturedNotices();

class LoadFile : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_FALSE(dir_.empty()); }
  void TearDown() override {
    errorPopups = 1;
    EXPECT_TRUE(removeFolder(dir_));
  }
  std::string write(const std::string& name, const Bytes& bytes) {
    std::string path = dir_ + "/" + name;
    EXPECT_TRUE(writeFile(path, bytes));
    return path;
  }
  // Gives the image back as the viewer does; whether there was one.
  static bool loaded(RgbImage* image) {
    releaseRgbImage(image);
    return image != nullptr;
  }
  const std::string dir_ = freshFolder("notice");
  NoticeCapture capture_;
};

// A file the reader opened never also earns the open failure's text.
TEST_F(LoadFile, LaterFailuresShowOnlyTheirOwnText) {
  BitmapForm form;
  form.headerSize = 108;
  std::string path = write("v4.bmp", buildBitmapWithBits(form, 2, 2, Bytes(200, 0)));
  EXPECT_FALSE(loaded(loadDibImage(path.c_str())));
  EXPECT_EQ(notices, Texts{"Unknown DIB file format."});
  EXPECT_FALSE(loaded(loadDibImage((dir_ + "/none.bmp").c_str())));
  const Bytes empty = buildBitmapWithBits(BitmapForm{}, 0, 2, {});
  EXPECT_FALSE(loaded(decodeDibImage(empty.data(), empty.size())));
  EXPECT_EQ(notices,
            (Texts{"Unknown DIB file format.", "Failed to open DIB file " + dir_ + "/none.bmp.\n",
                   "Image file conversion error."}));
}

TEST_F(LoadFile, PopupsOffSilencesEveryFailure) {
  errorPopups = 0;
  BitmapForm unknown;
  unknown.headerSize = 124;
  for (const Bytes& file : {buildBitmapWithBits(unknown, 2, 2, Bytes(128, 0)),
                            buildBitmapWithBits(BitmapForm{}, 0, 2, {}),
                            buildBitmapWithBits(BitmapForm{}, 100000, 100000, {})}) {
    EXPECT_FALSE(loaded(decodeDibImage(file.data(), file.size())));
  }
  EXPECT_FALSE(loaded(loadDibImage((dir_ + "/none.bmp").c_str())));
  EXPECT_FALSE(loaded(loadDibImage(write("empty.bmp", {}).c_str())));
  EXPECT_TRUE(notices.empty());
}

TEST(Notice, WithoutADisplayTheBoxBecomesALineOnStandardError) {
#ifdef _WIN32
  GTEST_SKIP() << "Windows has no display to lose: its box is always there";
#else
  std::string display = getenv("DISPLAY") ? getenv("DISPLAY") : "";
  unsetenv("DISPLAY");
  unsetenv("WAYLAND_DISPLAY");
  testing::internal::CaptureStderr();
  showNotice("Out of memory.");
  showNotice("Failed to open DIB file a.bmp.\n");
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "Error: Out of memory.\nError: Failed to open DIB file a.bmp.\n");
  if (!display.empty()) setenv("DISPLAY", display.c_str(), 1);
#endif
}

}  // namespace
