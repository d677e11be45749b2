#include "tests/support/field_draws.h"

#include <cstdlib>

#include "app/field.h"

std::vector<FieldDraw> fieldDraws(unsigned seed) {
  std::srand(seed);
  std::vector<FieldDraw> draws;
  for (int i = 0; i < kBodyCount; ++i) {
    FieldDraw draw{};
    draw.z = static_cast<float>(std::rand() % 1 - 30);
    draw.y = static_cast<float>(std::rand() % 60 - 30);
    draw.x = static_cast<float>(std::rand() % 60 - 30);
    draw.radius = static_cast<float>(std::rand() % 4 + 1);
    draw.speed = static_cast<float>(std::rand() % 4 + 1);
    draw.file = std::rand() % kTextureFileCount;
    draws.push_back(draw);
  }
  return draws;
}

std::vector<int> drawnFiles(unsigned seed) {
  std::vector<int> files;
  for (const FieldDraw& draw : fieldDraws(seed)) files.push_back(draw.file);
  return files;
}
