// Writes the fuzzer's seed corpus: one small bitmap of every form the reader takes, and a few it
// refuses, into the directory given as the only argument.
#include <cstdio>
#include <string>

#include "tools/bitmap/dib_writer.h"

namespace {

bool writeSeed(const std::string& dir, const std::string& name, const Bytes& bytes) {
  return writeFile(dir + "/" + name, bytes);
}

std::vector<uint32_t> pattern(int count, uint32_t modulo) {
  std::vector<uint32_t> values;
  for (int i = 0; i < count; ++i) values.push_back((uint32_t(i) * 2654435761u >> 7) % modulo);
  return values;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s DIR\n", argv[0]);
    return 2;
  }
  std::string dir = argv[1];
  bool ok = true;
  const int32_t width = 5, height = 3;
  for (uint16_t bits : {1, 4, 8, 16, 24, 32}) {
    for (int layout = 0; layout < 4; ++layout) {
      BitmapForm form;
      form.bitCount = bits;
      form.fileHeader = layout != 1;
      form.core = layout == 2;
      form.topDown = layout == 3;
      uint32_t entries = bits <= 8 ? 1u << bits : 0;
      for (uint32_t i = 0; i < entries; ++i) form.palette.push_back(i * 0x050301);
      uint32_t modulo = entries ? entries : bits == 16 ? 0x10000 : 0x1000000;
      std::string name = "plain" + std::to_string(bits) + "_" + std::to_string(layout);
      ok &= writeSeed(dir, name, buildBitmap(form, width, height, pattern(width * height, modulo)));
    }
  }
  BitmapForm rle8;
  rle8.bitCount = 8;
  rle8.compression = 1;
  rle8.clrUsed = 4;
  rle8.palette = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF};
  ok &= writeSeed(dir, "rle8", buildBitmapWithBits(rle8, 6, 4, {3, 1, 0, 0, 0, 3, 2, 0, 1, 0,
                                                                0, 2, 1, 1, 9, 3, 0, 0, 0, 1}));
  BitmapForm rle4 = rle8;
  rle4.bitCount = 4;
  rle4.compression = 2;
  ok &= writeSeed(
      dir, "rle4",
      buildBitmapWithBits(rle4, 6, 4,
                          {5, 0x12, 0, 0, 0, 5, 0x01, 0x23, 0x10, 0, 0, 2, 2, 1, 4, 0x31, 0, 1}));
  BitmapForm v5;
  v5.headerSize = 124;
  ok &= writeSeed(dir, "header124", buildBitmapWithBits(v5, 2, 2, Bytes(100, 0)));
  BitmapForm masks;
  masks.bitCount = 16;
  masks.compression = 3;
  ok &= writeSeed(dir, "bitfields", buildBitmapWithBits(masks, 2, 2, Bytes(20, 0x1F)));
  return ok ? 0 : 1;
}
