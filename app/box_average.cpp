#include "app/box_average.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <utility>

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

bool halvingsToFit(int64_t width, int64_t height, bool (*accepts)(int64_t width, int64_t height),
                   Halvings* halvings) {
  while (width * height > kMaxTexturePixels || !accepts(width, height)) {
    if (width == 1 && height == 1) return false;
    const bool halveWidth = width >= height, halveHeight = height >= width;
    if (halveWidth) {
      width = (width + 1) / 2;
      ++halvings->x;
    }
    if (halveHeight) {
      height = (height + 1) / 2;
      ++halvings->y;
    }
  }
  return true;
}

RgbPicture averageDown(const RgbImage& image, int xShift, int yShift) {
  if (image.width <= 0 || image.height <= 0 || image.pixels == nullptr) return {};
  if (xShift < 0 || yShift < 0 || xShift > kMaxShift || yShift > kMaxShift) return {};
  const int64_t width = image.width, height = image.height;
  const int64_t blockWidth = int64_t(1) << xShift, blockHeight = int64_t(1) << yShift;
  const int64_t outWidth = blockCount(width, xShift), outHeight = blockCount(height, yShift);
  // Both are at most the source's sides, whose product the source already holds in memory; the
  // checks keep that a fact rather than an assumption.
  if (uint64_t(outWidth) > SIZE_MAX / 3 / sizeof(uint64_t)) return {};
  const size_t outRow = size_t(outWidth) * 3;
  if (uint64_t(outHeight) > SIZE_MAX / outRow) return {};
  std::unique_ptr<uint64_t[], FreeDeleter> sums(
      static_cast<uint64_t*>(std::malloc(outRow * sizeof(uint64_t))));
  OwnedBytes pixels(static_cast<unsigned char*>(std::malloc(outRow * size_t(outHeight))));
  if (sums == nullptr || pixels == nullptr) return {};
  const size_t inRow = size_t(width) * 3;
  for (int64_t y = 0; y < outHeight; ++y) {
    std::memset(sums.get(), 0, outRow * sizeof(uint64_t));
    const int64_t first = y * blockHeight, last = std::min(height, first + blockHeight);
    for (int64_t row = first; row < last; ++row) {
      addRow(image.pixels + size_t(row) * inRow, width, blockWidth, sums.get());
    }
    writeMeans(sums.get(), width, blockWidth, last - first, pixels.get() + size_t(y) * outRow);
  }
  return RgbPicture{static_cast<int32_t>(outWidth), static_cast<int32_t>(outHeight),
                    std::move(pixels)};
}
