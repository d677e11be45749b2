#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

using Bytes = std::vector<unsigned char>;

// How a test bitmap is laid out in its file.
struct BitmapForm {
  bool fileHeader = true;
  bool core = false;  // 12-byte header with 3-byte table entries, else the 40-byte one
  uint16_t bitCount = 24;
  uint32_t compression = 0;
  bool topDown = false;           // negative height, top row stored first
  std::vector<uint32_t> palette;  // 0xRRGGBB, every entry written to the table
  uint32_t clrUsed = 0;
  uint32_t sizeImage = 0;
  uint32_t gap = 0;         // bytes between the table and the bits
  uint32_t headerSize = 0;  // stored in place of 12 or 40 when nonzero
};

// A file holding the picture `pixels`, given top row first: palette indices up to 8 bits, the
// raw 5-5-5 value at 16 bits, 0xRRGGBB at 24 and 32 bits (whose fourth byte is written as 0xEE).
Bytes buildBitmap(const BitmapForm& form, int32_t width, int32_t height,
                  const std::vector<uint32_t>& pixels);

// A file whose bits are `stream` as given (a run-length stream, or bytes for any other form).
Bytes buildBitmapWithBits(const BitmapForm& form, int32_t width, int32_t height,
                          const Bytes& stream);

// What the reader should return for a picture of 0xRRGGBB values given top row first.
Bytes rgbBottomFirst(int32_t width, const std::vector<uint32_t>& colors);
