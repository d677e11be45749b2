#include <cmath>
#include <cstdint>

#include "reader_test_support.h"

namespace {

const char kUnknown[] = "Unknown DIB file format.";
const char kConversion[] = "Image file conversion error.";
const char kOutOfMemory[] = "Out of memory.";
using Notices = std::vector<std::string>;

// Palette: 0 red, 1 green, 2 blue; index 7 lies beyond it.
const std::vector<uint32_t> kRgbPalette = {0xFF0000, 0x00FF00, 0x0000FF};
const uint32_t R = 0xFF0000, G = 0x00FF00, B = 0x0000FF, K = 0;

uint32_t nextRandom(uint32_t& state) {
  state = state * 1664525u + 1013904223u;
  return state >> 8;
}

uint32_t widen5(uint32_t v) {
  return uint32_t(std::lround(v * 255.0 / 31.0));
}

// A random picture in the form's own pixel values, and the colours the reader should give it.
void randomPicture(const BitmapForm& form, int count, uint32_t seed, std::vector<uint32_t>* values,
                   std::vector<uint32_t>* colors) {
  for (int i = 0; i < count; ++i) {
    uint32_t v = nextRandom(seed);
    if (form.bitCount <= 8) {
      v %= form.palette.size();
      colors->push_back(form.palette[v]);
    } else if (form.bitCount == 16) {
      v &= 0xffff;  // the top bit is unused and must be ignored
      colors->push_back(widen5(v >> 10 & 31) << 16 | widen5(v >> 5 & 31) << 8 | widen5(v & 31));
    } else {
      v &= 0xffffff;
      colors->push_back(v);
    }
    values->push_back(v);
  }
}

TEST_F(ReaderTest, EveryPlainFormDecodesToExactRowsAtOddWidths) {
  uint32_t seed = 7;
  for (uint16_t bits : {1, 4, 8, 16, 24, 32}) {
    for (int layout = 0; layout < 6; ++layout) {
      BitmapForm form;
      form.bitCount = bits;
      form.fileHeader = layout & 1;
      form.core = layout / 2 == 1;
      form.topDown = layout / 2 == 2;
      if (bits <= 8) {
        for (int i = 0; i < (1 << bits); ++i) form.palette.push_back(nextRandom(seed) & 0xffffff);
      }
      for (int32_t width = 1; width <= 9; ++width) {
        for (int32_t height : {1, 3}) {
          SCOPED_TRACE(testing::Message()
                       << bits << " bits, layout " << layout << ", " << width << " x " << height);
          std::vector<uint32_t> values, colors;
          randomPicture(form, width * height, seed++, &values, &colors);
          Decoded d = decode(buildBitmap(form, width, height, values));
          ASSERT_TRUE(d.ok);
          EXPECT_EQ(d.width, width);
          EXPECT_EQ(d.height, height);
          EXPECT_EQ(d.rgb, rgbBottomFirst(width, colors));
        }
      }
    }
  }
  EXPECT_TRUE(notices().empty());
}

TEST_F(ReaderTest, ColourTableSizeFollowsClrUsedAndMissingEntriesAreBlack) {
  const uint32_t c1 = 0x000001, c2 = 0x000002, c3 = 0x000003;
  struct Case {
    uint16_t bits;
    uint32_t clrUsed;
    uint32_t written;  // entries in the file
    std::vector<uint32_t> values, expected;
  };
  const Case cases[] = {
      {8, 2, 2, {0, 1, 2, 3}, {c1, c2, K, K}},           // fewer than the bit count allows
      {1, 4, 4, {0, 1, 1, 0}, {c1, c2, c2, c1}},         // more: the bits start after all four
      {8, 65536 + 3, 3, {0, 1, 2, 3}, {c1, c2, c3, K}},  // only the low 16 bits count
      {8, 65536, 0, {0, 1, 2, 3}, {K, K, K, K}},         // which may leave no table at all
  };
  for (const Case& c : cases) {
    for (bool fileHeader : {true, false}) {
      SCOPED_TRACE(testing::Message() << c.bits << " bits, clrUsed " << c.clrUsed);
      BitmapForm form;
      form.fileHeader = fileHeader;
      form.bitCount = c.bits;
      form.clrUsed = c.clrUsed;
      for (uint32_t i = 1; i <= c.written; ++i) form.palette.push_back(i);
      Decoded d = decode(buildBitmap(form, 4, 1, c.values));
      ASSERT_TRUE(d.ok);
      EXPECT_EQ(d.rgb, rgbBottomFirst(4, c.expected));
    }
  }
}

TEST_F(ReaderTest, TwentyFourBitsWithATableSkipIt) {
  BitmapForm form;
  form.fileHeader = false;
  form.clrUsed = 2;
  form.palette = {0x111111, 0x222222};
  Decoded d = decode(buildBitmap(form, 2, 1, {0x123456, 0xABCDEF}));
  EXPECT_EQ(d.rgb, rgbBottomFirst(2, {0x123456, 0xABCDEF}));
}

TEST_F(ReaderTest, BitsAreTakenAtTheirOffsetPastAGap) {
  BitmapForm form;
  form.bitCount = 8;
  form.palette = {0xFF0000, 0x00FF00};
  form.clrUsed = 2;
  form.gap = 37;
  Decoded d = decode(buildBitmap(form, 3, 2, {0, 1, 0, 1, 1, 0}));
  EXPECT_EQ(d.rgb, rgbBottomFirst(3, {0xFF0000, 0x00FF00, 0xFF0000, 0x00FF00, 0x00FF00, 0xFF0000}));
}

TEST_F(ReaderTest, RunLength8HandlesEveryEscape) {
  BitmapForm form;
  form.bitCount = 8;
  form.compression = 1;
  form.palette = kRgbPalette;
  form.clrUsed = 3;
  const Bytes stream = {
      2, 1, 1, 7, 0, 0,        // row 0: two green, one beyond the table; end of line
      0, 3, 2, 0, 1, 0, 1, 1,  // row 1: absolute blue red green (+ pad byte), then a green
      0, 0,                    // end of line
      0, 2, 2, 0, 5, 2,        // row 2: delta two right, a run of five blue cut at the edge
      0, 1, 9, 9,              // end of bitmap; what follows is not read as pixels
  };
  Decoded d = decode(buildBitmapWithBits(form, 4, 3, stream));
  ASSERT_TRUE(d.ok);
  EXPECT_EQ(d.rgb, rgbBottomFirst(4, {K, K, B, B, B, R, G, G, G, G, K, K}));
}

TEST_F(ReaderTest, RunLength4AlternatesNibblesAndPadsAbsoluteRuns) {
  BitmapForm form;
  form.bitCount = 4;
  form.compression = 2;
  form.palette = kRgbPalette;
  form.clrUsed = 3;
  const Bytes stream = {
      5, 0x12, 0,    0,                    // row 0: 1 2 1 2 1
      0, 5,    0x01, 0x20, 0x10, 0, 0, 0,  // row 1: absolute 0 1 2 0 1 (+ pad byte)
      0, 2,    0,    1,                    // row 2 stays black: delta one row up
      3, 0x20,                             // row 3: 2 0 2, then the stream just ends
  };
  Decoded d = decode(buildBitmapWithBits(form, 5, 4, stream));
  ASSERT_TRUE(d.ok);
  EXPECT_EQ(d.rgb, rgbBottomFirst(5, {B, R, B, K, K, K, K, K, K, K, R, G, B, R, G, G, B, G, B, G}));
}

TEST_F(ReaderTest, RefusesWhatItCannotRender) {
  struct Case {
    int32_t width, height;
    uint16_t bits;
    uint32_t compression;
    const char* message;
  };
  const Case cases[] = {
      {4, 4, 16, 3, kConversion},
      {4, 4, 32, 3, kConversion},  // bit-field masks
      {4, 4, 24, 4, kConversion},
      {4, 4, 24, 5, kConversion},  // JPEG, PNG inside
      {4, 4, 2, 0, kConversion},
      {4, 4, 64, 0, kConversion},
      {4, 4, 0, 0, kConversion},
      {4, 4, 4, 1, kConversion},
      {4, 4, 8, 2, kConversion},
      {4, 4, 8, 77, kConversion},
      {0, 4, 24, 0, kConversion},
      {-4, 4, 24, 0, kConversion},
      {4, 0, 24, 0, kConversion},
      {4, -4, 8, 1, kConversion},          // run-length bitmaps are bottom-up only
      {16384, 16384, 24, 0, kConversion},  // within the size cap, but no bits
      {16385, 16384, 24, 0, kOutOfMemory},
      {INT32_MAX, INT32_MIN, 24, 0, kOutOfMemory},  // sizes that wrap in 32 bits
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.width << " x " << c.height << ", " << c.bits
                                    << " bits, compression " << c.compression);
    notices().clear();
    BitmapForm form;
    form.bitCount = c.bits;
    form.compression = c.compression;
    form.palette.assign(c.bits == 4 || c.bits == 8 ? 16 : 0, 0);
    form.clrUsed = uint32_t(form.palette.size());
    EXPECT_FALSE(decode(buildBitmapWithBits(form, c.width, c.height, Bytes(256, 0))).ok);
    EXPECT_EQ(notices(), Notices{c.message});
  }
}

