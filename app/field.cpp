#include "app/field.h"

#include <cstdlib>

#include "app/texture.h"
#include "platform/platform.h"

float randomOffset(int n) {
  // rand() % 0 is undefined; a non-positive range degenerates to the single value -30.
  if (n < 1) n = 1;
  return static_cast<float>(std::rand() % n - 30);
}

float randomSize() {
  return static_cast<float>(std::rand() % 4 + 1);
}

void placeField() {
  for (int i = 0; i < kBodyCount; ++i) {
    float z = randomOffset(1);
    float y = randomOffset(60);
    float x = randomOffset(60);
    bodies[i].setPosition(Vec3(x, y, z));
    bodies[i].setRadius(randomSize());
    bodies[i].setSpeed(randomSize());
    placedPictures[i] = textureFiles[std::rand() % kTextureFileCount];
  }
  // A platform whose files cross a network asks for every picture the field drew now, at once.
  expectFiles(placedPictures, kBodyCount);
  fieldPlaced = true;
}

void populateField() {
  if (!fieldPlaced) placeField();
  fieldPlaced = false;
  SharedTextures shared;  // one texture for all the bodies that draw the same file
  for (int i = 0; i < kBodyCount; ++i) {
    bodies[i].loadTexture(placedPictures[i], &shared);
    bodies[i].setVisible(true);
  }
  expectFiles(nullptr, 0);
}
