#pragma once

#include <string>

// Why the reader gave no image, one reason per check, in the order of the reader's stages. Each
// reason is shown to the user as one of four texts, which dibFailureText alone spells.
enum class DibFailure {
  none,
  // The file's bytes.
  cannotOpen,  // missing, unreadable, not a regular file, or empty
  fileTooLarge,
  noMemoryForFile,
  // The headers.
  headersCut,  // the file ends inside its file header or DIB header
  unknownHeaderSize,
  tableCut,
  noMemoryForTable,
  // The rendering.
  noPixels,  // a width of 0 or below, or a height of 0
  unsupportedForm,
  topDownRunLength,
  sideTooLong,
  bitsCut,
  streamBroken,
  noMemoryForRendering,
  // The repack.
  noMemoryForImage,
};

// What the user is told of `failure`: "Failed to open DIB file PATH.\n" for a file that could not
// be opened, with `path` as given, else "Unknown DIB file format.", "Image file conversion
// error." or "Out of memory.". Empty for none.
std::string dibFailureText(DibFailure failure, const char* path = "");
