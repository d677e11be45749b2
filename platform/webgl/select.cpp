// Selection mode on the CPU: the name stack and the hit records GL writes, found from the
// assembled triangles and points clipped against the six planes of the clip volume.
#include <GL/gl.h>

#include "platform/webgl/webgl.h"

namespace {

constexpr int kNameStackDepth = 64;
// Room for a triangle clipped by six planes, each adding at most one vertex.
constexpr int kMaxClipped = 3 + 6;

struct Selection {
  bool on = false;
  GLuint* buffer = nullptr;
  int size = 0;
  int count = 0;  // entries written, counting those that did not fit
  int hits = 0;
  bool hit = false;
  float minZ = 1.0f, maxZ = 0.0f;
  GLuint names[kNameStackDepth] = {};
  int depth = 0;
};

Selection& sel() {
  static Selection selection;
  return selection;
}

void write(GLuint value) {
  Selection& s = sel();
  if (s.count < s.size) s.buffer[s.count] = value;
  ++s.count;
}

// Depth in [0, 1] as an unsigned 32-bit fraction: times 2^32, truncated, 1 kept below 2^32.
GLuint scaled(float z) {
  const double value = static_cast<double>(z) * 4294967296.0;
  if (!(value > 0)) return 0;
  return value >= 4294967295.0 ? 0xffffffffu : static_cast<GLuint>(value);
}

// The record for everything hit since the name stack last changed.
void flushHit() {
  Selection& s = sel();
  if (!s.hit) return;
  write(static_cast<GLuint>(s.depth));
  write(scaled(s.minZ));
  write(scaled(s.maxZ));
  for (int i = 0; i < s.depth; ++i) write(s.names[i]);
  ++s.hits;
  s.hit = false;
  s.minZ = 1.0f;
  s.maxZ = 0.0f;
}

void hitAt(float z) {
  Selection& s = sel();
  s.hit = true;
  if (z < s.minZ) s.minZ = z;
  if (z > s.maxZ) s.maxZ = z;
}

struct Clip {
  float v[4];  // x, y, z, w
};

Clip toClip(const float* m, const webgl::Vertex& p) {
  Clip c;
  for (int r = 0; r < 4; ++r) c.v[r] = m[r] * p.x + m[4 + r] * p.y + m[8 + r] * p.z + m[12 + r];
  return c;
}

// Signed distance inside plane `plane` (0..5: x >= -w, x <= w, y..., z...).
float inside(const Clip& c, int plane) {
  const float coordinate = c.v[plane / 2];
  return plane % 2 == 0 ? c.v[3] + coordinate : c.v[3] - coordinate;
}

unsigned outcode(const Clip& c) {
  unsigned code = 0;
  for (int plane = 0; plane < 6; ++plane) code |= (inside(c, plane) < 0 ? 1u : 0u) << plane;
  return code;
}

float windowZ(const Clip& c) {
  return c.v[2] / c.v[3] * 0.5f + 0.5f;
}

void selectPoint(const Clip& a) {
  if (outcode(a) == 0) hitAt(windowZ(a));
}

// A triangle wholly inside hits with its corners' depths, one wholly beyond a single plane misses,
// and the rest are clipped plane by plane (Sutherland-Hodgman), hitting with whatever polygon of
// three or more vertices remains.
void selectTriangle(const Clip& a, const Clip& b, const Clip& c) {
  const unsigned codes[3] = {outcode(a), outcode(b), outcode(c)};
  if ((codes[0] | codes[1] | codes[2]) == 0) {
    hitAt(windowZ(a));
    hitAt(windowZ(b));
    hitAt(windowZ(c));
    return;
  }
  if ((codes[0] & codes[1] & codes[2]) != 0) return;
  Clip polygon[2][kMaxClipped] = {{a, b, c}};
  int count = 3;
  int from = 0;
  for (int plane = 0; plane < 6 && count >= 3; ++plane) {
    if (((codes[0] | codes[1] | codes[2]) & (1u << plane)) == 0) continue;
    const Clip* in = polygon[from];
    Clip* out = polygon[1 - from];
    int kept = 0;
    for (int i = 0; i < count; ++i) {
      const Clip& p = in[i];
      const Clip& q = in[(i + 1) % count];
      const float dp = inside(p, plane), dq = inside(q, plane);
      if (dp >= 0) out[kept++] = p;
      if ((dp >= 0) != (dq >= 0)) {
        const float t = dp / (dp - dq);
        Clip& x = out[kept++];
        for (int k = 0; k < 4; ++k) x.v[k] = p.v[k] + t * (q.v[k] - p.v[k]);
      }
    }
    count = kept;
    from = 1 - from;
  }
  if (count < 3) return;
  for (int i = 0; i < count; ++i) hitAt(windowZ(polygon[from][i]));
}

}  // namespace

