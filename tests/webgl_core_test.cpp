// The web's GL library without a browser: selection's clipping and records, and what reaches the
// renderer, here the native one, which counts what it is sent (webgl::nullRendered). The cases
// share the library's one context and run in any order, so each starts from a fresh one.
#include <GL/gl.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <vector>

#include "platform/webgl/webgl.h"

namespace {

class FreshContext : public ::testing::Test {
 protected:
  void SetUp() override { webgl::resetContext(); }
};
using WebGLSelection = FreshContext;
using WebGLRenderer = FreshContext;
using WebGLTextures = FreshContext;

using Corners = std::vector<std::vector<float>>;

void send(GLenum mode, const Corners& corners) {
  glBegin(mode);
  for (const auto& v : corners) glVertex3f(v[0], v[1], v[2]);
  glEnd();
}

// Selects one triangle under the current matrices (a fresh context's are the identity: the clip
// volume is the cube -1..1) and returns the buffer: empty when it missed, else {names, min depth,
// max depth, name}.
std::vector<GLuint> select(const Corners& corners) {
  GLuint buffer[8] = {};
  glSelectBuffer(8, buffer);
  glRenderMode(GL_SELECT);
  glPushName(5);
  send(GL_TRIANGLES, corners);
  glPopName();
  const GLint hits = glRenderMode(GL_RENDER);
  return hits == 1 ? std::vector<GLuint>(buffer, buffer + 4) : std::vector<GLuint>();
}

TEST_F(WebGLSelection, ClipsEachTriangleToTheVolumeBeforeCallingItAHit) {
  const GLuint half = 0x80000000u;  // window depth 0.5, from z = 0
  EXPECT_EQ(select({{-0.5f, -0.5f, 0}, {0.5f, -0.5f, 0}, {0, 0.5f, 0}}),
            (std::vector<GLuint>{1, half, half, 5}));
  EXPECT_TRUE(select({{1.5f, -0.5f, 0}, {2.5f, -0.5f, 0}, {2, 0.5f, 0}}).empty());
  // Every corner outside some plane, yet the triangle covers the whole volume.
  EXPECT_EQ(select({{-9, -9, 0}, {9, -9, 0}, {0, 9, 0}}).size(), 4u);
  // Every corner outside, no plane common to all, and the triangle passes beside the volume.
  EXPECT_TRUE(select({{-3, 0.9f, 0}, {0.9f, 3, 0}, {-3, 3, 0}}).empty());
}

// Through the near plane under a perspective (near 1, far 10). Two corners behind the eye: only
// the part in front is kept, from the plane (depth 0) to the far corner (depth 8/9 at z -5); taken
// whole, the corners behind the eye would land beyond the far plane, the maximum at 1. And a
// triangle that comes within the sides only nearer than the near plane misses.
TEST_F(WebGLSelection, KeepsOnlyWhatLiesBeyondTheNearPlane) {
  glMatrixMode(GL_PROJECTION);
  gluPerspective(90, 1, 1, 10);
  glMatrixMode(GL_MODELVIEW);
  const std::vector<GLuint> behind = select({{0, 1, -5}, {-1, -1, 1}, {1, -1, 1}});
  ASSERT_EQ(behind.size(), 4u);
  EXPECT_NEAR(behind[1] / 4294967296.0, 0.0, 1e-6);
  EXPECT_NEAR(behind[2] / 4294967296.0, 8.0 / 9, 1e-6);
  EXPECT_TRUE(select({{20, 0, -5}, {0, -0.1f, -0.5f}, {0, 0.1f, -0.5f}}).empty());
}

TEST_F(WebGLSelection, KeepsSixtyFourNamesAndSurvivesUnbalancedStackCalls) {
  GLuint buffer[80] = {};
  glSelectBuffer(80, buffer);
  glRenderMode(GL_SELECT);
  glPopName();    // on an empty stack: ignored
  glLoadName(3);  // likewise
  for (GLuint n = 1; n <= 70; ++n) glPushName(n);
  send(GL_POINTS, {{0, 0, 0}});
  EXPECT_EQ(glRenderMode(GL_RENDER), 1);
  EXPECT_EQ(buffer[0], 64u);
  EXPECT_EQ(buffer[3 + 63], 64u);
}

TEST_F(WebGLRenderer, GetsOnlyBatchesThatCanReachAPixelWithTheirTexture) {
  const webgl::NullRendered& drawn = webgl::nullRendered();
  glMatrixMode(GL_PROJECTION);
  gluPerspective(45, 4.0 / 3.0, 0.2, 1000);
  glMatrixMode(GL_MODELVIEW);
  send(GL_TRIANGLE_STRIP, {{-1, -1, 5}, {1, -1, 5}, {-1, 1, 5}, {1, 1, 5}});        // behind
  send(GL_TRIANGLE_STRIP, {{99, -1, -5}, {99, 1, -5}, {90, -1, -5}, {90, 1, -5}});  // right
  send(GL_TRIANGLE_STRIP, {{-1, -1, -5}, {1, -1, -5}, {-1, 1, 8}, {1, 1, 8}});      // partly
  EXPECT_EQ(drawn.draws, 1);
  EXPECT_EQ(drawn.lastCount, 4);
  // Primitives the game never sends are not drawn.
  send(GL_QUADS, {{-1, -1, -5}, {1, -1, -5}, {1, 1, -5}, {-1, 1, -5}});
  EXPECT_EQ(drawn.draws, 1);

  // The bound texture only when it can be sampled; else 0, which the renderer draws white.
  GLuint names[3];
  glGenTextures(3, names);
  const unsigned char pixels[3 * 4] = {};
  const auto textureDrawn = [&drawn]() {
    send(GL_POINTS, {{0, 0, -5}});
    return drawn.lastTexture;
  };
  glBindTexture(GL_TEXTURE_2D, names[0]);  // no image
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glEnable(GL_TEXTURE_2D);
  EXPECT_EQ(textureDrawn(), 0u);
  glBindTexture(GL_TEXTURE_2D, names[1]);  // an image, but the default filter wants mipmaps
  glTexImage2D(GL_TEXTURE_2D, 0, 3, 2, 2, 0, GL_RGB, GL_UNSIGNED_BYTE, pixels);
  EXPECT_EQ(textureDrawn(), 0u);
  glBindTexture(GL_TEXTURE_2D, names[2]);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glTexImage2D(GL_TEXTURE_2D, 0, 3, 2, 2, 0, GL_RGB, GL_UNSIGNED_BYTE, pixels);
  EXPECT_EQ(textureDrawn(), names[2]);
  glDisable(GL_TEXTURE_2D);
  EXPECT_EQ(textureDrawn(), 0u);
  EXPECT_EQ(drawn.draws, 5);

  // Selection reaches no pixel, clears included.
  GLuint buffer[4];
  glSelectBuffer(4, buffer);
  glRenderMode(GL_SELECT);
  glClear(GL_COLOR_BUFFER_BIT);
  send(GL_POINTS, {{0, 0, -5}});
  glRenderMode(GL_RENDER);
  EXPECT_EQ(drawn.clears, 0);
  EXPECT_EQ(drawn.draws, 5);
}

// The native renderer's limit is 16384, Mesa's.
TEST_F(WebGLTextures, TheProxyAnswersFromTheLargestSide) {
  GLint width = -1;
  glTexImage2D(GL_PROXY_TEXTURE_2D, 0, 3, 16384, 2048, 0, GL_RGB, GL_UNSIGNED_BYTE, nullptr);
  glGetTexLevelParameteriv(GL_PROXY_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
  EXPECT_EQ(width, 16384);
  glTexImage2D(GL_PROXY_TEXTURE_2D, 0, 3, 16385, 16, 0, GL_RGB, GL_UNSIGNED_BYTE, nullptr);
  glGetTexLevelParameteriv(GL_PROXY_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
  EXPECT_EQ(width, 0);
}

}  // namespace
