#pragma once

#include <cstddef>
#include <cstdint>

// The 40-byte info header that every accepted bitmap is brought to.
struct InfoHeader {
  uint32_t size;
  int32_t width;
  int32_t height;  // negative: the top row is stored first
  uint16_t planes;
  uint16_t bitCount;
  uint32_t compression;
  uint32_t sizeImage;
  int32_t xPelsPerMeter;
  int32_t yPelsPerMeter;
  uint32_t clrUsed;
  uint32_t clrImportant;
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
  InfoHeader info;
  ColorEntry* colors;  // colorCount entries, malloc'd
  uint16_t colorCount;
  uint64_t bitsOffset;
};

enum class HeaderStatus { ok, unknownFormat, outOfMemory };

// Fills `header` from the file image. A file too short for its headers or its colour table, or
// with a header size other than 12 or 40, is an unknown format; nothing is then left allocated.
HeaderStatus readWorkingHeader(const unsigned char* file, size_t size, WorkingHeader* header);

void releaseWorkingHeader(WorkingHeader* header);
