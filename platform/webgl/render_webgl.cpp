// The WebGL renderer: each batch goes into one streaming vertex buffer (position and texture
// coordinate only; the colour is a uniform) and is drawn by one program that does what GL's
// GL_MODULATE does, the texture times the current colour. The calls go straight to WebGL through
// emscripten's emscripten_gl* functions, whose plain names the core defines itself.
#include <GLES2/gl2.h>
#include <emscripten/html5.h>

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/webgl/webgl.h"

extern "C" {
void emscripten_glActiveTexture(GLenum);
void emscripten_glAttachShader(GLuint, GLuint);
void emscripten_glBindAttribLocation(GLuint, GLuint, const char*);
void emscripten_glBindBuffer(GLenum, GLuint);
void emscripten_glBindTexture(GLenum, GLuint);
void emscripten_glBufferData(GLenum, GLsizeiptr, const void*, GLenum);
void emscripten_glBufferSubData(GLenum, GLintptr, GLsizeiptr, const void*);
void emscripten_glClear(GLbitfield);
void emscripten_glClearColor(GLfloat, GLfloat, GLfloat, GLfloat);
void emscripten_glCompileShader(GLuint);
GLuint emscripten_glCreateProgram();
GLuint emscripten_glCreateShader(GLenum);
void emscripten_glDisable(GLenum);
void emscripten_glDrawArrays(GLenum, GLint, GLsizei);
void emscripten_glEnable(GLenum);
void emscripten_glEnableVertexAttribArray(GLuint);
void emscripten_glGenBuffers(GLsizei, GLuint*);
void emscripten_glGenTextures(GLsizei, GLuint*);
void emscripten_glGetIntegerv(GLenum, GLint*);
GLint emscripten_glGetUniformLocation(GLuint, const char*);
void emscripten_glLinkProgram(GLuint);
void emscripten_glPixelStorei(GLenum, GLint);
void emscripten_glShaderSource(GLuint, GLsizei, const char* const*, const GLint*);
void emscripten_glTexImage2D(GLenum, GLint, GLint, GLsizei, GLsizei, GLint, GLenum, GLenum,
                             const void*);
void emscripten_glTexParameteri(GLenum, GLenum, GLint);
void emscripten_glUniform4fv(GLint, GLsizei, const GLfloat*);
void emscripten_glUniformMatrix4fv(GLint, GLsizei, GLboolean, const GLfloat*);
void emscripten_glUseProgram(GLuint);
void emscripten_glVertexAttribPointer(GLuint, GLint, GLenum, GLboolean, GLsizei, const void*);
void emscripten_glViewport(GLint, GLint, GLsizei, GLsizei);
}

namespace webgl {

namespace {

// 64 Ki vertices, 1.25 MiB: a frame of the game, all in view, fills it about twice.
constexpr int kStreamVertices = 1 << 16;
constexpr GLsizei kStride = sizeof(Vertex);

const char* const kVertexShader = R"(
attribute vec3 position;
attribute vec2 texcoord;
uniform mat4 mvp;
varying highp vec2 uv;
void main() {
  uv = texcoord;
  gl_Position = mvp * vec4(position, 1.0);
  gl_PointSize = 1.0;
})";

// Large pictures need more than mediump's ten bits of texture coordinate.
const char* const kFragmentShader = R"(
#ifdef GL_FRAGMENT_PRECISION_HIGH
precision highp float;
#else
precision mediump float;
#endif
uniform sampler2D picture;
uniform vec4 colour;
varying highp vec2 uv;
void main() {
  gl_FragColor = texture2D(picture, uv) * colour;
})";

struct Renderer {
  bool ready = false;
  bool webgl2 = false;
  int maxTextureSize = 0;
  GLint mvpAt = -1, colourAt = -1;
  GLuint white = 0;
  int capacity = kStreamVertices;
  int next = 0;  // first free vertex of the stream buffer
  float mvp[16] = {};
  float colour[4] = {-1, -1, -1, -1};
  // The strip waiting to be drawn, and how.
  std::vector<Vertex> strip;
  float stripMvp[16] = {};
  DrawState stripState = {};
};

Renderer& r() {
  static Renderer renderer;
  return renderer;
}

GLuint shader(GLenum type, const char* source) {
  const GLuint id = emscripten_glCreateShader(type);
  emscripten_glShaderSource(id, 1, &source, nullptr);
  emscripten_glCompileShader(id);
  return id;
}

