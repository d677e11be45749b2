// GLUT's own loop on the real stack: after a right press the scene stands still between left
// presses, and each left press still clears a sphere, which is gone from the window at once.
// glutMainLoop can run only once per process, hence a test program of its own.
#include <GL/freeglut.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "app/field.h"
#include "app/picking.h"
#include "app/viewer.h"
#include "tests/support/gl_window.h"

namespace {

constexpr float kCrawl = 1.0f / 1024;  // slow enough to stay in view for thousands of frames

std::vector<float> depths() {
  std::vector<float> z;
  for (const Body& body : bodies) z.push_back(body.position.z);
  return z;
}

// Where the body will be once the pick pass has moved it.
void pressOver(const Body& body) {
  glwindow::pressOver(body.position.x, body.position.y, body.position.z + body.speed);
}

std::vector<float> frozen;

// Whether the last frame shown has anything but black where the body's centre now is.
bool shows(const Body& body) {
  const glwindow::Pixel p = glwindow::project(body.position.x, body.position.y, body.position.z);
  const unsigned char* rgb = glwindow::lastFrame().at(p.x, p.y);
  return rgb[0] + rgb[1] + rgb[2] > 0;
}

// The script, one step per timer tick, run from inside glutMainLoop.
void step(int n) {
  switch (n) {
    case 0:
      EXPECT_GT(bodies[0].position.z, -30.0f) << "the idle callback keeps frames coming";
      onMouse(GLUT_RIGHT_BUTTON, GLUT_DOWN, 5, 5);
      break;
    case 1:  // a redisplay already asked for may still have run; from here on nothing moves
      frozen = depths();
      break;
    case 2: {
      EXPECT_EQ(depths(), frozen);
      EXPECT_TRUE(shows(bodies[0]) && shows(bodies[1]));
      const int swaps = glwindow::lastFrame().swaps;
      pressOver(bodies[0]);
      EXPECT_FALSE(bodies[0].isVisible());
      EXPECT_EQ(bodies[1].position.z, frozen[1] + kCrawl);
      EXPECT_EQ(glwindow::lastFrame().swaps, swaps + 1) << "the press shows the frozen scene";
      EXPECT_FALSE(shows(bodies[0]));
      EXPECT_TRUE(shows(bodies[1]));
      frozen = depths();
      break;
    }
    case 3:
      EXPECT_EQ(depths(), frozen);
      pressOver(bodies[1]);
      EXPECT_FALSE(bodies[1].isVisible());
      glutLeaveMainLoop();
      return;
  }
  glutTimerFunc(300, step, n + 1);
}

TEST(FrozenScene, StandsStillBetweenLeftPressesAfterARightPress) {
  ASSERT_TRUE(glwindow::open());
  glutSetOption(GLUT_ACTION_ON_WINDOW_CLOSE, GLUT_ACTION_GLUTMAINLOOP_RETURNS);
  std::srand(3);
  initScene();
  onResize(glwindow::kWidth, glwindow::kHeight);
  for (Body& body : bodies) body.setVisible(false);
  const Vec3 places[] = {Vec3(0, 0, -30), Vec3(10, 5, -30)};
  for (int i = 0; i < 2; ++i) {
    bodies[i].setPosition(places[i]);
    bodies[i].setRadius(3.0f);
    bodies[i].setSpeed(kCrawl);
    bodies[i].setVisible(true);
  }
  glutDisplayFunc(drawFrame);
  glutReshapeFunc(onResize);
  glutMouseFunc(onMouse);
  glutIdleFunc(onIdle);
  glutTimerFunc(300, step, 0);
  glutMainLoop();
  EXPECT_FALSE(bodies[0].isVisible());
  EXPECT_FALSE(bodies[1].isVisible());
}

}  // namespace
