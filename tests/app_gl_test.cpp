// The viewer on the real freeglut + Mesa stack: frames are read back from the window.
#include <gtest/gtest.h>

#include <cstdlib>

#include "app/field.h"
#include "app/viewer.h"
#include "gl_window.h"

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

}  // namespace
