#include "tools/bitmap/dib_writer.h"

#include <algorithm>
#include <cstdio>
#include <limits>
#include <utility>

namespace {

constexpr uint32_t kPixelsPerMetre = 2835;  // 72 dots per inch
constexpr uint64_t kLargestFile = std::numeric_limits<int32_t>::max();

void put16(Bytes& out, uint32_t v) {
  out.push_back(v & 0xff);
  out.push_back(v >> 8 & 0xff);
}

void put32(Bytes& out, uint32_t v) {
  put16(out, v & 0xffff);
  put16(out, v >> 16);
}

uint64_t tableBytes(const BitmapForm& form) {
  return form.palette.size() * (form.core ? 3 : 4);
}

// Everything before the bits: file header, DIB header, colour table and gap.
uint64_t bitsOffset(const BitmapForm& form) {
  return (form.fileHeader ? 14 : 0) + (form.core ? 12 : 40) + tableBytes(form) + form.gap;
}

// One stored row, rounded up to whole 32-bit words; the caller has checked that width > 0.
uint64_t strideOf(const BitmapForm& form, int32_t width) {
  return (uint64_t{form.bitCount} * static_cast<uint64_t>(width) + 31) / 32 * 4;
}

void putHeaders(Bytes& out, const BitmapForm& form, int32_t width, int32_t height) {
  uint32_t headerSize = form.headerSize ? form.headerSize : form.core ? 12 : 40;
  if (form.fileHeader) {
    put16(out, 0x4D42);  // "BM"
    put32(out, form.fileSize);
    put32(out, 0);  // both reserved words
    put32(out, static_cast<uint32_t>(bitsOffset(form)));
  }
  put32(out, headerSize);
  if (form.core) {
    put16(out, width);
    put16(out, height);
    put16(out, 1);
    put16(out, form.bitCount);
  } else {
    put32(out, width);
    put32(out, form.topDown ? -height : height);
    put16(out, 1);
    put16(out, form.bitCount);
    put32(out, form.compression);
    put32(out, form.sizeImage);
    put32(out, kPixelsPerMetre);
    put32(out, kPixelsPerMetre);
    put32(out, form.clrUsed);
    put32(out, 0);  // all colours important
  }
  for (uint32_t c : form.palette) {
    out.push_back(c & 0xff);
    out.push_back(c >> 8 & 0xff);
    out.push_back(c >> 16 & 0xff);
    if (!form.core) out.push_back(0);
  }
  out.insert(out.end(), form.gap, 0xAB);
}

void putPixel(Bytes& row, uint16_t bitCount, int32_t x, uint32_t v) {
  if (bitCount < 8) {
    int perByte = 8 / bitCount;
    int shift = 8 - bitCount * (x % perByte + 1);
    row[x / perByte] |= v << shift;
  } else if (bitCount == 8) {
    row[x] = v;
  } else if (bitCount == 16) {
    row[2 * x] = v & 0xff;
    row[2 * x + 1] = v >> 8;
  } else {
    int size = bitCount / 8;
    row[size * x] = v & 0xff;
    row[size * x + 1] = v >> 8 & 0xff;
    row[size * x + 2] = v >> 16 & 0xff;
    if (size == 4) row[size * x + 3] = 0xEE;
  }
}

// Sizes are checked here, before anything is multiplied into an offset.
bool fits(const BitmapForm& form, int32_t width, int32_t height, size_t pixelCount) {
  if (width <= 0 || height <= 0) return false;
  if (uint64_t{static_cast<uint32_t>(width)} * static_cast<uint32_t>(height) != pixelCount) {
    return false;
  }
  if (form.core && (width > 0xFFFF || height > 0xFFFF)) return false;
  return bitsOffset(form) + strideOf(form, width) * static_cast<uint64_t>(height) <= kLargestFile;
}

uint32_t packed(Rgb c) {
  return uint32_t{c.r} << 16 | uint32_t{c.g} << 8 | c.b;
}

// A shipped file is stored plainly under its header's own size, and states its own size and the
// size of its bits.
Bytes encodeShipped(BitmapForm form, uint16_t bitCount, int width, int height,
                    const std::vector<uint32_t>& pixels) {
  form.bitCount = bitCount;
  form.compression = 0;
  form.headerSize = 0;
  if (!fits(form, width, height, pixels.size())) return {};
  const uint64_t bits = strideOf(form, width) * static_cast<uint64_t>(height);
  form.sizeImage = static_cast<uint32_t>(bits);
  form.fileSize = static_cast<uint32_t>(bitsOffset(form) + bits);
  return buildBitmap(form, width, height, pixels);
}

// Sets the form's colour table from an 8-bit picture's palette; false when the palette is empty,
// too long, or misses one of the picture's indices.
bool takePalette(const IndexedPicture& picture, BitmapForm* form) {
  const size_t colours = picture.palette.size();
  if (colours == 0 || colours > 256) return false;
  for (uint8_t index : picture.indices) {
    if (index >= colours) return false;
  }
  form->palette.clear();
  for (Rgb c : picture.palette) form->palette.push_back(packed(c));
  // A core header has no colour count: an 8-bit table there always holds 256 entries.
  if (form->core) form->palette.resize(256, 0);
  form->clrUsed = form->core ? 0 : static_cast<uint32_t>(colours);
  return true;
}

// How many times row[x] repeats from x on, counting no further than `limit` pixels.
int repeatsAt(const uint8_t* row, int x, int limit) {
  int n = 1;
  while (n < limit && row[x + n] == row[x]) ++n;
  return n;
}

// One row as RLE8 codes: three or more equal pixels as a run (count, index); the stretches
// between them as absolute runs (0, count, the indices, a pad byte to a 16-bit boundary), which
// take three pixels at least; shorter stretches as runs of one or two. At most 255 pixels a code.
void putRle8Row(Bytes& out, const uint8_t* row, int width) {
  int x = 0;
  while (x < width) {
    const int run = repeatsAt(row, x, std::min(width - x, 255));
    if (run >= 3) {
      out.insert(out.end(), {static_cast<uint8_t>(run), row[x]});
      x += run;
      continue;
    }
    const int start = x;
    while (x < width && x - start < 255 && repeatsAt(row, x, std::min(width - x, 3)) < 3) ++x;
    const int count = x - start;
    if (count >= 3) {
      out.insert(out.end(), {0, static_cast<uint8_t>(count)});
      out.insert(out.end(), row + start, row + x);
      if (count % 2) out.push_back(0);
      continue;
    }
    for (int i = start; i < x;) {
      const int n = repeatsAt(row, i, x - i);
      out.insert(out.end(), {static_cast<uint8_t>(n), row[i]});
      i += n;
    }
  }
}

}  // namespace

