#ifndef FARLIGHT_APP_GAME_H
#define FARLIGHT_APP_GAME_H

#include "app/body.h"

// The game's state between callbacks, all of it, defined together in game.cpp. GLUT's callbacks
// are plain functions, so what they share is global: the bodies (filled by populateField, moved
// by every frame, hidden by picks), the window's aspect ratio (set by onResize, read by the pick
// pass) and whether a press froze the scene (set by onMouse). GL's own state is the GL's.

constexpr int kBodyCount = 30;

extern Body bodies[kBodyCount];

// Width over height of the window, as last set by onResize; 0 before the first.
extern float aspectRatio;

// Set by the first middle or right press; the idle callback is gone from then on.
extern bool sceneFrozen;

// The picture name each body drew when the field was placed (placeField), waiting for
// populateField to load them; fieldPlaced is true from the one until the other.
extern const char* placedPictures[kBodyCount];
extern bool fieldPlaced;

// Puts all of the above back as the program starts: every body as Body() makes it, no ratio yet,
// running, no field placed. Tests call it so that each starts from the same game, whatever ran
// before it.
void resetGame();

#endif
