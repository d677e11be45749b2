#ifndef FARLIGHT_TESTS_SUPPORT_REFERENCE_SPHERE_H
#define FARLIGHT_TESTS_SUPPORT_REFERENCE_SPHERE_H

#include "app/body.h"

// The sphere as a literal loop, four sines and cosines per vertex: the yardstick for Body::draw,
// which must emit the very same calls with the very same bits.
void referenceDraw(Body& body);

// drawFrame with referenceDraw in place of Body::draw.
void referenceFrame();

#endif
