#pragma once

#include <cstddef>

#include "image/bgr24.h"
#include "image/dib_failure.h"
#include "image/rgb_image.h"

// Largest file the reader copies into memory: a file header, the 40-byte header and a full colour
// table, then the bits of the largest picture it takes on (kMaxImageSide square at 32 bits).
constexpr size_t kMaxFileBytes =
    14 + 40 + 65535 * 4 + size_t(kMaxImageSide) * size_t(kMaxImageSide) * 4;

// Decodes a Windows bitmap (with or without its file header, core or info header) in memory into
// *picture, bottom row first with a positive height. Tells nobody: returns none, or which check
// refused the bytes, leaving *picture alone.
DibFailure decodeDib(const unsigned char* data, size_t size, RgbPicture* picture);

// The same for the file at `path`, read whole into memory first, so that a file changing on disk
// cannot fault. A bottom-up 24-bit file becomes its picture inside the block it was read into.
DibFailure readDibFile(const char* path, RgbPicture* picture);
