// Writes pictures as Windows bitmaps in the handful of forms Farlight's reader accepts.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct Rgb {
  uint8_t r, g, b;
};

// A picture as it is painted: rows top first, width * height pixels.
struct Picture {
  int width = 0;
  int height = 0;
  std::vector<Rgb> pixels;
};

// A picture of colour indices into a palette of at most 256 colours.
struct IndexedPicture {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> indices;
  std::vector<Rgb> palette;
};

enum class DibHeader { kCore12, kInfo40 };

struct BmpForm {
  DibHeader header = DibHeader::kInfo40;
  bool fileHeader = true;  // false writes a bare DIB
};

// The file's bytes, bottom row first; empty when the picture does not fit the form
// (inconsistent sizes, a core header's 16-bit sizes, or a file larger than 2 GiB).
std::vector<uint8_t> encodeBmp24(const Picture& picture, BmpForm form);
std::vector<uint8_t> encodeBmp8(const IndexedPicture& picture, BmpForm form);

bool writeFile(const std::string& path, const std::vector<uint8_t>& bytes);
