#ifndef FARLIGHT_APP_BOX_AVERAGE_H
#define FARLIGHT_APP_BOX_AVERAGE_H

#include "image/rgb_image.h"

// `image` made smaller by averaging: each pixel of the result is the rounded mean of the block of
// 2^xShift by 2^yShift source pixels it stands for. Where a side is not a whole number of blocks,
// the last block along it is cut short and averages what it covers, so no pixel is dropped.
// Fills `result` with a malloc'd pixel block (the caller frees it); false for an empty image,
// shifts outside 0 to 30, or when memory runs out.
bool averageDown(const RgbImage& image, int xShift, int yShift, RgbImage* result);

#endif
