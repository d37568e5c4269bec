#include "scene/animation.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <glm/gtc/matrix_transform.hpp>

#include "platform/platform.h"
#include "render/depthoffield.h"
#include "scene/camera.h"
#include "scene/object.h"
#include "scene/scene.h"
#include "tests/unit/fakes.h"

namespace {

using unittest::fakeClock;
using unittest::fakeNow;

void expectVec(const glm::vec3& expected, const glm::vec3& actual, float tolerance = 1e-4f) {
  unittest::expectVec(expected, actual, tolerance);
}

// A path of count points numbered along it: point i = origin + i * step.
void makePath(Object& object, unsigned int count, glm::vec3 origin, glm::vec3 step) {
  std::vector<glm::vec3> positions;
  std::vector<uint32_t> segments;
  for (unsigned int i = 0; i < count; ++i) positions.push_back(origin + step * static_cast<float>(i));
  for (uint32_t i = 1; i < count; ++i) {
    segments.push_back(i);
    segments.push_back(i + 1);
  }
  if (count == 1) {
    // A chain of one: the only segment leads into vertex 1, not out of it.
    positions.push_back(origin + step);
    segments = {2, 1};
  }
  LineMesh mesh;
  if (count > 0) mesh.build(positions, segments);
  object.setLineMesh(mesh);
}

class AnimationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::setTimeSource(fakeClock);
    fakeNow = 100.0;
  }
  void TearDown() override { platform::setTimeSource(nullptr); }

  // Eye path along +x from the origin, look-at path 10 below it along -z.
  void flyPaths(unsigned int eyeCount, unsigned int lookAtCount) {
    makePath(eyePath, eyeCount, {0, 0, 0}, {1, 0, 0});
    makePath(lookAtPath, lookAtCount, {0, 0, -10}, {1, 0, 0});
    cam.setEyePath(&eyePath);
    cam.setLookAtPath(&lookAtPath);
  }
  // Starts a run at the current time and steps it at start + t.
  void stepAt(double t) {
    fakeNow = start + t;
    cam.animatePathAt(fakeNow);
  }

  Camera cam;
  Object eyePath, lookAtPath;
  double start = 100.0;
};

TEST(AnimationTableTest, TablesFollowThePointRules) {
  EXPECT_FLOAT_EQ(65.0f, fovForPoint(0));
  EXPECT_FLOAT_EQ(65.0f, fovForPoint(23));
  EXPECT_FLOAT_EQ(25.0f, fovForPoint(27));  // the narrowing ramp has no 30 step
  EXPECT_FLOAT_EQ(22.0f, fovForPoint(28));
  EXPECT_FLOAT_EQ(22.0f, fovForPoint(60));
  EXPECT_FLOAT_EQ(30.0f, fovForPoint(62));
  EXPECT_FLOAT_EQ(65.0f, fovForPoint(66));
  EXPECT_FLOAT_EQ(20.0f, focusForPoint(0));
  EXPECT_FLOAT_EQ(0.01f, focusForPoint(4));
  EXPECT_FLOAT_EQ(1.0f, focusForPoint(6));
  EXPECT_FLOAT_EQ(10.0f, focusForPoint(7));
  EXPECT_FLOAT_EQ(10.0f, focusForPoint(21));
  EXPECT_FLOAT_EQ(1.0f, focusForPoint(23));
  EXPECT_FLOAT_EQ(5.6f, focusForPoint(27));
  EXPECT_FLOAT_EQ(0.01f, focusForPoint(31));
  EXPECT_FLOAT_EQ(20.0f, focusForPoint(77));
  EXPECT_FLOAT_EQ(1.0f, focusForPoint(81));
  EXPECT_EQ(100u, fovTable(100).size());
  EXPECT_TRUE(focusTable(0).empty());
}

TEST(AnimationTableTest, InterpolationClampsToTheTable) {
  std::vector<float> fov = fovTable(100), focus = focusTable(100);
  EXPECT_FLOAT_EQ(55.0f, interpolateTable(fov, 24, 0.5f));
  EXPECT_FLOAT_EQ(17.505f, interpolateTable(focus, 3, 0.5f));
  EXPECT_FLOAT_EQ(10.0f, interpolateTable(focus, 10, 0.25f));
  EXPECT_FLOAT_EQ(3.0f, interpolateTable({1.0f, 3.0f}, 1, 0.5f));
  EXPECT_FLOAT_EQ(3.0f, interpolateTable({1.0f, 3.0f}, 7, 0.5f));
  EXPECT_FLOAT_EQ(0.0f, interpolateTable({}, 0, 0.5f));
}

