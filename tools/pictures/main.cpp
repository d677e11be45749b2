// Writes Farlight's eleven planet pictures into the folder named on the command line. Each is
// painted from fixed-seed noise, so every build writes the same files. The files deliberately
// use several bitmap forms, as a player's own pictures would.
#include <cstdio>
#include <iterator>
#include <string>

#include "app/field.h"
#include "tests/support/bitmap_writer.h"
#include "tools/pictures/painters.h"

namespace {

// Mostly the common form, with a few others mixed in as a player's files would be.
constexpr BmpForm kPlain{DibHeader::kInfo40, true};
constexpr BmpForm kCore{DibHeader::kCore12, true};
constexpr BmpForm kBare{DibHeader::kInfo40, false};

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