TEST_F(ReaderTest, BitsMustCoverEveryRowButTheLastRowsPad) {
  BitmapForm form;
  Bytes whole = buildBitmap(form, 3, 2, {1, 2, 3, 4, 5, 6});  // rows of 9 bytes + 3 pad
  Bytes unpadded(whole.begin(), whole.end() - 3);
  EXPECT_EQ(decode(unpadded).rgb, rgbBottomFirst(3, {1, 2, 3, 4, 5, 6}));
  Bytes shortByOne(whole.begin(), whole.end() - 4);
  EXPECT_FALSE(decode(shortByOne).ok);
  Bytes offsetPastEnd = whole;
  offsetPastEnd[10] = 0xFF;
  EXPECT_FALSE(decode(offsetPastEnd).ok);
  EXPECT_EQ(notices(), (Notices{kConversion, kConversion}));
}

TEST_F(ReaderTest, OtherHeaderSizesAreUnknown) {
  for (uint32_t size : {16u, 41u, 64u, 108u, 124u}) {
    for (bool fileHeader : {true, false}) {
      notices().clear();
      BitmapForm form;
      form.headerSize = size;
      form.fileHeader = fileHeader;
      Bytes file = buildBitmap(form, 2, 2, {1, 2, 3, 4});
      file.resize(file.size() + 128);  // room for the longer headers' fields
      EXPECT_FALSE(decode(file).ok);
      EXPECT_EQ(notices(), Notices{kUnknown}) << size;
    }
  }
}

