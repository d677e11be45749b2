// Averaging a picture down by whole blocks, exact bytes on tiny pictures.
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "app/box_average.h"

namespace {

using Pixels = std::vector<unsigned char>;

Pixels averaged(int width, int height, Pixels pixels, int xShift, int yShift, int* outWidth,
                int* outHeight) {
  const RgbImage image{width, height, pixels.data()};
  RgbImage result{};
  EXPECT_TRUE(averageDown(image, xShift, yShift, &result));
  *outWidth = result.width;
  *outHeight = result.height;
  Pixels bytes(result.pixels, result.pixels + result.width * result.height * 3);
  std::free(result.pixels);
  return bytes;
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
