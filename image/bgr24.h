#pragma once

#include <cstddef>
#include <cstdint>

#include "image/working_header.h"
#include "platform/owned_bytes.h"

// Longest side the reader takes on: the most GL promises for a texture, and it keeps renderings
// and results below 1 GiB each.
constexpr int32_t kMaxImageSide = 16384;

// A bitmap rendered as 24-bit rows (blue, green, red per pixel, each row padded to 4 bytes), the
// rows in the order the source stores them. A 24-bit source is its own rendering; other
// uncompressed sources render one row at a time as it is asked for, so the rendering stays in
// cache; run-length streams are decoded whole up front.
struct Bgr24Rendering {
  int32_t width = 0;
  int32_t rowCount = 0;
  bool topDown = false;  // the first row is the top of the picture
  uint16_t bitCount = 0;
  const unsigned char* source = nullptr;
  size_t sourceStride = 0;
  uint32_t palette[256] = {};  // blue, green, red, 0 in memory order; black past the colour table
  OwnedBytes storage;          // the row being rendered, or the whole decoded stream
  size_t storageStride = 0;
  bool whole = false;  // storage holds every row
};

// Prepares the rendering of the bits that follow `header` (`bitsSize` bytes of them). Refuses
// pictures it has no rendering for, of no pixels, with a side over kMaxImageSide, or whose bits
// do not cover every row.
DibFailure convertToBgr24(const WorkingHeader& header, const unsigned char* bits, size_t bitsSize,
                          Bgr24Rendering* rendering);

// Row `row` (0 is the first stored) of the rendering: 3 * width bytes, valid until the next call.
const unsigned char* bgr24Row(Bgr24Rendering* rendering, int32_t row);
