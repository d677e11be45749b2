// Texture loading on the real freeglut + Mesa stack: what GL holds is read back with glGetTexImage.
#include <GL/gl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "app/box_average.h"
#include "app/field.h"
#include "app/texture.h"
#include "image/dib_reader.h"
#include "image/notice.h"
#include "tests/support/bitmap_writer.h"
#include "tests/support/field_draws.h"
#include "tests/support/gl_window.h"
#include "tests/support/notice_capture.h"
#include "tests/support/temp_folder.h"

namespace {

// The level-0 image of a texture as RGB bytes; empty when the texture holds no image.
std::vector<unsigned char> textureImage(unsigned name, int* width, int* height) {
  glBindTexture(GL_TEXTURE_2D, name);
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, width);
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, height);
  std::vector<unsigned char> rgb(3 * static_cast<size_t>(*width) * static_cast<size_t>(*height));
  if (rgb.empty()) return rgb;
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
  glPixelStorei(GL_PACK_ALIGNMENT, 4);
  return rgb;
}

class RealTextures : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(glwindow::open());
    ASSERT_NE(getcwd(home_, sizeof home_), nullptr);
  }
  void TearDown() override {
    EXPECT_EQ(chdir(home_), 0);
    for (const std::string& dir : folders_) EXPECT_TRUE(removeFolder(dir));
  }

  // A folder of the shipped pictures, `changed` replaced by `bytes` (or left out when empty).
  std::string picturesWith(const std::string& tag, int changed, const Bytes& bytes) {
    const std::string dir = pictureFolder(tag, FARLIGHT_PICTURES_DIR, changed);
    EXPECT_FALSE(dir.empty());
    if (!bytes.empty()) {
      EXPECT_TRUE(writeFile(dir + "/" + textureFiles[changed], bytes));
    }
    folders_.push_back(dir);
    return dir;
  }

  static int bodiesThatDrew(int file, unsigned seed) {
    int count = 0;
    for (int drawn : drawnFiles(seed)) count += drawn == file;
    return count;
  }

 private:
  NoticeCapture notices_;
  std::vector<std::string> folders_;
  char home_[4096] = {};
};

// Each body wears exactly its file's pixels, in one texture per file drawn.
TEST_F(RealTextures, EachBodyWearsItsFileInOneTexturePerFile) {
  ASSERT_EQ(chdir(FARLIGHT_PICTURES_DIR), 0);
  const unsigned seed = 11;
  std::srand(seed);
  populateField();
  EXPECT_TRUE(capturedNotices().empty());

  std::set<unsigned> names;
  const std::vector<int> files = drawnFiles(seed);
  for (int i = 0; i < kBodyCount; ++i) {
    names.insert(bodies[i].textureId);
    RgbImage* expected = loadDibImage(textureFiles[files[i]]);
    ASSERT_NE(expected, nullptr);
    int width = 0, height = 0;
    const std::vector<unsigned char> held = textureImage(bodies[i].textureId, &width, &height);
    EXPECT_EQ(width, expected->width);
    EXPECT_EQ(height, expected->height);
    EXPECT_TRUE(held.size() == 3u * width * height &&
                std::memcmp(held.data(), expected->pixels, held.size()) == 0)
        << "body " << i << " does not hold " << textureFiles[files[i]];
    releaseRgbImage(expected);
  }
  EXPECT_EQ(names.size(), std::set<int>(files.begin(), files.end()).size());
  EXPECT_EQ(names.count(0u), 0u);
}

TEST_F(RealTextures, OddWidthPictureReadsBackExactly) {
  std::vector<uint32_t> colors;
  for (uint32_t i = 0; i < 33 * 17; ++i) colors.push_back(i * 2654435761u >> 8);
  const std::string dir = picturesWith("odd", 0, buildBitmap({}, 33, 17, colors));
  ASSERT_EQ(chdir(dir.c_str()), 0);
  Body body;
  ASSERT_TRUE(body.loadTexture("Sun.bmp"));
  int width = 0, height = 0;
  EXPECT_EQ(textureImage(body.textureId, &width, &height), rgbBottomFirst(33, colors));
  GLint alignment = 0;
  glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
  EXPECT_EQ(alignment, 4);  // the upload leaves the unpack state as it found it
}

TEST_F(RealTextures, AMissingFileLeavesItsBodiesPlainWithoutANotice) {
  const unsigned seed = 5;
  const int missing = 3;  // the Earth
  ASSERT_GT(bodiesThatDrew(missing, seed), 0);
  ASSERT_EQ(chdir(picturesWith("missing", missing, {}).c_str()), 0);
  std::srand(seed);
  populateField();
  EXPECT_TRUE(capturedNotices().empty());
  const std::vector<int> files = drawnFiles(seed);
  for (int i = 0; i < kBodyCount; ++i) {
    int width = 0, height = 0;
    textureImage(bodies[i].textureId, &width, &height);
    EXPECT_EQ(width, files[i] == missing ? 0 : 1024) << "body " << i;
    EXPECT_TRUE(bodies[i].isVisible());
  }
}

TEST_F(RealTextures, ACorruptFileIsReportedOncePerBodyThatDrewIt) {
  const unsigned seed = 5;
  const int corrupt = 7;  // Saturn
  BitmapForm form;
  form.headerSize = 124;
  ASSERT_EQ(
      chdir(picturesWith("corrupt", corrupt, buildBitmap(form, 4, 4, std::vector<uint32_t>(16)))
                .c_str()),
      0);
  std::srand(seed);
  populateField();
  EXPECT_EQ(static_cast<int>(capturedNotices().size()), bodiesThatDrew(corrupt, seed));
  EXPECT_FALSE(capturedNotices().empty());
  for (const Body& body : bodies) EXPECT_TRUE(body.isVisible());
}

// One pixel too many for a texture: 4097 x 2048 is averaged over pairs of columns to 2049 x 2048,
// which a second body drawing the file wears too; one without the shared set averages its own.
TEST_F(RealTextures, OversizedPictureIsAveragedDownExactly) {
  std::vector<uint32_t> colors;
  for (uint32_t i = 0; i < 4097 * 2048; ++i) colors.push_back(i * 2654435761u >> 8);
  ASSERT_EQ(chdir(picturesWith("oversized", 0, buildBitmap({}, 4097, 2048, colors)).c_str()), 0);
  const Bytes read = rgbBottomFirst(4097, colors);
  const RgbPicture expected =
      averageDown(RgbImage{4097, 2048, const_cast<unsigned char*>(read.data())}, 1, 0);
  ASSERT_NE(expected.pixels, nullptr);
  const Bytes averaged(expected.pixels.get(), expected.pixels.get() + 2049 * 2048 * 3);
  SharedTextures shared;
  Body first, second, alone;
  ASSERT_TRUE(first.loadTexture("Sun.bmp", &shared));
  ASSERT_TRUE(second.loadTexture("Sun.bmp", &shared));
  ASSERT_TRUE(alone.loadTexture("Sun.bmp"));
  EXPECT_EQ(second.textureId, first.textureId);
  EXPECT_NE(alone.textureId, first.textureId);
  for (const Body* body : {&first, &alone}) {
    int width = 0, height = 0;
    EXPECT_TRUE(textureImage(body->textureId, &width, &height) == averaged);
    EXPECT_EQ(width, 2049);
    EXPECT_EQ(height, 2048);
  }
  EXPECT_TRUE(capturedNotices().empty());
}

}  // namespace
