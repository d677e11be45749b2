#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "image/dib_failure.h"
#include "platform/owned_bytes.h"

// What the rendering needs of the 40-byte info header that every accepted bitmap is brought to.
struct InfoHeader {
  int32_t width;
  int32_t height;  // negative: the top row is stored first
  uint16_t bitCount;
  uint32_t compression;
};

enum : uint32_t { kBiRgb = 0, kBiRle8 = 1, kBiRle4 = 2 };

struct ColorEntry {
  unsigned char blue;
  unsigned char green;
  unsigned char red;
  unsigned char reserved;
};

// A bitmap's header in the one form the conversion takes, with its colour table and where its
// bits start in the file (possibly at or past the end, which leaves no bits at all).
struct WorkingHeader {
  InfoHeader info{};
  std::unique_ptr<ColorEntry[], FreeDeleter> colors;  // colorCount entries; none when 0
  uint16_t colorCount = 0;
  uint64_t bitsOffset = 0;
};

// Number of colour-table entries that the DIB header at `header` calls for: biClrUsed's low 16
// bits when the 40-byte form names some, else 2, 16 or 256 for 1, 4 or 8 bits, else none. Any
// size but 12 is read as the 40-byte form. Returns false, leaving *count alone, when the fields it
// has to read lie beyond `available` bytes.
bool colorTableCount(const unsigned char* header, size_t available, uint16_t* count);

// Fills `header` from the file image. A file too short for its headers or its colour table, or
// with a header size other than 12 or 40, is refused.
DibFailure readWorkingHeader(const unsigned char* file, size_t size, WorkingHeader* header);
