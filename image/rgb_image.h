#pragma once

#include <cstdint>

// A decoded picture: packed red, green, blue bytes, rows without padding, bottom row first.
// The record and its pixel block are malloc'd; the owner frees the pixels, then the record.
struct RgbImage {
  int32_t width;
  int32_t height;
  unsigned char* pixels;
};
