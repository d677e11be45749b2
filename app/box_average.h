#ifndef FARLIGHT_APP_BOX_AVERAGE_H
#define FARLIGHT_APP_BOX_AVERAGE_H

#include <cstdint>

#include "image/rgb_image.h"

// 4096 x 2048: a picture beyond this many pixels is averaged down before it becomes a texture, so
// that even thirty bodies wearing the largest pictures the reader takes hold at most 32 MiB of
// texture memory each, and none waits on a gigabyte-sized upload.
constexpr int64_t kMaxTexturePixels = int64_t(4096) * 2048;

// How often each side of a picture is halved before it becomes a texture.
struct Halvings {
  int x = 0;
  int y = 0;
};

// The halvings (each rounding up) after which a width x height picture has at most
// kMaxTexturePixels pixels and a size `accepts` takes, which is asked only of sizes within that
// count: the longer side each time, both when they are equal. False if not even a single pixel
// would do.
bool halvingsToFit(int64_t width, int64_t height, bool (*accepts)(int64_t width, int64_t height),
                   Halvings* halvings);

// `image` made smaller by averaging: each pixel of the result is the rounded mean of the block of
// 2^xShift by 2^yShift source pixels it stands for. Where a side is not a whole number of blocks,
// the last block along it is cut short and averages what it covers, so no pixel is dropped.
// No pixels for an empty image, shifts outside 0 to 30, or when memory runs out.
RgbPicture averageDown(const RgbImage& image, int xShift, int yShift);

#endif
