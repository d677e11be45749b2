// Feeds arbitrary bytes to the bitmap decoder. Beyond the sanitizers' checks, every call must end
// in either an image of positive size and no notice, or null and exactly one notice.
//
// A dozen bytes of run-length stream can describe a picture of hundreds of megabytes, which costs
// a second to fill; inputs that the reader would accept at such sizes are skipped so the fuzzer
// keeps its pace. Pictures over the reader's own cap still go through, as they are refused at once.
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

constexpr uint64_t kFuzzPixelLimit = 1 << 16;

bool tooSlowToFuzz(const uint8_t* data, size_t size) {
  WorkingHeader header;
  if (readWorkingHeader(data, size, &header) != HeaderStatus::ok) return false;
  releaseWorkingHeader(&header);
  int64_t height = header.info.height;
  uint64_t pixels = uint64_t(header.info.width > 0 ? header.info.width : 0) *
                    uint64_t(height < 0 ? -height : height);
  return pixels > kFuzzPixelLimit && pixels <= kMaxImagePixels;
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
