// The web's GL library without a browser: selection's clipping and records, and what reaches the
// renderer, which this test provides itself (the library's renderer is a link seam).
#include <GL/gl.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <vector>

#include "platform/webgl/webgl.h"

namespace webgl {

// A renderer that remembers the draws and clears.
struct Drawn {
  int count;
  unsigned texture;
};
std::vector<Drawn> drawn;
int clears = 0;
unsigned lastName = 0;

void renderDraw(const Batch& batch, const DrawState& state) {
  drawn.push_back({batch.count, state.texture});
}
void renderClear(unsigned) {
  ++clears;
}
void renderClearColor(float, float, float, float) {}
void renderViewport(int, int, int, int) {}
void renderEnable(unsigned, bool) {}
void renderUnpackAlignment(int) {}
unsigned renderNewTexture() {
  return ++lastName;
}
void renderBindTexture(unsigned) {}
void renderTexParameter(unsigned, int) {}
bool renderTexImage(int, int, unsigned, unsigned, const void*) {
  return true;
}
int renderMaxTextureSize() {
  return 4096;
}
void renderGetIntegerv(unsigned, int* values) {
  values[0] = 0;
}

}  // namespace webgl

namespace {

using Corners = std::vector<std::vector<float>>;

void send(GLenum mode, const Corners& corners) {
  glBegin(mode);
  for (const auto& v : corners) glVertex3f(v[0], v[1], v[2]);
  glEnd();
}

// Selects one triangle under identity matrices (the clip volume is the cube -1..1) and returns
// the buffer: empty when it missed, else {names, min depth, max depth, name}.
std::vector<GLuint> select(const Corners& corners) {
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  GLuint buffer[8] = {};
  glSelectBuffer(8, buffer);
  glRenderMode(GL_SELECT);
  glPushName(5);
  send(GL_TRIANGLES, corners);
  glPopName();
  const GLint hits = glRenderMode(GL_RENDER);
  return hits == 1 ? std::vector<GLuint>(buffer, buffer + 4) : std::vector<GLuint>();
}

TEST(WebGLSelection, ClipsEachTriangleToTheVolumeBeforeCallingItAHit) {
  const GLuint half = 0x80000000u;  // window depth 0.5, from z = 0
  EXPECT_EQ(select({{-0.5f, -0.5f, 0}, {0.5f, -0.5f, 0}, {0, 0.5f, 0}}),
            (std::vector<GLuint>{1, half, half, 5}));
  EXPECT_TRUE(select({{1.5f, -0.5f, 0}, {2.5f, -0.5f, 0}, {2, 0.5f, 0}}).empty());
  // Every corner outside some plane, yet the triangle covers the whole volume.
  EXPECT_EQ(select({{-9, -9, 0}, {9, -9, 0}, {0, 9, 0}}).size(), 4u);
  // Every corner outside, no plane common to all, and the triangle passes beside the volume.
  EXPECT_TRUE(select({{-3, 0.9f, 0}, {0.9f, 3, 0}, {-3, 3, 0}}).empty());
  // Through the near plane: the part in front is kept, and its depth starts at the plane.
  const std::vector<GLuint> near = select({{-0.5f, -0.5f, -3}, {0.5f, -0.5f, 0}, {0, 0.5f, 0}});
  ASSERT_EQ(near.size(), 4u);
  EXPECT_EQ(near[1], 0u);
  EXPECT_EQ(near[2], half);
}

TEST(WebGLSelection, KeepsSixtyFourNamesAndSurvivesUnbalancedStackCalls) {
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

TEST(WebGLRenderer, GetsOnlyBatchesThatCanReachAPixelWithTheirTexture) {
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  gluPerspective(45, 4.0 / 3.0, 0.2, 1000);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  webgl::drawn.clear();
  send(GL_TRIANGLE_STRIP, {{-1, -1, 5}, {1, -1, 5}, {-1, 1, 5}, {1, 1, 5}});        // behind
  send(GL_TRIANGLE_STRIP, {{99, -1, -5}, {99, 1, -5}, {90, -1, -5}, {90, 1, -5}});  // right
  send(GL_TRIANGLE_STRIP, {{-1, -1, -5}, {1, -1, -5}, {-1, 1, 8}, {1, 1, 8}});      // partly
  ASSERT_EQ(webgl::drawn.size(), 1u);
  EXPECT_EQ(webgl::drawn[0].count, 4);

  // The bound texture only when it can be sampled; else 0, which the renderer draws white.
  GLuint names[3];
  glGenTextures(3, names);
  const unsigned char pixels[3 * 4] = {};
  glBindTexture(GL_TEXTURE_2D, names[0]);  // no image
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glEnable(GL_TEXTURE_2D);
  send(GL_POINTS, {{0, 0, -5}});
  glBindTexture(GL_TEXTURE_2D, names[1]);  // an image, but the default filter wants mipmaps
  glTexImage2D(GL_TEXTURE_2D, 0, 3, 2, 2, 0, GL_RGB, GL_UNSIGNED_BYTE, pixels);
  send(GL_POINTS, {{0, 0, -5}});
  glBindTexture(GL_TEXTURE_2D, names[2]);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glTexImage2D(GL_TEXTURE_2D, 0, 3, 2, 2, 0, GL_RGB, GL_UNSIGNED_BYTE, pixels);
  send(GL_POINTS, {{0, 0, -5}});
  glDisable(GL_TEXTURE_2D);
  send(GL_POINTS, {{0, 0, -5}});
  ASSERT_EQ(webgl::drawn.size(), 5u);
  EXPECT_EQ(webgl::drawn[1].texture, 0u);
  EXPECT_EQ(webgl::drawn[2].texture, 0u);
  EXPECT_EQ(webgl::drawn[3].texture, names[2]);
  EXPECT_EQ(webgl::drawn[4].texture, 0u);

  // Selection reaches no pixel, clears included.
  GLuint buffer[4];
  glSelectBuffer(4, buffer);
  glRenderMode(GL_SELECT);
  const int clears = webgl::clears;
  glClear(GL_COLOR_BUFFER_BIT);
  send(GL_POINTS, {{0, 0, -5}});
  glRenderMode(GL_RENDER);
  EXPECT_EQ(webgl::clears, clears);
  EXPECT_EQ(webgl::drawn.size(), 5u);
}

TEST(WebGLTextures, TheProxyAnswersFromTheLargestSide) {
  GLint width = -1;
  glTexImage2D(GL_PROXY_TEXTURE_2D, 0, 3, 4096, 2048, 0, GL_RGB, GL_UNSIGNED_BYTE, nullptr);
  glGetTexLevelParameteriv(GL_PROXY_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
  EXPECT_EQ(width, 4096);
  glTexImage2D(GL_PROXY_TEXTURE_2D, 0, 3, 4097, 16, 0, GL_RGB, GL_UNSIGNED_BYTE, nullptr);
  glGetTexLevelParameteriv(GL_PROXY_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
  EXPECT_EQ(width, 0);
}

}  // namespace
