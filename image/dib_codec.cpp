// The reader in the order of its stages: the file's bytes, its headers, the rendering of its
// pixels as 24-bit rows, and the repack of those rows into the picture.
#include "image/dib_codec.h"

#include <cstdlib>
#include <utility>

#include "image/pixel_rows.h"
#include "image/working_header.h"
#include "platform/platform.h"

namespace {

// A page: the least memory an allocator can give back to the system, wherever the game runs.
constexpr size_t kPageBytes = 4096;

DibFailure fileFailure(FileRead read) {
  switch (read) {
    case FileRead::ok:
      return DibFailure::none;
    case FileRead::tooLarge:
      return DibFailure::fileTooLarge;
    case FileRead::noMemory:
      return DibFailure::noMemoryForFile;
    case FileRead::cannotOpen:
      break;
  }
  return DibFailure::cannotOpen;
}

// The later stages, defined after the entry points in the order they run. `block`, when it holds
// `data`, may become the picture's pixels; it is released otherwise.
DibFailure decodeStages(const unsigned char* data, size_t size, OwnedBytes block,
                        RgbPicture* picture);
DibFailure render(const WorkingHeader& header, const unsigned char* data, size_t size,
                  Bgr24Rendering* rendering);
DibFailure repack(Bgr24Rendering* rendering, OwnedBytes block, size_t blockSize,
                  RgbPicture* picture);

}  // namespace

DibFailure decodeDib(const unsigned char* data, size_t size, RgbPicture* picture) {
  return decodeStages(data, size, nullptr, picture);
}

// Stage 1, the file's bytes.
DibFailure readDibFile(const char* path, RgbPicture* picture) {
  OwnedBytes bytes;
  size_t size = 0;
  const DibFailure failure = fileFailure(readWholeFile(path, kMaxFileBytes, &bytes, &size));
  if (failure != DibFailure::none) return failure;
  const unsigned char* data = bytes.get();
  return decodeStages(data, size, std::move(bytes), picture);
}

namespace {

// Stage 2, the headers; then the rendering and the repack.
DibFailure decodeStages(const unsigned char* data, size_t size, OwnedBytes block,
                        RgbPicture* picture) {
  WorkingHeader header;
  DibFailure failure = readWorkingHeader(data, size, &header);
  if (failure != DibFailure::none) return failure;
  Bgr24Rendering rendering;
  failure = render(header, data, size, &rendering);
  if (failure != DibFailure::none) return failure;
  return repack(&rendering, std::move(block), size, picture);
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

// Stage 4, the rows as red, green, blue: in one pass from the rendering into a new block, bottom
// row first...
DibFailure repackToRgb(Bgr24Rendering* rendering, RgbPicture* picture) {
  const size_t rowBytes = 3 * size_t(rendering->width);
  const int32_t rows = rendering->rowCount;
  OwnedBytes pixels(static_cast<unsigned char*>(std::malloc(rowBytes * size_t(rows))));
  if (pixels == nullptr) return DibFailure::noMemoryForImage;
  for (int32_t y = 0; y < rows; ++y) {
    int32_t stored = rendering->topDown ? rows - 1 - y : y;
    bgrToRgb(bgr24Row(rendering, stored), pixels.get() + size_t(y) * rowBytes,
             size_t(rendering->width));
  }
  *picture = RgbPicture{rendering->width, rows, std::move(pixels)};
  return DibFailure::none;
}

// ...or, for a bottom-up 24-bit picture in a block of the reader's own, repacked inside that block:
// one block per picture instead of two, so loading picture after picture reuses the same memory.
// Each row moves towards the block's start; its bits lie at least kShuffleBytes further on, which
// no write of the shuffle reaches before they are read.
bool repacksInPlace(const Bgr24Rendering& r, const OwnedBytes& block) {
  return block != nullptr && r.bitCount == 24 && !r.topDown &&
         r.source - block.get() >= kShuffleBytes;
}

DibFailure repackInPlace(const Bgr24Rendering& r, OwnedBytes block, size_t blockSize,
                         RgbPicture* picture) {
  const size_t rowBytes = 3 * size_t(r.width);
  for (int32_t y = 0; y < r.rowCount; ++y) {
    bgrToRgb(r.source + size_t(y) * r.sourceStride, block.get() + size_t(y) * rowBytes,
             size_t(r.width));
  }
  // The block is cut to the picture only when that gives the system a page or more back (a long
  // tail after the bits). A smaller cut gives nothing back, and the sliver it leaves beside the
  // block, which the allocator keeps apart, stops the freed block from taking the next picture:
  // every picture of the field would then fault in fresh pages. Shrinking leaves the block where
  // it is should it fail.
  const size_t pictureBytes = rowBytes * size_t(r.rowCount);
  if (blockSize - pictureBytes >= kPageBytes) {
    unsigned char* whole = block.release();
    void* cut = std::realloc(whole, pictureBytes);
    block.reset(cut != nullptr ? static_cast<unsigned char*>(cut) : whole);
  }
  *picture = RgbPicture{r.width, r.rowCount, std::move(block)};
  return DibFailure::none;
}

DibFailure repack(Bgr24Rendering* rendering, OwnedBytes block, size_t blockSize,
                  RgbPicture* picture) {
  if (repacksInPlace(*rendering, block)) {
    return repackInPlace(*rendering, std::move(block), blockSize, picture);
  }
  return repackToRgb(rendering, picture);
}

}  // namespace
