// The codec: bitmaps built in the tests, decoded from memory and read from files.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>
#ifndef _WIN32
#include <sys/resource.h>
#endif

#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "image/dib_codec.h"
#include "image/pixel_rows.h"
#include "tests/support/bitmap_writer.h"
#include "tests/support/temp_folder.h"

namespace {

using Texts = std::vector<std::string>;
const char kUnknown[] = "Unknown DIB file format.";
const char kConversion[] = "Image file conversion error.";
const char kOutOfMemory[] = "Out of memory.";
const uint32_t R = 0xFF0000, G = 0x00FF00, B = 0x0000FF, K = 0;
const std::vector<uint32_t> kRgbPalette = {R, G, B};  // index 7 lies beyond it

// An RLE8 (8 bits) or RLE4 (4 bits) form over the three-colour table.
BitmapForm runLengthForm(uint16_t bitCount) {
  BitmapForm form;
  form.bitCount = bitCount;
  form.compression = bitCount == 8 ? 1 : 2;
  form.palette = kRgbPalette;
  form.clrUsed = 3;
  return form;
}

// What a decode gave: the picture's bytes, or the failure and the text the user would see.
struct Decoded {
  bool ok = false;
  int32_t width = 0, height = 0;
  Bytes rgb;
  DibFailure failure = DibFailure::none;
  std::string text;
};

Decoded decoded(DibFailure failure, const RgbPicture& picture, const std::string& path = "") {
  const unsigned char* pixels = picture.pixels.get();
  EXPECT_EQ(pixels != nullptr, failure == DibFailure::none);
  Decoded d{pixels != nullptr, picture.width, picture.height, {}, failure, ""};
  d.text = dibFailureText(failure, path.c_str());
  if (d.ok) d.rgb.assign(pixels, pixels + size_t(picture.width) * 3 * size_t(picture.height));
  return d;
}

// The vector's block is exactly the file's size, so a read past its end trips AddressSanitizer.
Decoded decode(const Bytes& file) {
  Bytes exact(file);
  RgbPicture picture;
  DibFailure failure = decodeDib(exact.empty() ? nullptr : exact.data(), exact.size(), &picture);
  return decoded(failure, picture);
}

Decoded load(const std::string& path) {
  RgbPicture picture;
  DibFailure failure = readDibFile(path.c_str(), &picture);
  return decoded(failure, picture, path);
}

uint32_t nextRandom(uint32_t& state) {
  state = state * 1664525u + 1013904223u;
  return state >> 8;
}

uint32_t widen5(uint32_t v) {
  return uint32_t(std::lround(v * 255.0 / 31.0));
}

// A random picture in the form's pixel values, and the colours the reader should make of it.
void randomPicture(const BitmapForm& form, int count, uint32_t seed, std::vector<uint32_t>* values,
                   std::vector<uint32_t>* colors) {
  for (int i = 0; i < count; ++i) {
    uint32_t v = nextRandom(seed);
    if (form.bitCount <= 8) {
      v %= form.palette.size();
      colors->push_back(form.palette[v]);
    } else if (form.bitCount == 16) {
      v &= 0xffff;  // the top bit is unused
      colors->push_back(widen5(v >> 10 & 31) << 16 | widen5(v >> 5 & 31) << 8 | widen5(v & 31));
    } else {
      v &= 0xffffff;
      colors->push_back(v);
    }
    values->push_back(v);
  }
}

// Strides and pad bytes at widths 1 to 9, in bare files and behind a file header with a gap.
TEST(Reader, EveryPlainFormDecodesToExactRows) {
  uint32_t seed = 7;
  for (uint16_t bits : {1, 4, 8, 16, 24, 32}) {
    for (int layout = 0; layout < 6; ++layout) {
      BitmapForm form;
      form.bitCount = bits;
      form.fileHeader = layout & 1;
      form.gap = form.fileHeader ? 3 * layout : 0;
      form.core = layout / 2 == 1;
      form.topDown = layout / 2 == 2;  // rows come back turned bottom-first
      for (int i = 0; bits <= 8 && i < (1 << bits); ++i) form.palette.push_back(nextRandom(seed));
      for (int32_t width = 1; width <= 9; ++width) {
        for (int32_t height : {1, 3}) {
          SCOPED_TRACE(testing::Message() << bits << " bits, layout " << layout << ", " << width);
          std::vector<uint32_t> values, colors;
          randomPicture(form, width * height, seed++, &values, &colors);
          Decoded d = decode(buildBitmap(form, width, height, values));
          EXPECT_EQ(d.width, width);
          EXPECT_EQ(d.height, height);
          EXPECT_EQ(d.rgb, rgbBottomFirst(width, colors));
        }
      }
    }
  }
}

TEST(Reader, ColourTableFollowsClrUsedAndMissingEntriesAreBlack) {
  struct Case {
    uint16_t bits;
    uint32_t clrUsed, written;  // entries named, entries in the file
    std::vector<uint32_t> values, expected;
  };
  const Case cases[] = {
      {8, 2, 2, {0, 1, 2, 3}, {1, 2, K, K}},          // fewer than 8 bits allow
      {1, 4, 4, {0, 1, 1, 0}, {1, 2, 2, 1}},          // more: the bits follow all four
      {8, 65536 + 3, 3, {0, 1, 2, 3}, {1, 2, 3, K}},  // only the low 16 bits count
      {8, 65536, 0, {0, 1, 2, 3}, {K, K, K, K}},      // which may leave no table
      {24, 2, 2, {R, G, B, 7}, {R, G, B, 7}},         // a table before 24-bit bits
  };
  for (const Case& c : cases) {
    for (bool fileHeader : {true, false}) {
      SCOPED_TRACE(testing::Message() << c.bits << " bits, clrUsed " << c.clrUsed);
      BitmapForm form;
      form.fileHeader = fileHeader;
      form.bitCount = c.bits;
      form.clrUsed = c.clrUsed;
      for (uint32_t i = 1; i <= c.written; ++i) form.palette.push_back(i);
      EXPECT_EQ(decode(buildBitmap(form, 4, 1, c.values)).rgb, rgbBottomFirst(4, c.expected));
    }
  }
}

TEST(Reader, RunLengthStreamsUseEveryEscape) {
  BitmapForm form = runLengthForm(8);
  const Bytes stream8 = {
      2, 1, 1, 7, 0, 0,        // two green, one past the table; end of line
      0, 3, 2, 0, 1, 0, 1, 1,  // absolute blue red green + pad byte, then a green
      0, 0, 0, 2, 2, 0, 5, 2,  // end of line, delta two right, five blue cut at the edge
      0, 1, 9, 9,              // end of bitmap; nothing after it is read as pixels
  };
  Decoded d = decode(buildBitmapWithBits(form, 4, 3, stream8));
  EXPECT_EQ(d.rgb, rgbBottomFirst(4, {K, K, B, B, B, R, G, G, G, G, K, K}));

  form = runLengthForm(4);
  // clang-format off
  const Bytes stream4 = {
      5, 0x12, 0, 0,                    // 1 2 1 2 1
      0, 5, 0x01, 0x20, 0x10, 0, 0, 0,  // absolute 0 1 2 0 1 + pad byte
      0, 2, 0, 1,                       // delta a row up, leaving one black
      3, 0x20,                          // 2 0 2, then the stream just ends
  };
  // clang-format on
  d = decode(buildBitmapWithBits(form, 5, 4, stream4));
  EXPECT_EQ(d.rgb, rgbBottomFirst(5, {B, R, B, K, K, K, K, K, K, K, R, G, B, R, G, G, B, G, B, G}));
}

// Codes are skipped whole past the right edge; the pixels left of it keep their nibble order.
TEST(Reader, RunLengthCodesPastTheEdgeOrTheTopDrawNothing) {
  BitmapForm form = runLengthForm(4);
  // clang-format off
  const Bytes stream = {
      4, 0x12, 255, 0x21,      // 1 2 1, then the rest of both runs past the edge
      0, 3, 0x12, 0, 0, 0,     // absolute past the edge; end of line
      1, 0x22, 0, 4, 1, 0x20,  // 2, then absolute 0 1 and past the edge 2 0
      0, 2, 200, 0, 0, 2, 0, 5, 1, 0x11,  // deltas past the edge and the top; nothing after
  };
  // clang-format on
  EXPECT_EQ(decode(buildBitmapWithBits(form, 3, 2, stream)).rgb,
            rgbBottomFirst(3, {B, R, G, G, B, G}));
  form = runLengthForm(8);
  const Bytes stream8 = {3, 1, 255, 2, 0, 3, 0, 1, 2, 0, 0, 2, 9, 0, 1, 0};
  EXPECT_EQ(decode(buildBitmapWithBits(form, 2, 1, stream8)).rgb, rgbBottomFirst(2, {G, G}));
}

TEST(Reader, RefusesWhatItCannotRender) {
  struct Case {
    int32_t width, height;
    uint16_t bits;
    uint32_t compression;
    DibFailure reason;
  };
  const DibFailure form = DibFailure::unsupportedForm, none = DibFailure::noPixels,
                   side = DibFailure::sideTooLong;
  // clang-format off
  const Case cases[] = {
      {4, 4, 16, 3, form},  {4, 4, 32, 3, form},  // bit-field masks
      {4, 4, 24, 4, form},  {4, 4, 24, 5, form},  // JPEG, PNG inside
      {4, 4, 2, 0, form},   {4, 4, 64, 0, form},  // no rendering for these
      {4, 4, 0, 0, form},   {4, 4, 8, 77, form},  // or an unknown code
      {4, 4, 4, 1, form},   {4, 4, 8, 2, form},   // codes and bit counts crossed
      {0, 4, 24, 0, none},  {-4, 4, 24, 0, none}, {4, 0, 24, 0, none},
      {4, -4, 8, 1, DibFailure::topDownRunLength},  // run-length bitmaps are bottom-up only
      {16384, 16384, 24, 0, DibFailure::bitsCut},  // within the caps, but short of bits
      {16385, 16384, 24, 0, side}, {INT32_MAX, INT32_MIN, 24, 0, side},
      {1 << 26, 1, 8, 1, side},    {1, 1 << 26, 4, 2, side},  // few pixels, but too long for GL
      {16385, 1, 24, 0, side},     {1, -16385, 24, 0, side},
  };
  // clang-format on

  for (const Case& c : cases) {
    BitmapForm form;
    form.bitCount = c.bits;
    form.compression = c.compression;
    form.palette = {R};
    form.clrUsed = 1;
    SCOPED_TRACE(testing::Message()
                 << c.width << " x " << c.height << ", " << c.bits << " bits, " << c.compression);
    Decoded d = decode(buildBitmapWithBits(form, c.width, c.height, Bytes(256, 0)));
    EXPECT_EQ(d.failure, c.reason);
    EXPECT_EQ(d.text, c.reason == side ? kOutOfMemory : kConversion);
  }
}

TEST(Reader, OtherHeaderSizesAreUnknown) {
  for (uint32_t size : {16u, 41u, 64u, 108u, 124u}) {
    for (bool fileHeader : {true, false}) {
      BitmapForm form;
      form.headerSize = size;
      form.fileHeader = fileHeader;
      Decoded d = decode(buildBitmapWithBits(form, 2, 2, Bytes(128, 0)));
      EXPECT_EQ(d.failure, DibFailure::unknownHeaderSize);
      EXPECT_EQ(d.text, kUnknown) << size;
    }
  }
}

// Cut at every length, a file gives its picture only when whole (a plain one may lose the last
// row's pad bytes, a run-length one may stop between codes); otherwise one message for what is
// missing: the headers and table, or the bits.
TEST(Reader, EveryTruncationIsRefusedWithoutReadingPastTheEnd) {
  std::vector<BitmapForm> forms(5);
  forms[1].bitCount = forms[3].bitCount = 8;
  forms[1].fileHeader = false;
  forms[2].core = true;
  forms[2].bitCount = forms[4].bitCount = 4;
  forms[3].compression = 1;
  forms[4].compression = 2;
  const Bytes streams[] = {{},
                           {},
                           {},
                           {2, 1, 0, 2, 0, 1, 0, 3, 2, 0, 1, 0, 0, 1},
                           {3, 0x12, 0, 0, 0, 3, 0x20, 0x10, 0, 1}};
  for (size_t i = 0; i < forms.size(); ++i) {
    BitmapForm& form = forms[i];
    if (form.bitCount != 24) form.palette = kRgbPalette;
    if (form.core) form.palette.resize(16, R);  // the core form has no clrUsed
    form.clrUsed = uint32_t(form.palette.size());
    bool plain = streams[i].empty();
    size_t stride = (3 * form.bitCount + 31) / 32 * 4, pad = stride - (3 * form.bitCount + 7) / 8;
    Bytes file = plain ? buildBitmap(form, 3, 2, {0, 1, 2, 2, 1, 0})
                       : buildBitmapWithBits(form, 3, 2, streams[i]);
    size_t bitsStart = file.size() - (plain ? 2 * stride : streams[i].size());
    size_t headerEnd = (form.fileHeader ? 14 : 0) + (form.core ? 12 : 40);
    for (size_t length = 0; length <= file.size(); ++length) {
      SCOPED_TRACE(testing::Message() << "form " << i << " cut at " << length);
      Decoded d = decode(Bytes(file.begin(), file.begin() + length));
      if (plain || length == file.size()) {
        EXPECT_EQ(d.ok, length + pad >= file.size());
      }
      EXPECT_TRUE(!d.ok || length >= bitsStart);
      DibFailure reason = length < headerEnd   ? DibFailure::headersCut
                          : length < bitsStart ? DibFailure::tableCut
                          : plain              ? DibFailure::bitsCut
                                               : DibFailure::streamBroken;
      EXPECT_EQ(d.failure, d.ok ? DibFailure::none : reason);
      EXPECT_EQ(d.text, d.ok ? "" : length < bitsStart ? kUnknown : kConversion);
    }
  }
}

// Both row conversions against the rule pixel by pixel, at every count around the shuffle's steps
// (the tail is left to the pixel loop); the source is exactly its row, so a read past its end
// trips AddressSanitizer.
TEST(PixelRows, EveryPixelConvertedAndNothingReadPastTheRow) {
  uint32_t seed = 11;
  for (size_t count = 1; count < 40; ++count) {
    Bytes row(3 * count), rgb(3 * count), rgba(4 * count);
    for (uint8_t& byte : row) byte = static_cast<uint8_t>(nextRandom(seed));
    bgrToRgb(row.data(), rgb.data(), count);
    rgbToRgba(row.data(), rgba.data(), count);
    for (size_t i = 0; i < count; ++i) {
      const uint8_t* in = &row[3 * i];
      EXPECT_EQ(Bytes(&rgb[3 * i], &rgb[3 * i + 3]), Bytes({in[2], in[1], in[0]})) << count;
      EXPECT_EQ(Bytes(&rgba[4 * i], &rgba[4 * i + 4]), Bytes({in[0], in[1], in[2], 255})) << count;
    }
  }
}

class LoadFile : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = freshFolder("load");
    ASSERT_FALSE(dir_.empty());
  }
  void TearDown() override { EXPECT_TRUE(removeFolder(dir_)); }
  std::string write(const std::string& name, const Bytes& bytes) {
    std::string path = dir_ + "/" + name;
    EXPECT_TRUE(writeFile(path, bytes));
    return path;
  }
  std::string dir_;
};

