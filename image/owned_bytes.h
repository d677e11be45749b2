#pragma once

#include <cstdlib>
#include <memory>

// Every block of bytes the reader hands out or takes over (a file's bytes, a picture's pixels) is
// malloc'd, so that one block can pass from the file read to the picture without a copy. One owner
// type, one release path.
struct FreeDeleter {
  void operator()(void* block) const { std::free(block); }
};
using OwnedBytes = std::unique_ptr<unsigned char[], FreeDeleter>;
