// Paints Farlight's menu icon: the Earth picture, read through the game's own reader, on a shaded
// disc as a sphere shows it. Usage: make_icon EARTH.bmp OUTPUT_FOLDER [ico] SIZE...
// Writes OUTPUT_FOLDER/farlight-SIZE.png, an RGBA PNG, for each size; with "ico", one Windows icon
// OUTPUT_FOLDER/farlight.ico holding those PNGs instead. The PNG's deflate stream uses stored
// blocks only: icons are small, and it keeps the tool free of a compression library.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "image/dib_reader.h"
#include "image/rgb_image.h"
#include "tools/bitmap/dib_writer.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int kMinSize = 16;
constexpr int kMaxSize = 1024;
constexpr int kSamples = 4;  // per pixel and axis, for a smooth rim
// The sphere puts texture column u at longitude (1 - u) * 2 pi and the player looks at
// longitude pi/2, so the face the game shows is centred on u = 0.75.
constexpr double kFacingU = 0.75;
constexpr double kTilt = 0.35;  // radians the pole leans towards the viewer
constexpr double kAmbient = 0.18;

struct Colour {
  double r, g, b;
};

// ---- Painting ----

// The picture's colour at texture coordinates (u, v); v = 0 is the bottom row.
Colour texel(const RgbImage& map, double u, double v) {
  int32_t rows = map.height < 0 ? -map.height : map.height;
  u -= std::floor(u);
  int32_t x = std::min(static_cast<int32_t>(u * map.width), map.width - 1);
  int32_t y = std::min(static_cast<int32_t>(std::clamp(v, 0.0, 1.0) * rows), rows - 1);
  if (map.height < 0) {  // top-down rows: the first row in memory is the top one
    y = rows - 1 - y;
  }
  const unsigned char* p = map.pixels + (static_cast<size_t>(y) * map.width + x) * 3;
  return {p[0] / 255.0, p[1] / 255.0, p[2] / 255.0};
}

// What the sphere shows at disc point (x, y), both in [-1, 1] with y up; false off the disc.
bool spherePoint(const RgbImage& map, double x, double y, Colour* out) {
  double rr = x * x + y * y;
  if (rr > 1.0) {
    return false;
  }
  double z = std::sqrt(1.0 - rr);
  // Turn the surface normal back by the tilt to find where on the globe it points.
  double ny = y * std::cos(kTilt) - z * std::sin(kTilt);
  double nz = y * std::sin(kTilt) + z * std::cos(kTilt);
  double longitude = std::atan2(x, nz);
  double latitude = std::asin(std::clamp(ny, -1.0, 1.0));
  Colour c = texel(map, kFacingU - longitude / (2 * kPi), 0.5 + latitude / kPi);
  // Light from the upper left, in front of the globe.
  double light = std::max(0.0, (-0.45 * x + 0.5 * y + 0.74 * z));
  double shade = kAmbient + (1.0 - kAmbient) * light;
  *out = {c.r * shade, c.g * shade, c.b * shade};
  return true;
}

// RGBA rows, top row first, each pixel averaged over kSamples x kSamples points.
std::vector<unsigned char> paintIcon(const RgbImage& map, int size) {
  std::vector<unsigned char> rgba(static_cast<size_t>(size) * size * 4);
  for (int row = 0; row < size; ++row) {
    for (int col = 0; col < size; ++col) {
      Colour sum{0, 0, 0};
      int covered = 0;
      for (int sy = 0; sy < kSamples; ++sy) {
        for (int sx = 0; sx < kSamples; ++sx) {
          double x = ((col + (sx + 0.5) / kSamples) / size) * 2 - 1;
          double y = 1 - ((row + (sy + 0.5) / kSamples) / size) * 2;
          Colour c{};
          if (spherePoint(map, x, y, &c)) {
            sum = {sum.r + c.r, sum.g + c.g, sum.b + c.b};
            ++covered;
          }
        }
      }
      unsigned char* p = &rgba[(static_cast<size_t>(row) * size + col) * 4];
      if (covered > 0) {
        p[0] = static_cast<unsigned char>(std::lround(sum.r / covered * 255));
        p[1] = static_cast<unsigned char>(std::lround(sum.g / covered * 255));
        p[2] = static_cast<unsigned char>(std::lround(sum.b / covered * 255));
        p[3] = static_cast<unsigned char>(covered * 255 / (kSamples * kSamples));
      }
    }
  }
  return rgba;
}

// ---- PNG ----

uint32_t crc32(const unsigned char* data, size_t length) {
  static uint32_t table[256];
  if (table[1] == 0) {
    for (uint32_t n = 0; n < 256; ++n) {
      uint32_t c = n;
      for (int k = 0; k < 8; ++k) {
        c = (c & 1) != 0 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      }
      table[n] = c;
    }
  }
  uint32_t c = 0xFFFFFFFFu;
  for (size_t i = 0; i < length; ++i) {
    c = table[(c ^ data[i]) & 0xFF] ^ (c >> 8);
  }
  return c ^ 0xFFFFFFFFu;
}

void putBigEndian(std::vector<unsigned char>* out, uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) {
    out->push_back(static_cast<unsigned char>(value >> shift));
  }
}

