// The pictures at 8 bits with a palette, for the browser's downloads: a picture's own colours when
// it has 256 or fewer, else 256 colours chosen for it, with or without error diffusion.
#pragma once

#include "tools/bitmap/dib_writer.h"

// The picture over its own colours, sorted by value; false when it has more than 256.
bool exactPalette(const Picture& picture, IndexedPicture* indexed);

// The picture over 256 colours chosen by median cut and refined by a few rounds of moving each
// colour to the mean of the pixels nearest it. Each pixel takes its nearest colour; with `dither`,
// what it misses by is spread over its unvisited neighbours (Floyd-Steinberg, rows alternating
// direction). The same picture gives the same result every time.
IndexedPicture quantised(const Picture& picture, bool dither);

Picture expanded(const IndexedPicture& indexed);

// Peak signal-to-noise ratio of `b` against `a` over all three channels, in dB (8-bit peak 255);
// infinite for equal pictures.
double psnr(const Picture& a, const Picture& b);
