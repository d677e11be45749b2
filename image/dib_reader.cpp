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

// The last two stages, defined after the entry points in the order they run.
DibFailure render(const WorkingHeader& header, const unsigned char* data, size_t size,
                  Bgr24Rendering* rendering);
RgbImage* repackToRgb(Bgr24Rendering* rendering, DibFailure* failure);

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
  RgbImage* image = decodeDibImage(bytes.data, bytes.size);
  releaseFileBytes(&bytes);
  return image;
}

RgbImage* decodeDibImage(const unsigned char* data, size_t size) {
  DibFailure failure;
  RgbImage* image = decodeDib(data, size, &failure);
  if (image == nullptr) report(failure);
  return image;
}

// Stage 2, the headers, then stages 3 and 4.
RgbImage* decodeDib(const unsigned char* data, size_t size, DibFailure* failure) {
  WorkingHeader header;
  *failure = readWorkingHeader(data, size, &header);
  if (*failure != DibFailure::none) return nullptr;
  Bgr24Rendering rendering;
  *failure = render(header, data, size, &rendering);
  RgbImage* image = nullptr;
  if (*failure == DibFailure::none) {
    image = repackToRgb(&rendering, failure);
    releaseBgr24(&rendering);
  }
  releaseWorkingHeader(&header);
  return image;
}

namespace {

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

// One pass from the rendering into the caller's block, bottom row first.
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

}  // namespace
