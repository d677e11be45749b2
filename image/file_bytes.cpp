#include "image/file_bytes.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>

namespace {

// Reads up to `size` bytes; fewer when the file ends first. False on a read error.
bool readUpTo(int fd, unsigned char* to, size_t size, size_t* got) {
  size_t done = 0;
  while (done < size) {
    ssize_t n = read(fd, to + done, size - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) break;
    done += size_t(n);
  }
  *got = done;
  return true;
}

DibFailure readOpenFile(int fd, FileBytes* bytes) {
  struct stat info;
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size <= 0) {
    return DibFailure::cannotOpen;
  }
  if (uint64_t(info.st_size) > kMaxFileBytes) return DibFailure::fileTooLarge;
  size_t size = size_t(info.st_size);
  auto* data = static_cast<unsigned char*>(std::malloc(size));
  if (data == nullptr) return DibFailure::noMemoryForFile;
  size_t got = 0;
  if (!readUpTo(fd, data, size, &got)) {
    std::free(data);
    return DibFailure::cannotOpen;
  }
  *bytes = FileBytes{data, got};
  return DibFailure::none;
}

}  // namespace

DibFailure readFileBytes(const char* path, FileBytes* bytes) {
  // Non-blocking, so that a FIFO given as a bitmap cannot stall the open; it is refused after.
  int fd = open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return DibFailure::cannotOpen;
  DibFailure failure = readOpenFile(fd, bytes);
  close(fd);
  return failure;
}

void releaseFileBytes(FileBytes* bytes) {
  std::free(bytes->data);
  bytes->data = nullptr;
  bytes->size = 0;
}
