#include "image/bgr24.h"

#include <cstdlib>
#include <cstring>

#include "image/little_endian.h"

namespace {

bool isPlainBitCount(uint16_t bitCount) {
  switch (bitCount) {
    case 1:
    case 4:
    case 8:
    case 16:
    case 24:
    case 32:
      return true;
    default:
      return false;
  }
}

bool isRunLength(const InfoHeader& info) {
  return (info.compression == kBiRle8 && info.bitCount == 8) ||
         (info.compression == kBiRle4 && info.bitCount == 4);
}

// Writes four bytes where three are meant: the caller's rows have a spare byte at the end.
inline void storeBgr(unsigned char* to, uint32_t bgr0) {
  std::memcpy(to, &bgr0, 4);
}

void buildPalette(const WorkingHeader& header, uint32_t* palette) {
  std::memset(palette, 0, 256 * sizeof(uint32_t));
  uint16_t count = header.colorCount < 256 ? header.colorCount : 256;
  for (uint16_t i = 0; i < count; ++i) {
    const ColorEntry& c = header.colors[i];
    unsigned char bgr0[4] = {c.blue, c.green, c.red, 0};
    std::memcpy(&palette[i], bgr0, 4);
  }
}

void renderIndexedRow(const Bgr24Rendering& r, const unsigned char* src, unsigned char* dst) {
  const uint32_t* palette = r.palette;
  int32_t width = r.width;
  if (r.bitCount == 8) {
    for (int32_t x = 0; x < width; ++x) storeBgr(dst + 3 * size_t(x), palette[src[x]]);
  } else if (r.bitCount == 4) {
    for (int32_t x = 0; x < width; ++x) {
      unsigned char pair = src[x >> 1];
      storeBgr(dst + 3 * size_t(x), palette[(x & 1) ? pair & 15 : pair >> 4]);
    }
  } else {
    for (int32_t x = 0; x < width; ++x) {
      storeBgr(dst + 3 * size_t(x), palette[(src[x >> 3] >> (7 - (x & 7))) & 1]);
    }
  }
}

// 5-bit channels widened to 8 bits, rounded to nearest.
constexpr unsigned char widen5(unsigned v) {
  return static_cast<unsigned char>((v * 255 + 15) / 31);
}

void render555Row(int32_t width, const unsigned char* src, unsigned char* dst) {
  for (int32_t x = 0; x < width; ++x) {
    unsigned v = readU16(src + 2 * size_t(x));
    dst[3 * size_t(x)] = widen5(v & 31);
    dst[3 * size_t(x) + 1] = widen5((v >> 5) & 31);
    dst[3 * size_t(x) + 2] = widen5((v >> 10) & 31);
  }
}

void render32Row(int32_t width, const unsigned char* src, unsigned char* dst) {
  for (int32_t x = 0; x < width; ++x) std::memcpy(dst + 3 * size_t(x), src + 4 * size_t(x), 3);
}

// Where a run-length stream is read from and where its next pixel goes.
struct RunLengthCursor {
  const unsigned char* stream;
  size_t size;
  size_t pos;
  uint64_t x;
  uint64_t y;
};

// Four-bit streams pack two pixels per byte, the left one in the high nibble.
unsigned nibbleOrByte(const Bgr24Rendering& r, const unsigned char* data, unsigned i) {
  if (r.bitCount == 8) return data[i];
  return (i & 1) ? data[i / 2] & 15 : data[i / 2] >> 4;
}

// Moves the cursor over `count` pixels, pixel i taking the index at i & mask in `data`. Only the
// pixels left of the right edge are written, so a code reaching past the edge costs no more than
// one that ends at it. The row is below rowCount (checked by the decoding loop).
void putPixels(Bgr24Rendering* r, RunLengthCursor* c, unsigned count, const unsigned char* data,
               unsigned mask) {
  uint64_t room = c->x < uint64_t(r->width) ? uint64_t(r->width) - c->x : 0;
  unsigned shown = room < count ? unsigned(room) : count;
  if (shown > 0) {
    unsigned char* to = r->storage.get() + c->y * r->storageStride + 3 * c->x;
    for (unsigned i = 0; i < shown; ++i, to += 3) {
      std::memcpy(to, &r->palette[nibbleOrByte(*r, data, i & mask)], 3);
    }
  }
  c->x += count;
}

void putRepeated(Bgr24Rendering* r, RunLengthCursor* c, unsigned count, unsigned char value) {
  const unsigned char pair[2] = {value, value};  // a four-bit run alternates the two nibbles
  putPixels(r, c, count, pair, 1);
}

bool putAbsolute(Bgr24Rendering* r, RunLengthCursor* c, unsigned count) {
  size_t bytes = r->bitCount == 4 ? (count + 1) / 2 : count;
  if (c->size - c->pos < bytes) return false;
  putPixels(r, c, count, c->stream + c->pos, ~0u);
  size_t padded = (bytes + 1) & ~size_t(1);  // absolute runs end on a 16-bit boundary
  c->pos += padded <= c->size - c->pos ? padded : c->size - c->pos;
  return true;
}

// Decodes into a rendering that starts black, so pixels the stream skips stay black. Stops at an
// end-of-bitmap code, past the last row, or where the stream ends between two codes. A code cut
// short by the end of the stream fails; a missing pad byte after the last absolute run does not.
bool decodeRunLength(Bgr24Rendering* r, RunLengthCursor* c) {
  while (c->y < uint64_t(r->rowCount)) {
    if (c->pos == c->size) return true;
    if (c->size - c->pos < 2) return false;
    unsigned count = c->stream[c->pos];
    unsigned char value = c->stream[c->pos + 1];
    c->pos += 2;
    if (count > 0) {
      putRepeated(r, c, count, value);
    } else if (value == 0) {  // end of line
      c->x = 0;
      ++c->y;
    } else if (value == 1) {  // end of bitmap
      return true;
    } else if (value == 2) {  // delta: right, then up
      if (c->size - c->pos < 2) return false;
      c->x += c->stream[c->pos];
      c->y += c->stream[c->pos + 1];
      c->pos += 2;
    } else if (!putAbsolute(r, c, value)) {
      return false;
    }
  }
  return true;
}

DibFailure prepareRunLength(const unsigned char* bits, size_t bitsSize, Bgr24Rendering* r) {
  r->whole = true;
  r->storage.reset(static_cast<unsigned char*>(std::calloc(size_t(r->rowCount), r->storageStride)));
  if (r->storage == nullptr) return DibFailure::noMemoryForRendering;
  RunLengthCursor cursor{bits, bits == nullptr ? 0 : bitsSize, 0, 0, 0};
  return decodeRunLength(r, &cursor) ? DibFailure::none : DibFailure::streamBroken;
}

// The last row may lack its pad bytes; every other row must be whole.
DibFailure preparePlain(const unsigned char* bits, size_t bitsSize, Bgr24Rendering* r) {
  uint64_t rowBits = uint64_t(r->bitCount) * uint64_t(r->width);
  // A stored row is rounded up to whole 32-bit words.
  r->sourceStride = size_t((rowBits + 31) / 32 * 4);
  uint64_t needed = uint64_t(r->sourceStride) * uint64_t(r->rowCount - 1) + (rowBits + 7) / 8;
  if (bits == nullptr || bitsSize < needed) return DibFailure::bitsCut;
  r->source = bits;
  if (r->bitCount == 24) return DibFailure::none;
  // One byte over, for the four-byte store of the row's last pixel (storeBgr).
  r->storage.reset(static_cast<unsigned char*>(std::malloc(r->storageStride + 1)));
  return r->storage == nullptr ? DibFailure::noMemoryForRendering : DibFailure::none;
}

}  // namespace

