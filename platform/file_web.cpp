// Files in the browser: the pictures sit beside the page on its web server, fetched and queued by
// the page's side (file_web.js), which asks for every picture the field drew at once. A read
// copies the queued response straight into the one malloc'd block that the reader takes over, so
// a picture is never held twice in the game's memory. The waits go through Asyncify, so the code
// above stays synchronous.
#include <emscripten.h>

#include <cstdint>

#include "platform/platform.h"
#include "platform/whole_file.h"

namespace {

// The JavaScript halves, kept as written (clang-format would take them for C++).
// clang-format off

EM_JS(void, webExpect, (const char* const* paths, int count), {
  const urls = [];
  for (let i = 0; i < count; ++i) urls.push(UTF8ToString(HEAPU32[(paths >> 2) + i]));
  if (count > 0) Module.farlightFiles.expect(urls); else Module.farlightFiles.end();
});

EM_ASYNC_JS(int, webPresent, (const char* path), {
  return await Module.farlightFiles.present(UTF8ToString(path)) ? 1 : 0;
});

// The file's length, or -1 when there is nothing to read.
EM_ASYNC_JS(double, webOpen, (const char* path, double maxBytes), {
  return await Module.farlightFiles.open(UTF8ToString(path), maxBytes);
});

// Copies up to `want` bytes of the open file to `to`. Returns the bytes copied (fewer when the file
// ends), or -1 when the transfer failed.
EM_ASYNC_JS(double, webReadInto, (unsigned char* to, double want), {
  let got = 0;
  while (got < want) {
    const piece = await Module.farlightFiles.take(want - got);
    if (piece === undefined) return -1;
    if (piece === null) break;
    HEAPU8.set(piece, to + got);  // HEAPU8 read after the wait: memory may have grown meanwhile
    got += piece.length;
  }
  return got;
});

EM_JS(void, webClose, (), { Module.farlightFiles.close(); });

// clang-format on

// The URL stands in for the file's index: within one load, two names are two files and one name
// is one file (FNV-1a).
uint64_t nameHash(const char* path) {
  uint64_t hash = 14695981039346656037u;
  for (const char* c = path; *c != '\0'; ++c) hash = (hash ^ uint8_t(*c)) * 1099511628211u;
  return hash;
}

}  // namespace

void expectFiles(const char* const* paths, int count) {
  webExpect(paths, count > 0 && paths != nullptr ? count : 0);
}

FileRead readWholeFile(const char* path, size_t maxBytes, OwnedBytes* data, size_t* size) {
  const double length = webOpen(path, double(maxBytes));
  if (length < 0) {
    webClose();
    return FileRead::cannotOpen;
  }
  const auto read = [](unsigned char* to, size_t want, size_t* got) {
    const double n = webReadInto(to, double(want));
    if (n < 0) return false;
    *got = size_t(n);
    return true;
  };
  // Lengths come as whole numbers up to 2^53; anything past maxBytes is refused alike.
  const uint64_t known = length > double(maxBytes) ? uint64_t(maxBytes) + 1 : uint64_t(length);
  const FileRead result = readKnownLength(known, maxBytes, read, data, size);
  webClose();
  return result;
}

bool probeFile(const char* path, FileIdentity* identity) {
  if (webPresent(path) == 0) return false;
  *identity = {0, nameHash(path), 0, 0};
  return true;
}
