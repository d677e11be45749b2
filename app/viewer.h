#ifndef FARLIGHT_APP_VIEWER_H
#define FARLIGHT_APP_VIEWER_H

#include "app/game.h"

// The perspective of the resize handler, rebuilt by the pick pass.
constexpr double kFieldOfView = 45.0;
constexpr double kNearPlane = 0.2;
constexpr double kFarPlane = 1000.0;

// Fixed GL state and the field; needs a current GL context.
void initScene();

// One frame: advances and draws every visible body, its vertices sent by `path`, then swaps.
void runFrame(VertexPath path);

// The same frame with no body moved: shows the scene as it stands.
void showScene();

// Display callback: the frame with every vertex sent on its own.
void drawFrame();

// Reshape callback: viewport and perspective projection. A height below 1 counts as 1.
void onResize(int width, int height);

// Idle callback: asks for the next frame.
void onIdle();

#endif
