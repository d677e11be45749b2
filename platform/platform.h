#pragma once

// What differs between the systems the game runs on, behind one set of free functions. Each
// system has file_*.cpp for the file read and probe (target farlight_platform_files, which the
// reader stands on without any toolkit) and system_*.cpp, with the box in a file of its own where
// it needs a toolkit (box_sdl.cpp), for the rest (farlight_platform). CMake compiles the one
// system's list (FARLIGHT_PLATFORM), so the game's code carries no conditionals of its own.

#include <cstddef>
#include <cstdint>

#include "platform/owned_bytes.h"

enum class FileRead { ok, cannotOpen, tooLarge, noMemory };

// Reads the whole regular file at `path` into one malloc'd block that *data takes over, and sets
// *size to the bytes read. A folder, FIFO, device or socket under the name is refused at once
// (cannotOpen) rather than waited on, as is a missing, unreadable or empty file. On the web the
// file crosses the network and the read waits for it (a transfer that stalls is given up). A file
// larger than `maxBytes` is refused before it is read (tooLarge); no memory for it is noMemory. A
// file that shrinks while it is read gives what was read. On any refusal *data and *size are left
// alone.
FileRead readWholeFile(const char* path, size_t maxBytes, OwnedBytes* data, size_t* size);

// Which file a name stands for, and in which state: equal identities are the same unchanged file.
struct FileIdentity {
  uint64_t volume = 0;
  uint64_t index = 0;
  uint64_t size = 0;
  int64_t modifiedNs = 0;
};
inline bool operator==(const FileIdentity& a, const FileIdentity& b) {
  return a.volume == b.volume && a.index == b.index && a.size == b.size &&
         a.modifiedNs == b.modifiedNs;
}

// Whether something this process may read exists under `path`, asked without opening it (opening
// a FIFO waits for a writer). Fills *identity when it does.
bool probeFile(const char* path, FileIdentity* identity);

// The files the game is about to read, in the order of their first reads (a name may repeat). A
// system whose files cross a network asks for them all at once; the others have nothing to do.
// A call with none ends the batch: what was kept for its reads may go.
void expectFiles(const char* const* paths, int count);

// A modal box captioned "Error" with `text` and an OK button only; returns once the user has
// dismissed it. Where no box can be shown: "Error: <text>" on standard error, with a line feed
// added when the text does not end in one.
void showErrorBox(const char* text);

// Milliseconds from some fixed point in the past: the seed of the field's generator.
unsigned millisecondClock();

// Called in main before the window toolkit starts: a standard error whose reader has gone must not
// end the game, and the window must get a GL the system can make. Where the system can make none,
// it tells the player so and the game goes no further. Where the system scales each window
// itself (Windows), the window asked for at 96 dpi opens at the screen's scale.
void preparePlatform();

// `showScene` draws the scene as it stands, moving nothing. A system whose GL can lose all it held
// (a browser's WebGL context) calls it when the GL is back and made again; the others never do.
void whenGraphicsRestored(void (*showScene)());
