#include "image/working_header.h"

#include <cstdlib>
#include <cstring>

#include "image/dib_reader.h"
#include "image/little_endian.h"

namespace {

constexpr uint16_t kFileType = 0x4D42;  // "BM"
constexpr size_t kFileHeaderSize = 14;
constexpr uint32_t kCoreHeaderSize = 12;
constexpr uint32_t kInfoHeaderSize = 40;

uint16_t entriesForBitCount(uint16_t bitCount) {
  switch (bitCount) {
    case 1:
      return 2;
    case 4:
      return 16;
    case 8:
      return 256;
    default:
      return 0;
  }
}

void fillFromCore(const unsigned char* dib, uint16_t count, WorkingHeader* header) {
  InfoHeader& info = header->info;
  info = InfoHeader{};
  info.width = readU16(dib + 4);
  info.height = readU16(dib + 6);
  info.planes = readU16(dib + 8);
  info.bitCount = readU16(dib + 10);
  info.compression = kBiRgb;
  info.clrUsed = count;
  info.clrImportant = count;
  const unsigned char* table = dib + kCoreHeaderSize;
  for (uint16_t i = 0; i < count; ++i) {
    header->colors[i] = ColorEntry{table[3 * i], table[3 * i + 1], table[3 * i + 2], 0};
  }
}

void fillFromInfo(const unsigned char* dib, uint16_t count, WorkingHeader* header) {
  InfoHeader& info = header->info;
  info.width = readI32(dib + 4);
  info.height = readI32(dib + 8);
  info.planes = readU16(dib + 12);
  info.bitCount = readU16(dib + 14);
  info.compression = readU32(dib + 16);
  info.sizeImage = readU32(dib + 20);
  info.xPelsPerMeter = readI32(dib + 24);
  info.yPelsPerMeter = readI32(dib + 28);
  info.clrUsed = readU32(dib + 32);
  info.clrImportant = readU32(dib + 36);
  if (count > 0) std::memcpy(header->colors, dib + kInfoHeaderSize, size_t(count) * 4);
}

// Unpadded row length times the height. Only informative: the conversion sizes everything from
// the width and height itself. Worked out in 64 bits over the height's magnitude and held at the
// field's limit rather than wrapped.
uint32_t defaultSizeImage(const InfoHeader& info) {
  int64_t rowBytes = (int64_t(info.bitCount) * info.width + 7) / 8;
  int64_t height = info.height < 0 ? -int64_t(info.height) : int64_t(info.height);
  if (rowBytes <= 0) return 0;
  uint64_t total = uint64_t(rowBytes) * uint64_t(height);
  return total > UINT32_MAX ? UINT32_MAX : uint32_t(total);
}

}  // namespace

bool colorTableCount(const unsigned char* header, size_t available, uint16_t* count) {
  if (available < 4) return false;
  uint16_t bitCount;
  if (readU32(header) == kCoreHeaderSize) {
    if (available < kCoreHeaderSize) return false;
    bitCount = readU16(header + 10);
  } else {
    // Any other size is read as the 40-byte form, whatever its size says.
    if (available < kInfoHeaderSize) return false;
    uint32_t used = readU32(header + 32);
    if (used != 0) {
      *count = uint16_t(used);
      return true;
    }
    bitCount = readU16(header + 14);
  }
  *count = entriesForBitCount(bitCount);
  return true;
}

HeaderStatus readWorkingHeader(const unsigned char* file, size_t size, WorkingHeader* header) {
  bool hasFileHeader = size >= 2 && readU16(file) == kFileType;
  size_t dibOffset = 0;
  if (hasFileHeader) {
    if (size < kFileHeaderSize) return HeaderStatus::unknownFormat;
    dibOffset = kFileHeaderSize;
    header->bitsOffset = readU32(file + 10);
  }
  const unsigned char* dib = file + dibOffset;
  size_t available = size - dibOffset;

  uint16_t count;
  if (!colorTableCount(dib, available, &count)) return HeaderStatus::unknownFormat;
  uint32_t headerSize = readU32(dib);
  if (headerSize != kCoreHeaderSize && headerSize != kInfoHeaderSize) {
    return HeaderStatus::unknownFormat;
  }
  // colorTableCount has made sure the header itself is there; now the table must be too.
  size_t tableBytes = size_t(count) * (headerSize == kCoreHeaderSize ? 3 : 4);
  if (available - headerSize < tableBytes) return HeaderStatus::unknownFormat;

  // One spare entry, so that an empty table is still a block of its own.
  header->colors = static_cast<ColorEntry*>(std::malloc((size_t(count) + 1) * sizeof(ColorEntry)));
  if (header->colors == nullptr) return HeaderStatus::outOfMemory;
  header->colorCount = count;
  if (headerSize == kCoreHeaderSize) {
    fillFromCore(dib, count, header);
  } else {
    fillFromInfo(dib, count, header);
  }
  header->info.size = kInfoHeaderSize;
  if (header->info.sizeImage == 0) header->info.sizeImage = defaultSizeImage(header->info);
  if (header->info.clrUsed == 0) header->info.clrUsed = count;
  if (!hasFileHeader) header->bitsOffset = dibOffset + headerSize + tableBytes;
  return HeaderStatus::ok;
}

void releaseWorkingHeader(WorkingHeader* header) {
  std::free(header->colors);
  header->colors = nullptr;
}
