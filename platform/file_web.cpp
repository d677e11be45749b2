// Files in the browser: the pictures sit beside the page on its web server. A read streams the
// response straight into the one malloc"d block that the reader takes over, so a picture is never
// held twice, and a probe asks with HEAD. Both wait for the network through Asyncify, so the code
// above stays synchronous.
#include <emscripten.h>

#include <cstdint>

#include "platform/platform.h"
#include "platform/whole_file.h"

namespace {

// The JavaScript halves, kept as written (clang-format would take them for C++).
// clang-format off

// Starts the GET of `path` and keeps its body for webReadInto. Returns the body"s length, or -1
// when there is nothing to read (no such file, any status but 200, no server). A body of unknown
// length (no Content-Length, or an encoded one, which the browser decodes) is gathered here first,
// but never past `maxBytes` + 1 bytes: the caller refuses a longer one anyway.
EM_ASYNC_JS(double, webOpen, (const char* path, double maxBytes), {
  Module.farlightBody = null;
  try {
    const response = await fetch(UTF8ToString(path), {cache: "no-cache"});
    if (response.status != 200 || !response.body) return -1;
    const body = {reader: response.body.getReader(), held: [], start: 0};
    Module.farlightBody = body;
    const header = response.headers.get("Content-Length");
    const length = header === null ? NaN : Number(header);
    const encoding = response.headers.get("Content-Encoding") || "identity";
    if (Number.isSafeInteger(length) && length >= 0 && encoding == "identity") return length;
    let total = 0;
    while (total <= maxBytes) {
      const part = await body.reader.read();
      if (part.done) break;
      body.held.push(part.value);
      total += part.value.length;
    }
    return total;
  } catch (e) {
    return -1;
  }
});

// Copies up to `want` bytes of the open body to `to`: first what webOpen gathered, then the rest of
// the stream, chunk by chunk. Returns the bytes copied (fewer when the body ends), or -1 when the
// transfer fails.
EM_ASYNC_JS(double, webReadInto, (unsigned char* to, double want), {
  const body = Module.farlightBody;
  let got = 0;
  try {
    while (got < want) {
      if (body.held.length == 0) {
        const part = await body.reader.read();
        if (part.done) break;
        body.held.push(part.value);
      }
      const chunk = body.held[0];
      const n = Math.min(chunk.length - body.start, want - got);
      HEAPU8.set(chunk.subarray(body.start, body.start + n), to + got);
      got += n;
      body.start += n;
      if (body.start == chunk.length) {
        body.held.shift();
        body.start = 0;
      }
    }
  } catch (e) {
    return -1;
  }
  return got;
});

// Drops the open body, unread parts and all.
EM_JS(void, webClose, (), {
  const body = Module.farlightBody;
  Module.farlightBody = null;
  if (body) body.reader.cancel().catch(() => {});
});

// Asks the server about `path` with HEAD. True when the file is there (or the server takes no
// HEAD, so only the read can tell), with its length, its Last-Modified time in milliseconds and a
// hash of its ETag in facts[0], [1] and [2] (each 0 when not given).
EM_ASYNC_JS(int, webProbe, (const char* path, double* facts), {
  try {
    const response = await fetch(UTF8ToString(path), {method: "HEAD", cache: "no-cache"});
    if (response.status == 405 || response.status == 501) return 1;
    if (response.status != 200) return 0;
    const header = response.headers.get("Content-Length");
    const length = header === null ? NaN : Number(header);
    const modified = Date.parse(response.headers.get("Last-Modified") || "");
    const tag = response.headers.get("ETag") || "";
    let hash = 0;
    for (let i = 0; i < tag.length; ++i) hash = (Math.imul(hash, 31) + tag.charCodeAt(i)) >>> 0;
    HEAPF64[facts >> 3] = Number.isSafeInteger(length) && length >= 0 ? length : 0;
    HEAPF64[(facts >> 3) + 1] = Number.isFinite(modified) ? modified : 0;
    HEAPF64[(facts >> 3) + 2] = hash;
    return 1;
  } catch (e) {
    return 0;
  }
});

// clang-format on

// The URL stands in for the file"s index: two names are two files (FNV-1a).
uint64_t nameHash(const char* path) {
  uint64_t hash = 14695981039346656037u;
  for (const char* c = path; *c != '\0'; ++c) hash = (hash ^ uint8_t(*c)) * 1099511628211u;
  return hash;
}

}  // namespace

FileRead readWholeFile(const char* path, size_t maxBytes, OwnedBytes* data, size_t* size) {
  const double length = webOpen(path, double(maxBytes));
  if (length < 0) return FileRead::cannotOpen;
  const auto read = [](unsigned char* to, size_t want, size_t* got) {
    const double n = webReadInto(to, double(want));
    if (n < 0) return false;
    *got = size_t(n);
    return true;
  };
  // webOpen gives whole numbers up to 2^53; anything past maxBytes is refused alike.
  const uint64_t known = length > double(maxBytes) ? uint64_t(maxBytes) + 1 : uint64_t(length);
  const FileRead result = readKnownLength(known, maxBytes, read, data, size);
  webClose();
  return result;
}

bool probeFile(const char* path, FileIdentity* identity) {
  double facts[3] = {};
  if (webProbe(path, facts) == 0) return false;
  // Unsigned, so that a time centuries away wraps instead of overflowing: only equality counts.
  const uint64_t modified = uint64_t(int64_t(facts[1])) * 1000000u;
  *identity = {uint64_t(facts[2]), nameHash(path), uint64_t(facts[0]), int64_t(modified)};
  return true;
}