DibFailure convertToBgr24(const WorkingHeader& header, const unsigned char* bits, size_t bitsSize,
                          Bgr24Rendering* rendering) {
  Bgr24Rendering& r = *rendering;
  r = Bgr24Rendering{};
  const InfoHeader& info = header.info;
  bool runLength = isRunLength(info);
  if (info.width <= 0 || info.height == 0) return DibFailure::noPixels;
  if (!runLength && !(info.compression == kBiRgb && isPlainBitCount(info.bitCount))) {
    return DibFailure::unsupportedForm;
  }
  // Compressed bitmaps are bottom-up by definition.
  if (runLength && info.height < 0) return DibFailure::topDownRunLength;
  int64_t rows = info.height < 0 ? -int64_t(info.height) : int64_t(info.height);
  if (info.width > kMaxImageSide || rows > kMaxImageSide) return DibFailure::sideTooLong;

  r.width = info.width;
  r.rowCount = int32_t(rows);
  r.topDown = info.height < 0;
  r.bitCount = info.bitCount;
  // 24-bit rows are rounded up to 4 bytes too: 3 * width + (width & 3) is the next multiple of 4.
  r.storageStride = 3 * size_t(r.width) + (size_t(r.width) & 3);
  buildPalette(header, r.palette);
  return runLength ? prepareRunLength(bits, bitsSize, &r) : preparePlain(bits, bitsSize, &r);
}

const unsigned char* bgr24Row(Bgr24Rendering* rendering, int32_t row) {
  Bgr24Rendering& r = *rendering;
  unsigned char* storage = r.storage.get();
  if (r.whole) return storage + size_t(row) * r.storageStride;
  const unsigned char* src = r.source + size_t(row) * r.sourceStride;
  switch (r.bitCount) {
    case 24:
      return src;
    case 32:
      render32Row(r.width, src, storage);
      break;
    case 16:
      render555Row(r.width, src, storage);
      break;
    default:
      renderIndexedRow(r, src, storage);
      break;
  }
  return storage;
}
