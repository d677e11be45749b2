#pragma once

// The half of a whole-file read that is the same on every system: once the file is known to be a
// regular file of `length` bytes, cap it, allocate one block, read into it and hand it over.

#include <cstdint>
#include <cstdlib>
#include <utility>

#include "platform/platform.h"

// `readUpTo(to, size, &got)` reads up to `size` bytes (fewer when the file ends first) and is
// false on a read error.
template <typename ReadUpTo>
FileRead readKnownLength(uint64_t length, size_t maxBytes, ReadUpTo readUpTo, OwnedBytes* data,
                         size_t* size) {
  if (length == 0) return FileRead::cannotOpen;
  if (length > maxBytes) return FileRead::tooLarge;
  const size_t want = size_t(length);
  OwnedBytes block(static_cast<unsigned char*>(std::malloc(want)));
  if (block == nullptr) return FileRead::noMemory;
  size_t got = 0;
  if (!readUpTo(block.get(), want, &got)) return FileRead::cannotOpen;
  *data = std::move(block);
  *size = got;
  return FileRead::ok;
}
