#include "image/dib_reader.h"

#include <cstdlib>
#include <utility>

#include "image/dib_codec.h"
#include "image/notice.h"

unsigned char errorPopups = 1;

namespace {

// The caller's record, which takes the pixels over; null if there is no memory for it.
RgbImage* handOver(RgbPicture picture) {
  auto* image = static_cast<RgbImage*>(std::malloc(sizeof(RgbImage)));
  if (image != nullptr) *image = RgbImage{picture.width, picture.height, picture.pixels.release()};
  return image;
}

// One notice for a load that gives no image.
RgbImage* deliver(DibFailure failure, RgbPicture picture, const char* path) {
  RgbImage* image = failure == DibFailure::none ? handOver(std::move(picture)) : nullptr;
  if (image == nullptr && errorPopups != 0) {
    const DibFailure reason = failure == DibFailure::none ? DibFailure::noMemoryForImage : failure;
    showNotice(dibFailureText(reason, path).c_str());
  }
  return image;
}

}  // namespace

RgbImage* loadDibImage(const char* path) {
  RgbPicture picture;
  const DibFailure failure = readDibFile(path, &picture);
  return deliver(failure, std::move(picture), path);
}

RgbImage* decodeDibImage(const unsigned char* data, size_t size) {
  RgbPicture picture;
  const DibFailure failure = decodeDib(data, size, &picture);
  return deliver(failure, std::move(picture), "");
}