TEST_F(AnimationTest, FlightFollowsPathsAndTables) {
  flyPaths(100, 100);
  cam.startPath();
  stepAt(0.0);
  EXPECT_DOUBLE_EQ(start, cam.getPathStartTime());
  EXPECT_EQ(100u, cam.getFovPerPoint().size());
  expectVec({0, 0, 0}, cam.getPosition());
  EXPECT_NEAR(10.0f * 20.0f, glm::length(cam.getDirection()), 1e-3f);

  stepAt(3.5);
  expectVec({3.5f, 0, 0}, cam.getPosition());
  expectVec({0, 0, -10.0f * 17.505f}, cam.getDirection(), 1e-2f);
  stepAt(10.25);
  EXPECT_NEAR(100.0f, glm::length(cam.getDirection()), 1e-3f);
  stepAt(24.5);
  EXPECT_FLOAT_EQ(55.0f, cam.getFieldOfView());
  expectVec({24.5f, 0, 0}, cam.getPosition());
  EXPECT_TRUE(cam.isPathActive());

  // The run ends at t >= 99 on the last points, at the plain distance, and
  // keeps the last field of view.
  stepAt(98.5);
  float lastFov = cam.getFieldOfView();
  stepAt(99.0);
  EXPECT_FALSE(cam.isPathActive());
  expectVec({99, 0, 0}, cam.getPosition());
  expectVec({0, 0, -10}, cam.getDirection());
  EXPECT_FLOAT_EQ(lastFov, cam.getFieldOfView());
  stepAt(50.0);  // idle: nothing moves
  expectVec({99, 0, 0}, cam.getPosition());
}

TEST_F(AnimationTest, PathPointsAreInWorldSpace) {
  flyPaths(3, 3);
  eyePath.setModelMatrix(glm::translate(glm::mat4(1.0f), glm::vec3(0, 5, 0)));
  expectVec({2, 5, 0}, pathPoint(eyePath, 2));
  expectVec({2, 5, 0}, pathPoint(eyePath, 40));  // clamped to the last point
  Object empty;
  empty.setLineMesh(LineMesh());
  expectVec({0, 0, 0}, pathPoint(empty, 0));
}

TEST_F(AnimationTest, OnePointPathEndsAtTheFirstStep) {
  flyPaths(1, 4);
  cam.startPath();
  stepAt(0.0);
  EXPECT_FALSE(cam.isPathActive());
  expectVec({0, 0, 0}, cam.getPosition());
  expectVec({3, 0, -10}, cam.getDirection());  // towards the last look-at point
  EXPECT_FLOAT_EQ(65.0f, cam.getFieldOfView());
}

TEST_F(AnimationTest, ShortOrEmptyPathsNeverReadPastTheirPoints) {
  flyPaths(10, 2);
  cam.startPath();
  stepAt(0.0);
  stepAt(5.5);
  expectVec({5.5f, 0, 0}, cam.getPosition());
  expectVec(glm::normalize(glm::vec3(-4.5f, 0, -10)), glm::normalize(cam.getDirection()));
  stepAt(9.0);
  expectVec({1 - 9.0f, 0, -10}, cam.getDirection());

  Camera before;
  Object noPoints;
  noPoints.setLineMesh(LineMesh());
  cam = before;
  cam.setEyePath(&noPoints);
  cam.setLookAtPath(&lookAtPath);
  cam.startPath();
  stepAt(0.0);
  EXPECT_FALSE(cam.isPathActive());
  expectVec(before.getPosition(), cam.getPosition());
  expectVec(before.getDirection(), cam.getDirection());
}

TEST_F(AnimationTest, PathsMissingLeaveTheRunArmed) {
  cam.startPath();
  stepAt(3.0);
  EXPECT_TRUE(cam.isPathActive());
  EXPECT_DOUBLE_EQ(0.0, cam.getPathStartTime());
  expectVec({4, 0, 1}, cam.getPosition());
}

TEST_F(AnimationTest, StartPathMidRunRestartsFromPointZero) {
  flyPaths(20, 20);
  cam.startPath();
  stepAt(0.0);
  stepAt(7.25);
  expectVec({7.25f, 0, 0}, cam.getPosition());
  cam.startPath();
  start = 200.0;
  stepAt(0.0);
  EXPECT_DOUBLE_EQ(200.0, cam.getPathStartTime());
  expectVec({0, 0, 0}, cam.getPosition());
  stepAt(1.5);
  expectVec({1.5f, 0, 0}, cam.getPosition());
}

