#include "image/working_header.h"

#include <gtest/gtest.h>

#include "bitmap_builder.h"
#include "image/dib_reader.h"

namespace {

Bytes header40(uint16_t bits, uint32_t clrUsed) {
  BitmapForm form;
  form.fileHeader = false;
  form.bitCount = bits;
  form.clrUsed = clrUsed;
  return buildBitmapWithBits(form, 1, 1, {});
}

Bytes header12(uint16_t bits) {
  BitmapForm form;
  form.fileHeader = false;
  form.core = true;
  form.bitCount = bits;
  return buildBitmapWithBits(form, 1, 1, {});
}

TEST(ColorTableCount, FollowsBitCountOrClrUsedAndNeverReadsPastTheHeader) {
  uint16_t count = 999;
  const std::pair<uint16_t, uint16_t> byBits[] = {{1, 2},  {4, 16}, {8, 256}, {2, 0},
                                                  {16, 0}, {24, 0}, {32, 0}};
  for (auto [bits, entries] : byBits) {
    Bytes core = header12(bits), info = header40(bits, 0);
    ASSERT_TRUE(colorTableCount(core.data(), core.size(), &count));
    EXPECT_EQ(count, entries) << bits;
    ASSERT_TRUE(colorTableCount(info.data(), info.size(), &count));
    EXPECT_EQ(count, entries) << bits;
  }
  for (auto [clrUsed, entries] : {std::pair<uint32_t, uint16_t>{5, 5}, {70000, 4464}, {65536, 0}}) {
    Bytes h = header40(24, clrUsed);
    ASSERT_TRUE(colorTableCount(h.data(), h.size(), &count));
    EXPECT_EQ(count, entries) << clrUsed;
  }
  Bytes core = header12(8), info = header40(8, 0);
  info[0] = 108;  // any size but 12 reads the 40-byte fields
  count = 7;
  EXPECT_FALSE(colorTableCount(core.data(), 3, &count));
  EXPECT_FALSE(colorTableCount(core.data(), 11, &count));
  EXPECT_FALSE(colorTableCount(info.data(), 39, &count));
  EXPECT_EQ(count, 7);
}

struct Expected {
  uint16_t colorCount;
  uint64_t bitsOffset;
};

Expected read(const BitmapForm& form, int32_t width, int32_t height, WorkingHeader* h) {
  size_t entries = form.palette.size();
  Bytes file = buildBitmapWithBits(form, width, height, Bytes(64, 0));
  EXPECT_EQ(readWorkingHeader(file.data(), file.size(), h), HeaderStatus::ok);
  EXPECT_EQ(h->info.size, 40u);
  for (size_t i = 0; i < entries && i < h->colorCount; ++i) {
    uint32_t c = form.palette[i];
    EXPECT_EQ(h->colors[i].red, c >> 16 & 0xff);
    EXPECT_EQ(h->colors[i].green, c >> 8 & 0xff);
    EXPECT_EQ(h->colors[i].blue, c & 0xff);
    EXPECT_EQ(h->colors[i].reserved, 0);
  }
  return Expected{h->colorCount, h->bitsOffset};
}

TEST(WorkingHeader, TableCountsAndBitPositionsInBareFiles) {
  BitmapForm form;
  form.fileHeader = false;
  form.bitCount = 8;
  form.palette.assign(256, 0x102030);
  WorkingHeader h;
  Expected e = read(form, 2, 2, &h);
  EXPECT_EQ(e.colorCount, 256);
  EXPECT_EQ(e.bitsOffset, 1064u);
  EXPECT_EQ(h.info.clrUsed, 256u);
  releaseWorkingHeader(&h);

  form.clrUsed = 16;
  form.palette.resize(16);
  e = read(form, 2, 2, &h);
  EXPECT_EQ(e.colorCount, 16);
  EXPECT_EQ(e.bitsOffset, 104u);
  releaseWorkingHeader(&h);

  form.bitCount = 24;
  form.clrUsed = 2;
  form.palette.resize(2);
  EXPECT_EQ(read(form, 2, 2, &h).bitsOffset, 48u);
  releaseWorkingHeader(&h);

  BitmapForm core;
  core.fileHeader = false;
  core.core = true;
  core.bitCount = 24;
  EXPECT_EQ(read(core, 2, 2, &h).bitsOffset, 12u);
  releaseWorkingHeader(&h);

  core.bitCount = 4;
  for (uint32_t i = 0; i < 16; ++i) core.palette.push_back(i * 0x010203);
  e = read(core, 2, 2, &h);
  EXPECT_EQ(e.bitsOffset, 60u);
  EXPECT_EQ(h.info.clrUsed, 16u);
  EXPECT_EQ(h.info.clrImportant, 16u);
  EXPECT_EQ(h.info.compression, 0u);
  releaseWorkingHeader(&h);
}

TEST(WorkingHeader, FileHeaderGivesTheOffsetAndSizeImageIsFilledUnpadded) {
  BitmapForm form;
  form.gap = 10;
  WorkingHeader h;
  EXPECT_EQ(read(form, 5, 2, &h).bitsOffset, 64u);
  EXPECT_EQ(h.info.sizeImage, 30u);  // 15 bytes a row, not the padded 16
  releaseWorkingHeader(&h);
  form.sizeImage = 1234;
  read(form, 5, 2, &h);
  EXPECT_EQ(h.info.sizeImage, 1234u);
  releaseWorkingHeader(&h);
}

TEST(WorkingHeader, ShortHeadersAndTablesAreUnknown) {
  BitmapForm form;
  form.bitCount = 8;
  form.palette.assign(256, 0);
  Bytes file = buildBitmapWithBits(form, 1, 1, {});
  WorkingHeader h;
  for (size_t cut : {size_t(1), size_t(13), size_t(14 + 39), file.size() - 1}) {
    EXPECT_EQ(readWorkingHeader(file.data(), cut, &h), HeaderStatus::unknownFormat) << cut;
  }
  EXPECT_EQ(readWorkingHeader(file.data(), file.size(), &h), HeaderStatus::ok);
  releaseWorkingHeader(&h);
}

}  // namespace