namespace webgl {

bool selecting() {
  return sel().on;
}

unsigned clipOutcode(const float* mvp, const Vertex& p) {
  return outcode(toClip(mvp, p));
}

// Primitives assembled as GL assembles them (the core passes points, triangles and strips only).
void selectBatch(const Batch& batch) {
  const int n = batch.count;
  auto at = [&batch](int i) { return toClip(batch.mvp, batch.vertices[i]); };
  switch (batch.mode) {
    case GL_POINTS:
      for (int i = 0; i < n; ++i) selectPoint(at(i));
      break;
    case GL_TRIANGLES:
      for (int i = 2; i < n; i += 3) selectTriangle(at(i - 2), at(i - 1), at(i));
      break;
    case GL_TRIANGLE_STRIP:
      // Every other triangle swaps its first two corners, keeping the winding.
      for (int i = 2; i < n; ++i) {
        if (i % 2 == 0) {
          selectTriangle(at(i - 2), at(i - 1), at(i));
        } else {
          selectTriangle(at(i - 1), at(i - 2), at(i));
        }
      }
      break;
    default:
      break;
  }
}

void resetSelection() {
  sel() = Selection();
}

}  // namespace webgl

extern "C" {

void glSelectBuffer(GLsizei size, GLuint* buffer) {
  Selection& s = sel();
  if (s.on || size < 0) return;  // GL_INVALID_OPERATION, GL_INVALID_VALUE
  s.buffer = buffer;
  s.size = size;
  s.count = 0;
  s.hit = false;
  s.minZ = 1.0f;
  s.maxZ = 0.0f;
}

// Returns the hit count on leaving selection, -1 if the records overflowed the buffer.
GLint glRenderMode(GLenum mode) {
  Selection& s = sel();
  if (mode != GL_RENDER && mode != GL_SELECT) return 0;  // feedback is not kept
  GLint result = 0;
  if (s.on) {
    flushHit();
    result = s.count > s.size ? -1 : s.hits;
    s.count = 0;
    s.hits = 0;
    s.depth = 0;
  }
  s.on = mode == GL_SELECT;
  return result;
}

void glInitNames() {
  Selection& s = sel();
  if (!s.on) return;
  flushHit();
  s.depth = 0;
  s.minZ = 1.0f;
  s.maxZ = 0.0f;
}

void glPushName(GLuint name) {
  Selection& s = sel();
  if (!s.on) return;
  flushHit();
  if (s.depth < kNameStackDepth) s.names[s.depth++] = name;  // else GL_STACK_OVERFLOW
}

void glPopName() {
  Selection& s = sel();
  if (!s.on) return;
  flushHit();
  if (s.depth > 0) --s.depth;  // else GL_STACK_UNDERFLOW
}

void glLoadName(GLuint name) {
  Selection& s = sel();
  if (!s.on || s.depth == 0) return;  // GL_INVALID_OPERATION on an empty stack
  flushHit();
  s.names[s.depth - 1] = name;
}

}  // extern "C"
