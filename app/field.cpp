#include "app/field.h"

#include <cstdlib>

#include "app/texture.h"

float randomOffset(int n) {
  // rand() % 0 is undefined; a non-positive range degenerates to the single value -30.
  if (n < 1) n = 1;
  return static_cast<float>(std::rand() % n - 30);
}

float randomSize() {
  return static_cast<float>(std::rand() % 4 + 1);
}

void populateField() {
  SharedTextures shared;  // one texture for all the bodies that draw the same file
  for (Body& body : bodies) {
    float z = randomOffset(1);
    float y = randomOffset(60);
    float x = randomOffset(60);
    body.setPosition(Vec3(x, y, z));
    body.setRadius(randomSize());
    body.setSpeed(randomSize());
    body.loadTexture(textureFiles[std::rand() % kTextureFileCount], &shared);
    body.setVisible(true);
  }
}
