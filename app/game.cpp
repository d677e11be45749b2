#include "app/game.h"

Body bodies[kBodyCount];
float aspectRatio = 0.0f;
bool sceneFrozen = false;

void resetGame() {
  for (Body& body : bodies) body = Body();
  aspectRatio = 0.0f;
  sceneFrozen = false;
}
