#pragma once

#include <cstdint>

// The bitmap format stores every multi-byte value little-endian, at any alignment.
inline uint16_t readU16(const unsigned char* p) {
  return uint16_t(p[0] | p[1] << 8);
}

inline uint32_t readU32(const unsigned char* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

inline int32_t readI32(const unsigned char* p) {
  return int32_t(readU32(p));
}
