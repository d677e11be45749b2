#include "image/file_map.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>

bool mapFile(const char* path, FileMap* map) {
  // Non-blocking, so that a FIFO given as a bitmap cannot stall the open; it is refused below.
  int fd = open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return false;
  struct stat info;
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size <= 0 ||
      uint64_t(info.st_size) > SIZE_MAX) {
    close(fd);
    return false;
  }
  size_t size = size_t(info.st_size);
  void* view = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
  if (view == MAP_FAILED) {
    close(fd);
    return false;
  }
  map->fd = fd;
  map->data = static_cast<const unsigned char*>(view);
  map->size = size;
  return true;
}

void unmapFile(FileMap* map) {
  munmap(const_cast<unsigned char*>(map->data), map->size);
  close(map->fd);
  map->data = nullptr;
  map->size = 0;
  map->fd = -1;
}
