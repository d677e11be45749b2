#pragma once

#include <cstddef>
#include <cstdint>

#include "image/rgb_image.h"

// While nonzero, every failure of the reader is shown to the user; 0 keeps it silent.
extern unsigned char errorPopups;

// Reads a Windows bitmap file (with or without its file header, core or info header) into a new
// image, bottom row first with a positive height. Returns null after reporting any failure.
RgbImage* loadDibImage(const char* path);

// The same for a file already in memory; reports its failures itself.
RgbImage* decodeDibImage(const unsigned char* data, size_t size);

// Number of colour-table entries that the DIB header at `header` calls for. Returns false,
// leaving *count alone, when the fields it has to read lie beyond `available` bytes.
bool colorTableCount(const unsigned char* header, size_t available, uint16_t* count);
