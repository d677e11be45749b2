// The WebGL renderer: each batch goes into one streaming vertex buffer (position and texture
// coordinate only; the colour is a uniform) and is drawn by one program that does what GL's
// GL_MODULATE does, the texture times the current colour. The calls go straight to WebGL through
// emscripten's emscripten_gl* functions, whose plain names the core defines itself.
//
// A browser may take the context away at any time (a tab sent to the background, a GPU process
// restarted) and give it back empty. So the renderer keeps what it would need to make it all
// again: the state it set, each texture's parameters and, within a bound, each texture's image as
// uploaded (rebuildRenderer).
#include <GLES2/gl2.h>
#include <emscripten/html5.h>

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <memory>
#include <utility>
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
void emscripten_glDeleteBuffers(GLsizei, const GLuint*);
void emscripten_glDeleteProgram(GLuint);
void emscripten_glDeleteShader(GLuint);
void emscripten_glDeleteTextures(GLsizei, const GLuint*);
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

// The images kept to upload again after a lost context, all textures together: the eleven
// pictures as the game uploads them (1024 x 512, 24 bits) take 17.3 MB. A texture past the bound
// is not kept, and cannot be drawn again after a loss.
constexpr size_t kRestorableImageBytes = size_t(32) << 20;

// The capabilities the renderer passes on, in the order of Renderer::capsSet's and capsOn's bits.
constexpr GLenum kCaps[] = {GL_BLEND,  GL_CULL_FACE,           GL_DEPTH_TEST,
                            GL_DITHER, GL_POLYGON_OFFSET_FILL, GL_SCISSOR_TEST};
constexpr int kCapCount = sizeof kCaps / sizeof kCaps[0];

using Pixels = std::unique_ptr<unsigned char, decltype(&std::free)>;

// One texture of the game's, by the renderer's own name (its place in Renderer::textures plus 1),
// which stays the same when a lost context makes WebGL hand out new ones.
struct Texture {
  GLuint id = 0;  // WebGL's name in the current context
  // Each parameter set, as last set; a texture has four at most (filters, wraps).
  std::vector<std::pair<GLenum, GLint>> parameters;
  bool hasImage = false;  // an image was uploaded
  // The image as it went to WebGL, when kept (or uploaded without pixels).
  bool restorable = false;
  int width = 0, height = 0;
  GLenum format = 0, type = 0;
  int alignment = 4;
  size_t bytes = 0;
  Pixels pixels{nullptr, &std::free};
};

struct Renderer {
  bool ready = false;
  bool webgl2 = false;
  int maxTextureSize = 0;
  GLuint program = 0, vertexShader = 0, fragmentShader = 0, buffer = 0;
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
  // What was set, to set again on a new context: each capability switched on or off (bit i of
  // capsSet says whether kCaps[i] was ever set, of capsOn whether on), the clear colour, the
  // viewport.
  unsigned capsSet = 0, capsOn = 0;
  bool clearColorSet = false, viewportSet = false;
  float clearColor[4] = {};
  int viewport[4] = {};
  std::vector<Texture> textures;
  size_t restorableBytes = 0;  // of the kept images, against kRestorableImageBytes
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

  const GLuint program = g.program = emscripten_glCreateProgram();
  g.vertexShader = shader(GL_VERTEX_SHADER, kVertexShader);
  g.fragmentShader = shader(GL_FRAGMENT_SHADER, kFragmentShader);
  emscripten_glAttachShader(program, g.vertexShader);
  emscripten_glAttachShader(program, g.fragmentShader);
  emscripten_glBindAttribLocation(program, 0, "position");
  emscripten_glBindAttribLocation(program, 1, "texcoord");
  emscripten_glLinkProgram(program);
  emscripten_glUseProgram(program);
  g.mvpAt = emscripten_glGetUniformLocation(program, "mvp");
  g.colourAt = emscripten_glGetUniformLocation(program, "colour");

