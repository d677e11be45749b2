#ifndef FARLIGHT_APP_BODY_H
#define FARLIGHT_APP_BODY_H

// A point or offset in scene units.
struct Vec3 {
  float x = 0.0f;
  float y = 0.0f;
  float z = 0.0f;

  Vec3() = default;
  Vec3(float x, float y, float z) : x(x), y(y), z(z) {}
};

// How Body::draw hands its vertices to GL: one call per attribute between glBegin and glEnd (the
// displayed frame), or the same floats in the same order from client arrays with glDrawArrays (the
// pick pass: the GL's selection mode keeps a copy of every vertex sent the first way, never of the
// second).
enum class VertexPath { immediate, clientArrays };

struct SharedTextures;  // app/texture.h

// One sphere of the scene. Fields are plain data: the frame, the picker and the tests read them.
class Body {
 public:
  // Beyond this the mesh would cost millions of vertices per frame (and an infinite count would
  // never finish), so such a body is drawn as a point.
  static constexpr float kMaxSegments = 1024.0f;

  Body() = default;

  void setRadius(float value) { radius = value; }
  void setSpeed(float value) { speed = value; }
  void setPosition(Vec3 value) { position = value; }
  void setVisible(bool value) { visible = value; }
  bool isVisible() const { return visible; }

  // Drifts towards the viewer by one step.
  void advance() { position.z = position.z + speed; }

  // Sends the body's tessellated sphere to GL, with the position baked into every vertex. Negative
  // radius and segments are made positive in place. Fewer than 4 segments, a radius of zero, or
  // more than kMaxSegments segments draw a single point at the position; NaN segments draw nothing.
  void draw(VertexPath path = VertexPath::immediate);

  // Gives this body the picture in the bitmap file at path as a GL texture. With `shared`, a file
  // whose picture an earlier body got through it (the same unchanged file) is neither read nor
  // uploaded again: the body wears that texture, and one that went up is recorded there.
  // Otherwise the body gets a texture of its own: a missing file leaves it without an image, an
  // unreadable one is reported by the reader. Returns false only for a null path, which touches
  // no GL state.
  bool loadTexture(const char* path, SharedTextures* shared = nullptr);

  float radius = 1.0f;
  float speed = 1.0f;
  float segments = 60.0f;  // a float on purpose: loop bounds are compared against it exactly
  bool visible = false;
  // GL texture name, shared by bodies wearing the same file; 0 until loaded.
  unsigned textureId = 0;
  Vec3 position;
};

#endif
