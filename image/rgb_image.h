#pragma once

#include <cstdint>
#include <cstdlib>

#include "platform/owned_bytes.h"

// A decoded picture as the reader's entry hands it to callers: packed red, green, blue bytes, rows
// without padding, bottom row first. The record and its pixel block are malloc'd; releaseRgbImage
// gives both back.
struct RgbImage {
  int32_t width;
  int32_t height;
  unsigned char* pixels;
};

// Frees the pixel block, then the record. Null is left alone.
inline void releaseRgbImage(RgbImage* image) {
  if (image == nullptr) return;
  std::free(image->pixels);
  std::free(image);
}

// The same picture inside the program, where its pixels release themselves. No pixels means no
// picture.
struct RgbPicture {
  int32_t width = 0;
  int32_t height = 0;
  OwnedBytes pixels;
};
