// Texture loading against the recording GL double, with real files through the real reader.
#include <GL/gl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "app/body.h"
#include "gl_double.h"
#include "image/notice.h"
#include "tests/support/bitmap_writer.h"
#include "tests/support/notice_capture.h"
#include "tests/support/temp_folder.h"

namespace {

using gldouble::call;

class TextureLoad : public ::testing::Test {
 protected:
  const std::string folder_ = freshFolder("texture");

  void SetUp() override {
    gldouble::reset();
    ASSERT_FALSE(folder_.empty());
  }
  void TearDown() override { EXPECT_TRUE(removeFolder(folder_)); }

  std::string write(const std::string& name, const Bytes& bytes) {
    const std::string path = folder_ + "/" + name;
    EXPECT_TRUE(writeFile(path, bytes));
    return path;
  }

  // The calls that frame every load: a name, its binding and linear filters ...
  static std::vector<std::string> head(unsigned name) {
    return {call("glGenTextures", 1), call("glBindTexture", GL_TEXTURE_2D, name),
            call("glTexParameteri", GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR),
            call("glTexParameteri", GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR)};
  }
  // The question put to the proxy texture before an upload: will it take this size?
  static std::vector<std::string> proxy(int width, int height) {
    return {call("glTexImage2D", GL_PROXY_TEXTURE_2D, 0, 3, width, height, 0, GL_RGB,
                 GL_UNSIGNED_BYTE, "null"),
            call("glGetTexLevelParameteriv", GL_PROXY_TEXTURE_2D, 0, GL_TEXTURE_WIDTH)};
  }
  // ... and texturing switched on, modulated by the current colour.
  static std::vector<std::string> tail() {
    return {call("glEnable", GL_TEXTURE_2D),
            call("glTexEnvi", GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE)};
  }

 private:
  NoticeCapture notices_;
};

TEST_F(TextureLoad, UploadsTheImageAtItsSizeWithUnpaddedRowsThenEnablesModulation) {
  const std::string path =
      write("odd.bmp", buildBitmap({}, 5, 3, std::vector<uint32_t>(15, 0x102030)));
  Body body;
  EXPECT_TRUE(body.loadTexture(path.c_str()));
  EXPECT_EQ(body.textureId, 1u);

  std::vector<std::string> expected = head(1);
  const std::vector<std::string> upload = {
      proxy(5, 3)[0],
      proxy(5, 3)[1],
      call("glPushClientAttrib", GL_CLIENT_PIXEL_STORE_BIT),
      call("glPixelStorei", GL_UNPACK_ALIGNMENT, 1),
      call("glTexImage2D", GL_TEXTURE_2D, 0, 3, 5, 3, 0, GL_RGB, GL_UNSIGNED_BYTE, "pixels"),
      call("glPopClientAttrib")};
  expected.insert(expected.end(), upload.begin(), upload.end());
  for (const std::string& line : tail()) expected.push_back(line);
  EXPECT_EQ(gldouble::calls(), expected);
  EXPECT_TRUE(capturedNotices().empty());
}

// A side the GL refuses is halved until the proxy takes it; 5 x 3 against a limit of 2 goes 3 x 3,
// then 2 x 2. Only that last size is uploaded, and a second body drawing the same file copies it
// from the first one's texture rather than reading and averaging again.
TEST_F(TextureLoad, PictureTheGlRefusesIsAveragedDownUntilItFitsOnce) {
  gldouble::state().maxTextureSize = 2;
  const std::string path =
      write("wide.bmp", buildBitmap({}, 5, 3, std::vector<uint32_t>(15, 0x102030)));
  Body first, second;
  EXPECT_TRUE(first.loadTexture(path.c_str()));
  EXPECT_TRUE(second.loadTexture(path.c_str()));
  const std::vector<std::string> upload = {
      call("glPushClientAttrib", GL_CLIENT_PIXEL_STORE_BIT),
      call("glPixelStorei", GL_UNPACK_ALIGNMENT, 1),
      call("glTexImage2D", GL_TEXTURE_2D, 0, 3, 2, 2, 0, GL_RGB, GL_UNSIGNED_BYTE, "pixels"),
      call("glPopClientAttrib")};
  std::vector<std::string> expected = head(1);
  for (const auto& size : {std::pair(5, 3), std::pair(3, 3), std::pair(2, 2)}) {
    for (const std::string& line : proxy(size.first, size.second)) expected.push_back(line);
  }
  expected.insert(expected.end(), upload.begin(), upload.end());
  for (const std::string& line : tail()) expected.push_back(line);
  for (const std::string& line : head(2)) expected.push_back(line);
  const std::vector<std::string> copy = {
      call("glBindTexture", GL_TEXTURE_2D, 1),
      call("glGetTexLevelParameteriv", GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH),
      call("glGetTexLevelParameteriv", GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT),
      call("glPushClientAttrib", GL_CLIENT_PIXEL_STORE_BIT),
      call("glPixelStorei", GL_PACK_ALIGNMENT, 1),
      call("glGetTexImage", GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE),
      call("glPopClientAttrib"),
      call("glBindTexture", GL_TEXTURE_2D, 2)};
  expected.insert(expected.end(), copy.begin(), copy.end());
  expected.insert(expected.end(), upload.begin(), upload.end());
  for (const std::string& line : tail()) expected.push_back(line);
  EXPECT_EQ(gldouble::calls(), expected);
  EXPECT_TRUE(capturedNotices().empty());
}

TEST_F(TextureLoad, NullPathReturnsFalseAndTouchesNoGlState) {
  Body body;
  EXPECT_FALSE(body.loadTexture(nullptr));
  EXPECT_TRUE(gldouble::calls().empty());
  EXPECT_EQ(body.textureId, 0u);
}

TEST_F(TextureLoad, MissingFileGetsANameButNoUploadAndNoNotice) {
  Body body;
  EXPECT_TRUE(body.loadTexture((folder_ + "/no-such-planet.bmp").c_str()));
  std::vector<std::string> expected = head(1);
  for (const std::string& line : tail()) expected.push_back(line);
  EXPECT_EQ(gldouble::calls(), expected);
  EXPECT_TRUE(capturedNotices().empty());
}

TEST_F(TextureLoad, UnreadableFileIsReportedOnceAndLeftWithoutAnImage) {
  BitmapForm form;
  form.headerSize = 108;
  const std::string path = write("v4.bmp", buildBitmap(form, 2, 2, std::vector<uint32_t>(4, 0)));
  Body first, second;
  EXPECT_TRUE(first.loadTexture(path.c_str()));
  EXPECT_TRUE(second.loadTexture(path.c_str()));
  EXPECT_EQ(capturedNotices(), std::vector<std::string>(2, "Unknown DIB file format."));
  EXPECT_EQ(first.textureId, 1u);  // each body owns its own name, even for the same file
  EXPECT_EQ(second.textureId, 2u);
  for (const std::string& line : gldouble::calls())
    EXPECT_EQ(line.find("glTexImage2D"), std::string::npos);
}

}  // namespace
