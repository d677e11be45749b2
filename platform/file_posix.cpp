// Files on POSIX systems: a whole-file read that never waits on a special file, and a probe that
// opens nothing.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/platform.h"
#include "platform/whole_file.h"

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

FileRead readOpenFile(int fd, size_t maxBytes, OwnedBytes* data, size_t* size) {
  struct stat info;
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size < 0) {
    return FileRead::cannotOpen;
  }
  const auto read = [fd](unsigned char* to, size_t want, size_t* got) {
    return readUpTo(fd, to, want, got);
  };
  return readKnownLength(uint64_t(info.st_size), maxBytes, read, data, size);
}

}  // namespace

FileRead readWholeFile(const char* path, size_t maxBytes, OwnedBytes* data, size_t* size) {
  // Non-blocking, so that a FIFO under the name cannot stall the open; fstat refuses it after.
  int fd = open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return FileRead::cannotOpen;
  const FileRead result = readOpenFile(fd, maxBytes, data, size);
  close(fd);
  return result;
}

// A disk answers each read as it comes.
void expectFiles(const char* const*, int) {}

bool probeFile(const char* path, FileIdentity* identity) {
  struct stat info {};
  if (access(path, R_OK) != 0 || stat(path, &info) != 0) return false;
  // Unsigned, so that a time centuries away wraps instead of overflowing: only equality counts.
  const uint64_t modified =
      uint64_t(info.st_mtim.tv_sec) * 1000000000u + uint64_t(info.st_mtim.tv_nsec);
  *identity = {uint64_t(info.st_dev), uint64_t(info.st_ino), uint64_t(info.st_size),
               int64_t(modified)};
  return true;
}
