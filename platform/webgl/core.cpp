// GL 1.1 state and primitive assembly: the entry points the game calls, under their standard
// names. Matrices are float and multiplied as GL multiplies them, because selection must find
// exactly what the desktop's GL finds. Errors are dropped (the game never asks for them).
#include <GL/gl.h>
#include <GL/glu.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "platform/webgl/webgl.h"

using webgl::Vertex;

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int kMatrixStackDepth = 32;
constexpr int kClientStackDepth = 16;

struct Matrix {
  float m[16];
};

constexpr Matrix kIdentity = {{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}};

// a = a x b, column-major, each element summed in GL's order.
void multiply(Matrix& a, const Matrix& b) {
  Matrix p;
  for (int col = 0; col < 4; ++col) {
    for (int row = 0; row < 4; ++row) {
      p.m[col * 4 + row] = a.m[row] * b.m[col * 4] + a.m[4 + row] * b.m[col * 4 + 1] +
                           a.m[8 + row] * b.m[col * 4 + 2] + a.m[12 + row] * b.m[col * 4 + 3];
    }
  }
  a = p;
}

struct MatrixStack {
  Matrix entries[kMatrixStackDepth] = {kIdentity};
  int depth = 0;  // index of the top
  Matrix& top() { return entries[depth]; }
};

// The glInterleavedArrays formats the game sends (a point's, a sphere's): floats per vertex, and
// where s and x start (-1: no texture coordinate).
struct ArrayFormat {
  GLenum format;
  int floats, texcoord, position;
};
constexpr ArrayFormat kFormats[] = {{GL_V3F, 3, -1, 0}, {GL_T2F_N3F_V3F, 8, 0, 5}};

struct ClientState {
  GLbitfield mask = 0;
  const ArrayFormat* format = nullptr;
  const unsigned char* array = nullptr;
  int stride = 0;
  int unpackAlignment = 4;  // the renderer gets it with each upload
};

struct Texture {
  int width = 0, height = 0;
  bool mipmapFilter = true;  // GL's default minifying filter needs mipmaps, which none has
};

struct State {
  MatrixStack modelview, projection;
  GLenum matrixMode = GL_MODELVIEW;
  Matrix mvp = kIdentity;
  bool mvpStale = true;
  float colour[4] = {1, 1, 1, 1};
  float s = 0, t = 0;
  GLenum primitive = GL_POINTS;
  bool inBegin = false;
  std::vector<Vertex> vertices;
  bool texturing = false;
  GLint viewport[4] = {};
  bool viewportKnown = false;
  ClientState client;
  ClientState clientStack[kClientStackDepth];
  int clientDepth = 0;
  std::vector<Texture> textures = std::vector<Texture>(1);  // by name; 0 is the default
  unsigned bound = 0;  // the renderer is told the name with each call that needs it
  Texture proxy;
};

State& gl() {
  static State state;
  return state;
}

MatrixStack& currentStack() {
  State& s = gl();
  return s.matrixMode == GL_PROJECTION ? s.projection : s.modelview;
}

void multiplyCurrent(const Matrix& by) {
  multiply(currentStack().top(), by);
  gl().mvpStale = true;
}

const float* mvp() {
  State& s = gl();
  if (s.mvpStale) {
    s.mvp = s.projection.top();
    multiply(s.mvp, s.modelview.top());
    s.mvpStale = false;
  }
  return s.mvp.m;
}

Texture* textureNamed(unsigned name) {
  std::vector<Texture>& textures = gl().textures;
  if (name >= textures.size()) {
    // A name the renderer never gave would be GL's bind-to-create; the renderer's GL decides.
    if (name > textures.size() + (1u << 20)) return nullptr;
    textures.resize(name + 1);
  }
  return &textures[name];
}

// True when the batch's bounding box lies wholly outside one clip plane: then no vertex, edge or
// face of it can reach a pixel. Eight corners instead of every vertex: the box holds them all.
bool outsideView(const webgl::Batch& batch) {
  float lo[3] = {batch.vertices[0].x, batch.vertices[0].y, batch.vertices[0].z};
  float hi[3] = {lo[0], lo[1], lo[2]};
  for (int i = 1; i < batch.count; ++i) {
    const float p[3] = {batch.vertices[i].x, batch.vertices[i].y, batch.vertices[i].z};
    for (int a = 0; a < 3; ++a) {
      if (p[a] < lo[a]) lo[a] = p[a];
      if (p[a] > hi[a]) hi[a] = p[a];
    }
  }
  unsigned common = ~0u;
  for (int corner = 0; corner < 8 && common != 0; ++corner) {
    const Vertex at = {corner & 1 ? hi[0] : lo[0], corner & 2 ? hi[1] : lo[1],
                       corner & 4 ? hi[2] : lo[2], 0, 0};
    common &= webgl::clipOutcode(batch.mvp, at);
  }
  return common != 0;
}

