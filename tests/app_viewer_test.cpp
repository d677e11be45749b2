// The frame, the resize handler, the scene set-up and the field, against the recording GL double.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/field.h"
#include "app/viewer.h"
#include "gl_double.h"
#include "tests/support/field_draws.h"

namespace {

using gldouble::call;

std::vector<std::string> frameStart() {
  return {call("glClear", GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT),
          call("glColor3f", 0.0f, 0.0f, 0.0f), call("glLoadIdentity"),
          call("glRotatef", 15.0f, 0.0f, 1.0f, 0.0f)};
}

void hideAll() {
  for (Body& body : bodies) body.setVisible(false);
}

// A body drawn as a single point, so its frame calls are short and show where it was drawn.
void placePoint(int i, Vec3 at, float speed) {
  bodies[i] = Body();
  bodies[i].segments = 3.0f;
  bodies[i].setPosition(at);
  bodies[i].setSpeed(speed);
  bodies[i].setVisible(true);
}

TEST(Frame, DrawsVisibleBodiesInOrderUnderTheirNamesAfterAdvancing) {
  hideAll();
  placePoint(0, Vec3(1, 2, -30), 4.0f);
  placePoint(7, Vec3(-3, 0, -30), 1.0f);
  placePoint(29, Vec3(0, 5, -30), 2.0f);
  bodies[7].setVisible(false);
  gldouble::reset();
  drawFrame();

  std::vector<std::string> expected = frameStart();
  const auto body = [&](unsigned name, float x, float y, float z) {
    const std::vector<std::string> part = {call("glPushName", name),
                                           call("glPushMatrix"),
                                           call("glColor3ub", 255, 255, 255),
                                           call("glBegin", GL_POINTS),
                                           call("glVertex3f", x, y, z),
                                           call("glEnd"),
                                           call("glPopMatrix"),
                                           call("glPopName")};
    expected.insert(expected.end(), part.begin(), part.end());
  };
  body(101, 1.0f, 2.0f, -26.0f);  // advanced by its speed before being drawn
  body(130, 0.0f, 5.0f, -28.0f);
  expected.push_back(call("glutSwapBuffers"));
  EXPECT_EQ(gldouble::calls(), expected);
  EXPECT_EQ(bodies[7].position.z, -30.0f);  // hidden: not moved
}

TEST(Frame, WithEveryBodyHiddenClearsSwapsAndMovesNothing) {
  hideAll();
  placePoint(3, Vec3(0, 0, -30), 2.0f);
  bodies[3].setVisible(false);
  gldouble::reset();
  drawFrame();
  std::vector<std::string> expected = frameStart();
  expected.push_back(call("glutSwapBuffers"));
  EXPECT_EQ(gldouble::calls(), expected);
  EXPECT_EQ(bodies[3].position.z, -30.0f);
}

TEST(Frame, IdleOnlyAsksForARedisplay) {
  onIdle();
  EXPECT_EQ(gldouble::calls(), std::vector<std::string>{call("glutPostRedisplay")});
}

TEST(Resize, SetsViewportAndProjectionAndStoresTheFloatRatio) {
  onResize(1000, 700);
  const double ratio = 1000.0 / 700.0;
  const std::vector<std::string> expected = {call("glViewport", 0, 0, 1000, 700),
                                             call("glMatrixMode", GL_PROJECTION),
                                             call("glLoadIdentity"),
                                             call("gluPerspective", 45.0, ratio, 0.2, 1000.0),
                                             call("glMatrixMode", GL_MODELVIEW),
                                             call("glLoadIdentity")};
  EXPECT_EQ(gldouble::calls(), expected);
  EXPECT_EQ(aspectRatio, static_cast<float>(ratio));
  EXPECT_NE(static_cast<double>(aspectRatio), ratio);  // the projection got the double, not it
}

TEST(Resize, ZeroHeightCountsAsOne) {
  onResize(640, 0);
  EXPECT_EQ(aspectRatio, 640.0f);
  ASSERT_EQ(gldouble::calls().size(), 6u);
  EXPECT_EQ(gldouble::calls()[0], call("glViewport", 0, 0, 640, 1));
  EXPECT_EQ(gldouble::calls()[3], call("gluPerspective", 45.0, 640.0, 0.2, 1000.0));
}

TEST(Scene, InitSetsStateThenFillsTheFieldThenEnablesDepth) {
  hideAll();
  gldouble::reset();
  initScene();
  const std::vector<std::string> header = {
      call("glClearColor", 0.0f, 0.0f, 0.0f, 0.0f),
      call("glMaterialfv", GL_FRONT, GL_AMBIENT, 1.0f, 1.0f, 1.0f, 1.0f),
      call("glMaterialfv", GL_FRONT, GL_SPECULAR, 1.0f, 1.0f, 1.0f, 1.0f),
      call("glMaterialfv", GL_FRONT, GL_EMISSION, 1.0f, 1.0f, 1.0f, 1.0f),
      call("glMaterialf", GL_FRONT, GL_SHININESS, 50.0f)};
  std::vector<std::string> expected = header;
  // No picture files where the unit tests run: each body still gets a texture name of its own.
  for (unsigned name = 1; name <= kBodyCount; ++name) {
    const std::vector<std::string> load = {
        call("glGenTextures", 1),
        call("glBindTexture", GL_TEXTURE_2D, name),
        call("glTexParameteri", GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR),
        call("glTexParameteri", GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR),
        call("glEnable", GL_TEXTURE_2D),
        call("glTexEnvi", GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE)};
    expected.insert(expected.end(), load.begin(), load.end());
  }
  expected.push_back(call("glEnable", GL_DEPTH_TEST));
  EXPECT_EQ(gldouble::calls(), expected);
  for (const Body& body : bodies) EXPECT_TRUE(body.isVisible());
}

TEST(BodyRecord, StartsHiddenWithDefaultsAndAdvancesBySpeed) {
  Body body;
  EXPECT_EQ(body.radius, 1.0f);
  EXPECT_EQ(body.speed, 1.0f);
  EXPECT_EQ(body.segments, 60.0f);
  EXPECT_FALSE(body.isVisible());
  EXPECT_EQ(body.textureId, 0u);
  EXPECT_EQ(body.position.z, 0.0f);

  body.setPosition(Vec3(0, 0, -30));
  body.setSpeed(4.0f);
  body.advance();
  EXPECT_EQ(body.position.z, -26.0f);
  for (int n = 0; n < 6; ++n) body.advance();
  EXPECT_EQ(body.position.z, -2.0f);
}

TEST(Field, FixedSeedDrawsZYXRadiusSpeedTextureInOrder) {
  std::srand(2024);
  populateField();
  const unsigned afterField = static_cast<unsigned>(std::rand());

  const std::vector<FieldDraw> draws = fieldDraws(2024);
  for (int i = 0; i < kBodyCount; ++i) {
    const Body& body = bodies[i];
    EXPECT_EQ(body.position.z, draws[i].z);
    EXPECT_EQ(body.position.y, draws[i].y);
    EXPECT_EQ(body.position.x, draws[i].x);
    EXPECT_EQ(body.radius, draws[i].radius);
    EXPECT_EQ(body.speed, draws[i].speed);
  }
  EXPECT_EQ(static_cast<unsigned>(std::rand()), afterField);  // six draws per body, no more
}

// The game places its field before its window opens and loads the pictures after: the same
// field, its numbers drawn once.
TEST(Field, PlacedBeforeItsPicturesTheFieldIsDrawnOnce) {
  std::srand(2024);
  placeField();
  populateField();
  const unsigned afterField = static_cast<unsigned>(std::rand());
  const std::vector<FieldDraw> draws = fieldDraws(2024);
  for (int i = 0; i < kBodyCount; ++i) {
    EXPECT_TRUE(bodies[i].isVisible());
    EXPECT_EQ(bodies[i].position.x, draws[i].x);
    EXPECT_EQ(bodies[i].speed, draws[i].speed);
    EXPECT_STREQ(placedPictures[i], textureFiles[draws[i].file]);
  }
  std::srand(2024);
  for (int n = 0; n < 6 * kBodyCount; ++n) std::rand();
  EXPECT_EQ(static_cast<unsigned>(std::rand()), afterField);
}

TEST(Field, EveryBodyStartsVisibleInThePlaneWithinItsRanges) {
  for (unsigned seed : {1u, 77u, 123456u}) {
    std::srand(seed);
    for (Body& body : bodies) body = Body();
    populateField();
    for (const Body& body : bodies) {
      EXPECT_TRUE(body.isVisible());
      EXPECT_EQ(body.position.z, -30.0f);
      EXPECT_GE(body.position.x, -30.0f);
      EXPECT_LE(body.position.x, 29.0f);
      EXPECT_GE(body.position.y, -30.0f);
      EXPECT_LE(body.position.y, 29.0f);
      EXPECT_TRUE(body.radius >= 1.0f && body.radius <= 4.0f &&
                  body.radius == std::floor(body.radius));
      EXPECT_TRUE(body.speed >= 1.0f && body.speed <= 4.0f && body.speed == std::floor(body.speed));
      EXPECT_EQ(body.segments, 60.0f);
    }
  }
}

TEST(Field, RandomOffsetCoversItsRangeAndDegenerateRangesGiveMinusThirty) {
  std::srand(5);
  bool sawLow = false, sawHigh = false;
  for (int n = 0; n < 5000; ++n) {
    const float v = randomOffset(60);
    ASSERT_TRUE(v >= -30.0f && v <= 29.0f) << v;
    sawLow |= v == -30.0f;
    sawHigh |= v == 29.0f;
  }
  EXPECT_TRUE(sawLow && sawHigh);

  for (int n : {1, 0, -5}) {
    std::srand(9);
    std::rand();
    const int next = std::rand();
    std::srand(9);
    EXPECT_EQ(randomOffset(n), -30.0f) << n;
    EXPECT_EQ(std::rand(), next) << "exactly one number drawn for n = " << n;
  }
}

}  // namespace
