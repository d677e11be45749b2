#include "image/working_header.h"

#include <cstdlib>
#include <cstring>

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

// The core form has no compression field: its pixels are always stored plainly.
void fillFromCore(const unsigned char* dib, uint16_t count, WorkingHeader* header) {
  header->info = InfoHeader{readU16(dib + 4), readU16(dib + 6), readU16(dib + 10), kBiRgb};
  const unsigned char* table = dib + kCoreHeaderSize;
  for (uint16_t i = 0; i < count; ++i) {
    header->colors[i] = ColorEntry{table[3 * i], table[3 * i + 1], table[3 * i + 2], 0};
  }
}

void fillFromInfo(const unsigned char* dib, uint16_t count, WorkingHeader* header) {
  header->info =
      InfoHeader{readI32(dib + 4), readI32(dib + 8), readU16(dib + 14), readU32(dib + 16)};
  if (count > 0) std::memcpy(header->colors.get(), dib + kInfoHeaderSize, size_t(count) * 4);
}

}  // namespace

bool colorTableCount(const unsigned char* header, size_t available, uint16_t* count) {
  if (available < 4) return false;
  uint16_t bitCount;
  if (readU32(header) == kCoreHeaderSize) {
    if (available < kCoreHeaderSize) return false;
    bitCount = readU16(header + 10);
  } else {
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

DibFailure readWorkingHeader(const unsigned char* file, size_t size, WorkingHeader* header) {
  bool hasFileHeader = size >= 2 && readU16(file) == kFileType;
  size_t dibOffset = hasFileHeader ? kFileHeaderSize : 0;
  if (size < dibOffset + 4) return DibFailure::headersCut;
  const unsigned char* dib = file + dibOffset;
  size_t available = size - dibOffset;

  // The size says which form the rest is, so nothing else of the header is read before it.
  uint32_t headerSize = readU32(dib);
  if (headerSize != kCoreHeaderSize && headerSize != kInfoHeaderSize) {
    return DibFailure::unknownHeaderSize;
  }
  uint16_t count;
  if (!colorTableCount(dib, available, &count)) return DibFailure::headersCut;
  // colorTableCount has made sure the header itself is there; now the table must be too.
  size_t tableBytes = size_t(count) * (headerSize == kCoreHeaderSize ? 3 : 4);
  if (available - headerSize < tableBytes) return DibFailure::tableCut;

  // An empty table is no block at all.
  const size_t entryBytes = size_t(count) * sizeof(ColorEntry);
  header->colors.reset(count > 0 ? static_cast<ColorEntry*>(std::malloc(entryBytes)) : nullptr);
  if (count > 0 && header->colors == nullptr) return DibFailure::noMemoryForTable;
  header->colorCount = count;
  if (headerSize == kCoreHeaderSize) {
    fillFromCore(dib, count, header);
  } else {
    fillFromInfo(dib, count, header);
  }
  header->bitsOffset = hasFileHeader ? readU32(file + 10) : headerSize + tableBytes;
  return DibFailure::none;
}
