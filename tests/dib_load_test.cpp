#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "reader_test_support.h"

namespace {

class LoadTest : public ReaderTest {
 protected:
  void SetUp() override {
    ReaderTest::SetUp();
    char pattern[] = "/tmp/farlight-load-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
  }
  void TearDown() override {
    std::string command = "rm -rf '" + dir_ + "'";
    EXPECT_EQ(std::system(command.c_str()), 0);
    ReaderTest::TearDown();
  }

  std::string write(const std::string& name, const Bytes& bytes) {
    std::string path = dir_ + "/" + name;
    FILE* f = std::fopen(path.c_str(), "wb");
    EXPECT_NE(f, nullptr);
    if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
    return path;
  }

  std::string dir_;
};

std::vector<std::string> openFailure(const std::string& path) {
  return {"Failed to open DIB file " + path + ".\n"};
}

TEST_F(LoadTest, LoadsTheFileAsDecodedFromMemory) {
  BitmapForm form;
  form.bitCount = 8;
  form.palette = {0x102030, 0x405060};
  form.clrUsed = 2;
  Bytes file = buildBitmap(form, 3, 2, {0, 1, 1, 1, 0, 0});
  Decoded d = takeImage(loadDibImage(write("Sun.bmp", file).c_str()));
  ASSERT_TRUE(d.ok);
  EXPECT_EQ(d.rgb, rgbBottomFirst(3, {0x102030, 0x405060, 0x405060, 0x405060, 0x102030, 0x102030}));
  EXPECT_TRUE(notices().empty());
}

TEST_F(LoadTest, FilesThatCannotBeMappedGiveOneOpenFailureWithThePath) {
  std::string fifo = dir_ + "/pipe.bmp";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);  // must be refused, not waited on
  std::string longPath = dir_ + "/" + std::string(400, 'x') + ".bmp";
  for (const std::string& path :
       {dir_ + "/missing.bmp", write("empty.bmp", {}), dir_, fifo, longPath}) {
    notices().clear();
    EXPECT_FALSE(takeImage(loadDibImage(path.c_str())).ok);
    EXPECT_EQ(notices(), openFailure(path));
  }
}

TEST_F(LoadTest, FailuresAfterMappingShowOnlyTheirOwnMessage) {
  BitmapForm form;
  form.headerSize = 124;
  std::string path = write("v5.bmp", buildBitmapWithBits(form, 2, 2, Bytes(200, 0)));
  EXPECT_FALSE(takeImage(loadDibImage(path.c_str())).ok);
  EXPECT_EQ(notices(), std::vector<std::string>{"Unknown DIB file format."});
}

TEST(Notice, HandlerCanBeReplacedAndRestored) {
  NoticeHandler original = setNoticeHandler(captureNotice);
  EXPECT_EQ(original, &showErrorBox);
  EXPECT_EQ(setNoticeHandler(nullptr), &captureNotice);
  EXPECT_EQ(setNoticeHandler(original), &showErrorBox);
}

TEST(Notice, WithoutADisplayTheBoxBecomesALineOnStandardError) {
  std::string display = getenv("DISPLAY") ? getenv("DISPLAY") : "";
  unsetenv("DISPLAY");
  unsetenv("WAYLAND_DISPLAY");
  testing::internal::CaptureStderr();
  showErrorBox("Out of memory.");
  showErrorBox("Failed to open DIB file a.bmp.\n");
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "Error: Out of memory.\nError: Failed to open DIB file a.bmp.\n");
  if (!display.empty()) setenv("DISPLAY", display.c_str(), 1);
}

}  // namespace
