// Hostile and expected bitmaps for the tests, on the painter's writer (tools/bitmap/dib_writer.h).
#pragma once

#include <cstdint>
#include <vector>

#include "tools/bitmap/dib_writer.h"

// A 60-byte RLE8 file whose stream ends at once: the whole picture is its one palette colour
// `rgb` (0xRRGGBB), however large it claims to be.
Bytes plainRleBitmap(int32_t width, int32_t height, uint32_t rgb);

// What the reader should return for a picture of 0xRRGGBB values given top row first.
Bytes rgbBottomFirst(int32_t width, const std::vector<uint32_t>& colors);
