// The window's size on a scaled screen (Windows opens it so; the arithmetic is the same
// everywhere).
#include <gtest/gtest.h>

#include <climits>

#include "platform/window_scale.h"

namespace {

constexpr PixelSize kAsked = {1024, 768};
constexpr PixelSize kFrame = {16, 39};
constexpr PixelSize kLargeRoom = {3840, 2112};

::testing::AssertionResult sizeIs(PixelSize actual, int width, int height) {
  if (actual.width == width && actual.height == height) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure()
         << actual.width << " x " << actual.height << ", expected " << width << " x " << height;
}

TEST(WindowScale, UnscaledScreensAndNonsenseLeaveTheSizeAsAsked) {
  for (int dpi : {96, 72, 0, -96, INT_MIN}) {
    EXPECT_TRUE(sizeIs(scaledClientSize(kAsked, dpi, kFrame, kLargeRoom), 1024, 768)) << dpi;
    // A room smaller than the window changes nothing either: the window is never made smaller.
    EXPECT_TRUE(sizeIs(scaledClientSize(kAsked, dpi, kFrame, {800, 600}), 1024, 768)) << dpi;
  }
  EXPECT_TRUE(sizeIs(scaledClientSize({0, 768}, 144, kFrame, kLargeRoom), 0, 768));
  EXPECT_TRUE(sizeIs(scaledClientSize({1024, -1}, 144, kFrame, kLargeRoom), 1024, -1));
  EXPECT_TRUE(sizeIs(scaledClientSize({INT_MAX, INT_MAX}, 480, kFrame, {}), INT_MAX, INT_MAX));
}

TEST(WindowScale, ScaledByTheScreensDpiWhereItFits) {
  EXPECT_TRUE(sizeIs(scaledClientSize(kAsked, 120, kFrame, kLargeRoom), 1280, 960));
  EXPECT_TRUE(sizeIs(scaledClientSize(kAsked, 144, kFrame, kLargeRoom), 1536, 1152));
  EXPECT_TRUE(sizeIs(scaledClientSize(kAsked, 192, kFrame, kLargeRoom), 2048, 1536));
  // Exactly the room: 1536 x 1152 in its frame.
  EXPECT_TRUE(sizeIs(scaledClientSize(kAsked, 144, kFrame, {1552, 1191}), 1536, 1152));
  // A room unknown (no larger than the frame) leaves the scale alone, up to Windows' 500 %.
  EXPECT_TRUE(sizeIs(scaledClientSize(kAsked, 144, kFrame, {}), 1536, 1152));
  EXPECT_TRUE(sizeIs(scaledClientSize(kAsked, INT_MAX, kFrame, {INT_MIN, 0}), 5120, 3840));
}

TEST(WindowScale, MadeToFitTheWorkAreaInItsShapeButNeverSmallerThanAsked) {
  struct Case {
    int dpi;
    PixelSize room;
  };
  // 150 % on a 1920 x 1080 screen above its taskbar; 200 % on 2560 x 1440; 175 % on a narrow one.
  for (const Case& c :
       {Case{144, {1920, 1032}}, Case{192, {2560, 1344}}, Case{168, {1300, 2000}}}) {
    const PixelSize size = scaledClientSize(kAsked, c.dpi, kFrame, c.room);
    EXPECT_LE(size.width + kFrame.width, c.room.width) << c.dpi;
    EXPECT_LE(size.height + kFrame.height, c.room.height) << c.dpi;
    // Touching the room on one side, 4:3 to a pixel, and larger than at 100 %.
    EXPECT_TRUE(size.width + kFrame.width == c.room.width ||
                size.height + kFrame.height == c.room.height)
        << size.width << " x " << size.height;
    EXPECT_NEAR(size.width * 3.0 / 4, size.height, 1.0) << size.width << " x " << size.height;
    EXPECT_GT(size.height, kAsked.height);
  }
  EXPECT_TRUE(sizeIs(scaledClientSize(kAsked, 144, kFrame, {1920, 1032}), 1324, 993));
  EXPECT_TRUE(sizeIs(scaledClientSize(kAsked, 144, kFrame, {1000, 700}), 1024, 768));
}

}  // namespace
