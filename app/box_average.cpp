#include "app/box_average.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

constexpr int kMaxShift = 30;

int64_t blockCount(int64_t side, int shift) {
  return (side + (int64_t(1) << shift) - 1) >> shift;
}

// Adds one source row into the running sums of its row of blocks, three channels per block. The
// sums are 64-bit: a block covers at most the whole picture, and 255 times the pixel count of any
// picture held in memory fits.
void addRow(const unsigned char* row, int64_t width, int64_t block, uint64_t* sums) {
  for (int64_t start = 0; start < width; start += block, sums += 3) {
    const int64_t end = std::min(width, start + block);
    uint64_t r = 0, g = 0, b = 0;
    for (const unsigned char* p = row + start * 3; p < row + end * 3; p += 3) {
      r += p[0];
      g += p[1];
      b += p[2];
    }
    sums[0] += r;
    sums[1] += g;
    sums[2] += b;
  }
}

// Writes the rounded means of one row of blocks that spans `rows` source rows.
void writeMeans(const uint64_t* sums, int64_t width, int64_t block, int64_t rows,
                unsigned char* out) {
  for (int64_t start = 0; start < width; start += block) {
    const uint64_t count = uint64_t(std::min(width - start, block)) * uint64_t(rows);
    for (int c = 0; c < 3; ++c) *out++ = static_cast<unsigned char>((*sums++ + count / 2) / count);
  }
}

}  // namespace

bool averageDown(const RgbImage& image, int xShift, int yShift, RgbImage* result) {
  if (image.width <= 0 || image.height <= 0 || image.pixels == nullptr) return false;
  if (xShift < 0 || yShift < 0 || xShift > kMaxShift || yShift > kMaxShift) return false;
  const int64_t width = image.width, height = image.height;
  const int64_t blockWidth = int64_t(1) << xShift, blockHeight = int64_t(1) << yShift;
  const int64_t outWidth = blockCount(width, xShift), outHeight = blockCount(height, yShift);
  // Both are at most the source's sides, whose product the source already holds in memory; the
  // checks keep that a fact rather than an assumption.
  if (uint64_t(outWidth) > SIZE_MAX / 3 / sizeof(uint64_t)) return false;
  const size_t outRow = size_t(outWidth) * 3;
  if (uint64_t(outHeight) > SIZE_MAX / outRow) return false;
  auto* sums = static_cast<uint64_t*>(std::malloc(outRow * sizeof(uint64_t)));
  auto* pixels = static_cast<unsigned char*>(std::malloc(outRow * size_t(outHeight)));
  if (sums == nullptr || pixels == nullptr) {
    std::free(sums);
    std::free(pixels);
    return false;
  }
  const size_t inRow = size_t(width) * 3;
  for (int64_t y = 0; y < outHeight; ++y) {
    std::memset(sums, 0, outRow * sizeof(uint64_t));
    const int64_t first = y * blockHeight, last = std::min(height, first + blockHeight);
    for (int64_t row = first; row < last; ++row) {
      addRow(image.pixels + size_t(row) * inRow, width, blockWidth, sums);
    }
    writeMeans(sums, width, blockWidth, last - first, pixels + size_t(y) * outRow);
  }
  std::free(sums);
  result->width = static_cast<int32_t>(outWidth);
  result->height = static_cast<int32_t>(outHeight);
  result->pixels = pixels;
  return true;
}