TEST_F(ReaderTest, PopupsOffSilencesEveryFailure) {
  errorPopups = 0;
  BitmapForm unknown, huge;
  unknown.headerSize = 108;
  Bytes wrongSize = buildBitmapWithBits(unknown, 2, 2, Bytes(64, 0));
  EXPECT_FALSE(decode(wrongSize).ok);
  EXPECT_FALSE(decode(buildBitmapWithBits(BitmapForm{}, 0, 2, {})).ok);
  EXPECT_FALSE(decode(buildBitmapWithBits(huge, 100000, 100000, {})).ok);
  EXPECT_FALSE(decode({}).ok);
  EXPECT_EQ(takeImage(loadDibImage("/nonexistent/farlight/none.bmp")).ok, false);
  EXPECT_TRUE(notices().empty());
}

// Cut at every length, a file yields its picture only when whole (or, for a run-length stream,
// cut between two codes), and otherwise the message for what is missing: the headers and table,
// or the bits.
TEST_F(ReaderTest, EveryTruncationIsRefusedWithoutReadingPastTheEnd) {
  struct Sample {
    BitmapForm form;
    Bytes bits;
  };
  std::vector<Sample> samples(5);
  samples[0].form.bitCount = 24;
  samples[1].form.bitCount = 8;
  samples[1].form.fileHeader = false;
  samples[1].form.palette = kRgbPalette;
  samples[1].form.clrUsed = 3;
  samples[2].form.core = true;
  samples[2].form.bitCount = 4;
  samples[2].form.palette.assign(16, 0x123456);
  samples[3].form.compression = 1;
  samples[3].form.bitCount = 8;
  samples[3].form.palette = kRgbPalette;
  samples[3].form.clrUsed = 3;
  samples[3].bits = {2, 1, 0, 0, 0, 3, 2, 0, 1, 0, 0, 1};
  samples[4] = samples[3];
  samples[4].form.compression = 2;
  samples[4].form.bitCount = 4;
  samples[4].bits = {3, 0x12, 0, 0, 0, 3, 0x20, 0x10, 0, 1};
  for (const Sample& s : samples) {
    bool plain = s.bits.empty();
    size_t stride = (3 * s.form.bitCount + 31) / 32 * 4;
    Bytes file = plain ? buildBitmap(s.form, 3, 2, {0, 1, 2, 2, 1, 0})
                       : buildBitmapWithBits(s.form, 3, 2, s.bits);
    size_t bitsStart = file.size() - (plain ? 2 * stride : s.bits.size());
    size_t wholeFrom = file.size() - (stride - (3 * s.form.bitCount + 7) / 8);  // pad may go
    ASSERT_TRUE(decode(file).ok);
    for (size_t length = 0; length < file.size(); ++length) {
      SCOPED_TRACE(testing::Message() << "cut at " << length << " of " << file.size());
      notices().clear();
      Decoded d = decode(Bytes(file.begin(), file.begin() + length));
      if (plain) {
        EXPECT_EQ(d.ok, length >= wholeFrom);
      }
      if (d.ok) {
        EXPECT_GE(length, bitsStart);
        EXPECT_TRUE(notices().empty());
      } else {
        EXPECT_EQ(notices(), Notices{length < bitsStart ? kUnknown : kConversion});
      }
    }
  }
}

}  // namespace
