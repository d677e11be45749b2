#pragma once
// Rows of pixels from one byte layout to another: the reader's blue, green, red to the picture's
// red, green, blue, and the picture's to the four bytes a pixel that GL drivers keep.

#include <cstddef>

// The byte shuffles read and write this many bytes at a time.
constexpr int kShuffleBytes = 16;

// `count` pixels of blue, green, red at `src` as red, green, blue at `dst`, which is either apart
// from `src` or at least kShuffleBytes before it (a row moving towards the start of its block).
void bgrToRgb(const unsigned char* src, unsigned char* dst, size_t count);

// `count` pixels of red, green, blue at `src` as red, green, blue, 255 at `dst`, apart from `src`.
void rgbToRgba(const unsigned char* src, unsigned char* dst, size_t count);
