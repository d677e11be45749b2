#include "bmp_writer.h"

#include <cstdio>
#include <limits>

namespace {

constexpr uint64_t kFileHeaderBytes = 14;
constexpr uint32_t kPixelsPerMetre = 2835;  // 72 dots per inch

struct Layout {
  uint64_t headerBytes;  // file header, if any, plus DIB header
  uint64_t tableBytes;
  uint64_t stride;  // one stored row, padded to a multiple of 4 bytes
  uint64_t total;
};

void put16(std::vector<uint8_t>& out, uint32_t value) {
  out.push_back(static_cast<uint8_t>(value));
  out.push_back(static_cast<uint8_t>(value >> 8));
}

void put32(std::vector<uint8_t>& out, uint32_t value) {
  put16(out, value & 0xFFFF);
  put16(out, value >> 16);
}

bool pixelCountIs(int width, int height, size_t count) {
  if (width <= 0 || height <= 0) return false;
  return static_cast<uint64_t>(width) * static_cast<uint64_t>(height) == count;
}

// Sizes are checked here, before anything is multiplied into an offset.
bool planLayout(int width, int height, int bitsPerPixel, size_t tableEntries, BmpForm form,
                Layout* layout) {
  const bool core = form.header == DibHeader::kCore12;
  if (core && (width > 0xFFFF || height > 0xFFFF)) return false;
  if (tableEntries > 256) return false;
  layout->headerBytes = (form.fileHeader ? kFileHeaderBytes : 0) + (core ? 12 : 40);
  layout->tableBytes = tableEntries * (core ? 3 : 4);
  layout->stride = (static_cast<uint64_t>(width) * bitsPerPixel + 31) / 32 * 4;
  const uint64_t bits = layout->stride * static_cast<uint64_t>(height);
  layout->total = layout->headerBytes + layout->tableBytes + bits;
  return layout->total <= static_cast<uint64_t>(std::numeric_limits<int32_t>::max());
}

void putHeaders(std::vector<uint8_t>& out, const Layout& layout, int width, int height,
                int bitsPerPixel, size_t tableEntries, BmpForm form) {
  const uint32_t bitsOffset = static_cast<uint32_t>(layout.headerBytes + layout.tableBytes);
  if (form.fileHeader) {
    put16(out, 0x4D42);  // "BM"
    put32(out, static_cast<uint32_t>(layout.total));
    put32(out, 0);  // both reserved words
    put32(out, bitsOffset);
  }
  if (form.header == DibHeader::kCore12) {
    put32(out, 12);
    put16(out, static_cast<uint32_t>(width));
    put16(out, static_cast<uint32_t>(height));
    put16(out, 1);
    put16(out, static_cast<uint32_t>(bitsPerPixel));
    return;
  }
  put32(out, 40);
  put32(out, static_cast<uint32_t>(width));
  put32(out, static_cast<uint32_t>(height));  // positive: bottom row stored first
  put16(out, 1);
  put16(out, static_cast<uint32_t>(bitsPerPixel));
  put32(out, 0);  // uncompressed
  put32(out, static_cast<uint32_t>(layout.stride * static_cast<uint64_t>(height)));
  put32(out, kPixelsPerMetre);
  put32(out, kPixelsPerMetre);
  put32(out, static_cast<uint32_t>(tableEntries));
  put32(out, 0);  // all colours important
}

void padRow(std::vector<uint8_t>& out, size_t rowStart, const Layout& layout) {
  out.resize(rowStart + layout.stride, 0);
}

}  // namespace

std::vector<uint8_t> encodeBmp24(const Picture& picture, BmpForm form) {
  const int w = picture.width;
  const int h = picture.height;
  Layout layout;
  if (!pixelCountIs(w, h, picture.pixels.size()) || !planLayout(w, h, 24, 0, form, &layout)) {
    return {};
  }
  std::vector<uint8_t> out;
  out.reserve(layout.total);
  putHeaders(out, layout, w, h, 24, 0, form);
  for (int y = h - 1; y >= 0; --y) {
    const size_t rowStart = out.size();
    const Rgb* row = &picture.pixels[static_cast<size_t>(y) * w];
    for (int x = 0; x < w; ++x) {
      out.push_back(row[x].b);
      out.push_back(row[x].g);
      out.push_back(row[x].r);
    }
    padRow(out, rowStart, layout);
  }
  return out;
}

std::vector<uint8_t> encodeBmp8(const IndexedPicture& picture, BmpForm form) {
  const int w = picture.width;
  const int h = picture.height;
  const size_t colours = picture.palette.size();
  if (colours == 0 || !pixelCountIs(w, h, picture.indices.size())) return {};
  for (uint8_t index : picture.indices) {
    if (index >= colours) return {};
  }
  // A core header has no colour count: an 8-bit table there always holds 256 entries.
  const bool core = form.header == DibHeader::kCore12;
  const size_t entries = core ? 256 : colours;
  Layout layout;
  if (!planLayout(w, h, 8, entries, form, &layout)) return {};
  std::vector<uint8_t> out;
  out.reserve(layout.total);
  putHeaders(out, layout, w, h, 8, entries, form);
  for (size_t i = 0; i < entries; ++i) {
    const Rgb c = i < colours ? picture.palette[i] : Rgb{0, 0, 0};
    out.push_back(c.b);
    out.push_back(c.g);
    out.push_back(c.r);
    if (!core) out.push_back(0);
  }
  for (int y = h - 1; y >= 0; --y) {
    const size_t rowStart = out.size();
    const uint8_t* row = &picture.indices[static_cast<size_t>(y) * w];
    out.insert(out.end(), row, row + w);
    padRow(out, rowStart, layout);
  }
  return out;
}

bool writeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  if (bytes.empty()) return false;
  FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  const bool closed = std::fclose(file) == 0;
  return written && closed;
}
