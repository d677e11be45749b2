#include "image/working_header.h"

#include <gtest/gtest.h>

#include "tests/support/bitmap_writer.h"

namespace {

TEST(ColorTableCount, TakesTheLow16BitsOfClrUsedAndNeverReadsPastTheHeader) {
  BitmapForm form;
  form.fileHeader = false;
  form.clrUsed = 70000;
  Bytes info = buildBitmapWithBits(form, 1, 1, {});
  uint16_t count = 7;
  EXPECT_FALSE(colorTableCount(info.data(), 3, &count));
  EXPECT_FALSE(colorTableCount(info.data(), 39, &count));
  info[0] = 12;  // now a core header, which is 12 bytes long
  EXPECT_FALSE(colorTableCount(info.data(), 11, &count));
  EXPECT_EQ(count, 7);
  info[0] = 108;  // any size but 12 is read as the 40-byte form
  ASSERT_TRUE(colorTableCount(info.data(), 40, &count));
  EXPECT_EQ(count, 70000 - 65536);
}

// The size decides how the rest is read, so it is looked at first, even in a file cut short.
TEST(WorkingHeader, HeaderSizeIsCheckedFirst) {
  BitmapForm form;
  form.headerSize = 108;
  Bytes file = buildBitmapWithBits(form, 1, 1, {});
  WorkingHeader h;
  EXPECT_EQ(readWorkingHeader(file.data(), 14 + 4, &h), DibFailure::unknownHeaderSize);
  file[14] = 40;
  EXPECT_EQ(readWorkingHeader(file.data(), 14 + 39, &h), DibFailure::headersCut);
}

TEST(WorkingHeader, TableCountsAndBitPositions) {
  struct Case {
    bool fileHeader, core;
    uint16_t bits;
    uint32_t clrUsed, gap;
    uint16_t entries;
    uint64_t bitsOffset;
  };
  const Case cases[] = {
      {false, false, 8, 0, 0, 256, 1064}, {false, false, 8, 16, 0, 16, 104},
      {false, true, 4, 0, 0, 16, 60},     {false, true, 24, 0, 0, 0, 12},
      {false, false, 24, 2, 0, 2, 48},    {true, false, 1, 0, 10, 2, 14 + 40 + 8 + 10},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.bits << " bits, bits at " << c.bitsOffset);
    BitmapForm form{c.fileHeader, c.core, c.bits, 0, false, {}, c.clrUsed, 0, c.gap, 0};
    for (uint32_t i = 0; i < c.entries; ++i) form.palette.push_back(0x030201 * i & 0xffffff);
    Bytes file = buildBitmapWithBits(form, 5, 2, Bytes(64, 0));
    WorkingHeader h;
    ASSERT_EQ(readWorkingHeader(file.data(), file.size(), &h), DibFailure::none);
    EXPECT_EQ(h.colorCount, c.entries);
    EXPECT_EQ(h.bitsOffset, c.bitsOffset);
    EXPECT_EQ(h.info.width, 5);
    EXPECT_EQ(h.info.bitCount, c.bits);
    for (uint32_t i = 0; i < c.entries; ++i) {
      const ColorEntry& e = h.colors[i];
      EXPECT_EQ(e.blue | e.green << 8 | e.red << 16 | e.reserved << 24,
                int(0x030201 * i & 0xffffff))
          << i;
    }
  }
}

}  // namespace
