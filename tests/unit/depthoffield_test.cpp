#include "render/depthoffield.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>
#include <glm/gtc/matrix_transform.hpp>

#include "app/orbisk.h"
#include "scene/camera.h"
#include "scene/scene.h"
#include "tests/processstate.h"

namespace {

// The eyes in units of the aperture's radius.
std::vector<glm::dvec2> eyesOf(int passes) {
  std::vector<glm::dvec2> eyes;
  for (int i = 0; i < passes; ++i) eyes.emplace_back(aperturePattern()[i]);
  return eyes;
}

TEST(DepthOfFieldAperture, TheEyesAreTheSameWhateverTheSeedAndPassZeroIsTheCentre) {
  DepthOfField a, b;
  srand(7);
  fillJitterTables(a);
  srand(8);
  fillJitterTables(b);
  EXPECT_EQ(a.randValuesA[0], 0.0f);
  EXPECT_EQ(a.randValuesB[0], 0.0f);
  for (int i = 0; i < kDOFPasses; ++i) {
    EXPECT_EQ(a.randValuesA[i], b.randValuesA[i]) << "pass " << i;
    EXPECT_EQ(a.randValuesB[i], b.randValuesB[i]) << "pass " << i;
    EXPECT_LE(std::hypot(a.randValuesA[i], a.randValuesB[i]), kApertureDegrees * 1.0001f) << "pass " << i;
  }
}

TEST(DepthOfFieldAperture, EveryAnnulusAndSectorHoldsItsShareOfTheEyes) {
  // The share of eyes inside the circle holding a fraction a of the disc's
  // area, and inside the sector of a fraction a of the turn, against a: at
  // most one triple of eyes off. Sixteen random eyes miss by about 0.2.
  const std::vector<glm::dvec2> eyes = eyesOf(kDOFPasses);
  struct Measure {
    const char* name;
    std::function<double(const glm::dvec2&)> share;
  };
  const Measure measures[] = {
      {"area inside", [](const glm::dvec2& p) { return glm::dot(p, p); }},
      {"turn before", [](const glm::dvec2& p) { return std::fmod(std::atan2(p.y, p.x) / (2.0 * M_PI) + 1.0, 1.0); }},
  };
  for (const Measure& measure : measures)
    for (double a = 0.0; a <= 1.0; a += 1.0 / 64.0) {
      int inside = 0, counted = 0;
      for (size_t i = 0; i < eyes.size(); ++i) {
        // The centre has no bearing.
        if (i == 0 && measure.name[0] == 't') continue;
        ++counted;
        if (measure.share(eyes[i]) < a) ++inside;
      }
      EXPECT_LE(std::abs(static_cast<double>(inside) / counted - a), 0.1) << measure.name << " " << a;
    }
}

TEST(DepthOfFieldAperture, EveryPrefixTheQualitiesUseIsCentredAndTheDiscHasNoWideGap) {
  // Full, balanced and fast use 16, 4 and 1 passes.
  for (const int passes : {1, 4, 7, 10, 13, 16}) {
    glm::dvec2 mean(0.0);
    for (const glm::dvec2& eye : eyesOf(passes)) mean += eye / static_cast<double>(passes);
    EXPECT_LT(glm::length(mean), 1e-6) << passes << " passes";
  }
  // No point of the disc lies farther than this from an eye: sixteen
  // random eyes leave gaps of about 0.6 of the radius, a perfect packing
  // about 0.3.
  const std::vector<glm::dvec2> eyes = eyesOf(kDOFPasses);
  double widestGap = 0.0;
  for (int i = -100; i <= 100; ++i)
    for (int j = -100; j <= 100; ++j) {
      const glm::dvec2 p(i / 100.0, j / 100.0);
      if (glm::dot(p, p) > 1.0) continue;
      double nearest = 2.0;
      for (const glm::dvec2& eye : eyes) nearest = std::min(nearest, glm::length(p - eye));
      widestGap = std::max(widestGap, nearest);
    }
  EXPECT_LT(widestGap, 0.45);
  EXPECT_GT(widestGap, 0.25) << "the measure itself: sixteen eyes cannot cover the disc closer";
  // And the four passes of balanced blur about as far as sixteen.
  double widestOfFour = 0.0;
  for (const glm::dvec2& eye : eyesOf(4)) widestOfFour = std::max(widestOfFour, glm::length(eye));
  EXPECT_GT(widestOfFour, 0.8);
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
