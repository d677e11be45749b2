// Writes Windows bitmaps: the plain forms the painter ships, and any layout a test wants (odd
// headers, gaps, run-length streams). One header writer serves both.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

using Bytes = std::vector<unsigned char>;

// How a bitmap is laid out in its file. Every field is written as given.
struct BitmapForm {
  bool fileHeader = true;  // false writes a bare DIB
  bool core = false;       // 12-byte header with 3-byte table entries, else the 40-byte one
  uint16_t bitCount = 24;
  uint32_t compression = 0;
  bool topDown = false;           // negative height, top row stored first
  std::vector<uint32_t> palette;  // 0xRRGGBB, every entry written to the table
  uint32_t clrUsed = 0;
  uint32_t sizeImage = 0;
  uint32_t gap = 0;         // bytes between the table and the bits
  uint32_t headerSize = 0;  // stored in place of 12 or 40 when nonzero
  uint32_t fileSize = 0;    // the file header's size field, which readers ignore
};

// A file holding the picture `pixels`, given top row first: palette indices up to 8 bits, the
// raw 5-5-5 value at 16 bits, 0xRRGGBB at 24 and 32 bits (whose fourth byte is written as 0xEE).
// Empty when `pixels` does not hold width x height values or the file would pass 2 GiB.
Bytes buildBitmap(const BitmapForm& form, int32_t width, int32_t height,
                  const std::vector<uint32_t>& pixels);

// A file whose bits are `stream` as given (a run-length stream, or bytes for any other form).
// Sizes are written as given, however absurd: that is what hostile files are made of.
Bytes buildBitmapWithBits(const BitmapForm& form, int32_t width, int32_t height,
                          const Bytes& stream);

// Writes `bytes` (none makes an empty file) to `path`; false unless all of it is written.
bool writeFile(const std::string& path, const Bytes& bytes);

// The painter's side: pictures as painted, written in the forms a shipped picture takes.
struct Rgb {
  uint8_t r, g, b;
};

// Rows top first, width * height pixels.
struct Picture {
  int width = 0;
  int height = 0;
  std::vector<Rgb> pixels;
};

// Colour indices into a palette of at most 256 colours.
struct IndexedPicture {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> indices;
  std::vector<Rgb> palette;
};

// The file's bytes in `form`'s layout (file header or bare, core or info header, row order),
// with the bit count, colour table and sizes the picture calls for; empty when the picture does
// not fit the form (inconsistent sizes, a core header's 16-bit sizes, an index beyond the
// palette, or a file larger than 2 GiB).
Bytes encodeBmp24(const Picture& picture, BitmapForm form);
Bytes encodeBmp8(const IndexedPicture& picture, BitmapForm form);
// The 8-bit picture run-length encoded (RLE8), bottom-up whatever the form says, as compressed
// bitmaps are; empty also for a core header, which cannot say it is compressed.
Bytes encodeRle8(const IndexedPicture& picture, BitmapForm form);
