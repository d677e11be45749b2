// The reader in the order of its stages: the file's bytes, its headers, the rendering of its
// pixels as 24-bit rows, and the repack of those rows into the caller's image.
#include "image/dib_reader.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

#include "image/bgr24.h"
#include "image/file_bytes.h"
#include "image/notice.h"
#include "image/working_header.h"

unsigned char errorPopups = 1;

namespace {

// The one place where a reason becomes the text the user sees.
const char* noticeText(DibFailure failure) {
  switch (failure) {
    case DibFailure::headersCut:
    case DibFailure::unknownHeaderSize:
    case DibFailure::tableCut:
      return "Unknown DIB file format.";
    case DibFailure::noPixels:
    case DibFailure::unsupportedForm:
    case DibFailure::topDownRunLength:
    case DibFailure::bitsCut:
    case DibFailure::streamBroken:
      return "Image file conversion error.";
    case DibFailure::none:
    case DibFailure::cannotOpen:  // shown with its path by reportOpenFailure
    case DibFailure::fileTooLarge:
    case DibFailure::noMemoryForFile:
    case DibFailure::noMemoryForTable:
    case DibFailure::sideTooLong:
    case DibFailure::noMemoryForRendering:
    case DibFailure::noMemoryForImage:
      break;
  }
  return "Out of memory.";
}

void report(DibFailure failure) {
  if (errorPopups != 0) showNotice(noticeText(failure));
}

// The text is sized to the path, so a long path is shown whole.
void reportOpenFailure(const char* path) {
  if (errorPopups == 0) return;
  const char format[] = "Failed to open DIB file %s.\n";
  size_t size = std::strlen(path) + sizeof format;
  char* text = static_cast<char*>(std::malloc(size));
  if (text == nullptr) {
    showNotice(noticeText(DibFailure::noMemoryForFile));
    return;
  }
  std::snprintf(text, size, format, path);
  showNotice(text);
  std::free(text);
}

// The later stages, defined after the entry points in the order they run. Stages 2 to 4 run
// over `data`; when *block holds the data and the picture is repacked inside it, the image takes
// the block over and *block becomes null.
RgbImage* decodeStages(const unsigned char* data, size_t size, unsigned char** block,
                       DibFailure* failure);
DibFailure render(const WorkingHeader& header, const unsigned char* data, size_t size,
                  Bgr24Rendering* rendering);
RgbImage* repack(Bgr24Rendering* rendering, unsigned char** block, DibFailure* failure);

}  // namespace

// Stage 1, the file's bytes: one copy in memory, so that a file changing on disk cannot fault.
RgbImage* loadDibImage(const char* path) {
  FileBytes bytes;
  DibFailure failure = readFileBytes(path, &bytes);
  if (failure == DibFailure::cannotOpen) {
    reportOpenFailure(path);
    return nullptr;
  }
  if (failure != DibFailure::none) {
    report(failure);
    return nullptr;
  }
  RgbImage* image = decodeStages(bytes.data, bytes.size, &bytes.data, &failure);
  if (image == nullptr) report(failure);
  releaseFileBytes(&bytes);  // unless the image took the block over
  return image;
}

RgbImage* decodeDibImage(const unsigned char* data, size_t size) {
  DibFailure failure;
  RgbImage* image = decodeDib(data, size, &failure);
  if (image == nullptr) report(failure);
  return image;
}

RgbImage* decodeDib(const unsigned char* data, size_t size, DibFailure* failure) {
  return decodeStages(data, size, nullptr, failure);
}

