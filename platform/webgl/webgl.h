#ifndef FARLIGHT_PLATFORM_WEBGL_WEBGL_H
#define FARLIGHT_PLATFORM_WEBGL_WEBGL_H

// The fixed-function GL the game calls, for a GL that has none (WebGL). Three parts meet here:
// the state and the primitive assembly (core.cpp, which defines the GL entry points), selection
// mode on the CPU (select.cpp), and a renderer that turns assembled batches into pixels: WebGL
// (render_webgl.cpp) on the web, nothing (render_null.cpp, which counts what reaches it) in native
// test builds. CMake links exactly one renderer; there is no run-time choice. The state GL defines
// is kept once, in the core; a renderer is handed what a call needs (the texture's name, the unpack
// alignment).

namespace webgl {

// One assembled vertex: all a pixel depends on with lighting off.
struct Vertex {
  float x, y, z;
  float s, t;
};

// One glBegin/glEnd pair or one glDrawArrays: GL_POINTS, GL_TRIANGLES or GL_TRIANGLE_STRIP.
struct Batch {
  unsigned mode;
  const Vertex* vertices;
  int count;
  const float* mvp;  // projection x modelview, column-major, in float as GL computes it
};

// Puts the core's state back as a fresh context has it.
void resetCore();

// Selection mode (select.cpp).
bool selecting();
void selectBatch(const Batch& batch);
// One bit for each plane of the clip volume that `p`, under `mvp`, lies outside; the same test
// selection clips by.
unsigned clipOutcode(const float* mvp, const Vertex& p);
// Leaves selection mode and forgets its buffer and names.
void resetSelection();

// The renderer. Textures are the renderer's names; 0 draws with a plain white texture.
struct DrawState {
  float colour[4];
  unsigned texture;
};
void renderDraw(const Batch& batch, const DrawState& state);
void renderClear(unsigned mask);
void renderClearColor(float r, float g, float b, float a);
void renderViewport(int x, int y, int width, int height);
// Only capabilities the renderer's GL knows reach it (not GL_TEXTURE_2D).
void renderEnable(unsigned cap, bool on);
unsigned renderNewTexture();
void renderTexParameter(unsigned texture, unsigned pname, int value);
// Uploads level 0 of `texture`, its rows `unpackAlignment` apart; `format` is an unsized GL format
// (GL_RGB, GL_RGBA...). False when the texture got no image.
bool renderTexImage(unsigned texture, int width, int height, unsigned format, unsigned type,
                    const void* pixels, int unpackAlignment);
int renderMaxTextureSize();
// A query the core does not answer itself (initial viewport included).
void renderGetIntegerv(unsigned pname, int* values);
// After the browser gave back a lost context, empty: makes the renderer's objects again, sets the
// state it had set and uploads each texture's kept image. False when some texture had an image
// that was not kept (past the renderer's bound), which then draws white.
bool rebuildRenderer();

// The native renderer (render_null.cpp) only. What reached it since the last reset, for tests
// of what the core sends on.
struct NullRendered {
  int draws = 0;
  int lastCount = 0;         // the last draw's vertices
  unsigned lastTexture = 0;  // and its texture
  int clears = 0;
};
const NullRendered& nullRendered();
// Puts the one context back as a fresh one has it (core, selection and this renderer, whose
// texture names count from 1 again): tests run many cases in it, in any order.
void resetContext();

}  // namespace webgl

#endif
