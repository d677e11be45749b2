#ifndef FARLIGHT_APP_PICKING_H
#define FARLIGHT_APP_PICKING_H

#include "app/body.h"

// Mouse callback: a left press picks, a middle or right press freezes the animation for good. On a
// frozen scene a left press also shows the scene where its pick pass left it. Releases and any
// other button code (wheel events included) do nothing.
void onMouse(int button, int state, int x, int y);

// Runs one frame in selection mode through a 2 x 2 pixel box around window point (x, y), origin
// top-left, and hides the first body hit. Like any frame, it moves every visible body one step.
// Its vertices go from client arrays, of which selection mode keeps nothing; `path` lets the
// benchmark weigh that against sending them one by one.
void pickAt(int x, int y, VertexPath path = VertexPath::clientArrays);

// Hides the body named in a hit record (name count, min depth, max depth, name). A name that is not
// one of the bodies' is ignored.
void hideHit(const unsigned* record);

#endif
