// The camera flight as a film: it follows the camera's own tables, keeps the
// subject sharp where intended, frames it, and never flies through the scene.
#include <gtest/gtest.h>

#include <cmath>

#include "camera/animation.h"
#include "tools/assetgen/flight.h"

namespace {
constexpr float degree = 3.14159265358979f / 180.0f;
const glm::vec3 sunPosition(40000, 40000, 40000);
const glm::vec3 missilePosition(2.7f, 0, 0);

// Angle in degrees between the view direction at point i and the direction
// from the eye to p.
float offAxis(const FlightPaths& f, int i, const glm::vec3& p) {
  const glm::vec3 view = glm::normalize(f.lookAt[i] - f.eye[i]);
  return std::acos(std::clamp(glm::dot(view, glm::normalize(p - f.eye[i])), -1.0f, 1.0f)) / degree;
}

// Where p appears in a 4:3 picture at point i, the camera's up being world
// up: both coordinates inside [-1, 1] when it is in the picture.
glm::vec2 onScreen(const FlightPaths& f, int i, const glm::vec3& p) {
  const glm::vec3 forward = glm::normalize(f.lookAt[i] - f.eye[i]);
  const glm::vec3 right = glm::normalize(glm::cross(forward, glm::vec3(0, 1, 0)));
  const glm::vec3 up = glm::cross(right, forward);
  const glm::vec3 d = p - f.eye[i];
  const float t = std::tan(flightFieldOfView(i) / 2 * degree);
  return glm::vec2(glm::dot(d, right) / (t * 4 / 3), glm::dot(d, up) / t) / glm::dot(d, forward);
}

// Distance from p to the Earth's shadow volume (a cylinder of radius 1
// about the anti-sun axis, 12 units long; the cone narrows, so this is on
// the safe side).
bool insideShadow(const glm::vec3& p) {
  const glm::vec3 axis = -glm::normalize(sunPosition);
  const float along = glm::dot(p, axis);
  return along > -0.1f && along < 12.1f && glm::length(p - along * axis) < 1.1f;
}
}  // namespace

TEST(AssetgenFlight, TablesMatchTheCamerasTables) {
  for (int i = 0; i < 120; ++i) {
    EXPECT_EQ(flightFieldOfView(i), fovForPoint(i)) << i;
    EXPECT_EQ(flightFocusFactor(i), focusForPoint(i)) << i;
  }
}

TEST(AssetgenFlight, LongEnoughForTheTables) {
  const FlightPaths f = buildFlight();
  EXPECT_GE(f.eye.size(), 85u);
  EXPECT_GE(f.lookAt.size(), f.eye.size());
}

TEST(AssetgenFlight, FocusLandsOnTheSubjectOutsideThePulls) {
  const FlightPaths f = buildFlight();
  for (size_t i = 0; i < f.eye.size(); ++i) {
    const float focus = glm::distance(f.lookAt[i], f.eye[i]) * flightFocusFactor(static_cast<int>(i));
    const float subject = glm::distance(f.subject[i], f.eye[i]);
    const bool pull = (i >= 28 && i <= 30) || (i >= 74 && i <= 80);
    const bool pinhole = flightFocusFactor(static_cast<int>(i)) < 0.1f;  // focus at the eye: all sharp
    if (!pull && !pinhole) {
      EXPECT_NEAR(focus / subject, 1.0f, 0.01f) << "point " << i;
    }
  }
  // The pull at the end takes the focus from the Moon out past the Earth.
  const float moon77 = glm::distance(f.subject[77], f.eye[77]);
  const float earth77 = glm::length(f.eye[77]);
  EXPECT_GT(glm::distance(f.lookAt[77], f.eye[77]) * flightFocusFactor(77), earth77);
  EXPECT_LT(moon77 * 3, earth77);
}

