// The viewer on the real freeglut + Mesa stack: frames are read back from the window.
#include <GL/freeglut.h>
#include <gtest/gtest.h>

#include <cstdlib>

#include "app/field.h"
#include "app/picking.h"
#include "app/viewer.h"
#include "tests/support/gl_window.h"

namespace {

using glwindow::lastFrame;
using glwindow::project;

class RealFrame : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(glwindow::open());
    std::srand(7);
    initScene();
    onResize(glwindow::kWidth, glwindow::kHeight);
    for (Body& body : bodies) body.setVisible(false);
  }

  static void place(int i, Vec3 at, float radius, float speed) {
    bodies[i].setPosition(at);
    bodies[i].setRadius(radius);
    bodies[i].setSpeed(speed);
    bodies[i].setVisible(true);
  }

  static bool whiteAt(glwindow::Pixel p) {
    const unsigned char* rgb = lastFrame().at(p.x, p.y);
    return rgb[0] == 255 && rgb[1] == 255 && rgb[2] == 255;
  }
};

TEST_F(RealFrame, EveryBodyHiddenGivesABlackFrameAndNothingMoves) {
  const int swapsBefore = lastFrame().swaps;
  drawFrame();
  EXPECT_EQ(lastFrame().swaps, swapsBefore + 1);
  EXPECT_TRUE(lastFrame().isBlack());
  for (const Body& body : bodies) EXPECT_EQ(body.position.z, -30.0f);
}

TEST_F(RealFrame, AVisibleBodyCoversItsProjectedCentreAndAHiddenOneDoesNot) {
  place(4, Vec3(5, -3, -30), 2.0f, 1.0f);
  place(9, Vec3(-12, 6, -30), 2.0f, 1.0f);
  bodies[9].setVisible(false);
  drawFrame();
  EXPECT_EQ(bodies[4].position.z, -29.0f);  // moved once, then drawn where it now is
  EXPECT_TRUE(whiteAt(project(5, -3, -29)));
  EXPECT_FALSE(whiteAt(project(-12, 6, -30)));
  EXPECT_FALSE(whiteAt({0, 0}));  // the background stays black
  EXPECT_FALSE(whiteAt({glwindow::kWidth - 1, glwindow::kHeight - 1}));
}

TEST_F(RealFrame, TheSeededFieldShowsEveryBodyWhereTheProjectionPutsIt) {
  std::srand(11);
  populateField();
  drawFrame();
  int inView = 0;
  for (const Body& body : bodies) {
    const glwindow::Pixel p = project(body.position.x, body.position.y, body.position.z);
    if (p.x < 0 || p.y < 0 || p.x >= glwindow::kWidth || p.y >= glwindow::kHeight) continue;
    ++inView;
    EXPECT_TRUE(whiteAt(p)) << body.position.x << ", " << body.position.y;
  }
  EXPECT_GT(inView, 0);
}

using PickOnScreen = RealFrame;

TEST_F(PickOnScreen, APressOverABodyHidesItAndEveryBodyStepsOnce) {
  place(5, Vec3(4, 2, -31), 2.0f, 1.0f);
  place(6, Vec3(-14, -6, -31), 2.0f, 2.0f);
  glwindow::pressOver(4, 2, -30);  // where body 5 is once the pass has moved it
  EXPECT_FALSE(bodies[5].isVisible());
  EXPECT_TRUE(bodies[6].isVisible());
  EXPECT_EQ(bodies[6].position.z, -29.0f);
  glwindow::pressOver(4, 2, -29);  // a hidden body is never hit again, nor moved
  EXPECT_TRUE(bodies[6].isVisible());
  EXPECT_EQ(bodies[5].position.z, -30.0f);
  EXPECT_EQ(bodies[6].position.z, -27.0f);
}

TEST_F(PickOnScreen, APressOnEmptySkyHidesNothing) {
  place(2, Vec3(0, 0, -31), 2.0f, 1.0f);
  place(3, Vec3(10, 5, -31), 1.0f, 3.0f);
  onMouse(GLUT_LEFT_BUTTON, GLUT_DOWN, 1, 1);
  EXPECT_TRUE(bodies[2].isVisible());
  EXPECT_TRUE(bodies[3].isVisible());
  EXPECT_EQ(bodies[2].position.z, -30.0f);
  EXPECT_EQ(bodies[3].position.z, -28.0f);
}

TEST_F(PickOnScreen, OfOverlappingBodiesTheLowerNumberedGoesEvenWhenBehind) {
  place(3, Vec3(2, 1, -41), 2.0f, 1.0f);     // behind, at (2, 1, -40) when drawn
  place(7, Vec3(1, 0.5f, -21), 1.0f, 1.0f);  // in front on the same line of sight
  glwindow::pressOver(2, 1, -40);
  EXPECT_FALSE(bodies[3].isVisible());
  EXPECT_TRUE(bodies[7].isVisible());
}

TEST_F(PickOnScreen, TwentyBodiesUnderTheCursorStillGiveAHit) {
  for (int i = 5; i < 25; ++i) {
    const float scale = 1.0f + 0.1f * static_cast<float>(i);  // further back for higher numbers
    place(i, Vec3(-3 * scale, 2 * scale, -20 * scale - 1), 1.0f, 1.0f);
  }
  glwindow::pressOver(-3, 2, -20);
  EXPECT_FALSE(bodies[5].isVisible());
  for (int i = 6; i < 25; ++i) EXPECT_TRUE(bodies[i].isVisible()) << i;
}
}  // namespace
