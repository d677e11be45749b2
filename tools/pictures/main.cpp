// Writes Farlight's eleven planet pictures into the folder named on the command line. Each is
// painted from fixed-seed noise, so every build writes the same files. The files deliberately
// use several bitmap forms, as a player's own pictures would. With --palette it writes the
// browser's set instead: every picture at 8 bits with a palette, a quarter of the download.
#include <cstdio>
#include <iterator>
#include <string>
#include <utility>

#include "app/field.h"
#include "tools/bitmap/dib_writer.h"
#include "tools/pictures/painters.h"
#include "tools/pictures/palette.h"

namespace {

// A layout: with or without the file header, core or info header.
BitmapForm form(bool fileHeader, bool core) {
  BitmapForm layout;
  layout.fileHeader = fileHeader;
  layout.core = core;
  return layout;
}

// Mostly the common form, with a few others mixed in as a player's files would be.
const BitmapForm kPlain = form(true, false);
const BitmapForm kCore = form(true, true);
const BitmapForm kBare = form(false, false);

// A painted picture: in full colour, or at 8 bits with its own palette.
struct Painted {
  Picture truecolour;
  IndexedPicture indexed;  // its indices empty when painted in full colour
};

Painted full(Picture picture) {
  return {std::move(picture), {}};
}

Painted indexed(IndexedPicture picture) {
  return {{}, std::move(picture)};
}

struct Body {
  Painted (*paint)(const Grid& grid);
  BitmapForm form;  // of the desktop's file
};

// In the order of the game's picture names.
const Body kBodies[] = {
    {[](const Grid& g) { return full(paintSun(g)); }, kPlain},
    {[](const Grid& g) { return indexed(paintMercury(g)); }, kPlain},
    {[](const Grid& g) { return full(paintVenus(g)); }, kPlain},
    {[](const Grid& g) { return full(paintEarth(g)); }, kPlain},
    {[](const Grid& g) { return indexed(paintMoon(g)); }, kCore},
    {[](const Grid& g) { return full(paintMars(g)); }, kPlain},
    {[](const Grid& g) { return full(paintJupiter(g)); }, kPlain},
    {[](const Grid& g) { return full(paintSaturn(g)); }, kPlain},
    {[](const Grid& g) { return full(paintUranus(g)); }, kBare},
    {[](const Grid& g) { return full(paintNeptune(g)); }, kPlain},
    {[](const Grid& g) { return full(paintPluto(g)); }, kPlain},
};
static_assert(std::size(kBodies) == kTextureFileCount, "one painter per picture name");

// The lowest peak signal-to-noise ratio a browser's picture may have against the desktop's, in dB.
constexpr double kLeastPsnr = 40.0;

// A candidate file for the browser and what it is.
struct Candidate {
  Bytes bytes;
  std::string what;
};

// The smaller of the picture's plain and run-length encoded 8-bit files.
Candidate smaller8Bit(const IndexedPicture& picture, const std::string& what) {
  Candidate plain{encodeBmp8(picture, kPlain), what + ", 8-bit"};
  Candidate rle{encodeRle8(picture, kPlain), what + ", RLE8"};
  return rle.bytes.size() < plain.bytes.size() ? rle : plain;
}

// The browser's file: 8 bits with a palette, its own colours when it has 256 or fewer, else the
// smallest of the quantised forms within kLeastPsnr of the painting; full colour only when none is.
Candidate paletteBitmap(const Painted& painted) {
  if (!painted.indexed.indices.empty()) return smaller8Bit(painted.indexed, "own palette");
  const Picture& picture = painted.truecolour;
  IndexedPicture own;
  if (exactPalette(picture, &own)) return smaller8Bit(own, "own palette");
  Candidate best{encodeBmp24(picture, kPlain), "24-bit"};
  for (bool dither : {false, true}) {
    const IndexedPicture reduced = quantised(picture, dither);
    const double db = psnr(picture, expanded(reduced));
    if (db < kLeastPsnr) continue;
    char what[64];
    std::snprintf(what, sizeof what, "%s, %.2f dB", dither ? "dithered" : "undithered", db);
    Candidate c = smaller8Bit(reduced, what);
    if (c.bytes.size() < best.bytes.size()) best = std::move(c);
  }
  return best;
}

bool save(const std::string& folder, const char* name, const Bytes& bytes) {
  const std::string path = folder + "/" + name;
  // An empty encoding means the picture did not fit its form.
  if (!bytes.empty() && writeFile(path, bytes)) return true;
  std::fprintf(stderr, "make_pictures: cannot write %s\n", path.c_str());
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  const bool palette = argc == 3 && std::string(argv[1]) == "--palette";
  if (argc != 2 && !palette) {
    std::fprintf(stderr, "usage: %s [--palette] FOLDER\n", argc > 0 ? argv[0] : "make_pictures");
    return 2;
  }
  const std::string folder = argv[argc - 1];
  const Grid grid = makeGrid();
  bool ok = true;
  for (int i = 0; i < kTextureFileCount; ++i) {
    const Painted painted = kBodies[i].paint(grid);
    if (!palette) {
      ok &= save(folder, textureFiles[i],
                 painted.indexed.indices.empty() ? encodeBmp24(painted.truecolour, kBodies[i].form)
                                                 : encodeBmp8(painted.indexed, kBodies[i].form));
      continue;
    }
    const Candidate file = paletteBitmap(painted);
    std::printf("%-12s %8zu bytes  %s\n", textureFiles[i], file.bytes.size(), file.what.c_str());
    ok &= save(folder, textureFiles[i], file.bytes);
  }
  return ok ? 0 : 1;
}
