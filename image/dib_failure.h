#pragma once

// Why the reader gave no image, one reason per check, in the order of the reader's stages. Each
// reason is shown to the user as one of four notice texts (see noticeText in dib_reader.cpp).
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
