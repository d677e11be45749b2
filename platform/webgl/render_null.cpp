// The renderer of native test builds: everything the core and selection decide is kept, no pixel
// is drawn, and what reaches it is counted (NullRendered) for the tests to see. Texture names
// count up from 1 as a fresh context's do.
#include "platform/webgl/webgl.h"

namespace webgl {

namespace {

struct NullRenderer {
  NullRendered rendered;
  unsigned lastTexture = 0;
};

NullRenderer& null() {
  static NullRenderer renderer;
  return renderer;
}

}  // namespace

const NullRendered& nullRendered() {
  return null().rendered;
}

void resetContext() {
  resetCore();
  resetSelection();
  null() = NullRenderer();
}

void renderDraw(const Batch& batch, const DrawState& state) {
  NullRendered& r = null().rendered;
  ++r.draws;
  r.lastCount = batch.count;
  r.lastTexture = state.texture;
}
void renderClear(unsigned) {
  ++null().rendered.clears;
}
void renderClearColor(float, float, float, float) {}
void renderViewport(int, int, int, int) {}
void renderEnable(unsigned, bool) {}
unsigned renderNewTexture() {
  return ++null().lastTexture;
}
void renderTexParameter(unsigned, unsigned, int) {}
bool renderTexImage(unsigned, int, int, unsigned, unsigned, const void*, int) {
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
