// One pixel at a time everywhere; four per byte shuffle where the CPU has SSSE3 (asked once). Each
// shuffle step reads kShuffleBytes of which 12 are its own, so it stops while fewer are left and
// leaves the rest to the pixel loop.
#include "image/pixel_rows.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

namespace {

void bgrToRgbScalar(const unsigned char* src, unsigned char* dst, size_t count) {
  for (size_t i = 0; i < count; ++i, src += 3, dst += 3) {
    dst[0] = src[2];
    dst[1] = src[1];
    dst[2] = src[0];
  }
}

void rgbToRgbaScalar(const unsigned char* src, unsigned char* dst, size_t count) {
  for (size_t i = 0; i < count; ++i, src += 3, dst += 4) {
    dst[0] = src[0];
    dst[1] = src[1];
    dst[2] = src[2];
    dst[3] = 255;
  }
}

#if defined(__x86_64__) || defined(__i386__)

// Pixels the shuffle takes: all but those within the last kShuffleBytes of `src`, by fours.
size_t shuffledCount(size_t count) {
  return count * 3 >= kShuffleBytes ? (count * 3 - kShuffleBytes) / 12 * 4 + 4 : 0;
}

bool hasSsse3() {
  static const bool has = __builtin_cpu_supports("ssse3");
  return has;
}

__attribute__((target("ssse3"))) void bgrToRgbSsse3(const unsigned char* src, unsigned char* dst,
                                                    size_t count) {
  const __m128i order = _mm_setr_epi8(2, 1, 0, 5, 4, 3, 8, 7, 6, 11, 10, 9, 12, 13, 14, 15);
  const size_t shuffled = shuffledCount(count);
  for (size_t i = 0; i < shuffled; i += 4, src += 12, dst += 12) {
    const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst), _mm_shuffle_epi8(block, order));
  }
  bgrToRgbScalar(src, dst, count - shuffled);
}

__attribute__((target("ssse3"))) void rgbToRgbaSsse3(const unsigned char* src, unsigned char* dst,
                                                     size_t count) {
  const __m128i order = _mm_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1);
  const __m128i opaque = _mm_set1_epi32(static_cast<int>(0xFF000000u));
  const size_t shuffled = shuffledCount(count);
  for (size_t i = 0; i < shuffled; i += 4, src += 12, dst += 16) {
    const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst),
                     _mm_or_si128(_mm_shuffle_epi8(block, order), opaque));
  }
  rgbToRgbaScalar(src, dst, count - shuffled);
}

#endif

}  // namespace

#if defined(__x86_64__) || defined(__i386__)
void bgrToRgb(const unsigned char* src, unsigned char* dst, size_t count) {
  if (hasSsse3()) {
    bgrToRgbSsse3(src, dst, count);
  } else {
    bgrToRgbScalar(src, dst, count);
  }
}

void rgbToRgba(const unsigned char* src, unsigned char* dst, size_t count) {
  if (hasSsse3()) {
    rgbToRgbaSsse3(src, dst, count);
  } else {
    rgbToRgbaScalar(src, dst, count);
  }
}
#else
void bgrToRgb(const unsigned char* src, unsigned char* dst, size_t count) {
  bgrToRgbScalar(src, dst, count);
}

void rgbToRgba(const unsigned char* src, unsigned char* dst, size_t count) {
  rgbToRgbaScalar(src, dst, count);
}
#endif
