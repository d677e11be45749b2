#ifndef FARLIGHT_APP_FIELD_H
#define FARLIGHT_APP_FIELD_H

#include "app/game.h"

constexpr int kTextureFileCount = 11;
constexpr int kTextureNameSize = 50;

// Body i is drawn under the selection name i + kFirstName.
constexpr unsigned kFirstName = 101;

// The eleven pictures a body can draw, read from the working directory. Inline, so that tools and
// tests name them without linking the game.
inline constexpr char textureFiles[kTextureFileCount][kTextureNameSize] = {
    "Sun.bmp",     "Mercury.bmp", "Venus.bmp",  "Earth.bmp",   "Moon.bmp",  "Mars.bmp",
    "Jupiter.bmp", "Saturn.bmp",  "Uranus.bmp", "Neptune.bmp", "Pluto.bmp",
};

// rand() % n - 30 as a float; always draws one number. An n below 1 counts as 1.
float randomOffset(int n);

// One of 1, 2, 3, 4.
float randomSize();

// Places and sizes all thirty bodies and draws the picture each one wears, six numbers each from
// rand(), and tells the platform which files are coming. Needs no GL: the game places its field
// before it opens its window, so that pictures fetched over a network are on their way while the
// GL starts.
void placeField();

// Gives every placed body its picture and shows it; places the field first unless placeField has
// since the last call. Bodies that draw the same file wear one texture.
void populateField();

#endif
