// Feeds arbitrary bytes to the bitmap decoder, from memory and through a file, where a bottom-up
// 24-bit picture is repacked inside the block it was read into. Beyond the sanitizers' checks,
// every input must give either a picture of positive size or a reason with a text for the user,
// and the same one both ways (the file read refuses an empty file before decoding).
//
// A dozen bytes of run-length stream can describe a picture as large as the reader takes, 16384 x
// 16384. Each input has a second (-report_slow_units=1); under the sanitizers here the largest take
// eleven (768 MiB rendered, then repacked), 4096 x 4096 half a second, 2048 x 2048 a tenth and
// 1024 x 1024 a fortieth. So accepted pictures over kFuzzPixelLimit (1024 x 1024) are skipped,
// which stays far inside the second on a busy machine; every one at or below it goes through, and
// so does every picture over the reader's caps, refused at once.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "image/dib_codec.h"
#include "image/working_header.h"
#include "tools/bitmap/dib_writer.h"

namespace {

volatile unsigned pixelSum;  // keeps the reads of the pixel block

constexpr int64_t kFuzzPixelLimit = int64_t(1) << 20;

bool tooSlowToFuzz(const uint8_t* data, size_t size) {
  WorkingHeader header;
  if (readWorkingHeader(data, size, &header) != DibFailure::none) return false;
  int64_t width = header.info.width;
  int64_t height = header.info.height < 0 ? -int64_t(header.info.height) : header.info.height;
  return width <= kMaxImageSide && height <= kMaxImageSide && width * height > kFuzzPixelLimit;
}

// Where each input is written to be read back as a file; removed once read.
const std::string& scratchFile() {
  static const std::string path = [] {
    const char* tmp = std::getenv("TMPDIR");
    return std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/dib_fuzzer-" +
           std::to_string(getpid()) + ".bmp";
  }();
  return path;
}

size_t pixelBytes(const RgbPicture& picture) {
  return size_t(picture.width) * 3 * size_t(picture.height);
}

// A picture of positive size, read from one end of its block to the other so that the sanitizers
// check its size; or no picture and a reason to tell.
void checkOutcome(DibFailure failure, const RgbPicture& picture) {
  if (failure != DibFailure::none) {
    if (picture.pixels != nullptr || dibFailureText(failure, "x").empty()) std::abort();
    return;
  }
  if (picture.pixels == nullptr || picture.width <= 0 || picture.height <= 0) std::abort();
  const unsigned char* pixels = picture.pixels.get();
  size_t bytes = pixelBytes(picture);
  unsigned sum = 0;
  for (size_t i = 0; i < bytes; i += 64) sum += pixels[i];
  sum += pixels[bytes - 1];
  pixelSum = sum;
}

bool samePicture(const RgbPicture& a, const RgbPicture& b) {
  if (a.width != b.width || a.height != b.height) return false;
  return a.pixels == nullptr || std::memcmp(a.pixels.get(), b.pixels.get(), pixelBytes(a)) == 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (tooSlowToFuzz(data, size)) return -1;  // not added to the corpus
  RgbPicture fromMemory;
  const DibFailure failure = decodeDib(data, size, &fromMemory);
  checkOutcome(failure, fromMemory);

  if (!writeFile(scratchFile(), Bytes(data, data + size))) std::abort();
  RgbPicture fromFile;
  const DibFailure fileFailure = readDibFile(scratchFile().c_str(), &fromFile);
  std::remove(scratchFile().c_str());
  checkOutcome(fileFailure, fromFile);
  const DibFailure expected = size == 0 ? DibFailure::cannotOpen : failure;
  if (fileFailure != expected || !samePicture(fromMemory, fromFile)) std::abort();
  return 0;
}
