#include "image/dib_reader.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "image/bgr24.h"
#include "image/file_map.h"
#include "image/notice.h"
#include "image/working_header.h"

unsigned char errorPopups = 1;

namespace {

const char kOutOfMemory[] = "Out of memory.";
const char kUnknownFormat[] = "Unknown DIB file format.";
const char kConversionError[] = "Image file conversion error.";

void report(const char* text) {
  if (errorPopups != 0) showNotice(text);
}

// The text is sized to the path, so a long path is shown whole.
void reportOpenFailure(const char* path) {
  if (errorPopups == 0) return;
  const char format[] = "Failed to open DIB file %s.\n";
  size_t size = std::strlen(path) + sizeof format;
  char* text = static_cast<char*>(std::malloc(size));
  if (text == nullptr) {
    showNotice(kOutOfMemory);
    return;
  }
  std::snprintf(text, size, format, path);
  showNotice(text);
  std::free(text);
}

inline uint32_t load32(const unsigned char* p) {
  uint32_t v;
  std::memcpy(&v, p, 4);
  return v;
}

inline void store32(unsigned char* p, uint32_t v) {
  std::memcpy(p, &v, 4);
}

// Blue, green, red to red, green, blue. Four pixels are three 32-bit words, so the bulk of a row
// moves a word at a time; this assumes a little-endian host, as the bitmap format does.
void bgrToRgb(const unsigned char* src, unsigned char* dst, int32_t width) {
  int32_t x = 0;
  for (; x + 4 <= width; x += 4, src += 12, dst += 12) {
    uint32_t a = load32(src);      // b0 g0 r0 b1
    uint32_t b = load32(src + 4);  // g1 r1 b2 g2
    uint32_t c = load32(src + 8);  // r2 b3 g3 r3
    store32(dst, (a >> 16 & 0xff) | (a & 0xff00) | (a & 0xff) << 16 | (b >> 8 & 0xff) << 24);
    store32(dst + 4, (b & 0xff) | (a >> 24) << 8 | (c & 0xff) << 16 | (b & 0xff000000));
    store32(dst + 8, (b >> 16 & 0xff) | (c >> 24) << 8 | (c & 0xff0000) | (c >> 8 & 0xff) << 24);
  }
  for (; x < width; ++x, src += 3, dst += 3) {
    dst[0] = src[2];
    dst[1] = src[1];
    dst[2] = src[0];
  }
}

// One pass from the rendering into the caller's block, bottom row first.
RgbImage* repackToRgb(Bgr24Rendering* rendering) {
  size_t rowBytes = 3 * size_t(rendering->width);
  int32_t rows = rendering->rowCount;
  auto* pixels = static_cast<unsigned char*>(std::malloc(rowBytes * size_t(rows)));
  if (pixels == nullptr) {
    report(kOutOfMemory);
    return nullptr;
  }
  for (int32_t y = 0; y < rows; ++y) {
    int32_t stored = rendering->topDown ? rows - 1 - y : y;
    bgrToRgb(bgr24Row(rendering, stored), pixels + size_t(y) * rowBytes, rendering->width);
  }
  auto* image = static_cast<RgbImage*>(std::malloc(sizeof(RgbImage)));
  if (image == nullptr) {
    report(kOutOfMemory);
    std::free(pixels);
    return nullptr;
  }
  *image = RgbImage{rendering->width, rows, pixels};
  return image;
}

RgbImage* convertAndRepack(const WorkingHeader& header, const unsigned char* data, size_t size) {
  const unsigned char* bits = nullptr;
  size_t bitsSize = 0;
  if (header.bitsOffset < size) {
    bits = data + header.bitsOffset;
    bitsSize = size - size_t(header.bitsOffset);
  }
  Bgr24Rendering rendering;
  ConvertStatus status = convertToBgr24(header, bits, bitsSize, &rendering);
  if (status != ConvertStatus::done) {
    report(status == ConvertStatus::outOfMemory ? kOutOfMemory : kConversionError);
    return nullptr;
  }
  RgbImage* image = repackToRgb(&rendering);
  releaseBgr24(&rendering);
  return image;
}

}  // namespace

RgbImage* decodeDibImage(const unsigned char* data, size_t size) {
  WorkingHeader header;
  switch (readWorkingHeader(data, size, &header)) {
    case HeaderStatus::unknownFormat:
      report(kUnknownFormat);
      return nullptr;
    case HeaderStatus::outOfMemory:
      report(kOutOfMemory);
      return nullptr;
    case HeaderStatus::ok:
      break;
  }
  RgbImage* image = convertAndRepack(header, data, size);
  releaseWorkingHeader(&header);
  return image;
}

RgbImage* loadDibImage(const char* path) {
  FileMap map;
  if (!mapFile(path, &map)) {
    reportOpenFailure(path);
    return nullptr;
  }
  RgbImage* image = decodeDibImage(map.data, map.size);
  unmapFile(&map);
  return image;
}