// Points, triangles and triangle strips: what the game sends, and what the comparison with the
// desktop's selection holds (tests/webgl_pick_*). Other primitives are dropped.
void submit(GLenum mode) {
  State& s = gl();
  if (s.vertices.empty()) return;
  if (mode != GL_POINTS && mode != GL_TRIANGLES && mode != GL_TRIANGLE_STRIP) return;
  const webgl::Batch batch = {mode, s.vertices.data(), static_cast<int>(s.vertices.size()), mvp()};
  if (webgl::selecting()) {
    webgl::selectBatch(batch);
    return;
  }
  if (outsideView(batch)) return;
  // One colour a batch, the current one at its end: the game sets it outside glBegin/glEnd.
  webgl::DrawState draw = {{s.colour[0], s.colour[1], s.colour[2], s.colour[3]}, 0};
  const Texture* texture = textureNamed(s.bound);
  // A texture without a complete image leaves the fragment its plain colour, as GL does.
  if (s.texturing && texture != nullptr && texture->width > 0 && texture->height > 0 &&
      !texture->mipmapFilter) {
    draw.texture = s.bound;
  }
  webgl::renderDraw(batch, draw);
}

void applyClientState(const ClientState& from, GLbitfield mask) {
  ClientState& to = gl().client;
  if (mask & GL_CLIENT_VERTEX_ARRAY_BIT) {
    to.format = from.format;
    to.array = from.array;
    to.stride = from.stride;
  }
  if (mask & GL_CLIENT_PIXEL_STORE_BIT) to.unpackAlignment = from.unpackAlignment;
}

// glTranslatef and glScalef: the identity with x, y and z at three places of it.
void multiplyCurrentWith(const int (&at)[3], float x, float y, float z) {
  Matrix by = kIdentity;
  by.m[at[0]] = x;
  by.m[at[1]] = y;
  by.m[at[2]] = z;
  multiplyCurrent(by);
}

}  // namespace

