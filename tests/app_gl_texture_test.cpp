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

#include "app/field.h"
#include "bitmap_builder.h"
#include "field_draws.h"
#include "gl_window.h"
#include "image/dib_reader.h"
#include "image/notice.h"

namespace {

int noticeCount = 0;
void countNotice(const char*) {
  ++noticeCount;
}

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
    noticeCount = 0;
    previous_ = setNoticeHandler(countNotice);
    ASSERT_NE(getcwd(home_, sizeof home_), nullptr);
  }
  void TearDown() override {
    setNoticeHandler(previous_);
    EXPECT_EQ(chdir(home_), 0);
  }

  // A folder of the shipped pictures, `changed` replaced by `bytes` (or left out when empty).
  static std::string pictureFolder(const std::string& tag, int changed, const Bytes& bytes) {
    const std::string dir = ::testing::TempDir() + "farlight-" + tag;
    std::system(("rm -rf '" + dir + "' && mkdir -p '" + dir + "'").c_str());
    for (int i = 0; i < kTextureFileCount; ++i) {
      const std::string target = dir + "/" + textureFiles[i];
      if (i != changed) {
        EXPECT_EQ(symlink((std::string(FARLIGHT_PICTURES_DIR) + "/" + textureFiles[i]).c_str(),
                          target.c_str()),
                  0);
      } else if (!bytes.empty()) {
        FILE* file = std::fopen(target.c_str(), "wb");
        std::fwrite(bytes.data(), 1, bytes.size(), file);
        std::fclose(file);
      }
    }
    return dir;
  }

  static int bodiesThatDrew(int file, unsigned seed) {
    int count = 0;
    for (int drawn : drawnFiles(seed)) count += drawn == file;
    return count;
  }

 private:
  NoticeHandler previous_ = nullptr;
  char home_[4096] = {};
};

TEST_F(RealTextures, EachBodyHoldsItsOwnCopyOfTheFileItDrew) {
  ASSERT_EQ(chdir(FARLIGHT_PICTURES_DIR), 0);
  const unsigned seed = 11;
  std::srand(seed);
  populateField();
  EXPECT_EQ(noticeCount, 0);

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
  EXPECT_EQ(names.size(), static_cast<size_t>(kBodyCount));
  EXPECT_EQ(names.count(0u), 0u);
}

TEST_F(RealTextures, OddWidthPictureReadsBackExactly) {
  std::vector<uint32_t> colors;
  for (uint32_t i = 0; i < 33 * 17; ++i) colors.push_back(i * 2654435761u >> 8);
  const std::string dir = pictureFolder("odd", 0, buildBitmap({}, 33, 17, colors));
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
  ASSERT_EQ(chdir(pictureFolder("missing", missing, {}).c_str()), 0);
  std::srand(seed);
  populateField();
  EXPECT_EQ(noticeCount, 0);
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
      chdir(pictureFolder("corrupt", corrupt, buildBitmap(form, 4, 4, std::vector<uint32_t>(16)))
                .c_str()),
      0);
  std::srand(seed);
  populateField();
  EXPECT_EQ(noticeCount, bodiesThatDrew(corrupt, seed));
  EXPECT_GT(noticeCount, 0);
  for (const Body& body : bodies) EXPECT_TRUE(body.isVisible());
}

}  // namespace