Bytes buildBitmap(const BitmapForm& form, int32_t width, int32_t height,
                  const std::vector<uint32_t>& pixels) {
  if (!fits(form, width, height, pixels.size())) return {};
  const size_t stride = strideOf(form, width);
  Bytes bits;
  bits.reserve(stride * static_cast<size_t>(height));
  for (int32_t i = 0; i < height; ++i) {
    int32_t y = form.topDown ? i : height - 1 - i;  // the picture row stored i-th
    Bytes row(stride, 0);
    const uint32_t* values = &pixels[static_cast<size_t>(y) * static_cast<size_t>(width)];
    for (int32_t x = 0; x < width; ++x) putPixel(row, form.bitCount, x, values[x]);
    bits.insert(bits.end(), row.begin(), row.end());
  }
  return buildBitmapWithBits(form, width, height, bits);
}

Bytes buildBitmapWithBits(const BitmapForm& form, int32_t width, int32_t height,
                          const Bytes& stream) {
  Bytes out;
  putHeaders(out, form, width, height);
  out.insert(out.end(), stream.begin(), stream.end());
  return out;
}

bool writeFile(const std::string& path, const Bytes& bytes) {
  FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  const bool written =
      bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  const bool closed = std::fclose(file) == 0;
  return written && closed;
}

Bytes encodeBmp24(const Picture& picture, BitmapForm form) {
  std::vector<uint32_t> pixels;
  pixels.reserve(picture.pixels.size());
  for (Rgb c : picture.pixels) pixels.push_back(packed(c));
  form.palette.clear();
  form.clrUsed = 0;
  return encodeShipped(std::move(form), 24, picture.width, picture.height, pixels);
}

Bytes encodeBmp8(const IndexedPicture& picture, BitmapForm form) {
  if (!takePalette(picture, &form)) return {};
  return encodeShipped(std::move(form), 8, picture.width, picture.height,
                       std::vector<uint32_t>(picture.indices.begin(), picture.indices.end()));
}

Bytes encodeRle8(const IndexedPicture& picture, BitmapForm form) {
  const int width = picture.width, height = picture.height;
  if (form.core || !takePalette(picture, &form)) return {};
  form.bitCount = 8;
  form.compression = 1;  // RLE8
  form.topDown = false;
  form.headerSize = 0;
  if (!fits(form, width, height, picture.indices.size())) return {};
  Bytes stream;
  for (int y = height; y-- > 0;) {  // the bottom row first
    const size_t rowStart = static_cast<size_t>(y) * static_cast<size_t>(width);
    putRle8Row(stream, &picture.indices[rowStart], width);
    // End of line, or after the top row end of bitmap.
    stream.insert(stream.end(), {0, static_cast<uint8_t>(y > 0 ? 0 : 1)});
  }
  const uint64_t fileSize = bitsOffset(form) + stream.size();
  if (fileSize > kLargestFile) return {};
  form.sizeImage = static_cast<uint32_t>(stream.size());
  form.fileSize = static_cast<uint32_t>(fileSize);
  return buildBitmapWithBits(form, width, height, stream);
}
