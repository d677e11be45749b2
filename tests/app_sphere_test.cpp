// Body::draw against the recording GL double: structure, edge cases and exact bits.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "app/body.h"
#include "gl_double.h"
#include "tests/support/reference_sphere.h"

namespace {

using gldouble::call;

struct Vertex {
  std::string normal, tex, position;
};
using Strip = std::vector<Vertex>;

Body makeBody(float segments, float radius = 1.0f, Vec3 position = Vec3(0, 0, 0)) {
  Body body;
  body.segments = segments;
  body.radius = radius;
  body.position = position;
  body.textureId = 7;
  return body;
}

std::vector<std::string> drawn(Body& body) {
  gldouble::reset();
  body.draw();
  return std::move(gldouble::state().calls);
}

// Splits a sphere's calls into strips, checking that each is bind, begin, normal/tex/vertex
// triples, end. A log cut short fails the test where it ends instead of being read past.
std::vector<Strip> strips(const std::vector<std::string>& calls, unsigned texture = 7) {
  std::vector<Strip> result;
  size_t at = 0;
  const auto next = [&]() -> std::string {
    if (at < calls.size()) return calls[at++];
    ADD_FAILURE() << "the call log ends after " << calls.size() << " calls, inside a strip";
    return "";
  };
  while (at < calls.size()) {
    EXPECT_EQ(next(), call("glBindTexture", GL_TEXTURE_2D, texture));
    EXPECT_EQ(next(), call("glBegin", GL_TRIANGLE_STRIP));
    Strip strip;
    while (at + 2 < calls.size() && calls[at].rfind("glNormal3f(", 0) == 0) {
      EXPECT_EQ(calls[at + 1].rfind("glTexCoord2f(", 0), 0u);
      EXPECT_EQ(calls[at + 2].rfind("glVertex3f(", 0), 0u);
      strip.push_back({calls[at], calls[at + 1], calls[at + 2]});
      at += 3;
    }
    const std::string end = next();
    if (end.empty()) break;
    EXPECT_EQ(end, call("glEnd"));
    result.push_back(strip);
  }
  return result;
}

std::vector<std::string> pointAt(Vec3 p) {
  return {call("glBegin", GL_POINTS), call("glVertex3f", p.x, p.y, p.z), call("glEnd")};
}

TEST(SphereShape, SixtySegmentsGiveThirtyStripsOf122Vertices) {
  Body body = makeBody(60.0f);
  auto result = strips(drawn(body));
  ASSERT_EQ(result.size(), 30u);
  for (const Strip& strip : result) EXPECT_EQ(strip.size(), 122u);
}

TEST(SphereShape, FourSegmentsGiveTheOctahedron) {
  Body body = makeBody(4.0f);
  auto result = strips(drawn(body));
  ASSERT_EQ(result.size(), 2u);
  EXPECT_EQ(result[0].size(), 10u);
  EXPECT_EQ(result[1].size(), 10u);
}

TEST(SphereShape, OddCountOvershootsThePole) {
  Body body = makeBody(61.0f);
  auto result = strips(drawn(body));
  ASSERT_EQ(result.size(), 31u);
  ASSERT_FALSE(result.back().empty());
  EXPECT_EQ(result.back()[0].tex, call("glTexCoord2f", -0.0f, static_cast<float>(62.0 / 61.0)));
}

TEST(SphereShape, FractionalCountLeavesTheSeamOpen) {
  Body body = makeBody(60.5f);
  auto result = strips(drawn(body));
  ASSERT_EQ(result.size(), 31u);
  ASSERT_EQ(result[0].size(), 122u);
  const float lastS = static_cast<float>(-(60.0 / 60.5));
  EXPECT_EQ(result[0].back().tex, call("glTexCoord2f", lastS, 0.0f));
}

TEST(SphereShape, NegativeFieldsAreCorrectedInPlace) {
  Body body = makeBody(-60.0f, -2.0f);
  auto result = strips(drawn(body));
  EXPECT_EQ(body.segments, 60.0f);
  EXPECT_EQ(body.radius, 2.0f);
  ASSERT_EQ(result.size(), 30u);
  ASSERT_FALSE(result[0].empty());
  // Radius 2: the first vertex is twice the unit normal.
  EXPECT_EQ(result[0][0].position,
            call("glVertex3f", 2.0f * 0.10452842f, 2.0f * -0.99452192f, 0.0f));
}

TEST(SphereShape, DegenerateBodiesDrawOnePointAndBindNothing) {
  const Vec3 p(1.5f, -2.0f, -30.0f);
  Body tooFew = makeBody(3.99f, 1.0f, p);
  EXPECT_EQ(drawn(tooFew), pointAt(p));

  Body negativeFew = makeBody(-3.0f, 1.0f, p);
  EXPECT_EQ(drawn(negativeFew), pointAt(p));
  EXPECT_EQ(negativeFew.segments, 3.0f);

  Body zero = makeBody(60.0f, 0.0f, p);
  EXPECT_EQ(drawn(zero), pointAt(p));

  Body negativeZero = makeBody(60.0f, -0.0f, p);
  EXPECT_EQ(drawn(negativeZero), pointAt(p));
  EXPECT_TRUE(std::signbit(negativeZero.radius));  // -0 < 0 is false: not negated
}

TEST(SphereShape, NanSegmentsDrawNothing) {
  Body body = makeBody(std::numeric_limits<float>::quiet_NaN());
  EXPECT_TRUE(drawn(body).empty());
}

TEST(SphereShape, HugeOrInfiniteCountsDrawAPointInsteadOfHanging) {
  const Vec3 p(0.0f, 0.0f, -30.0f);
  Body atLimit = makeBody(Body::kMaxSegments, 1.0f, p);
  // Its three million vertex calls only counted (the strips' layout is checked at smaller counts).
  gldouble::reset();
  gldouble::state().logVertexCalls = false;
  atLimit.draw();
  const auto& calls = gldouble::calls();
  EXPECT_EQ(std::count(calls.begin(), calls.end(), call("glBegin", GL_TRIANGLE_STRIP)), 512);
  EXPECT_EQ(gldouble::state().vertexCalls, 512 * 1025 * 2 * 3);
  Body beyond = makeBody(Body::kMaxSegments + 1.0f, 1.0f, p);
  EXPECT_EQ(drawn(beyond), pointAt(p));
  Body infinite = makeBody(-std::numeric_limits<float>::infinity(), 1.0f, p);
  EXPECT_EQ(drawn(infinite), pointAt(p));
}

TEST(SphereValues, UnitSphereAtOriginToTheBit) {
  Body body = makeBody(60.0f);
  auto result = strips(drawn(body));
  ASSERT_EQ(result.size(), 30u);
  const Strip& first = result[0];
  ASSERT_EQ(first.size(), 122u);
  EXPECT_EQ(first[0].position, call("glVertex3f", 0.10452842f, -0.99452192f, 0.0f));
  EXPECT_EQ(first[0].tex, call("glTexCoord2f", -0.0f, 0.033333335f));
  EXPECT_EQ(first[1].position, call("glVertex3f", -4.3711388e-8f, -1.0f, 0.0f));
  EXPECT_EQ(first[1].normal, call("glNormal3f", -4.3711388e-8f, -1.0f, -0.0f));
  EXPECT_EQ(first[1].tex, call("glTexCoord2f", -0.0f, 0.0f));
  EXPECT_EQ(first[2].tex, call("glTexCoord2f", -0.016666668f, 0.033333335f));
  EXPECT_EQ(result.back().back().tex, call("glTexCoord2f", -1.0f, static_cast<float>(58.0 / 60)));
}

TEST(SphereValues, PositionIsAddedToEveryVertexWithoutMatrices) {
  Body body = makeBody(60.0f, 1.0f, Vec3(5.0f, 0.0f, -30.0f));
  auto calls = drawn(body);
  for (const std::string& c : calls) EXPECT_EQ(c.find("Matrix"), std::string::npos) << c;
  auto result = strips(calls);
  ASSERT_FALSE(result.empty());
  ASSERT_GE(result[0].size(), 2u);
  EXPECT_EQ(result[0][0].position, call("glVertex3f", 5.1045284f, -0.99452192f, -30.0f));
  EXPECT_EQ(result[0][1].position, call("glVertex3f", 5.0f, -1.0f, -30.0f));
}

// The table-driven sphere must send exactly what the per-vertex loop sends.
TEST(SphereValues, MatchesThePerVertexReferenceBitForBit) {
  const float counts[] = {60.0f,  61.0f, 60.5f,  4.0f,
                          4.5f,   7.0f,  9.25f,  127.0f,
                          -60.0f, 3.99f, 200.0f, std::numeric_limits<float>::quiet_NaN()};
  for (float segments : counts) {
    SCOPED_TRACE(segments);
    Body fast = makeBody(segments, 2.5f, Vec3(-12.0f, 7.0f, -29.0f));
    Body slow = fast;
    const auto fastCalls = drawn(fast);
    gldouble::reset();
    referenceDraw(slow);
    EXPECT_TRUE(fastCalls == gldouble::calls());
    EXPECT_EQ(gldouble::arg(fast.segments), gldouble::arg(slow.segments));
  }
}

}  // namespace
