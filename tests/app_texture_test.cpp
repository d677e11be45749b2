// Texture loading against the recording GL double, with real files through the real reader.
#include <GL/gl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "app/body.h"
#include "app/texture.h"
#include "gl_double.h"
#include "image/notice.h"
#include "tests/support/bitmap_writer.h"
#include "tests/support/field_draws.h"
#include "tests/support/notice_capture.h"
#include "tests/support/temp_folder.h"

namespace {

using gldouble::call;

class TextureLoad : public ::testing::Test {
 protected:
  const std::string folder_ = freshFolder("texture");

  void SetUp() override { ASSERT_FALSE(folder_.empty()); }
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
    return {call("glTexImage2D", GL_PROXY_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_RGBA,
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
  const std::vector<std::string> upload = {proxy(5, 3)[0],
                                           proxy(5, 3)[1],
                                           call("glPushClientAttrib", GL_CLIENT_PIXEL_STORE_BIT),
                                           call("glPixelStorei", GL_UNPACK_ALIGNMENT, 1),
                                           call("glTexImage2D", GL_TEXTURE_2D, 0, GL_RGBA8, 5, 3, 0,
                                                GL_RGBA, GL_UNSIGNED_BYTE, "pixels"),
                                           call("glPopClientAttrib")};
  expected.insert(expected.end(), upload.begin(), upload.end());
  for (const std::string& line : tail()) expected.push_back(line);
  EXPECT_EQ(gldouble::calls(), expected);
  EXPECT_TRUE(capturedNotices().empty());
}

// A side the GL refuses is halved until the proxy takes it; 5 x 3 against a limit of 2 goes 3 x 3,
// then 2 x 2. Only that last size is uploaded, and a second body drawing the same file through
// the same SharedTextures wears that texture: no read, no averaging, no upload.
TEST_F(TextureLoad, PictureTheGlRefusesIsAveragedDownUntilItFitsOnce) {
  gldouble::state().maxTextureSize = 2;
  const std::string path =
      write("wide.bmp", buildBitmap({}, 5, 3, std::vector<uint32_t>(15, 0x102030)));
  SharedTextures shared;
  Body first, second;
  EXPECT_TRUE(first.loadTexture(path.c_str(), &shared));
  EXPECT_TRUE(second.loadTexture(path.c_str(), &shared));
  std::vector<std::string> expected = head(1);
  for (const auto& size : {std::pair(5, 3), std::pair(3, 3), std::pair(2, 2)}) {
    for (const std::string& line : proxy(size.first, size.second)) expected.push_back(line);
  }
  const std::vector<std::string> upload = {call("glPushClientAttrib", GL_CLIENT_PIXEL_STORE_BIT),
                                           call("glPixelStorei", GL_UNPACK_ALIGNMENT, 1),
                                           call("glTexImage2D", GL_TEXTURE_2D, 0, GL_RGBA8, 2, 2, 0,
                                                GL_RGBA, GL_UNSIGNED_BYTE, "pixels"),
                                           call("glPopClientAttrib")};
  expected.insert(expected.end(), upload.begin(), upload.end());
  for (int body = 0; body < 2; ++body) {
    for (const std::string& line : tail()) expected.push_back(line);
  }
  EXPECT_EQ(gldouble::calls(), expected);
  EXPECT_EQ(second.textureId, 1u);
  EXPECT_TRUE(capturedNotices().empty());
}

// The field's thirty bodies over eleven files: one upload per file drawn, and every body that drew
// a file wears its texture. A file rewritten afterwards is another file: read and uploaded anew.
TEST_F(TextureLoad, FieldUploadsEachFileItDrawsOnceAndItsBodiesShareTheTexture) {
  for (int i = 0; i < kTextureFileCount; ++i) {
    write(textureFiles[i], buildBitmap({}, 4, 2, std::vector<uint32_t>(8, 0x010101u * i)));
  }
  const std::filesystem::path home = std::filesystem::current_path();
  std::filesystem::current_path(folder_);
  const unsigned seed = 7;
  std::srand(seed);
  populateField();
  const std::vector<int> files = drawnFiles(seed);
  std::map<int, unsigned> textureOf;
  for (int i = 0; i < kBodyCount; ++i) {
    const auto [first, added] = textureOf.emplace(files[i], bodies[i].textureId);
    EXPECT_EQ(bodies[i].textureId, first->second) << "body " << i;
  }
  std::set<unsigned> distinct;
  for (const auto& entry : textureOf) distinct.insert(entry.second);
  EXPECT_EQ(distinct.size(), textureOf.size());
  const auto uploads = [] {
    const std::string upload = "glTexImage2D(" + std::to_string(GL_TEXTURE_2D) + ",";
    return std::count_if(gldouble::calls().begin(), gldouble::calls().end(),
                         [&](const std::string& line) { return line.rfind(upload, 0) == 0; });
  };
  EXPECT_EQ(uploads(), static_cast<long>(textureOf.size()));
  EXPECT_LE(textureOf.size(), static_cast<size_t>(kTextureFileCount));

  SharedTextures shared;
  Body before, after;
  EXPECT_TRUE(before.loadTexture("Sun.bmp", &shared));
  write("Sun.bmp", buildBitmap({}, 8, 2, std::vector<uint32_t>(16, 0xFFFFFF)));
  EXPECT_TRUE(after.loadTexture("Sun.bmp", &shared));
  EXPECT_NE(after.textureId, before.textureId);
  EXPECT_EQ(uploads(), static_cast<long>(textureOf.size()) + 2);
  std::filesystem::current_path(home);
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

// Nothing of a refused file is shared: each body that draws it reads it, gets the reader's notice
// and a name of its own.
TEST_F(TextureLoad, UnreadableFileIsReportedOncePerBodyAndLeftWithoutAnImage) {
  BitmapForm form;
  form.headerSize = 108;
  const std::string path = write("v4.bmp", buildBitmap(form, 2, 2, std::vector<uint32_t>(4, 0)));
  SharedTextures shared;
  Body first, second;
  EXPECT_TRUE(first.loadTexture(path.c_str(), &shared));
  EXPECT_TRUE(second.loadTexture(path.c_str(), &shared));
  EXPECT_EQ(capturedNotices(), std::vector<std::string>(2, "Unknown DIB file format."));
  EXPECT_EQ(first.textureId, 1u);
  EXPECT_EQ(second.textureId, 2u);
  for (const std::string& line : gldouble::calls())
    EXPECT_EQ(line.find("glTexImage2D"), std::string::npos);
}

}  // namespace
