// The eleven pictures Farlight ships: each loads through the real reader and looks like its body.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "app/field.h"
#include "image/dib_codec.h"
#include "tools/bitmap/dib_writer.h"

namespace {

using Image = std::unique_ptr<RgbPicture>;

class PictureTest : public ::testing::Test {};

std::string picturePath(const char* file) {
  return std::string(FARLIGHT_PICTURES_DIR) + "/" + file;
}

std::vector<unsigned char> fileBytes(const std::string& path, size_t count) {
  std::vector<unsigned char> bytes(count);
  FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return {};
  bytes.resize(std::fread(bytes.data(), 1, count, file));
  std::fclose(file);
  return bytes;
}

// Cheap summaries of a picture's colours. Rows are indexed from the top (north).
struct Look {
  double r = 0, g = 0, b = 0;  // mean channels
  double blueShare = 0, greenShare = 0, redShare = 0, whiteShare = 0;
  double polarWhite = 0;  // share of near-white pixels in the top and bottom 4% of rows
  double bandSpread = 0;  // spread of the row-mean brightness between 60 S and 60 N
  int darkest = 255, brightest = 0;
};

Look lookAt(const RgbPicture& image) {
  Look look;
  const int w = image.width, h = image.height;
  const int polarRows = h / 25;
  double polarWhites = 0;
  std::vector<double> rowLuma(h, 0);
  for (int row = 0; row < h; ++row) {
    const unsigned char* p = image.pixels.get() + static_cast<size_t>(h - 1 - row) * w * 3;
    for (int x = 0; x < w; ++x, p += 3) {
      const int r = p[0], g = p[1], b = p[2];
      const int luma = (r * 3 + g * 6 + b) / 10;
      const bool white =
          std::min({r, g, b}) > 200 && std::max({r, g, b}) - std::min({r, g, b}) < 40;
      look.r += r, look.g += g, look.b += b;
      look.blueShare += b > r + 20 && b > g + 10;
      look.greenShare += g > r + 10 && g > b + 10;
      look.redShare += r > g + 30 && r > b + 30;
      look.whiteShare += white;
      if (row < polarRows || row >= h - polarRows) polarWhites += white;
      look.darkest = std::min(look.darkest, luma);
      look.brightest = std::max(look.brightest, luma);
      rowLuma[row] += luma / static_cast<double>(w);
    }
  }
  const double n = static_cast<double>(w) * h;
  look.r /= n, look.g /= n, look.b /= n;
  look.blueShare /= n, look.greenShare /= n, look.redShare /= n, look.whiteShare /= n;
  look.polarWhite = polarWhites / (2.0 * polarRows * w);
  const auto middle = rowLuma.begin() + h / 6, end = rowLuma.end() - h / 6;
  look.bandSpread = *std::max_element(middle, end) - *std::min_element(middle, end);
  return look;
}

int countPixels(const RgbPicture& image, bool (*test)(int r, int g, int b)) {
  int count = 0;
  const size_t n = static_cast<size_t>(image.width) * image.height;
  for (size_t i = 0; i < n; ++i) {
    count += test(image.pixels[i * 3], image.pixels[i * 3 + 1], image.pixels[i * 3 + 2]);
  }
  return count;
}

Image loadPicture(const char* body) {
  auto image = std::make_unique<RgbPicture>();
  const DibFailure failure = readDibFile(picturePath(body).c_str(), image.get());
  EXPECT_EQ(failure, DibFailure::none) << body << ": " << dibFailureText(failure);
  if (failure != DibFailure::none) return nullptr;
  EXPECT_EQ(image->width, 1024) << body;
  EXPECT_EQ(image->height, 512) << body;
  return image->width == 1024 && image->height == 512 ? std::move(image) : Image();
}

TEST_F(PictureTest, EveryPictureLoadsAtItsSizeAndIsNoFlatColour) {
  for (const char* body : textureFiles) {
    Image image = loadPicture(body);
    if (!image) continue;
    const Look look = lookAt(*image);
    EXPECT_GT(look.brightest - look.darkest, 40) << body;
  }
}

TEST_F(PictureTest, PicturesMixTheBitmapForms) {
  struct Form {
    const char* body;
    bool fileHeader;
    unsigned headerSize, bitCount;
  };
  const Form forms[] = {{"Sun.bmp", true, 40, 24},     {"Mercury.bmp", true, 40, 8},
                        {"Earth.bmp", true, 40, 24},   {"Moon.bmp", true, 12, 8},
                        {"Uranus.bmp", false, 40, 24}, {"Pluto.bmp", true, 40, 24}};
  for (const Form& form : forms) {
    const std::vector<unsigned char> bytes = fileBytes(picturePath(form.body), 30);
    ASSERT_EQ(bytes.size(), 30u) << form.body;
    EXPECT_EQ(bytes[0] == 'B' && bytes[1] == 'M', form.fileHeader) << form.body;
    const unsigned char* dib = bytes.data() + (form.fileHeader ? 14 : 0);
    EXPECT_EQ(dib[0] | dib[1] << 8, static_cast<int>(form.headerSize)) << form.body;
    const unsigned char* bits = dib + (form.headerSize == 12 ? 10 : 14);
    EXPECT_EQ(bits[0] | bits[1] << 8, static_cast<int>(form.bitCount)) << form.body;
  }
}

#ifdef FARLIGHT_WEB_PICTURES_DIR
// The browser's set, at 8 bits with a palette, stands in for the desktop's: same sizes, hardly a
// difference to see, and small enough for the page's download.
TEST_F(PictureTest, BrowserPicturesMatchTheDesktopOnesInAFractionOfTheBytes) {
  size_t total = 0;
  for (const char* body : textureFiles) {
    const std::string path = std::string(FARLIGHT_WEB_PICTURES_DIR) + "/" + body;
    const std::vector<unsigned char> header = fileBytes(path, 30);
    ASSERT_EQ(header.size(), 30u) << body;
    EXPECT_EQ(header[28], 8) << body << " at 8 bits";
    RgbPicture web;
    ASSERT_EQ(readDibFile(path.c_str(), &web), DibFailure::none) << body;
    Image desktop = loadPicture(body);
    if (!desktop) continue;
    ASSERT_EQ(web.width, desktop->width) << body;
    ASSERT_EQ(web.height, desktop->height) << body;
    double squares = 0;
    const size_t channels = size_t{3} * web.width * web.height;
    for (size_t i = 0; i < channels; ++i) {
      const double d = double(web.pixels[i]) - desktop->pixels[i];
      squares += d * d;
    }
    const double psnr = squares == 0 ? 99 : 10 * std::log10(255.0 * 255.0 * channels / squares);
    EXPECT_GE(psnr, 40.0) << body;
    total += fileBytes(path, 4u << 20).size();
  }
  EXPECT_LE(total, 5'900'000u) << "the browser's download";
}
#endif

TEST_F(PictureTest, WarmBodiesHaveTheirColours) {
  if (Image sun = loadPicture("Sun.bmp")) {
    const Look look = lookAt(*sun);
    EXPECT_GT(look.r, 200);
    EXPECT_GT(look.r, look.g + 30);
    EXPECT_GT(look.g, look.b + 60);
  }
  if (Image venus = loadPicture("Venus.bmp")) {
    const Look look = lookAt(*venus);
    EXPECT_GT(look.g, 160) << "pale";
    EXPECT_GT(look.r, look.g);
    EXPECT_GT(look.g, look.b + 30);
  }
  if (Image mars = loadPicture("Mars.bmp")) {
    const Look look = lookAt(*mars);
    EXPECT_GT(look.redShare, 0.8);
    EXPECT_GT(look.polarWhite, 0.6) << "polar caps";
  }
  if (Image pluto = loadPicture("Pluto.bmp")) {
    const Look look = lookAt(*pluto);
    EXPECT_GT(look.r, look.g);
    EXPECT_GT(look.g, look.b);
    EXPECT_GT(
        countPixels(*pluto, [](int r, int g, int b) { return r > 225 && g > 215 && b > 195; }),
        8000)
        << "pale heart";
    EXPECT_GT(countPixels(*pluto, [](int r, int g, int b) { return r < 130 && g < 85 && b < 70; }),
              8000)
        << "dark lands";
  }
}

TEST_F(PictureTest, GreyBodiesAreGreyAndMarked) {
  for (const char* body : {"Mercury.bmp", "Moon.bmp"}) {
    Image image = loadPicture(body);
    if (!image) continue;
    const Look look = lookAt(*image);
    EXPECT_LT(std::fabs(look.r - look.g), 15) << body;
    EXPECT_LT(std::fabs(look.g - look.b), 15) << body;
    EXPECT_GT(look.brightest - look.darkest, 120) << body << ": craters";
  }
  if (Image moon = loadPicture("Moon.bmp")) {
    const int dark = countPixels(*moon, [](int r, int, int) { return r < 100; });
    EXPECT_GT(dark, 1024 * 512 / 50) << "dark maria";
  }
}

TEST_F(PictureTest, EarthHasOceansLandIceAndCloud) {
  Image earth = loadPicture("Earth.bmp");
  if (!earth) return;
  const Look look = lookAt(*earth);
  EXPECT_GT(look.blueShare, 0.4) << "oceans";
  EXPECT_GT(look.greenShare, 0.05) << "green land";
  EXPECT_GT(countPixels(*earth, [](int r, int g, int b) { return r > 160 && r > g && g > b + 25; }),
            3000)
      << "deserts";
  EXPECT_GT(look.polarWhite, 0.8) << "polar ice";
  EXPECT_GT(look.whiteShare, 0.12) << "ice and cloud";
}

TEST_F(PictureTest, GiantPlanetsAreBandedWithTheirMarks) {
  if (Image jupiter = loadPicture("Jupiter.bmp")) {
    const Look look = lookAt(*jupiter);
    EXPECT_GT(look.bandSpread, 30);
    EXPECT_GT(look.r, look.b + 30) << "cream and brown";
    EXPECT_GT(countPixels(*jupiter, [](int r, int g, int) { return r > 170 && r > g + 85; }), 1500)
        << "red oval";
  }
  if (Image saturn = loadPicture("Saturn.bmp")) {
    const Look look = lookAt(*saturn);
    EXPECT_GT(look.bandSpread, 10);
    EXPECT_GT(look.r, look.g);
    EXPECT_GT(look.g, look.b + 30) << "pale gold";
  }
  if (Image uranus = loadPicture("Uranus.bmp")) {
    const Look look = lookAt(*uranus);
    EXPECT_GT(look.g, look.r + 25) << "pale cyan";
    EXPECT_GT(look.b, look.r + 25) << "pale cyan";
    EXPECT_GT(look.r, 140) << "pale cyan";
  }
  if (Image neptune = loadPicture("Neptune.bmp")) {
    const Look look = lookAt(*neptune);
    EXPECT_GT(look.blueShare, 0.9) << "deep blue";
    EXPECT_GT(countPixels(*neptune, [](int r, int g, int b) { return b < 125 && r + g < 70; }), 800)
        << "dark spot";
  }
}

// The writer behind the pictures, read back by the real reader in every form it writes,
// at widths whose rows need padding.
TEST_F(PictureTest, WriterFormsReadBackExactly) {
  std::vector<BitmapForm> forms(4);
  forms[1].fileHeader = forms[3].fileHeader = false;
  forms[2].core = forms[3].core = true;
  for (int width : {1, 2, 3, 5}) {
    for (int height : {1, 3}) {
      Picture truecolour{width, height, {}};
      IndexedPicture indexed{width, height, {}, {}};
      for (int i = 0; i < 7; ++i) {
        indexed.palette.push_back({uint8_t(i * 30), uint8_t(200 - i * 20), uint8_t(i * 7 + 1)});
      }
      for (int i = 0; i < width * height; ++i) {
        truecolour.pixels.push_back({uint8_t(i * 11), uint8_t(i * 5 + 100), uint8_t(250 - i)});
        indexed.indices.push_back(static_cast<uint8_t>(i % 7));
      }
      for (const BitmapForm& form : forms) {
        for (bool eightBit : {false, true}) {
          const std::vector<uint8_t> file =
              eightBit ? encodeBmp8(indexed, form) : encodeBmp24(truecolour, form);
          RgbPicture image;
          ASSERT_EQ(decodeDib(file.data(), file.size(), &image), DibFailure::none)
              << width << "x" << height;
          ASSERT_EQ(image.width, width);
          ASSERT_EQ(image.height, height);
          for (int i = 0; i < width * height; ++i) {
            // The reader delivers the bottom row first; the picture is painted top first.
            const int row = height - 1 - i / width, x = i % width;
            const Rgb want = eightBit ? indexed.palette[indexed.indices[row * width + x]]
                                      : truecolour.pixels[row * width + x];
            const unsigned char* got = image.pixels.get() + i * 3;
            EXPECT_TRUE(got[0] == want.r && got[1] == want.g && got[2] == want.b)
                << width << "x" << height << " pixel " << i << (eightBit ? " 8-bit" : " 24-bit")
                << (form.core ? " core" : " info") << (form.fileHeader ? "" : " bare");
          }
        }
      }
    }
  }
}

// Run-length encoding: runs, stretches between them (odd ones padded), codes of at most 255
// pixels, and the ends of lines and of the bitmap, each read back by the real reader.
TEST_F(PictureTest, RunLengthWriterReadsBackExactly) {
  const std::vector<Rgb> palette = {{0, 0, 0}, {200, 10, 10}, {10, 200, 10}, {10, 10, 200}};
  // The stream written for the picture, once the reader has given the picture back exactly.
  auto stream = [&](int width, const std::vector<uint8_t>& indices) -> Bytes {
    const IndexedPicture picture{width, int(indices.size()) / width, indices, palette};
    const Bytes file = encodeRle8(picture, {});
    RgbPicture image;
    if (decodeDib(file.data(), file.size(), &image) != DibFailure::none ||
        image.width != picture.width || image.height != picture.height) {
      ADD_FAILURE() << width << " wide: not read back";
      return {};
    }
    for (size_t i = 0; i < indices.size(); ++i) {
      const size_t row = picture.height - 1 - i / width, x = i % width;
      const Rgb want = palette[indices[row * width + x]];
      const unsigned char* got = image.pixels.get() + i * 3;
      if (got[0] != want.r || got[1] != want.g || got[2] != want.b) {
        ADD_FAILURE() << width << " wide, pixel " << i;
        return {};
      }
    }
    return Bytes(file.begin() + (file[10] | file[11] << 8), file.end());
  };
  // Bottom row first: a padded stretch of seven, end of line; then two singles, a run of four, a
  // single, end of bitmap.
  EXPECT_EQ(stream(7, {0, 1, 2, 2, 2, 2, 3, /**/ 1, 2, 3, 1, 2, 3, 3}),
            Bytes({0, 7, 1, 2, 3, 1, 2, 3, 3, 0, 0, 0, 1, 0, 1, 1, 4, 2, 1, 3, 0, 1}));
  EXPECT_EQ(stream(600, std::vector<uint8_t>(600, 2)), Bytes({255, 2, 255, 2, 90, 2, 0, 1}));
  // Stretches of 255, 255 and 10 pixels, then a run of 80, on each of two rows.
  std::vector<uint8_t> mixed(600 * 2);
  for (size_t i = 0; i < mixed.size(); ++i) mixed[i] = i % 600 < 520 ? i % 3 : 3;
  const Bytes bits = stream(600, mixed);
  ASSERT_EQ(bits.size(), 2 * (258 + 258 + 12 + 2 + 2));
  EXPECT_EQ(bits[258], 0);
  EXPECT_EQ(bits[259], 255);
  EXPECT_EQ(bits[516], 0);
  EXPECT_EQ(bits[517], 10);
  EXPECT_EQ(bits[528], 80);
  BitmapForm core;
  core.core = true;
  EXPECT_TRUE(encodeRle8(IndexedPicture{1, 1, {0}, palette}, core).empty())
      << "a core header cannot say it is compressed";
}

TEST_F(PictureTest, WriterRefusesWhatItCannotWrite) {
  Picture wide{70000, 1, std::vector<Rgb>(70000)};
  BitmapForm core;
  core.core = true;
  EXPECT_TRUE(encodeBmp24(wide, core).empty()) << "core sizes are 16-bit";
  EXPECT_FALSE(encodeBmp24(wide, {}).empty());
  Picture tooFew{4, 4, std::vector<Rgb>(15)};
  EXPECT_TRUE(encodeBmp24(tooFew, {}).empty());
  Picture negative{-4, -4, std::vector<Rgb>(16)};
  EXPECT_TRUE(encodeBmp24(negative, {}).empty());
  IndexedPicture outside{2, 1, {0, 3}, {{0, 0, 0}, {1, 1, 1}}};
  EXPECT_TRUE(encodeBmp8(outside, {}).empty()) << "index beyond the palette";
  IndexedPicture noPalette{1, 1, {0}, {}};
  EXPECT_TRUE(encodeBmp8(noPalette, {}).empty());
  EXPECT_FALSE(writeFile("/nonexistent-folder/x.bmp", {1, 2, 3}));
}

}  // namespace
