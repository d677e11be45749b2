// Fitting a picture to a texture: how often to halve it, and averaging it down by whole blocks,
// exact bytes on tiny pictures.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "app/box_average.h"

namespace {

using Pixels = std::vector<unsigned char>;

Pixels averaged(int width, int height, Pixels pixels, int xShift, int yShift, int* outWidth,
                int* outHeight) {
  const RgbPicture result = averageDown(RgbImage{width, height, pixels.data()}, xShift, yShift);
  EXPECT_NE(result.pixels, nullptr);
  *outWidth = result.width;
  *outHeight = result.height;
  return Pixels(result.pixels.get(), result.pixels.get() + result.width * result.height * 3);
}

// A GL that takes sides up to glSide, and the largest pixel count it was asked about.
int64_t glSide = 0, largestAsked = 0;
bool takesUpToGlSide(int64_t width, int64_t height) {
  largestAsked = std::max(largestAsked, width * height);
  return width <= glSide && height <= glSide;
}

// The GL is asked only about sizes within the pixel count, which alone may call for halving.
TEST(FitPolicy, HalvesTheLongerSideUntilThePixelCountAndTheGlAllowIt) {
  struct Case {
    int64_t width, height, glSide;
    int x, y;
  };
  const Case cases[] = {
      {4096, 2048, 16384, 0, 0},    // fits as it is
      {4097, 2048, 16384, 1, 0},    // one pixel too many: the longer side alone
      {16384, 16384, 16384, 3, 3},  // equal sides halve together
      {5, 3, 2, 2, 1},              // a side the GL refuses: 3 x 3, then 2 x 2
      {65536, 1, 16384, 2, 0},      // long and thin
  };
  for (const Case& c : cases) {
    glSide = c.glSide;
    largestAsked = 0;
    Halvings halvings;
    ASSERT_TRUE(halvingsToFit(c.width, c.height, takesUpToGlSide, &halvings)) << c.width;
    EXPECT_EQ(halvings.x, c.x) << c.width << " x " << c.height;
    EXPECT_EQ(halvings.y, c.y) << c.width << " x " << c.height;
    EXPECT_LE(largestAsked, kMaxTexturePixels);
  }
  glSide = 0;
  Halvings none;
  EXPECT_FALSE(halvingsToFit(3, 2, takesUpToGlSide, &none)) << "not even a pixel fits";
}

// 3 x 3 halved both ways: a full 2 x 2 block, two cut to 1 x 2 and 2 x 1, and the lone corner.
// Means round half up: (10 + 11 + 13 + 14) / 4 = 12, (1 + 2) / 2 = 2 (1.5).
TEST(BoxAverage, OddSidesKeepTheirLastPixelsInShorterBlocks) {
  const Pixels pixels = {10, 0, 1,   11, 0, 2,   90, 9, 200,  // bottom row
                         13, 0, 1,   14, 0, 2,   91, 9, 100,  //
                         40, 1, 255, 41, 2, 255, 70, 5, 7};   // top row
  int width = 0, height = 0;
  EXPECT_EQ(averaged(3, 3, pixels, 1, 1, &width, &height),
            (Pixels{12, 0, 2, 91, 9, 150, 41, 2, 255, 70, 5, 7}));
  EXPECT_EQ(width, 2);
  EXPECT_EQ(height, 2);
}

TEST(BoxAverage, OneSideAloneByFourAndNoShiftIsACopy) {
  const Pixels row = {0, 0, 0, 4, 4, 4, 8, 8, 8, 255, 255, 255, 7, 200, 1};
  int width = 0, height = 0;
  EXPECT_EQ(averaged(5, 1, row, 2, 0, &width, &height), (Pixels{67, 67, 67, 7, 200, 1}));
  EXPECT_EQ(width, 2);
  EXPECT_EQ(averaged(1, 5, row, 0, 0, &width, &height), row);
  EXPECT_EQ(height, 5);
  EXPECT_EQ(averaged(5, 1, row, 30, 30, &width, &height), (Pixels{55, 93, 54}));
}

}  // namespace
