// Files on Windows: a whole-file read through CreateFileA and ReadFile, and a probe that asks the
// file system without reading a byte.
#include <windows.h>

#include <cstdint>

#include "platform/platform.h"
#include "platform/whole_file.h"

namespace {

// ReadFile takes at most a DWORD per call; a gigabyte at a time keeps well under it.
constexpr DWORD kChunk = DWORD(1) << 30;

// Shared for writing and deleting too, so a picture an editor holds open can still be read; if the
// editor cuts it meanwhile, the read gives what was there.
HANDLE openForReading(const char* path, DWORD access, DWORD flags) {
  return CreateFileA(path, access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                     OPEN_EXISTING, flags, nullptr);
}

// Reads up to `size` bytes; fewer when the file ends first. False on a read error.
bool readUpTo(HANDLE file, unsigned char* to, size_t size, size_t* got) {
  size_t done = 0;
  while (done < size) {
    DWORD want = size - done < kChunk ? DWORD(size - done) : kChunk;
    DWORD n = 0;
    if (!ReadFile(file, to + done, want, &n, nullptr)) return false;
    if (n == 0) break;
    done += n;
  }
  *got = done;
  return true;
}

FileRead readOpenFile(HANDLE file, size_t maxBytes, OwnedBytes* data, size_t* size) {
  // A console, pipe or other device is refused here, before any read could wait on it.
  LARGE_INTEGER length{};
  if (GetFileType(file) != FILE_TYPE_DISK || !GetFileSizeEx(file, &length) || length.QuadPart < 0) {
    return FileRead::cannotOpen;
  }
  const auto read = [file](unsigned char* to, size_t want, size_t* got) {
    return readUpTo(file, to, want, got);
  };
  return readKnownLength(uint64_t(length.QuadPart), maxBytes, read, data, size);
}

uint64_t joined(DWORD high, DWORD low) {
  return (uint64_t(high) << 32) | low;
}

// FILETIME counts 100-nanosecond steps from 1601; counted from 1970 in nanoseconds, today's times
// fit 64 bits. Unsigned, so that a time set far off wraps rather than overflows: only equality
// matters.
int64_t unixNanoseconds(FILETIME time) {
  constexpr uint64_t kStepsFrom1601To1970 = 116444736000000000;
  return int64_t((joined(time.dwHighDateTime, time.dwLowDateTime) - kStepsFrom1601To1970) * 100);
}

}  // namespace

FileRead readWholeFile(const char* path, size_t maxBytes, OwnedBytes* data, size_t* size) {
  // Without FILE_FLAG_BACKUP_SEMANTICS a folder does not open at all: refused at once.
  HANDLE file = openForReading(path, GENERIC_READ, FILE_FLAG_SEQUENTIAL_SCAN);
  if (file == INVALID_HANDLE_VALUE) return FileRead::cannotOpen;
  const FileRead result = readOpenFile(file, maxBytes, data, size);
  CloseHandle(file);
  return result;
}

// A disk answers each read as it comes.
void expectFiles(const char* const*, int) {}

bool probeFile(const char* path, FileIdentity* identity) {
  WIN32_FILE_ATTRIBUTE_DATA attributes;
  if (!GetFileAttributesExA(path, GetFileExInfoStandard, &attributes)) return false;
  // A folder is there but unreadable as a picture: the reader says so. A file is asked for read
  // access, which is what a file the player may not read lacks; opening reads nothing.
  const bool folder = (attributes.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  HANDLE file = openForReading(path, folder ? 0 : GENERIC_READ, FILE_FLAG_BACKUP_SEMANTICS);
  if (file == INVALID_HANDLE_VALUE) return false;
  BY_HANDLE_FILE_INFORMATION info;
  const bool known = GetFileInformationByHandle(file, &info) != 0;
  CloseHandle(file);
  if (!known) return false;
  *identity = {info.dwVolumeSerialNumber, joined(info.nFileIndexHigh, info.nFileIndexLow),
               joined(info.nFileSizeHigh, info.nFileSizeLow),
               unixNanoseconds(info.ftLastWriteTime)};
  return true;
}
