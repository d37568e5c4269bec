#include "scene/camera.h"

#include <gtest/gtest.h>

#include <cmath>

#include "app/orbisk.h"
#include "scene/object.h"
#include "tests/unit/fakes.h"

namespace {

using unittest::expectVec;

bool allFinite(const glm::mat4& m) {
  for (int c = 0; c < 4; ++c)
    for (int r = 0; r < 4; ++r)
      if (!std::isfinite(m[c][r])) return false;
  return true;
}

class CameraTest : public ::testing::Test {
 protected:
  void SetUp() override {
    savedWidth = windowWidth;
    savedHeight = windowHeight;
    windowWidth = 800;
    windowHeight = 600;
  }
  void TearDown() override {
    windowWidth = savedWidth;
    windowHeight = savedHeight;
  }
  int savedWidth = 0, savedHeight = 0;
  Camera cam;
};

TEST_F(CameraTest, NewCameraLooksAlongMinusXWithYUp) {
  expectVec({4, 0, 1}, cam.getPosition());
  expectVec({-4, 0, 0}, cam.getDirection());
  expectVec({0, 0, 1}, cam.getLookAtPoint());
  expectVec({0, 0, -4}, cam.getRight());
  EXPECT_FLOAT_EQ(65.0f, cam.getFieldOfView());
  EXPECT_FALSE(cam.isPathActive());
  // The look-at point lies 4 ahead (-z in eye space); a point above the eye is +y.
  glm::mat4 view = cam.getViewMatrix();
  expectVec({0, 0, -4}, glm::vec3(view * glm::vec4(0, 0, 1, 1)));
  expectVec({0, 1, 0}, glm::vec3(view * glm::vec4(4, 1, 1, 1)));
  expectVec({0, 0, -1}, glm::vec3(view * glm::vec4(-1, 0, 0, 0)));
}

TEST_F(CameraTest, FieldOfViewAcceptsZeroTo180Only) {
  EXPECT_FALSE(cam.setFieldOfView(-0.5f));
  EXPECT_FALSE(cam.setFieldOfView(180.5f));
  EXPECT_FALSE(cam.setFieldOfView(NAN));
  EXPECT_FLOAT_EQ(65.0f, cam.getFieldOfView());
  EXPECT_TRUE(cam.setFieldOfView(180.0f));
  EXPECT_FLOAT_EQ(180.0f, cam.getFieldOfView());
  EXPECT_TRUE(allFinite(cam.getProjectionMatrix()));
  EXPECT_TRUE(cam.setFieldOfView(0.0f));
  EXPECT_FLOAT_EQ(0.0f, cam.getFieldOfView());
  // Zoomed all the way in the projection is still a usable matrix.
  EXPECT_TRUE(allFinite(cam.getProjectionMatrix()));
}

TEST_F(CameraTest, DirectionLengthKeepsTheDirectionAndStaysAboveZero) {
  cam.setDirectionLength(-1.0f);
  expectVec({-4, 0, 0}, cam.getDirection());
  cam.setDirectionLength(8.0f);
  expectVec({-8, 0, 0}, cam.getDirection());
  cam.setDirectionLength(0.0f);
  EXPECT_GT(glm::length(cam.getDirection()), 0.0f);
  EXPECT_LT(cam.getDirection().x, 0.0f);
  // Halving far past float's range (Z held down) never collapses the view.
  for (int i = 0; i < 300; ++i) cam.setDirectionLength(glm::length(cam.getDirection()) / 2.0f);
  const glm::vec3 shortest = cam.getDirection();
  EXPECT_NEAR(minDirectionLength, glm::length(shortest), 1e-10f);
  cam.setDirection({-1, 0, 0});
  cam.setDirection(shortest);  // as the depth-of-field passes restore it
  EXPECT_EQ(shortest, cam.getDirection());
  EXPECT_TRUE(allFinite(cam.getViewProjectionMatrix()));
  expectVec({0, 0, -1}, glm::vec3(cam.getViewMatrix() * glm::vec4(-1, 0, 0, 0)));
}

TEST_F(CameraTest, SetDirectionKeepsLengthButRefusesZero) {
  cam.setDirection({0, 0, 10});
  expectVec({0, 0, 10}, cam.getDirection());
  cam.setDirection({0, 0, 0});
  cam.setDirection({NAN, 0, 0});
  expectVec({0, 0, 10}, cam.getDirection());
}

TEST_F(CameraTest, TurnsByNinetyDegrees) {
  Camera yawed, pitched, rolled;
  yawed.yaw(90.0f);
  expectVec({0, 0, 4}, yawed.getDirection());
  expectVec({0, 1, 0}, yawed.getUp());
  pitched.pitch(90.0f);
  expectVec({0, 4, 0}, pitched.getDirection());
  expectVec({1, 0, 0}, pitched.getUp());
  rolled.roll(90.0f);
  expectVec({-4, 0, 0}, rolled.getDirection());
  expectVec({0, 0, -1}, rolled.getUp());
}

// The world vector that the view shows pointing up the screen.
glm::vec3 screenUp(const glm::mat4& view) { return glm::vec3(view[0][1], view[1][1], view[2][1]); }

float degreesBetween(const glm::vec3& a, const glm::vec3& b) {
  return glm::degrees(std::acos(glm::clamp(glm::dot(glm::normalize(a), glm::normalize(b)), -1.0f, 1.0f)));
}

TEST_F(CameraTest, UpAlongTheDirectionStillGivesAViewThatTurnsAndStrafes) {
  // A path flight can aim straight up or down without touching up.
  const glm::vec3 directions[] = {{0, 3, 0}, {0, -3, 0}, {1e-4f, 3, 0}};
  for (const glm::vec3& d : directions) {
    SCOPED_TRACE(testing::Message() << "direction (" << d.x << ", " << d.y << ", " << d.z << ")");
    Camera c;
    c.setDirection(d);
    const glm::mat4 view = c.getViewMatrix();
    ASSERT_TRUE(allFinite(view));
    expectVec({0, 0, -3}, glm::vec3(view * glm::vec4(c.getLookAtPoint(), 1)), 1e-4f);
    EXPECT_NEAR(3.0f, glm::length(c.getRight()), 1e-4f);  // strafes at full speed
    EXPECT_NEAR(0.0f, glm::dot(c.getRight(), d), 1e-3f);

    c.yaw(0.0f);  // the pointer back at the centre changes nothing
    c.pitch(0.0f);
    EXPECT_EQ(glm::vec3(0, 1, 0), c.getUp());

    // Every turn leaves the vertical by its angle, without a jump in the
    // picture, and with an up across the direction from then on.
    Camera yawed = c, pitched = c, rolled = c;
    yawed.yaw(2.0f);
    pitched.pitch(2.0f);
    rolled.roll(90.0f);
    for (const Camera* turned : {&yawed, &pitched}) {
      EXPECT_NEAR(2.0f, degreesBetween(d, turned->getDirection()), 1e-2f);
      EXPECT_LT(degreesBetween(screenUp(view), screenUp(turned->getViewMatrix())), 2.1f);
      EXPECT_EQ(turned->getUp(), turned->getViewUp());
    }
    EXPECT_NEAR(90.0f, degreesBetween(screenUp(view), screenUp(rolled.getViewMatrix())), 1e-2f);
  }
}

TEST_F(CameraTest, NonFiniteInputLeavesTheCameraAsItWas) {
  for (float bad : {NAN, INFINITY, -INFINITY}) {
    cam.setPosition({0, bad, 0});
    cam.setDirection({bad, 0, 0});
    cam.setUp({0, 0, bad});
    EXPECT_FALSE(cam.setDirectionLength(bad));
    cam.yaw(bad);
    cam.pitch(bad);
    cam.roll(bad);
  }
  Camera fresh;
  EXPECT_EQ(fresh.getPosition(), cam.getPosition());
  EXPECT_EQ(fresh.getDirection(), cam.getDirection());
  EXPECT_EQ(fresh.getUp(), cam.getUp());
}

TEST_F(CameraTest, LongestDirectionKeepsTheViewMathsFinite) {
  EXPECT_FALSE(cam.setDirectionLength(maxDirectionLength * 2.0f));
  EXPECT_TRUE(cam.setDirectionLength(maxDirectionLength));
  cam.yaw(33.0f);  // may round the length a little past the longest
  const glm::vec3 d = cam.getDirection();
  cam.setDirection({-1, 0, 0});
  cam.setDirection(d);  // as the depth-of-field passes restore it
  EXPECT_EQ(d, cam.getDirection());
  EXPECT_TRUE(std::isfinite(glm::dot(d, d)));
  EXPECT_TRUE(allFinite(cam.getViewProjectionMatrix()));
  EXPECT_TRUE(cam.isPointInFrustum(cam.getPosition() + glm::normalize(d) * 100.0f));
  EXPECT_FALSE(cam.isPointInFrustum(cam.getPosition() - glm::normalize(d) * 100.0f));
}

TEST_F(CameraTest, AspectRatioFollowsTheWindowAndSurvivesZeroHeight) {
  EXPECT_FLOAT_EQ(800.0f / 600.0f, aspectRatio(800, 600));
  EXPECT_FLOAT_EQ(1.0f, aspectRatio(800, 0));
  EXPECT_FLOAT_EQ(1.0f, aspectRatio(0, 600));
  glm::mat4 p = cam.getProjectionMatrix();
  EXPECT_NEAR(p[1][1] / p[0][0], 800.0f / 600.0f, 1e-5f);
  windowHeight = 0;
  EXPECT_TRUE(allFinite(cam.getViewProjectionMatrix()));
  EXPECT_TRUE(cam.isPointInFrustum({0, 0, 1}));
}

TEST_F(CameraTest, FrustumTestsAgainstTheCurrentView) {
  EXPECT_TRUE(cam.isPointInFrustum({0, 0, 1}));
  EXPECT_TRUE(cam.isPointInFrustum({4 - 0.02f, 0, 1}));  // just past the near plane
  EXPECT_TRUE(cam.isPointInFrustum({-900000, 0, 1}));
  EXPECT_FALSE(cam.isPointInFrustum(cam.getPosition()));
  EXPECT_FALSE(cam.isPointInFrustum({4 - 0.005f, 0, 1}));  // before the near plane
  EXPECT_FALSE(cam.isPointInFrustum({-1100000, 0, 1}));   // beyond the far plane
  EXPECT_FALSE(cam.isPointInFrustum({10, 0, 1}));         // behind the eye
  EXPECT_FALSE(cam.isPointInFrustum({0, 10, 1}));         // above the view
  EXPECT_FALSE(cam.isPointInFrustum({0, 0, 10}));         // left of the view
  cam.yaw(180.0f);
  EXPECT_FALSE(cam.isPointInFrustum({0, 0, 1}));
  EXPECT_TRUE(cam.isPointInFrustum({10, 0, 1}));
}

TEST_F(CameraTest, FrustumPlanesFaceInwardAndAPointOnOneIsOutside) {
  // Eye at the origin looking down -z, 90 degrees, square window: the side
  // planes are x = ±z and y = ±z.
  windowWidth = windowHeight = 100;
  cam.setPosition({0, 0, 0});
  cam.setDirection({0, 0, -1});
  cam.setFieldOfView(90.0f);
  cam.updateFrustumPlanes();
  const FrustumPlanes& planes = cam.getFrustumPlanes();
  const float h = std::sqrt(0.5f);
  const glm::vec4 expected[6] = {{0, 0, -1, -0.01f}, {0, 0, 1, 1000000}, {-h, 0, -h, 0},
                                 {h, 0, -h, 0},      {0, -h, -h, 0},     {0, h, -h, 0}};
  for (int i = 0; i < 6; ++i) {
    for (int c = 0; c < 4; ++c) EXPECT_NEAR(expected[i][c], planes[i][c], 1e-3f * std::max(1.0f, std::fabs(expected[i][c])));
  }
  FrustumPlanes exact = {glm::vec4{0, 0, -1, -0.01f}, {0, 0, 1, 1000}, {-h, 0, -h, 0},
                         {h, 0, -h, 0},               {0, -h, -h, 0},  {0, h, -h, 0}};
  EXPECT_TRUE(isPointInsidePlanes(exact, {0, 0, -5}));
  EXPECT_FALSE(isPointInsidePlanes(exact, {5, 0, -5}));   // on the right plane
  EXPECT_FALSE(isPointInsidePlanes(exact, {0, -5, -5}));  // on the bottom plane
  EXPECT_FALSE(isPointInsidePlanes(exact, {0, 0, -1000}));  // on the far plane
}

TEST_F(CameraTest, PathSettersKeepOnlyPathObjects) {
  Object eye, lookAt, model;
  eye.setLineMesh(LineMesh());
  lookAt.setLineMesh(LineMesh());
  cam.setEyePath(&eye);
  cam.setLookAtPath(&lookAt);
  cam.setEyePath(&model);
  cam.setEyePath(nullptr);
  cam.setLookAtPath(&model);
  EXPECT_EQ(&eye, cam.getEyePath());
  EXPECT_EQ(&lookAt, cam.getLookAtPath());
}

}  // namespace
