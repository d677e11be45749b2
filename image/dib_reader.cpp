#include "image/dib_reader.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

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

// Blue, green, red to red, green, blue, one pixel at a time.
void bgrToRgbScalar(const unsigned char* src, unsigned char* dst, int32_t width) {
  for (int32_t x = 0; x < width; ++x, src += 3, dst += 3) {
    dst[0] = src[2];
    dst[1] = src[1];
    dst[2] = src[0];
  }
}

#if defined(__x86_64__) || defined(__i386__)
// Four pixels per byte shuffle. Each step reads and writes 16 bytes of which 12 are its own, so it
// stops while 16 bytes are left in the row and leaves the rest to the scalar loop.
__attribute__((target("ssse3"))) void bgrToRgbSsse3(const unsigned char* src, unsigned char* dst,
                                                    int32_t width) {
  const __m128i order = _mm_setr_epi8(2, 1, 0, 5, 4, 3, 8, 7, 6, 11, 10, 9, 12, 13, 14, 15);
  int32_t x = 0;
  for (; x + 6 <= width; x += 4, src += 12, dst += 12) {
    __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst), _mm_shuffle_epi8(block, order));
  }
  bgrToRgbScalar(src, dst, width - x);
}

void bgrToRgb(const unsigned char* src, unsigned char* dst, int32_t width) {
  static const bool hasSsse3 = __builtin_cpu_supports("ssse3");
  if (hasSsse3) {
    bgrToRgbSsse3(src, dst, width);
  } else {
    bgrToRgbScalar(src, dst, width);
  }
}
#else
void bgrToRgb(const unsigned char* src, unsigned char* dst, int32_t width) {
  bgrToRgbScalar(src, dst, width);
}
#endif

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
  // Bits said to start at or past the end of the file are no bits, which the conversion refuses.
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