TEST(AssetgenFlight, FocusNeverRunsAwayBetweenPoints) {
  // The run interpolates look-at points and factors separately; halfway
  // between two points the focus must stay within reach of both ends.
  const FlightPaths f = buildFlight();
  for (size_t i = 0; i + 1 < f.eye.size(); ++i) {
    const float a = glm::distance(f.lookAt[i], f.eye[i]) * flightFocusFactor(static_cast<int>(i));
    const float b = glm::distance(f.lookAt[i + 1], f.eye[i + 1]) * flightFocusFactor(static_cast<int>(i + 1));
    const glm::vec3 eye = (f.eye[i] + f.eye[i + 1]) * 0.5f, lookAt = (f.lookAt[i] + f.lookAt[i + 1]) * 0.5f;
    const float mid = glm::distance(lookAt, eye) *
                      (flightFocusFactor(static_cast<int>(i)) + flightFocusFactor(static_cast<int>(i + 1))) * 0.5f;
    EXPECT_LT(mid, 4 * std::max(a, b) + 1.0f) << "between " << i << " and " << i + 1;
  }
}

TEST(AssetgenFlight, TelephotoStretchFramesTheMissile) {
  const FlightPaths f = buildFlight();
  for (int i = 28; i <= 60; ++i) {
    const float halfView = flightFieldOfView(i) / 2;
    EXPECT_LT(offAxis(f, i, missilePosition), halfView * 0.3f) << "point " << i;
    // The missile (0.1 long) spans a good part of the picture.
    const float span = 2 * std::atan(0.05f / glm::distance(f.eye[i], missilePosition)) / degree;
    EXPECT_GT(span, flightFieldOfView(i) * 0.2f) << "point " << i;
    EXPECT_LT(span, flightFieldOfView(i) * 0.9f) << "point " << i;
  }
}

TEST(AssetgenFlight, OpeningShowsTheSunBesideTheEarthThenLosesIt) {
  const FlightPaths f = buildFlight();
  for (int i = 0; i <= 6; ++i) {
    const float limb = std::asin(1.07f / glm::length(f.eye[i])) / degree;
    const float sunFromEarth = offAxis(f, i, sunPosition) - offAxis(f, i, glm::vec3(0));
    EXPECT_GT(sunFromEarth, limb + 10) << "point " << i;  // clear of the planet, its glow too
    const glm::vec2 sun = onScreen(f, i, sunPosition);
    EXPECT_LT(std::max(std::fabs(sun.x), std::fabs(sun.y)), 0.9f) << "point " << i;  // in the picture
  }
  for (int i = 14; i <= 23; ++i) EXPECT_GT(offAxis(f, i, sunPosition), 50.0f) << "point " << i;
}

TEST(AssetgenFlight, EyeNeverPassesThroughTheScene) {
  const FlightPaths f = buildFlight();
  for (size_t i = 0; i + 1 < f.eye.size(); ++i) {
    for (int s = 0; s < 10; ++s) {
      const glm::vec3 p = glm::mix(f.eye[i], f.eye[i + 1], s / 10.0f);
      ASSERT_GT(glm::length(p), 1.2f) << "atmosphere near point " << i;
      // The Moon drifts from (6, 0, 0) towards +z during a long run.
      ASSERT_GT(std::min(glm::distance(p, glm::vec3(6, 0, 0)), glm::distance(p, glm::vec3(6, 0, 0.5f))), 0.5f)
          << "Moon near point " << i;
      ASSERT_GT(glm::distance(p, missilePosition), 0.2f) << "missile near point " << i;
      ASSERT_FALSE(insideShadow(p)) << "shadow volume near point " << i;
    }
    // The camera keeps world up as its up vector: never look straight up or
    // down, and never at the eye itself.
    const glm::vec3 view = f.lookAt[i] - f.eye[i];
    ASSERT_GT(glm::length(view), 1e-3f);
    EXPECT_LT(std::fabs(glm::normalize(view).y), 0.95f) << "point " << i;
  }
}
