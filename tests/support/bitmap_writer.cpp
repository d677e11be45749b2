#include "tests/support/bitmap_writer.h"

Bytes plainRleBitmap(int32_t width, int32_t height, uint32_t rgb) {
  BitmapForm form;
  form.bitCount = 8;
  form.compression = 1;
  form.clrUsed = 1;
  form.palette = {rgb};
  return buildBitmapWithBits(form, width, height, {0, 1});
}

Bytes rgbBottomFirst(int32_t width, const std::vector<uint32_t>& colors) {
  Bytes out;
  for (size_t row = colors.size() / width; row-- > 0;) {
    for (int32_t x = 0; x < width; ++x) {
      uint32_t c = colors[row * width + x];
      out.insert(out.end(), {uint8_t(c >> 16), uint8_t(c >> 8), uint8_t(c)});
    }
  }
  return out;
}
