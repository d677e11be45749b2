#pragma once

#include <cstdlib>
#include <memory>

// Every block of bytes the file read hands out and the reader passes on (a file's bytes, a
// picture's pixels) is malloc'd, so that one block can pass from the file read to the picture
// without a copy. One owner type, one release path; it lives here, below the reader, because the
// file read is the first to hand a block out.
struct FreeDeleter {
  void operator()(void* block) const { std::free(block); }
};
using OwnedBytes = std::unique_ptr<unsigned char[], FreeDeleter>;