// Once, before the first draw or upload: the context exists from the window on, before any GL
// call.
void prepare() {
  Renderer& g = r();
  g.ready = true;
  EmscriptenWebGLContextAttributes attributes;
  emscripten_webgl_get_context_attributes(emscripten_webgl_get_current_context(), &attributes);
  g.webgl2 = attributes.majorVersion >= 2;

  const GLuint program = emscripten_glCreateProgram();
  emscripten_glAttachShader(program, shader(GL_VERTEX_SHADER, kVertexShader));
  emscripten_glAttachShader(program, shader(GL_FRAGMENT_SHADER, kFragmentShader));
  emscripten_glBindAttribLocation(program, 0, "position");
  emscripten_glBindAttribLocation(program, 1, "texcoord");
  emscripten_glLinkProgram(program);
  emscripten_glUseProgram(program);
  g.mvpAt = emscripten_glGetUniformLocation(program, "mvp");
  g.colourAt = emscripten_glGetUniformLocation(program, "colour");

  GLuint buffer = 0;
  emscripten_glGenBuffers(1, &buffer);
  emscripten_glBindBuffer(GL_ARRAY_BUFFER, buffer);
  emscripten_glBufferData(GL_ARRAY_BUFFER, g.capacity * kStride, nullptr, GL_STREAM_DRAW);
  emscripten_glEnableVertexAttribArray(0);
  emscripten_glEnableVertexAttribArray(1);
  emscripten_glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, kStride, nullptr);
  emscripten_glVertexAttribPointer(1, 2, GL_FLOAT, GL_FALSE, kStride,
                                   reinterpret_cast<const void*>(offsetof(Vertex, s)));

  // What a texture without an image samples on the desktop: white, so the colour shows plain.
  const unsigned char whitePixel[4] = {255, 255, 255, 255};
  emscripten_glGenTextures(1, &g.white);
  emscripten_glBindTexture(GL_TEXTURE_2D, g.white);
  emscripten_glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  emscripten_glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 1, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                          whitePixel);
}

int powerOfTwoAtMost(int side, int max) {
  int p = 1;
  while (p < side && p * 2 <= max) p *= 2;
  return p;
}

void drawNow(GLenum mode, const Vertex* vertices, int count, const float* mvp,
             const DrawState& state) {
  Renderer& g = r();
  // A full buffer is orphaned: WebGL hands a fresh one while the old one is still drawn from.
  if (g.next + count > g.capacity) {
    while (count > g.capacity) g.capacity *= 2;
    emscripten_glBufferData(GL_ARRAY_BUFFER, g.capacity * kStride, nullptr, GL_STREAM_DRAW);
    g.next = 0;
  }
  emscripten_glBufferSubData(GL_ARRAY_BUFFER, g.next * kStride, count * kStride, vertices);
  if (std::memcmp(g.mvp, mvp, sizeof g.mvp) != 0) {
    std::memcpy(g.mvp, mvp, sizeof g.mvp);
    emscripten_glUniformMatrix4fv(g.mvpAt, 1, GL_FALSE, g.mvp);
  }
  if (std::memcmp(g.colour, state.colour, sizeof g.colour) != 0) {
    std::memcpy(g.colour, state.colour, sizeof g.colour);
    emscripten_glUniform4fv(g.colourAt, 1, g.colour);
  }
  emscripten_glBindTexture(GL_TEXTURE_2D, state.texture != 0 ? state.texture : g.white);
  emscripten_glDrawArrays(mode, g.next, count);
  g.next += count;
}

// Strips drawn alike (a sphere's bands) wait to go as one: a draw call costs a software renderer
// more than the vertices. Everything that could see the difference draws them first.
void flush() {
  Renderer& g = r();
  if (g.strip.empty()) return;
  drawNow(GL_TRIANGLE_STRIP, g.strip.data(), static_cast<int>(g.strip.size()), g.stripMvp,
          g.stripState);
  g.strip.clear();
}

// Joins a strip to the waiting one through repeated vertices, whose triangles have no area;
// the joined strip starts at an even place, so its triangles keep their winding.
void addStrip(const Vertex* vertices, int count, const float* mvp, const DrawState& state) {
  Renderer& g = r();
  std::vector<Vertex>& strip = g.strip;
  const bool alike = std::memcmp(g.stripMvp, mvp, sizeof g.stripMvp) == 0 &&
                     std::memcmp(&g.stripState, &state, sizeof state) == 0;
  if (!strip.empty() && !alike) flush();
  if (strip.empty()) {
    std::memcpy(g.stripMvp, mvp, sizeof g.stripMvp);
    g.stripState = state;
  } else {
    const Vertex last = strip.back();
    strip.push_back(last);
    if (strip.size() % 2 == 0) strip.push_back(last);
    strip.push_back(vertices[0]);
  }
  strip.insert(strip.end(), vertices, vertices + count);
}

}  // namespace

