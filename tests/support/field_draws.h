// The field as populateField draws it from rand(), replayed independently of the game's code.
#pragma once

#include <vector>

struct FieldDraw {
  float z, y, x, radius, speed;
  int file;  // index into the game's picture names
};

// Seeds the generator with `seed` and replays the six numbers each of the thirty bodies takes, in
// the order the game takes them: z, y, x, radius, speed, picture.
std::vector<FieldDraw> fieldDraws(unsigned seed);

// Which picture each body draws under `seed`.
std::vector<int> drawnFiles(unsigned seed);
