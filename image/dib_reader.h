#pragma once

#include <cstddef>

#include "image/rgb_image.h"

// The reader as the game calls it: the codec (dib_codec.h) with its failures told to the user.

// While nonzero, every failure of the reader is shown to the user; 0 keeps it silent.
extern unsigned char errorPopups;

// Reads a Windows bitmap file (with or without its file header, core or info header) into a new
// image, bottom row first with a positive height. Returns null after reporting any failure.
RgbImage* loadDibImage(const char* path);

// The same for a file already in memory; reports its failures itself.
RgbImage* decodeDibImage(const unsigned char* data, size_t size);