// A bottom-up 24-bit file is repacked inside the block it was read into; every form, whether
// repacked there or not, comes out as from memory.
TEST_F(LoadFile, ReadsTheFileAsFromMemory) {
  uint32_t seed = 3;
  for (int layout = 0; layout < 5; ++layout) {
    BitmapForm form;
    form.fileHeader = layout != 1 && layout != 2;  // bare: the bits 40 or 12 bytes in
    form.core = layout == 2;
    form.topDown = layout == 3;
    form.bitCount = layout == 4 ? 8 : 24;
    for (int i = 0; layout == 4 && i < 256; ++i) form.palette.push_back(nextRandom(seed));
    for (int32_t width : {1, 5, 8, 23}) {
      std::vector<uint32_t> values, colors;
      randomPicture(form, width * 3, seed++, &values, &colors);
      Bytes file = buildBitmap(form, width, 3, values);
      Decoded d = load(write("Sun.bmp", file));
      EXPECT_EQ(d.rgb, rgbBottomFirst(width, colors)) << "layout " << layout << ", " << width;
      EXPECT_EQ(d.height, 3);
    }
  }
}

TEST_F(LoadFile, UnreadableFilesGiveOneOpenFailureWithTheWholePath) {
  std::string longPath = dir_ + "/" + std::string(250, 'x') + "/" + std::string(250, 'y');
  std::vector<std::string> paths = {dir_ + "/none.bmp", write("empty.bmp", {}), dir_, longPath};
#ifndef _WIN32  // Windows has no FIFOs
  paths.push_back(dir_ + "/pipe.bmp");
  ASSERT_EQ(mkfifo(paths.back().c_str(), 0600), 0);  // must be refused, not waited on
#endif
  for (const std::string& path : paths) {
    Decoded d = load(path);
    EXPECT_EQ(d.failure, DibFailure::cannotOpen);
    EXPECT_EQ(d.text, "Failed to open DIB file " + path + ".\n");
  }
}