  emscripten_glGenBuffers(1, &g.buffer);
  emscripten_glBindBuffer(GL_ARRAY_BUFFER, g.buffer);
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

// WebGL's name for the renderer's texture `name`; 0 and names never handed out draw white.
GLuint webglName(unsigned name) {
  Renderer& g = r();
  return name != 0 && name <= g.textures.size() ? g.textures[name - 1].id : g.white;
}

// A copy of `bytes` bytes, or null when there is no room for it.
Pixels copyOf(const void* from, size_t bytes) {
  Pixels copy(static_cast<unsigned char*>(std::malloc(bytes)), &std::free);
  if (copy != nullptr) std::memcpy(copy.get(), from, bytes);
  return copy;
}

// Sends `texture`'s image, as its fields describe it, with `pixels`, to the bound WebGL texture.
void sendImage(const Texture& texture, const void* pixels) {
  emscripten_glPixelStorei(GL_UNPACK_ALIGNMENT, texture.alignment);
  emscripten_glTexImage2D(GL_TEXTURE_2D, 0, texture.format, texture.width, texture.height, 0,
                          texture.format, texture.type, pixels);
}

// Uploads an image to `texture` and keeps a copy of it, while the bound allows, for a new context.
// `pixels` hold `bytes` bytes, `height` rows `alignment` apart (0 bytes: a format the renderer
// cannot size, not kept), or are null for an image without contents.
void upload(Texture& texture, int width, int height, GLenum format, GLenum type, const void* pixels,
            size_t bytes, int alignment) {
  Renderer& g = r();
  g.restorableBytes -= texture.bytes;
  texture.bytes = 0;
  texture.pixels.reset();
  texture.hasImage = true;
  texture.width = width;
  texture.height = height;
  texture.format = format;
  texture.type = type;
  texture.alignment = alignment;
  emscripten_glBindTexture(GL_TEXTURE_2D, texture.id);
  sendImage(texture, pixels);
  texture.restorable = pixels == nullptr;
  if (pixels != nullptr && bytes > 0 && bytes <= kRestorableImageBytes - g.restorableBytes) {
    texture.pixels = copyOf(pixels, bytes);
    texture.restorable = texture.pixels != nullptr;
    texture.bytes = texture.restorable ? bytes : 0;
    g.restorableBytes += texture.bytes;
  }
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
  emscripten_glBindTexture(GL_TEXTURE_2D, webglName(state.texture));
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
  Renderer& g = r();
  g.clearColorSet = true;
  g.clearColor[0] = red, g.clearColor[1] = green, g.clearColor[2] = blue, g.clearColor[3] = alpha;
  emscripten_glClearColor(red, green, blue, alpha);
}

void renderViewport(int x, int y, int width, int height) {
  flush();
  Renderer& g = r();
  g.viewportSet = true;
  g.viewport[0] = x, g.viewport[1] = y, g.viewport[2] = width, g.viewport[3] = height;
  emscripten_glViewport(x, y, width, height);
}

void renderEnable(unsigned cap, bool on) {
  flush();
  Renderer& g = r();
  // Fixed-function switches (lighting, fog...) draw nothing here and are not passed on.
  for (int i = 0; i < kCapCount; ++i) {
    if (kCaps[i] != cap) continue;
    g.capsSet |= 1u << i;
    g.capsOn = on ? g.capsOn | 1u << i : g.capsOn & ~(1u << i);
    on ? emscripten_glEnable(cap) : emscripten_glDisable(cap);
  }
}

unsigned renderNewTexture() {
  Renderer& g = r();
  Texture texture;
  emscripten_glGenTextures(1, &texture.id);
  g.textures.push_back(std::move(texture));
  return static_cast<unsigned>(g.textures.size());
}

void renderTexParameter(unsigned texture, unsigned pname, int value) {
  flush();
  Renderer& g = r();
  if (texture == 0 || texture > g.textures.size()) return;
  auto& parameters = g.textures[texture - 1].parameters;
  auto same = [pname](const std::pair<GLenum, GLint>& p) { return p.first == pname; };
  auto at = std::find_if(parameters.begin(), parameters.end(), same);
  if (at == parameters.end()) at = parameters.insert(parameters.end(), {pname, value});
  at->second = value;
  emscripten_glBindTexture(GL_TEXTURE_2D, webglName(texture));
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
  if (texture == 0 || texture > g.textures.size()) return false;
  Texture& target = g.textures[texture - 1];
  const int max = renderMaxTextureSize();
  const int toWidth = powerOfTwoAtMost(width, max), toHeight = powerOfTwoAtMost(height, max);
  const int bytes = type != GL_UNSIGNED_BYTE ? 0 : format == GL_RGBA ? 4 : format == GL_RGB ? 3 : 0;
  const size_t a = unpackAlignment;
  const size_t rowBytes = (static_cast<size_t>(width) * bytes + a - 1) / a * a;
  if (g.webgl2 || pixels == nullptr || bytes == 0 || (toWidth == width && toHeight == height)) {
    upload(target, width, height, format, type, pixels, rowBytes * height, unpackAlignment);
    return true;
  }
  // No room for the copy leaves the texture without an image, which the core draws white.
  const size_t resampledBytes = static_cast<size_t>(toWidth) * toHeight * bytes;
  Pixels resampled(static_cast<unsigned char*>(std::malloc(resampledBytes)), &std::free);
  if (resampled == nullptr) return false;
  const unsigned char* from = static_cast<const unsigned char*>(pixels);
  for (int y = 0; y < toHeight; ++y) {
    const unsigned char* row = from + static_cast<size_t>(y) * height / toHeight * rowBytes;
    for (int x = 0; x < toWidth; ++x) {
      std::memcpy(resampled.get() + (static_cast<size_t>(y) * toWidth + x) * bytes,
                  row + static_cast<size_t>(x) * width / toWidth * bytes, bytes);
    }
  }
  upload(target, toWidth, toHeight, format, type, resampled.get(), resampledBytes, 1);
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

bool rebuildRenderer() {
  Renderer& g = r();
  if (!g.ready) return true;  // nothing made yet: the first draw makes it all
  // The old names mean nothing to the new context; deleting them empties emscripten's tables.
  emscripten_glDeleteProgram(g.program);
  emscripten_glDeleteShader(g.vertexShader);
  emscripten_glDeleteShader(g.fragmentShader);
  emscripten_glDeleteBuffers(1, &g.buffer);
  emscripten_glDeleteTextures(1, &g.white);
  g.strip.clear();
  g.capacity = kStreamVertices;
  g.next = 0;
  std::fill(std::begin(g.mvp), std::end(g.mvp), 0.0f);
  std::fill(std::begin(g.colour), std::end(g.colour), -1.0f);
  prepare();

  if (g.clearColorSet) {
    emscripten_glClearColor(g.clearColor[0], g.clearColor[1], g.clearColor[2], g.clearColor[3]);
  }
  if (g.viewportSet) {
    emscripten_glViewport(g.viewport[0], g.viewport[1], g.viewport[2], g.viewport[3]);
  }
  for (int i = 0; i < kCapCount; ++i) {
    if ((g.capsSet >> i & 1) == 0) continue;
    (g.capsOn >> i & 1) != 0 ? emscripten_glEnable(kCaps[i]) : emscripten_glDisable(kCaps[i]);
  }
  bool whole = true;
  for (Texture& texture : g.textures) {
    emscripten_glDeleteTextures(1, &texture.id);
    emscripten_glGenTextures(1, &texture.id);
    emscripten_glBindTexture(GL_TEXTURE_2D, texture.id);
    for (const auto& [pname, value] : texture.parameters) {
      emscripten_glTexParameteri(GL_TEXTURE_2D, pname, value);
    }
    if (!texture.hasImage) continue;
    if (!texture.restorable) {
      whole = false;
      continue;
    }
    sendImage(texture, texture.pixels.get());
  }
  return whole;
}

}  // namespace webgl

// The frame ends at the swap, so the waiting strip goes then. This definition stands in for
// emscripten's GLUT's own, which does nothing (the browser shows what was drawn when the callback
// returns): a C function the program defines wins over the JavaScript library's.
extern "C" void glutSwapBuffers() {
  webgl::flush();
}
