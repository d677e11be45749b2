#include "bitmap_builder.h"

namespace {

void put16(Bytes& out, uint32_t v) {
  out.push_back(v & 0xff);
  out.push_back(v >> 8 & 0xff);
}

void put32(Bytes& out, uint32_t v) {
  put16(out, v & 0xffff);
  put16(out, v >> 16);
}

void putHeaders(Bytes& out, const BitmapForm& form, int32_t width, int32_t height) {
  uint32_t headerSize = form.headerSize ? form.headerSize : form.core ? 12 : 40;
  size_t tableBytes = form.palette.size() * (form.core ? 3 : 4);
  uint32_t fileHeaderSize = form.fileHeader ? 14 : 0;
  if (form.fileHeader) {
    put16(out, 0x4D42);
    put32(out, 0);  // file size, which readers ignore
    put32(out, 0);
    put32(out, fileHeaderSize + (form.core ? 12 : 40) + tableBytes + form.gap);
  }
  put32(out, headerSize);
  if (form.core) {
    put16(out, width);
    put16(out, height);
    put16(out, 1);
    put16(out, form.bitCount);
  } else {
    put32(out, width);
    put32(out, form.topDown ? -height : height);
    put16(out, 1);
    put16(out, form.bitCount);
    put32(out, form.compression);
    put32(out, form.sizeImage);
    put32(out, 2835);
    put32(out, 2835);
    put32(out, form.clrUsed);
    put32(out, 0);
  }
  for (uint32_t c : form.palette) {
    out.push_back(c & 0xff);
    out.push_back(c >> 8 & 0xff);
    out.push_back(c >> 16 & 0xff);
    if (!form.core) out.push_back(0);
  }
  out.insert(out.end(), form.gap, 0xAB);
}

void putPixel(Bytes& row, uint16_t bitCount, int32_t x, uint32_t v) {
  if (bitCount < 8) {
    int perByte = 8 / bitCount;
    int shift = 8 - bitCount * (x % perByte + 1);
    row[x / perByte] |= v << shift;
  } else if (bitCount == 8) {
    row[x] = v;
  } else if (bitCount == 16) {
    row[2 * x] = v & 0xff;
    row[2 * x + 1] = v >> 8;
  } else {
    int size = bitCount / 8;
    row[size * x] = v & 0xff;
    row[size * x + 1] = v >> 8 & 0xff;
    row[size * x + 2] = v >> 16 & 0xff;
    if (size == 4) row[size * x + 3] = 0xEE;
  }
}

}  // namespace

Bytes buildBitmap(const BitmapForm& form, int32_t width, int32_t height,
                  const std::vector<uint32_t>& pixels) {
  size_t stride = (size_t(form.bitCount) * width + 31) / 32 * 4;
  Bytes bits;
  for (int32_t i = 0; i < height; ++i) {
    int32_t y = form.topDown ? i : height - 1 - i;  // the picture row stored i-th
    Bytes row(stride, 0);
    for (int32_t x = 0; x < width; ++x) putPixel(row, form.bitCount, x, pixels[y * width + x]);
    bits.insert(bits.end(), row.begin(), row.end());
  }
  return buildBitmapWithBits(form, width, height, bits);
}

Bytes buildBitmapWithBits(const BitmapForm& form, int32_t width, int32_t height,
                          const Bytes& stream) {
  Bytes out;
  putHeaders(out, form, width, height);
  out.insert(out.end(), stream.begin(), stream.end());
  return out;
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
