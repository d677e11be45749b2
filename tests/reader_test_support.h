#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "bitmap_builder.h"
#include "image/dib_reader.h"
#include "image/notice.h"

// Every reader test captures the notices instead of showing them.
inline std::vector<std::string>& notices() {
  static std::vector<std::string> shown;
  return shown;
}

inline void captureNotice(const char* text) {
  notices().push_back(text);
}

class ReaderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    notices().clear();
    errorPopups = 1;
    previous_ = setNoticeHandler(captureNotice);
  }
  void TearDown() override {
    setNoticeHandler(previous_);
    errorPopups = 1;
  }

 private:
  NoticeHandler previous_ = nullptr;
};

struct Decoded {
  bool ok = false;
  int32_t width = 0;
  int32_t height = 0;
  Bytes rgb;
};

// Takes the image apart and frees it the way the viewer does.
inline Decoded takeImage(RgbImage* image) {
  Decoded d;
  if (image == nullptr) return d;
  d = Decoded{true, image->width, image->height, {}};
  d.rgb.assign(image->pixels, image->pixels + size_t(image->width) * 3 * size_t(image->height));
  free(image->pixels);
  free(image);
  return d;
}

// The file sits in a block of exactly its size, so a read past its end trips AddressSanitizer.
inline Decoded decode(const Bytes& file) {
  if (file.empty()) return takeImage(decodeDibImage(nullptr, 0));
  std::vector<unsigned char> exact(file.begin(), file.end());
  exact.shrink_to_fit();
  return takeImage(decodeDibImage(exact.data(), exact.size()));
}