void putChunk(std::vector<unsigned char>* png, const char* type,
              const std::vector<unsigned char>& body) {
  putBigEndian(png, static_cast<uint32_t>(body.size()));
  std::vector<unsigned char> typed(type, type + 4);
  typed.insert(typed.end(), body.begin(), body.end());
  png->insert(png->end(), typed.begin(), typed.end());
  putBigEndian(png, crc32(typed.data(), typed.size()));
}

// A zlib stream of stored (uncompressed) deflate blocks, at most 65535 bytes each.
std::vector<unsigned char> storedZlib(const std::vector<unsigned char>& data) {
  std::vector<unsigned char> out{0x78, 0x01};
  size_t done = 0;
  do {
    size_t length = std::min<size_t>(data.size() - done, 65535);
    bool last = done + length == data.size();
    out.push_back(last ? 1 : 0);
    out.push_back(static_cast<unsigned char>(length));
    out.push_back(static_cast<unsigned char>(length >> 8));
    out.push_back(static_cast<unsigned char>(~length));
    out.push_back(static_cast<unsigned char>(~length >> 8));
    out.insert(out.end(), data.begin() + done, data.begin() + done + length);
    done += length;
  } while (done < data.size());
  uint32_t a = 1;
  uint32_t b = 0;
  for (unsigned char byte : data) {
    a = (a + byte) % 65521;
    b = (b + a) % 65521;
  }
  putBigEndian(&out, (b << 16) | a);
  return out;
}

std::vector<unsigned char> encodePng(const std::vector<unsigned char>& rgba, int size) {
  std::vector<unsigned char> png{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  std::vector<unsigned char> header;
  putBigEndian(&header, size);
  putBigEndian(&header, size);
  header.insert(header.end(), {8, 6, 0, 0, 0});  // 8 bits per channel, RGBA, no interlace
  putChunk(&png, "IHDR", header);
  std::vector<unsigned char> rows;
  size_t stride = static_cast<size_t>(size) * 4;
  for (int row = 0; row < size; ++row) {
    rows.push_back(0);  // filter: none
    rows.insert(rows.end(), rgba.begin() + row * stride, rgba.begin() + (row + 1) * stride);
  }
  putChunk(&png, "IDAT", storedZlib(rows));
  putChunk(&png, "IEND", {});
  return png;
}

// ---- ICO ----

void putLittleEndian(std::vector<unsigned char>* out, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out->push_back(static_cast<unsigned char>(value >> (8 * i)));
}

// An icon directory whose entries are whole PNG files, as Windows has read them since Vista.
std::vector<unsigned char> encodeIco(const std::vector<std::vector<unsigned char>>& pngs,
                                     const std::vector<int>& sizes) {
  std::vector<unsigned char> ico;
  putLittleEndian(&ico, 0, 2);
  putLittleEndian(&ico, 1, 2);  // an icon, not a cursor
  putLittleEndian(&ico, static_cast<uint32_t>(pngs.size()), 2);
  size_t offset = 6 + 16 * pngs.size();
  for (size_t i = 0; i < pngs.size(); ++i) {
    const unsigned char side = static_cast<unsigned char>(sizes[i] % 256);  // 0 stands for 256
    ico.insert(ico.end(), {side, side, 0, 0});
    putLittleEndian(&ico, 1, 2);   // planes
    putLittleEndian(&ico, 32, 2);  // bits per pixel
    putLittleEndian(&ico, static_cast<uint32_t>(pngs[i].size()), 4);
    putLittleEndian(&ico, static_cast<uint32_t>(offset), 4);
    offset += pngs[i].size();
  }
  for (const auto& png : pngs) ico.insert(ico.end(), png.begin(), png.end());
  return ico;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: %s EARTH.bmp OUTPUT_FOLDER [ico] SIZE...\n", argv[0]);
    return 2;
  }
  errorPopups = 0;  // a build has no one to click a box away; say it here instead
  RgbImage* map = loadDibImage(argv[1]);
  if (map == nullptr || map->width <= 0 || map->height == 0) {
    std::fprintf(stderr, "make_icon: cannot read the picture %s\n", argv[1]);
    return 1;
  }
  const bool ico = std::string(argv[3]) == "ico";
  const int maxSize = ico ? 256 : kMaxSize;
  int status = 0;
  std::vector<std::vector<unsigned char>> pngs;
  std::vector<int> sizes;
  for (int i = ico ? 4 : 3; i < argc; ++i) {
    int size = std::atoi(argv[i]);
    std::string path = std::string(argv[2]) + "/farlight-" + std::to_string(size) + ".png";
    if (size < kMinSize || size > maxSize) {
      std::fprintf(stderr, "make_icon: size %s is not between %d and %d\n", argv[i], kMinSize,
                   maxSize);
      status = 2;
    } else if (ico) {
      pngs.push_back(encodePng(paintIcon(*map, size), size));
      sizes.push_back(size);
    } else if (!writeFile(path, encodePng(paintIcon(*map, size), size))) {
      std::fprintf(stderr, "make_icon: cannot write %s\n", path.c_str());
      status = 1;
    }
  }
  const std::string icoPath = std::string(argv[2]) + "/farlight.ico";
  if (ico && status == 0 && !writeFile(icoPath, encodeIco(pngs, sizes))) {
    std::fprintf(stderr, "make_icon: cannot write %s\n", icoPath.c_str());
    status = 1;
  }
  releaseRgbImage(map);
  return status;
}
