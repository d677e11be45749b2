#pragma once

// The game includes freeglut's header; emscripten's GLUT carries only its standard part, which is
// all the game calls.
#include <GL/freeglut_std.h>