namespace {

// Stage 2, the headers; then the rendering and the repack.
RgbImage* decodeStages(const unsigned char* data, size_t size, unsigned char** block,
                       DibFailure* failure) {
  WorkingHeader header;
  *failure = readWorkingHeader(data, size, &header);
  if (*failure != DibFailure::none) return nullptr;
  Bgr24Rendering rendering;
  *failure = render(header, data, size, &rendering);
  RgbImage* image = nullptr;
  if (*failure == DibFailure::none) {
    image = repack(&rendering, block, failure);
    releaseBgr24(&rendering);
  }
  releaseWorkingHeader(&header);
  return image;
}

// Stage 3: the pixels as 24-bit rows. Bits said to start at or past the end of the file are no
// bits, which the conversion refuses.
DibFailure render(const WorkingHeader& header, const unsigned char* data, size_t size,
                  Bgr24Rendering* rendering) {
  const unsigned char* bits = nullptr;
  size_t bitsSize = 0;
  if (header.bitsOffset < size) {
    bits = data + header.bitsOffset;
    bitsSize = size - size_t(header.bitsOffset);
  }
  return convertToBgr24(header, bits, bitsSize, rendering);
}

// Stage 4: blue, green, red to red, green, blue, one pixel at a time...
void bgrToRgbScalar(const unsigned char* src, unsigned char* dst, int32_t width) {
  for (int32_t x = 0; x < width; ++x, src += 3, dst += 3) {
    dst[0] = src[2];
    dst[1] = src[1];
    dst[2] = src[0];
  }
}

#if defined(__x86_64__) || defined(__i386__)
// ...or four pixels per byte shuffle. Each step reads and writes 16 bytes of which 12 are its own,
// so it stops while 16 bytes are left in the row and leaves the rest to the scalar loop.
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

// One pass from the rendering into a new block, bottom row first.
RgbImage* repackToRgb(Bgr24Rendering* rendering, DibFailure* failure) {
  size_t rowBytes = 3 * size_t(rendering->width);
  int32_t rows = rendering->rowCount;
  auto* pixels = static_cast<unsigned char*>(std::malloc(rowBytes * size_t(rows)));
  auto* image = static_cast<RgbImage*>(std::malloc(sizeof(RgbImage)));
  if (pixels == nullptr || image == nullptr) {
    std::free(pixels);
    std::free(image);
    *failure = DibFailure::noMemoryForImage;
    return nullptr;
  }
  for (int32_t y = 0; y < rows; ++y) {
    int32_t stored = rendering->topDown ? rows - 1 - y : y;
    bgrToRgb(bgr24Row(rendering, stored), pixels + size_t(y) * rowBytes, rendering->width);
  }
  *image = RgbImage{rendering->width, rows, pixels};
  return image;
}

// A bottom-up 24-bit picture in a block of the reader's own is repacked inside that block and the
// block cut to the image's size: one block per picture instead of two, so loading picture after
// picture reuses the same memory. Each row moves towards the block's start; its bits lie at least
// 16 bytes further on, which no write of the shuffle above reaches.
bool repacksInPlace(const Bgr24Rendering& r, const unsigned char* block) {
  return block != nullptr && r.bitCount == 24 && !r.topDown && r.source - block >= 16;
}

RgbImage* repackInPlace(const Bgr24Rendering& r, unsigned char* block, DibFailure* failure) {
  auto* image = static_cast<RgbImage*>(std::malloc(sizeof(RgbImage)));
  if (image == nullptr) {
    *failure = DibFailure::noMemoryForImage;
    return nullptr;
  }
  size_t rowBytes = 3 * size_t(r.width);
  for (int32_t y = 0; y < r.rowCount; ++y) {
    bgrToRgb(r.source + size_t(y) * r.sourceStride, block + size_t(y) * rowBytes, r.width);
  }
  // Shrinking leaves the block where it is should it fail.
  void* cut = std::realloc(block, rowBytes * size_t(r.rowCount));
  *image = RgbImage{r.width, r.rowCount, cut != nullptr ? static_cast<unsigned char*>(cut) : block};
  return image;
}

RgbImage* repack(Bgr24Rendering* rendering, unsigned char** block, DibFailure* failure) {
  if (block == nullptr || !repacksInPlace(*rendering, *block)) {
    return repackToRgb(rendering, failure);
  }
  RgbImage* image = repackInPlace(*rendering, *block, failure);
  if (image != nullptr) *block = nullptr;
  return image;
}

}  // namespace
