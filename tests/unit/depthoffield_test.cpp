#include "render/depthoffield.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <glm/gtc/matrix_transform.hpp>

#include "app/orbisk.h"
#include "scene/camera.h"
#include "scene/scene.h"
#include "tests/processstate.h"

namespace {

TEST(DepthOfField, JitterAnglesStayWithinATwentiethOfADegree) {
  EXPECT_FLOAT_EQ(jitterAngle(0), -0.05f);
  EXPECT_FLOAT_EQ(jitterAngle(32767), 0.05f);
  EXPECT_NEAR(jitterAngle(16384), 0.0f, 1e-5f);
  DepthOfField a, b;
  srand(7);
  fillJitterTables(a);
  srand(7);
  fillJitterTables(b);
  EXPECT_EQ(a.randValuesA[0], 0.0f);
  EXPECT_EQ(a.randValuesB[0], 0.0f);
  bool anyNonZero = false;
  for (int i = 1; i < kDOFPasses; ++i) {
    EXPECT_LE(std::abs(a.randValuesA[i]), 0.05f);
    EXPECT_LE(std::abs(a.randValuesB[i]), 0.05f);
    EXPECT_EQ(a.randValuesA[i], b.randValuesA[i]) << "same seed, same tables";
    anyNonZero = anyNonZero || a.randValuesA[i] != 0.0f;
  }
  EXPECT_TRUE(anyNonZero);
}

TEST(DepthOfField, JitteredEyesKeepTheFocusDistanceAndAim) {
  glm::vec3 realEye(4, 0, 1), lookAt(0, 0, 1), up(0, 1, 0);
  glm::vec3 right = glm::cross(lookAt - realEye, up);
  glm::vec3 eye = jitteredEye(realEye, lookAt, up, right, 0.05f, -0.05f);
  EXPECT_NE(eye, realEye);
  EXPECT_NEAR(glm::length(eye - lookAt), 4.0f, 1e-4f);
  // A turn of 0.05 degrees at distance 4 moves the eye by about 3.5 mm per axis.
  EXPECT_NEAR(glm::length(eye - realEye), 4.0f * glm::radians(0.05f) * std::sqrt(2.0f), 2e-4f);
  EXPECT_EQ(jitteredEye(realEye, lookAt, up, right, 0.0f, 0.0f), realEye);
}

TEST(DepthOfField, EveryPassAimsAtTheLookAtPointAndPassZeroIsTheRealEye) {
  const processstate::Keep keep(windowWidth, windowHeight, camera);
  windowWidth = 200;
  windowHeight = 100;
  Camera saved = camera;
  DepthOfField dof;
  srand(3);
  fillJitterTables(dof);
  const glm::vec3 realEye = camera.getPosition();
  const glm::vec3 lookAt = camera.getLookAtPoint();
  const glm::vec3 lookDir = camera.getDirection();
  for (int i = 0; i < kDOFPasses; ++i) {
    moveCameraToPass(dof, i, realEye, lookAt);
    if (i == 0) {
      EXPECT_EQ(camera.getPosition(), realEye);
    }
    glm::vec4 clip = camera.getViewProjectionMatrix() * glm::vec4(lookAt, 1.0f);
    EXPECT_NEAR(clip.x / clip.w, 0.0f, 1e-4f) << "pass " << i;
    EXPECT_NEAR(clip.y / clip.w, 0.0f, 1e-4f) << "pass " << i;
  }
  camera.setPosition(realEye);
  camera.setDirection(lookDir);
  EXPECT_EQ(camera.getPosition(), saved.getPosition());
  EXPECT_EQ(camera.getDirection(), saved.getDirection());
}

TEST(DepthOfField, StraightUpOrDownEveryPassIsFiniteAndThePicturesLineUp) {
  const processstate::Keep keep(windowWidth, windowHeight, camera);
  windowWidth = 200;
  windowHeight = 100;
  DepthOfField dof;
  srand(5);
  fillJitterTables(dof);
  const glm::vec3 directions[] = {{0, 4, 0}, {0, -4, 0}, {1e-4f, 4, 0}};
  for (const glm::vec3& d : directions) {
    SCOPED_TRACE(testing::Message() << "direction (" << d.x << ", " << d.y << ", " << d.z << ")");
    camera = Camera();
    camera.setDirection(d);
    const glm::vec3 realEye = camera.getPosition(), lookAt = camera.getLookAtPoint();
    const glm::mat4 view0 = camera.getViewMatrix();
    const glm::vec3 screenUp0(view0[0][1], view0[1][1], view0[2][1]);
    glm::vec3 firstOffset(0.0f);
    float widestSpread = 0.0f;
    for (int i = 0; i < kDOFPasses; ++i) {
      moveCameraToPass(dof, i, realEye, lookAt);
      const glm::vec3 offset = camera.getPosition() - realEye;
      ASSERT_TRUE(std::isfinite(offset.x) && std::isfinite(offset.y) && std::isfinite(offset.z)) << "pass " << i;
      if (i > 0) {
        EXPECT_GT(glm::length(offset), 0.0f) << "pass " << i;
      }
      if (i == 1) firstOffset = glm::normalize(offset);
      if (i > 1) widestSpread = std::max(widestSpread, glm::length(glm::cross(firstOffset, glm::normalize(offset))));
      const glm::mat4 view = camera.getViewMatrix();
      // Each pass shows the same way up, or the sixteen pictures would smear round the centre.
      EXPECT_GT(glm::dot(screenUp0, glm::vec3(view[0][1], view[1][1], view[2][1])), 0.9999f) << "pass " << i;
    }
    EXPECT_GT(widestSpread, 0.1f) << "the eyes spread over both axes, not along one line";
  }
}

TEST(SceneAssembly, ShadowConeSitsBehindTheEarthPointingAwayFromTheSun) {
  glm::mat4 m = shadowConeModelMatrix(glm::vec3(40000.0f));
  glm::vec3 away = -glm::normalize(glm::vec3(1.0f));
  glm::vec3 origin(m * glm::vec4(0, 0, 0, 1));
  glm::vec3 axis(m * glm::vec4(0, 1, 0, 0));
  glm::vec3 base(m * glm::vec4(0, -1, 0, 1));
  EXPECT_NEAR(glm::length(origin - away), 0.0f, 1e-5f);
  EXPECT_NEAR(glm::length(axis - away), 0.0f, 1e-5f);
  EXPECT_NEAR(glm::length(base), 0.0f, 1e-5f) << "the base circle is centred on the Earth";
  // A sun straight overhead still gives a finite matrix.
  glm::mat4 overhead = shadowConeModelMatrix(glm::vec3(0, 40000, 0));
  glm::vec3 down(overhead * glm::vec4(0, 1, 0, 0));
  EXPECT_NEAR(down.y, -1.0f, 1e-5f);
}

}  // namespace