extern "C" {

// Matrices.

void glMatrixMode(GLenum mode) {
  if (mode == GL_MODELVIEW || mode == GL_PROJECTION) gl().matrixMode = mode;
}

void glLoadIdentity() {
  currentStack().top() = kIdentity;
  gl().mvpStale = true;
}

void glPushMatrix() {
  MatrixStack& stack = currentStack();
  if (stack.depth + 1 >= kMatrixStackDepth) return;  // GL_STACK_OVERFLOW
  stack.entries[stack.depth + 1] = stack.entries[stack.depth];
  ++stack.depth;
}

void glPopMatrix() {
  MatrixStack& stack = currentStack();
  if (stack.depth == 0) return;  // GL_STACK_UNDERFLOW
  --stack.depth;
  gl().mvpStale = true;
}

void glTranslatef(GLfloat x, GLfloat y, GLfloat z) {
  multiplyCurrentWith({12, 13, 14}, x, y, z);
}

void glScalef(GLfloat x, GLfloat y, GLfloat z) {
  multiplyCurrentWith({0, 5, 10}, x, y, z);
}

void glRotatef(GLfloat angle, GLfloat x, GLfloat y, GLfloat z) {
  const float length = std::sqrt(x * x + y * y + z * z);
  if (length == 0.0f) return;
  x /= length;
  y /= length;
  z /= length;
  // The angle narrowed once, then the float sine and cosine of it.
  const float radians = static_cast<float>(angle * kPi / 180.0);
  const float s = std::sin(radians), c = std::cos(radians), k = 1.0f - c;
  const Matrix by = {{x * x * k + c, y * x * k + z * s, x * z * k - y * s, 0,  //
                      x * y * k - z * s, y * y * k + c, y * z * k + x * s, 0,  //
                      x * z * k + y * s, y * z * k - x * s, z * z * k + c, 0,  //
                      0, 0, 0, 1}};
  multiplyCurrent(by);
}

void gluPerspective(GLdouble fovy, GLdouble aspect, GLdouble zNear, GLdouble zFar) {
  const double half = fovy / 2 * kPi / 180;
  const double depth = zFar - zNear;
  const double sine = std::sin(half);
  if (depth == 0 || sine == 0 || aspect == 0) return;
  const double f = std::cos(half) / sine;
  Matrix by = kIdentity;
  by.m[0] = static_cast<float>(f / aspect);
  by.m[5] = static_cast<float>(f);
  by.m[10] = static_cast<float>(-(zFar + zNear) / depth);
  by.m[11] = -1;
  by.m[14] = static_cast<float>(-2 * zNear * zFar / depth);
  by.m[15] = 0;
  multiplyCurrent(by);
}

void gluPickMatrix(GLdouble x, GLdouble y, GLdouble width, GLdouble height,
                   GLint viewport[4]) {  // not const in glu.h
  if (width <= 0 || height <= 0) return;
  glTranslatef(static_cast<float>((viewport[2] - 2 * (x - viewport[0])) / width),
               static_cast<float>((viewport[3] - 2 * (y - viewport[1])) / height), 0);
  glScalef(static_cast<float>(viewport[2] / width), static_cast<float>(viewport[3] / height), 1);
}

// Current values and primitives.

void glColor3f(GLfloat r, GLfloat g, GLfloat b) {
  float* c = gl().colour;
  c[0] = r;
  c[1] = g;
  c[2] = b;
  c[3] = 1;
}

void glColor3ub(GLubyte r, GLubyte g, GLubyte b) {
  glColor3f(r / 255.0f, g / 255.0f, b / 255.0f);
}

// Lighting is never on, so the normal changes no pixel and no pick.
void glNormal3f(GLfloat, GLfloat, GLfloat) {}

void glTexCoord2f(GLfloat s, GLfloat t) {
  gl().s = s;
  gl().t = t;
}

void glBegin(GLenum mode) {
  gl().primitive = mode;
  gl().inBegin = true;
  gl().vertices.clear();
}

void glVertex3f(GLfloat x, GLfloat y, GLfloat z) {
  State& s = gl();
  if (s.inBegin) s.vertices.push_back({x, y, z, s.s, s.t});
}

void glEnd() {
  if (!gl().inBegin) return;
  gl().inBegin = false;
  submit(gl().primitive);
}

void glInterleavedArrays(GLenum format, GLsizei stride, const void* pointer) {
  ClientState& c = gl().client;
  c.format = nullptr;
  for (const ArrayFormat& f : kFormats) {
    if (f.format == format) c.format = &f;
  }
  if (c.format == nullptr || stride < 0) return;  // colour formats are not kept
  c.stride = stride != 0 ? stride : c.format->floats * static_cast<int>(sizeof(float));
  c.array = static_cast<const unsigned char*>(pointer);
}

void glDrawArrays(GLenum mode, GLint first, GLsizei count) {
  State& s = gl();
  const ArrayFormat* f = s.client.format;
  if (f == nullptr || s.client.array == nullptr || first < 0 || count <= 0) return;
  s.vertices.clear();
  for (GLsizei i = 0; i < count; ++i) {
    float v[8];
    std::memcpy(v, s.client.array + (static_cast<size_t>(first) + i) * s.client.stride,
                f->floats * sizeof(float));
    const float* p = v + f->position;
    Vertex vertex = {p[0], p[1], p[2], s.s, s.t};
    if (f->texcoord >= 0) {
      vertex.s = v[f->texcoord];
      vertex.t = v[f->texcoord + 1];
    }
    s.vertices.push_back(vertex);
  }
  submit(mode);
}

void glPushClientAttrib(GLbitfield mask) {
  State& s = gl();
  if (s.clientDepth >= kClientStackDepth) return;  // GL_STACK_OVERFLOW
  s.clientStack[s.clientDepth] = s.client;
  s.clientStack[s.clientDepth].mask = mask;
  ++s.clientDepth;
}

void glPopClientAttrib() {
  State& s = gl();
  if (s.clientDepth == 0) return;  // GL_STACK_UNDERFLOW
  --s.clientDepth;
  applyClientState(s.clientStack[s.clientDepth], s.clientStack[s.clientDepth].mask);
}

// Only the unpack alignment is kept: the game reads no pixels back.
void glPixelStorei(GLenum pname, GLint param) {
  if (param != 1 && param != 2 && param != 4 && param != 8) return;  // GL_INVALID_VALUE
  if (pname == GL_UNPACK_ALIGNMENT) gl().client.unpackAlignment = param;
}

// Frame state.

void glEnable(GLenum cap) {
  if (cap == GL_TEXTURE_2D) {
    gl().texturing = true;
  } else {
    webgl::renderEnable(cap, true);
  }
}

void glDisable(GLenum cap) {
  if (cap == GL_TEXTURE_2D) {
    gl().texturing = false;
  } else {
    webgl::renderEnable(cap, false);
  }
}

// Selection draws nothing, clears included.
void glClear(GLbitfield mask) {
  if (!webgl::selecting()) webgl::renderClear(mask);
}

void glClearColor(GLfloat r, GLfloat g, GLfloat b, GLfloat a) {
  webgl::renderClearColor(r, g, b, a);
}

void glViewport(GLint x, GLint y, GLsizei width, GLsizei height) {
  if (width < 0 || height < 0) return;  // GL_INVALID_VALUE
  State& s = gl();
  const GLint v[4] = {x, y, width, height};
  std::memcpy(s.viewport, v, sizeof v);
  s.viewportKnown = true;
  webgl::renderViewport(x, y, width, height);
}

// The material is accepted for lighting, which is never switched on.
void glMaterialfv(GLenum, GLenum, const GLfloat*) {}
void glMaterialf(GLenum, GLenum, GLfloat) {}

void glGetIntegerv(GLenum pname, GLint* values) {
  State& s = gl();
  switch (pname) {
    case GL_VIEWPORT:
      if (!s.viewportKnown) {
        webgl::renderGetIntegerv(GL_VIEWPORT, s.viewport);
        s.viewportKnown = true;
      }
      std::memcpy(values, s.viewport, sizeof s.viewport);
      return;
    case GL_MAX_TEXTURE_SIZE:
      values[0] = webgl::renderMaxTextureSize();
      return;
    case GL_RENDER_MODE:
      values[0] = webgl::selecting() ? GL_SELECT : GL_RENDER;
      return;
    case GL_MATRIX_MODE:
      values[0] = static_cast<GLint>(s.matrixMode);
      return;
    case GL_UNPACK_ALIGNMENT:
      values[0] = s.client.unpackAlignment;
      return;
    case GL_TEXTURE_BINDING_2D:
      values[0] = static_cast<GLint>(s.bound);
      return;
    default:
      webgl::renderGetIntegerv(pname, values);
  }
}

// Textures: the renderer holds the pictures, the core their sizes (for the proxy and size
// queries, which the renderer's GL may not answer) and whether each can be sampled.

void glGenTextures(GLsizei n, GLuint* names) {
  for (GLsizei i = 0; i < n; ++i) {
    names[i] = webgl::renderNewTexture();
    textureNamed(names[i]);
  }
}

void glBindTexture(GLenum target, GLuint name) {
  if (target != GL_TEXTURE_2D || textureNamed(name) == nullptr) return;
  gl().bound = name;
}

void glTexParameteri(GLenum target, GLenum pname, GLint value) {
  if (target != GL_TEXTURE_2D) return;
  if (pname == GL_TEXTURE_MIN_FILTER) {
    textureNamed(gl().bound)->mipmapFilter = value != GL_LINEAR && value != GL_NEAREST;
  }
  if ((pname == GL_TEXTURE_WRAP_S || pname == GL_TEXTURE_WRAP_T) && value == GL_CLAMP) {
    value = GL_CLAMP_TO_EDGE;  // the nearest the renderer's GL has
  }
  webgl::renderTexParameter(gl().bound, pname, value);
}

// Only GL_MODULATE, the default and the game's mode, is drawn.
void glTexEnvi(GLenum, GLenum, GLint) {}

void glTexImage2D(GLenum target, GLint level, GLint internalFormat, GLsizei width, GLsizei height,
                  GLint border, GLenum format, GLenum type, const void* pixels) {
  const int max = webgl::renderMaxTextureSize();
  const bool fits =
      level == 0 && border == 0 && width >= 0 && height >= 0 && width <= max && height <= max;
  if (target == GL_PROXY_TEXTURE_2D) {
    gl().proxy = fits ? Texture{width, height, false} : Texture{};
    return;
  }
  // Mipmap levels are not kept: no texture here has any.
  if (target != GL_TEXTURE_2D || !fits) return;
  // 1 to 4 are GL 1.0's component counts; the renderer's GL takes only format names.
  static const GLenum kByCount[] = {GL_LUMINANCE, GL_LUMINANCE_ALPHA, GL_RGB, GL_RGBA};
  if (internalFormat >= 1 && internalFormat <= 4) internalFormat = kByCount[internalFormat - 1];
  // Sized formats the game asks for stand for their base format: WebGL's own sized formats
  // would need the sized enums of GL ES 3.
  if (internalFormat == GL_RGBA8) internalFormat = GL_RGBA;
  if (internalFormat == GL_RGB8) internalFormat = GL_RGB;
  if (static_cast<GLenum>(internalFormat) != format) return;  // no conversions
  State& s = gl();
  Texture* texture = textureNamed(s.bound);
  const bool kept =
      webgl::renderTexImage(s.bound, width, height, format, type, pixels, s.client.unpackAlignment);
  texture->width = kept ? width : 0;
  texture->height = kept ? height : 0;
}

void glGetTexLevelParameteriv(GLenum target, GLint level, GLenum pname, GLint* value) {
  const Texture* texture = target == GL_PROXY_TEXTURE_2D ? &gl().proxy : textureNamed(gl().bound);
  if (level != 0 || texture == nullptr) {
    *value = 0;
  } else if (pname == GL_TEXTURE_WIDTH) {
    *value = texture->width;
  } else if (pname == GL_TEXTURE_HEIGHT) {
    *value = texture->height;
  }
}

}  // extern "C"

void webgl::resetCore() {
  gl() = State();
}
