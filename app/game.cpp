#include "app/game.h"

Body bodies[kBodyCount];
float aspectRatio = 0.0f;
bool sceneFrozen = false;
const char* placedPictures[kBodyCount] = {};
bool fieldPlaced = false;

void resetGame() {
  for (Body& body : bodies) body = Body();
  aspectRatio = 0.0f;
  sceneFrozen = false;
  for (const char*& name : placedPictures) name = nullptr;
  fieldPlaced = false;
}