void renderDraw(const Batch& batch, const DrawState& state) {
  Renderer& g = r();
  if (!g.ready) prepare();
  if (batch.mode == GL_TRIANGLE_STRIP) {
    addStrip(batch.vertices, batch.count, batch.mvp, state);
    return;
  }
  flush();
  drawNow(batch.mode, batch.vertices, batch.count, batch.mvp, state);
}

void renderClear(unsigned mask) {
  flush();
  emscripten_glClear(mask & (GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT));
}

void renderClearColor(float red, float green, float blue, float alpha) {
  emscripten_glClearColor(red, green, blue, alpha);
}

void renderViewport(int x, int y, int width, int height) {
  flush();
  emscripten_glViewport(x, y, width, height);
}

void renderEnable(unsigned cap, bool on) {
  flush();
  switch (cap) {
    case GL_BLEND:
    case GL_CULL_FACE:
    case GL_DEPTH_TEST:
    case GL_DITHER:
    case GL_POLYGON_OFFSET_FILL:
    case GL_SCISSOR_TEST:
      on ? emscripten_glEnable(cap) : emscripten_glDisable(cap);
      break;
    default:
      break;  // fixed-function switches (lighting, fog...) that draw nothing here
  }
}

unsigned renderNewTexture() {
  GLuint name = 0;
  emscripten_glGenTextures(1, &name);
  return name;
}

void renderTexParameter(unsigned texture, unsigned pname, int value) {
  flush();
  emscripten_glBindTexture(GL_TEXTURE_2D, texture);
  emscripten_glTexParameteri(GL_TEXTURE_2D, pname, value);
}

// WebGL 1 repeats only textures whose sides are powers of two (others sample black), so there a
// picture of other sides is resampled, nearest pixel, to the next power of two within the limit.
// WebGL 2 repeats any size and takes the picture as it is. WebGL's unpack alignment is set at
// each upload: the core keeps GL's.
bool renderTexImage(unsigned texture, int width, int height, unsigned format, unsigned type,
                    const void* pixels, int unpackAlignment) {
  Renderer& g = r();
  if (!g.ready) prepare();
  flush();
  emscripten_glBindTexture(GL_TEXTURE_2D, texture);
  const int max = renderMaxTextureSize();
  const int toWidth = powerOfTwoAtMost(width, max), toHeight = powerOfTwoAtMost(height, max);
  const int bytes = format == GL_RGBA ? 4 : format == GL_RGB ? 3 : 0;
  if (g.webgl2 || pixels == nullptr || type != GL_UNSIGNED_BYTE || bytes == 0 ||
      (toWidth == width && toHeight == height)) {
    emscripten_glPixelStorei(GL_UNPACK_ALIGNMENT, unpackAlignment);
    emscripten_glTexImage2D(GL_TEXTURE_2D, 0, format, width, height, 0, format, type, pixels);
    return true;
  }
  const size_t a = unpackAlignment;
  const size_t rowBytes = (static_cast<size_t>(width) * bytes + a - 1) / a * a;
  // No room for the copy leaves the texture without an image, which the core draws white.
  std::unique_ptr<unsigned char, decltype(&std::free)> resampled(
      static_cast<unsigned char*>(std::malloc(static_cast<size_t>(toWidth) * toHeight * bytes)),
      &std::free);
  if (resampled == nullptr) return false;
  const unsigned char* from = static_cast<const unsigned char*>(pixels);
  for (int y = 0; y < toHeight; ++y) {
    const unsigned char* row = from + static_cast<size_t>(y) * height / toHeight * rowBytes;
    for (int x = 0; x < toWidth; ++x) {
      std::memcpy(resampled.get() + (static_cast<size_t>(y) * toWidth + x) * bytes,
                  row + static_cast<size_t>(x) * width / toWidth * bytes, bytes);
    }
  }
  emscripten_glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  emscripten_glTexImage2D(GL_TEXTURE_2D, 0, format, toWidth, toHeight, 0, format, type,
                          resampled.get());
  return true;
}

int renderMaxTextureSize() {
  Renderer& g = r();
  if (g.maxTextureSize == 0) emscripten_glGetIntegerv(GL_MAX_TEXTURE_SIZE, &g.maxTextureSize);
  return g.maxTextureSize;
}

void renderGetIntegerv(unsigned pname, int* values) {
  emscripten_glGetIntegerv(pname, values);
}

}  // namespace webgl

// The frame ends at the swap, so the waiting strip goes then. This definition stands in for
// emscripten's GLUT's own, which does nothing (the browser shows what was drawn when the callback
// returns): a C function the program defines wins over the JavaScript library's.
extern "C" void glutSwapBuffers() {
  webgl::flush();
}
