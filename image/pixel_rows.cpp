// One pixel at a time everywhere, after four at a time per byte shuffle where the CPU has SSSE3
// (asked once). Each shuffle step reads kShuffleBytes of which 12 are its own and stores
// kShuffleBytes, so it stops while fewer are left and leaves the rest to the pixel loop.
#include "image/pixel_rows.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

namespace {

#if defined(__x86_64__) || defined(__i386__)

bool hasSsse3() {
  static const bool has = __builtin_cpu_supports("ssse3");
  return has;
}

// Four pixels a step, three bytes each in and kOutBytes each out: the step's bytes rearranged by
// `order` (-1 gives 0) and `fill` set in. Returns how many pixels it took: all but those within
// the last kShuffleBytes of `src`.
template <size_t kOutBytes>
__attribute__((target("ssse3"))) size_t shuffleFours(const unsigned char* src, unsigned char* dst,
                                                     size_t count, __m128i order, __m128i fill) {
  const size_t shuffled = count * 3 >= kShuffleBytes ? (count * 3 - kShuffleBytes) / 12 * 4 + 4 : 0;
  for (size_t i = 0; i < shuffled; i += 4, src += 12, dst += 4 * kOutBytes) {
    const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst),
                     _mm_or_si128(_mm_shuffle_epi8(block, order), fill));
  }
  return shuffled;
}

size_t bgrToRgbShuffled(const unsigned char* src, unsigned char* dst, size_t count) {
  if (!hasSsse3()) return 0;
  return shuffleFours<3>(src, dst, count,
                         _mm_setr_epi8(2, 1, 0, 5, 4, 3, 8, 7, 6, 11, 10, 9, 12, 13, 14, 15),
                         _mm_setzero_si128());
}

size_t rgbToRgbaShuffled(const unsigned char* src, unsigned char* dst, size_t count) {
  if (!hasSsse3()) return 0;
  return shuffleFours<4>(src, dst, count,
                         _mm_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1),
                         _mm_set1_epi32(static_cast<int>(0xFF000000u)));
}

#else

size_t bgrToRgbShuffled(const unsigned char*, unsigned char*, size_t) {
  return 0;
}
size_t rgbToRgbaShuffled(const unsigned char*, unsigned char*, size_t) {
  return 0;
}

#endif

// The pixels from `done` on, one at a time, as the shuffles take them: output byte k is input byte
// order[k], and a fourth is opaque.
template <size_t kOutBytes>
void convertPixels(const unsigned char* src, unsigned char* dst, size_t done, size_t count,
                   const int (&order)[3]) {
  src += 3 * done;
  dst += kOutBytes * done;
  for (size_t i = done; i < count; ++i, src += 3, dst += kOutBytes) {
    const unsigned char a = src[order[0]], b = src[order[1]], c = src[order[2]];
    dst[0] = a;
    dst[1] = b;
    dst[2] = c;
    if constexpr (kOutBytes == 4) dst[3] = 255;
  }
}

}  // namespace

void bgrToRgb(const unsigned char* src, unsigned char* dst, size_t count) {
  convertPixels<3>(src, dst, bgrToRgbShuffled(src, dst, count), count, {2, 1, 0});
}

void rgbToRgba(const unsigned char* src, unsigned char* dst, size_t count) {
  convertPixels<4>(src, dst, rgbToRgbaShuffled(src, dst, count), count, {0, 1, 2});
}