TEST_F(AnimationTest, StepsAtMostEveryHundredthSecond) {
  Object e, m, s;
  Scene scene;
  scene.earth = &e;
  scene.moon = &m;
  scene.missile = &s;
  int steps = 0;
  auto countStep = [&] {
    glm::mat4 before = s.modelMatrix;
    updateAnimation(scene);
    if (s.modelMatrix != before) ++steps;
  };
  countStep();  // the first call always steps
  fakeNow = 100.005;
  countStep();
  fakeNow = 100.0099;
  countStep();
  EXPECT_EQ(1, steps);
  fakeNow = 100.0101;
  countStep();
  EXPECT_EQ(2, steps);
  fakeNow = 100.015;  // measured from the last step, not the first
  countStep();
  EXPECT_EQ(2, steps);
  resetAnimationClock(scene);
  countStep();
  EXPECT_EQ(3, steps) << "a reset clock steps at once";

  // No scene loaded: the step skips the objects without failing.
  Object* none = nullptr;
  stepSceneObjects(none, none, none);
}

TEST_F(AnimationTest, AFlightStraightUpKeepsEveryPassFiniteAndTheCameraFree) {
  makePath(eyePath, 10, {0, 0, 0}, {0, 1, 0});
  makePath(lookAtPath, 10, {0, 10, 0}, {0, 1, 0});
  cam.setEyePath(&eyePath);
  cam.setLookAtPath(&lookAtPath);
  cam.startPath();
  stepAt(0.0);
  stepAt(2.5);
  ASSERT_EQ(0.0f, glm::length(glm::cross(cam.getDirection(), cam.getUp())));

  const Camera saved = camera;
  camera = cam;
  DepthOfField dof;
  srand(11);
  fillJitterTables(dof);
  const glm::vec3 realEye = camera.getPosition(), lookAt = camera.getLookAtPoint();
  for (int i = 0; i < kDOFPasses; ++i) {
    moveCameraToPass(dof, i, realEye, lookAt);
    const glm::vec3 eye = camera.getPosition();
    EXPECT_TRUE(std::isfinite(eye.x) && std::isfinite(eye.y) && std::isfinite(eye.z)) << "pass " << i;
    EXPECT_NEAR(glm::length(lookAt - eye), glm::length(lookAt - realEye), 1e-3f) << "pass " << i;
  }
  camera = saved;

  // The mouse turns the camera away from the vertical.
  cam.pitch(5.0f);
  cam.yaw(5.0f);
  EXPECT_GT(glm::length(glm::cross(glm::normalize(cam.getDirection()), glm::vec3(0, 1, 0))), 0.1f);
}

TEST(AnimationObjectsTest, HundredStepsSpinOrbitAndFly) {
  Object e, m, s;
  m.setModelMatrix(glm::scale(glm::translate(glm::mat4(1.0f), glm::vec3(6, 0, 0)), glm::vec3(0.3f)));
  s.setModelMatrix(glm::scale(glm::translate(glm::mat4(1.0f), glm::vec3(2.7f, 0, 0)), glm::vec3(0.01f)));
  for (int i = 0; i < 100; ++i) stepSceneObjects(&e, &m, &s);
  // The Earth's +x axis turned 1.25 degrees about y (towards -z).
  glm::vec3 x = glm::vec3(e.modelMatrix * glm::vec4(1, 0, 0, 0));
  EXPECT_NEAR(1.25f, glm::degrees(std::atan2(-x.z, x.x)), 1e-3f);
  // The Moon's centre moved -3.75 degrees along its orbit of radius 6.
  glm::vec3 c = glm::vec3(m.modelMatrix * glm::vec4(0, 0, 0, 1));
  EXPECT_NEAR(-3.75f, glm::degrees(std::atan2(-c.z, c.x)), 1e-3f);
  EXPECT_NEAR(6.0f, glm::length(c), 1e-4f);
  // The missile moved 0.5 model units along its own -x: 0.005 in the world.
  glm::vec3 p = glm::vec3(s.modelMatrix * glm::vec4(0, 0, 0, 1));
  expectVec({2.695f, 0, 0}, p, 1e-5f);
}

}  // namespace
