#ifndef FARLIGHT_TESTS_FIELD_DRAWS_H
#define FARLIGHT_TESTS_FIELD_DRAWS_H

#include <cstdlib>
#include <vector>

#include "app/field.h"

// Which picture each body draws under `seed`: the sixth of the six numbers it takes from rand().
inline std::vector<int> drawnFiles(unsigned seed) {
  std::srand(seed);
  std::vector<int> files;
  for (int i = 0; i < kBodyCount; ++i) {
    for (int skip = 0; skip < 5; ++skip) std::rand();
    files.push_back(std::rand() % kTextureFileCount);
  }
  return files;
}

#endif
