#include "tests/support/reference_sphere.h"

#include <GL/freeglut.h>
#include <GL/gl.h>

#include <cmath>

#include "app/field.h"

namespace {

constexpr float kTwoPi = 6.2831855f;
constexpr float kHalfPi = 1.5707964f;

float sinOf(float angle) {
  return static_cast<float>(std::sin(static_cast<double>(angle)));
}
float cosOf(float angle) {
  return static_cast<float>(std::cos(static_cast<double>(angle)));
}

void vertexAt(float phi, float lambda, float s, float t, float r, const Vec3& p) {
  const float nx = cosOf(phi) * cosOf(lambda);
  const float ny = sinOf(phi);
  const float nz = cosOf(phi) * sinOf(lambda);
  glNormal3f(nx, ny, nz);
  glTexCoord2f(s, t);
  glVertex3f(static_cast<float>(static_cast<double>(r) * nx + p.x),
             static_cast<float>(static_cast<double>(r) * ny + p.y),
             static_cast<float>(static_cast<double>(r) * nz + p.z));
}

}  // namespace

void referenceDraw(Body& body) {
  if (body.radius < 0) body.radius = -body.radius;
  if (body.segments < 0) body.segments = -body.segments;
  const Vec3 p = body.position;
  if (body.segments < 4 || body.radius <= 0 || body.segments > Body::kMaxSegments) {
    glBegin(GL_POINTS);
    glVertex3f(p.x, p.y, p.z);
    glEnd();
    return;
  }
  const float S = body.segments;
  const float r = body.radius;
  for (int i = 0; i < S / 2.0; ++i) {
    const float phi0 = static_cast<float>(i * static_cast<double>(kTwoPi) / S - kHalfPi);
    const float phi1 = static_cast<float>((i + 1) * static_cast<double>(kTwoPi) / S - kHalfPi);
    glBindTexture(GL_TEXTURE_2D, body.textureId);
    glBegin(GL_TRIANGLE_STRIP);
    for (int j = 0; j <= static_cast<double>(S); ++j) {
      const float lambda = static_cast<float>(j * static_cast<double>(kTwoPi) / S);
      const float s = static_cast<float>(-(j / static_cast<double>(S)));
      vertexAt(phi1, lambda, s, static_cast<float>((2.0 * i + 2) / S), r, p);
      vertexAt(phi0, lambda, s, static_cast<float>(2.0 * i / S), r, p);
    }
    glEnd();
  }
}

void referenceFrame() {
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glColor3f(0.0f, 0.0f, 0.0f);
  glLoadIdentity();
  glRotatef(15.0f, 0.0f, 1.0f, 0.0f);
  for (int i = 0; i < kBodyCount; ++i) {
    if (!bodies[i].isVisible()) continue;
    glPushName(kFirstName + i);
    glPushMatrix();
    glColor3ub(255, 255, 255);
    bodies[i].advance();
    referenceDraw(bodies[i]);
    glPopMatrix();
    glPopName();
  }
  glutSwapBuffers();
}
