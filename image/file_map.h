#pragma once

#include <cstddef>

// A whole file mapped read-only for the length of one read.
struct FileMap {
  int fd;
  const unsigned char* data;
  size_t size;
};

// Maps the regular file at `path`. Returns false, having released whatever it acquired, when the
// file cannot be opened, is not a regular file, is empty, or cannot be mapped.
bool mapFile(const char* path, FileMap* map);

// Unmaps the view, then closes the file.
void unmapFile(FileMap* map);
