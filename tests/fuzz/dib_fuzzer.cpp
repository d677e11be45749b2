// Feeds arbitrary bytes to the bitmap decoder. Beyond the sanitizers' checks, every call must end
// in either an image of positive size and no notice, or null and exactly one notice.
//
// A dozen bytes of run-length stream can describe a picture as large as the reader takes, 16384 x
// 16384. Each input has a second (-report_slow_units=1); under the sanitizers here the largest take
// eleven (768 MiB rendered, then repacked), 4096 x 4096 half a second, 2048 x 2048 a tenth and
// 1024 x 1024 a fortieth. So accepted pictures over kFuzzPixelLimit (1024 x 1024) are skipped,
// which stays far inside the second on a busy machine; every one at or below it goes through, and
// so does every picture over the reader's caps, refused at once.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "image/bgr24.h"
#include "image/dib_reader.h"
#include "image/notice.h"
#include "image/working_header.h"

namespace {

int noticeCount = 0;
volatile unsigned pixelSum;  // keeps the reads of the pixel block

void countNotice(const char*) {
  ++noticeCount;
}

constexpr int64_t kFuzzPixelLimit = int64_t(1) << 20;

bool tooSlowToFuzz(const uint8_t* data, size_t size) {
  WorkingHeader header;
  if (readWorkingHeader(data, size, &header) != DibFailure::none) return false;
  releaseWorkingHeader(&header);
  int64_t width = header.info.width;
  int64_t height = header.info.height < 0 ? -int64_t(header.info.height) : header.info.height;
  return width <= kMaxImageSide && height <= kMaxImageSide && width * height > kFuzzPixelLimit;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  setNoticeHandler(countNotice);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (tooSlowToFuzz(data, size)) return -1;  // not added to the corpus
  noticeCount = 0;
  RgbImage* image = decodeDibImage(data, size);
  if (image == nullptr) {
    if (noticeCount != 1) std::abort();
    return 0;
  }
  if (noticeCount != 0 || image->width <= 0 || image->height <= 0) std::abort();
  // Reads from one end of the block to the other, so the sanitizers check its size.
  size_t bytes = size_t(image->width) * 3 * size_t(image->height);
  unsigned sum = 0;
  for (size_t i = 0; i < bytes; i += 64) sum += image->pixels[i];
  sum += image->pixels[bytes - 1];
  pixelSum = sum;
  releaseRgbImage(image);
  return 0;
}