// An editor saving over a picture as the game starts: each load gives the picture, or the
// notice of a picture cut short, and never a fault.
TEST_F(LoadFile, AFileShrinkingWhileItIsReadIsAPictureCutShort) {
  Bytes file = buildBitmapWithBits(BitmapForm{}, 1024, 1024, Bytes(3 << 20, 0x80));
  std::string path = write("Earth.bmp", file);
  int fd = open(path.c_str(), O_WRONLY);
  ASSERT_GE(fd, 0);
  std::atomic<bool> done{false};
  std::thread cutter([&] {  // the headers stay, the bits come and go
    while (!done && ftruncate(fd, 4096) == 0 && ftruncate(fd, off_t(file.size())) == 0) {
    }
  });
  Texts texts;
  for (int i = 0; i < 100; ++i) {
    Decoded d = load(path);
    if (!d.ok) texts.push_back(d.text);
  }
  done = true;
  cutter.join();
  close(fd);
  EXPECT_EQ(texts, Texts(texts.size(), kConversion));
}

// A file too large for any picture the reader takes is refused before it is read.
#if !defined(_WIN32) && !defined(__SANITIZE_ADDRESS__)  // page faults; no quarantine holding blocks
// Picture after picture from files of one size takes no fresh memory, small blocks of other code
// in between (as the GL's are in the game): each read lands in the block the last one freed.
TEST_F(LoadFile, PictureAfterPictureReusesTheMemoryOfTheLast) {
  const std::string path =
      write("Earth.bmp", buildBitmapWithBits(BitmapForm{}, 1024, 512, Bytes(3 << 19, 0x80)));
  std::vector<void*> others;
  rusage before{}, after{};
  for (int i = 0; i < 12; ++i) {
    if (i == 2) getrusage(RUSAGE_SELF, &before);
    RgbPicture picture;
    ASSERT_EQ(readDibFile(path.c_str(), &picture), DibFailure::none);
    others.push_back(std::malloc(40));
  }
  getrusage(RUSAGE_SELF, &after);
  for (void* other : others) std::free(other);
  EXPECT_LT(after.ru_minflt - before.ru_minflt, 100);  // one picture's fresh pages: 384
}
#endif

TEST_F(LoadFile, FilesOverTheCapAreNotRead) {
  std::string path = write("Jupiter.bmp", buildBitmap(BitmapForm{}, 1, 1, {R}));
  ASSERT_EQ(truncate(path.c_str(), off_t(kMaxFileBytes) + 1), 0);  // sparse
  Decoded d = load(path);
  EXPECT_EQ(d.failure, DibFailure::fileTooLarge);
  EXPECT_EQ(d.text, kOutOfMemory);
}

}  // namespace
