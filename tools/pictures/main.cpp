// Writes Farlight's eleven planet pictures into the folder named on the command line. Each is
// painted from fixed-seed noise, so every build writes the same files. The files deliberately
// use several bitmap forms, as a player's own pictures would.
#include <cstdio>
#include <iterator>
#include <string>

#include "app/field.h"
#include "tools/bitmap/dib_writer.h"
#include "tools/pictures/painters.h"

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

using Painter = Bytes (*)(const Grid& grid);

// In the order of the game's picture names.
const Painter kPainters[] = {
    [](const Grid& g) { return encodeBmp24(paintSun(g), kPlain); },
    [](const Grid& g) { return encodeBmp8(paintMercury(g), kPlain); },
    [](const Grid& g) { return encodeBmp24(paintVenus(g), kPlain); },
    [](const Grid& g) { return encodeBmp24(paintEarth(g), kPlain); },
    [](const Grid& g) { return encodeBmp8(paintMoon(g), kCore); },
    [](const Grid& g) { return encodeBmp24(paintMars(g), kPlain); },
    [](const Grid& g) { return encodeBmp24(paintJupiter(g), kPlain); },
    [](const Grid& g) { return encodeBmp24(paintSaturn(g), kPlain); },
    [](const Grid& g) { return encodeBmp24(paintUranus(g), kBare); },
    [](const Grid& g) { return encodeBmp24(paintNeptune(g), kPlain); },
    [](const Grid& g) { return encodeBmp24(paintPluto(g), kPlain); },
};
static_assert(std::size(kPainters) == kTextureFileCount, "one painter per picture name");

bool save(const std::string& folder, const char* name, const Bytes& bytes) {
  const std::string path = folder + "/" + name;
  // An empty encoding means the picture did not fit its form.
  if (!bytes.empty() && writeFile(path, bytes)) return true;
  std::fprintf(stderr, "make_pictures: cannot write %s\n", path.c_str());
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s FOLDER\n", argc > 0 ? argv[0] : "make_pictures");
    return 2;
  }
  const std::string folder = argv[1];
  const Grid grid = makeGrid();
  bool ok = true;
  for (int i = 0; i < kTextureFileCount; ++i) {
    ok &= save(folder, textureFiles[i], kPainters[i](grid));
  }
  return ok ? 0 : 1;
}
