// The renderer of native test builds: everything the core and selection decide is kept, and no
// pixel is drawn. Texture names count up from 1 as a fresh context's do.
#include "platform/webgl/webgl.h"

namespace webgl {

namespace {
unsigned lastTexture = 0;
}  // namespace

void renderDraw(const Batch&, const DrawState&) {}
void renderClear(unsigned) {}
void renderClearColor(float, float, float, float) {}
void renderViewport(int, int, int, int) {}
void renderEnable(unsigned, bool) {}
void renderUnpackAlignment(int) {}
unsigned renderNewTexture() {
  return ++lastTexture;
}
void renderBindTexture(unsigned) {}
void renderTexParameter(unsigned, int) {}
bool renderTexImage(int, int, unsigned, unsigned, const void*) {
  return true;
}
// Mesa's software renderer's limit.
int renderMaxTextureSize() {
  return 16384;
}
void renderGetIntegerv(unsigned, int* values) {
  values[0] = 0;
}

}  // namespace webgl
