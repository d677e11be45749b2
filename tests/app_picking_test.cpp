// The mouse handler, the pick pass and hit decoding, against the recording GL double.
#include <GL/freeglut.h>
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/field.h"
#include "app/picking.h"
#include "app/viewer.h"
#include "gl_double.h"

namespace {

using gldouble::call;

// Thirty visible point bodies, so a frame is short.
void showAll() {
  for (Body& body : bodies) {
    body = Body();
    body.segments = 3.0f;
    body.setVisible(true);
  }
}

int hiddenCount() {
  return static_cast<int>(std::count_if(std::begin(bodies), std::end(bodies),
                                        [](const Body& b) { return !b.isVisible(); }));
}

// Selection hands back these records: each one name at the given depth.
void hitsReturned(int hits, std::vector<unsigned> names) {
  gldouble::State& s = gldouble::state();
  s.hits = hits;
  for (unsigned name : names) s.records.insert(s.records.end(), {1u, 10u, 20u, name});
}

TEST(PickPass, SetsUpSelectionAroundTheCursorRunsTheFrameAndRestores) {
  showAll();
  aspectRatio = 4.0f / 3.0f;
  gldouble::reset();
  gldouble::state().viewport[3] = 700;
  pickAt(300, 200);

  const auto& calls = gldouble::calls();
  const std::vector<std::string> before = {
      call("glSelectBuffer", 120),
      call("glGetIntegerv", GL_VIEWPORT),
      call("glMatrixMode", GL_PROJECTION),
      call("glPushMatrix"),
      call("glRenderMode", GL_SELECT),
      call("glLoadIdentity"),
      call("gluPickMatrix", 300.0, 500.0, 2.0, 2.0, 0, 0, 1024, 700),
      call("gluPerspective", 45.0, static_cast<double>(4.0f / 3.0f), 0.20000000298023224, 1000.0),
      call("glMatrixMode", GL_MODELVIEW),
      call("glPushClientAttrib", GL_CLIENT_VERTEX_ARRAY_BIT),
      call("glClear", GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT)};
  const std::vector<std::string> after = {call("glutSwapBuffers"),
                                          call("glPopClientAttrib"),
                                          call("glRenderMode", GL_RENDER),
                                          call("glMatrixMode", GL_PROJECTION),
                                          call("glPopMatrix"),
                                          call("glMatrixMode", GL_MODELVIEW)};
  ASSERT_GT(calls.size(), before.size() + after.size());
  EXPECT_TRUE(std::equal(before.begin(), before.end(), calls.begin()));
  EXPECT_TRUE(std::equal(after.begin(), after.end(), calls.end() - after.size()));
  EXPECT_EQ(std::count(calls.begin(), calls.end(), call("glPushName", 101)), 1);
  EXPECT_EQ(std::count(calls.begin(), calls.end(), call("glPushName", 130)), 1);
  EXPECT_NE(gldouble::state().selectBuffer, nullptr);
  EXPECT_EQ(bodies[0].position.z, 1.0f);  // the pass is also one step of the animation
}

// The frame's calls with each strip or point reduced to its mode and vertices, however it was sent.
std::vector<std::string> geometry(const std::vector<std::string>& calls) {
  std::vector<std::string> kept;
  for (const std::string& line : calls) {
    if (line.rfind("glInterleavedArrays(", 0) == 0 || line == call("glEnd")) continue;
    if (line.rfind("glDrawArrays(", 0) == 0) {
      kept.push_back(call("glBegin", std::stoi(line.substr(13))));
    } else {
      kept.push_back(line);
    }
  }
  return kept;
}

// The pick pass sends its spheres from client arrays (selection mode keeps no copy of those), but
// they must be the very vertices of the displayed frame, while that frame stays vertex by vertex.
TEST(PickPass, SendsTheDisplayedFramesVerticesFromArrays) {
  std::vector<std::string> frames[2];
  for (bool pick : {false, true}) {
    showAll();
    for (int i = 0; i < kBodyCount; ++i) {
      bodies[i].segments = i % 2 == 0 ? 6.0f : 2.0f;  // spheres and points alike
      bodies[i].position = Vec3(static_cast<float>(i) * 0.37f, -1.5f, -20.0f);
    }
    gldouble::reset();
    if (pick) {
      pickAt(10, 10);
    } else {
      drawFrame();
    }
    const auto& calls = gldouble::calls();
    const auto first = std::find(calls.begin(), calls.end(),
                                 call("glClear", GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT));
    const auto last = std::find(calls.begin(), calls.end(), call("glutSwapBuffers"));
    frames[pick].assign(first, last + 1);
  }
  EXPECT_EQ(std::count(frames[0].begin(), frames[0].end(), call("glBegin", GL_TRIANGLE_STRIP)), 45);
  EXPECT_EQ(std::count(frames[1].begin(), frames[1].end(), call("glBegin", GL_TRIANGLE_STRIP)), 0);
  EXPECT_EQ(geometry(frames[1]), geometry(frames[0]));
}

TEST(PickPass, HidesTheBodyOfTheFirstRecordOnly) {
  showAll();
  gldouble::reset();
  hitsReturned(3, {110, 103, 125});
  pickAt(10, 10);
  EXPECT_FALSE(bodies[9].isVisible());
  EXPECT_EQ(hiddenCount(), 1);
}

TEST(PickPass, NoHitOrAFailedSelectionHidesNothing) {
  for (int hits : {0, -1}) {
    showAll();
    gldouble::reset();
    hitsReturned(hits, {105});
    pickAt(10, 10);
    EXPECT_EQ(hiddenCount(), 0) << hits;
    EXPECT_EQ(bodies[4].position.z, 1.0f);
  }
}

TEST(PickPass, EveryBodyUnderTheCursorFitsTheSelectionBuffer) {
  showAll();
  gldouble::reset();
  pickAt(0, 0);
  EXPECT_GE(gldouble::state().selectSize, kBodyCount * 4);
}

TEST(HitDecoding, NamesOutsideTheBodiesAreIgnored) {
  for (unsigned name : {0u, 100u, 131u, 4000000000u}) {
    showAll();
    const unsigned record[] = {1, 0, 0, name};
    hideHit(record);
    EXPECT_EQ(hiddenCount(), 0) << name;
  }
  showAll();
  const unsigned first[] = {1, 0, 0, 101};
  const unsigned last[] = {1, 0, 0, 130};
  hideHit(first);
  hideHit(last);
  EXPECT_FALSE(bodies[0].isVisible());
  EXPECT_FALSE(bodies[29].isVisible());
  EXPECT_EQ(hiddenCount(), 2);
}

TEST(Mouse, OnlyPressesOfTheThreeButtonsDoAnything) {
  for (int button : {-1, 0, 1, 2, 3, 4, 7}) {
    for (int state : {GLUT_DOWN, GLUT_UP}) {
      SCOPED_TRACE(::testing::Message() << "button " << button << ", state " << state);
      showAll();
      gldouble::reset();
      onMouse(button, state, 5, 5);
      const auto& calls = gldouble::calls();
      if (state == GLUT_DOWN && button == GLUT_LEFT_BUTTON) {
        ASSERT_FALSE(calls.empty());
        EXPECT_EQ(calls.front(), call("glSelectBuffer", 120));
      } else if (state == GLUT_DOWN &&
                 (button == GLUT_MIDDLE_BUTTON || button == GLUT_RIGHT_BUTTON)) {
        EXPECT_EQ(calls, std::vector<std::string>{call("glutIdleFunc", "null")});
      } else {
        EXPECT_TRUE(calls.empty());
      }
    }
  }
}

// Running, the next frame shows a press's result; frozen, none comes, so the press shows the scene
// itself: the cleared body gone, the rest drawn where the pass moved them, nothing moved twice.
TEST(Mouse, ALeftPressShowsAFrozenSceneOnceMovedOneStep) {
  for (bool frozen : {false, true}) {
    SCOPED_TRACE(frozen ? "frozen" : "running");
    showAll();
    if (frozen) onMouse(GLUT_RIGHT_BUTTON, GLUT_DOWN, 1, 1);
    gldouble::reset();
    hitsReturned(1, {101});
    onMouse(GLUT_LEFT_BUTTON, GLUT_DOWN, 1, 1);
    const auto& calls = gldouble::calls();
    const auto shown = std::find(calls.begin(), calls.end(), call("glRenderMode", GL_RENDER));
    ASSERT_NE(shown, calls.end());
    EXPECT_EQ(std::count(shown, calls.end(), call("glutSwapBuffers")), frozen ? 1 : 0);
    EXPECT_EQ(std::count(shown, calls.end(), call("glPushName", 101)), 0);
    EXPECT_EQ(std::count(shown, calls.end(), call("glPushName", 102)), frozen ? 1 : 0);
    EXPECT_FALSE(bodies[0].isVisible());
    EXPECT_EQ(bodies[1].position.z, 1.0f);
  }
}

TEST(Mouse, ARightPressRemovesTheIdleCallbackForGood) {
  showAll();
  gldouble::reset();
  gldouble::state().idle = onIdle;
  onMouse(GLUT_RIGHT_BUTTON, GLUT_DOWN, 1, 1);
  EXPECT_EQ(gldouble::state().idle, nullptr);
  onMouse(GLUT_LEFT_BUTTON, GLUT_DOWN, 1, 1);
  onMouse(GLUT_RIGHT_BUTTON, GLUT_UP, 1, 1);
  onMouse(GLUT_MIDDLE_BUTTON, GLUT_DOWN, 1, 1);
  onResize(800, 600);
  drawFrame();
  onIdle();
  EXPECT_EQ(gldouble::state().idle, nullptr);
  const auto& calls = gldouble::calls();
  EXPECT_EQ(std::count(calls.begin(), calls.end(), call("glutIdleFunc", "set")), 0);
}

}  // namespace
