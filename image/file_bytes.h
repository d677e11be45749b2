#pragma once

#include <cstddef>

#include "image/dib_failure.h"

// Largest file the reader copies into memory: the bits of the largest picture it takes on
// (16384 x 16384 at 32 bits, 1 GiB) and room for headers and a full colour table.
constexpr size_t kMaxFileBytes = (size_t(1) << 30) + (size_t(1) << 20);

// A whole file copied into one malloc'd block for the length of one read.
struct FileBytes {
  unsigned char* data;
  size_t size;
};

// Reads the regular file at `path`. A file that shrinks while it is read gives what was read, a
// picture cut short. Refuses a file that cannot be opened or read, is not a regular file, or is
// empty (cannotOpen), one over kMaxFileBytes (fileTooLarge), and one there is no memory for
// (noMemoryForFile). Nothing is then left allocated.
DibFailure readFileBytes(const char* path, FileBytes* bytes);

void releaseFileBytes(FileBytes* bytes);
