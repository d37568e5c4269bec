// The camera flight as a film: it keeps the subject sharp where intended,
// frames it at every frame rate, and never flies through the scene.
#include <gtest/gtest.h>

#include <cmath>

#include "app/orbisk.h"
#include "platform/platform.h"
#include "scene/animation.h"
#include "scene/camera.h"
#include "scene/object.h"
#include "scene/placement.h"
#include "scene/scene.h"
#include "tests/unit/fakes.h"
#include "tools/assetgen/flight.h"

namespace {

constexpr float degree = 3.14159265358979f / 180.0f;

// Angle in degrees between the view direction at point i and the direction
// from the eye to p.
float offAxis(const FlightPaths& f, int i, const glm::vec3& p) {
  const glm::vec3 view = glm::normalize(f.lookAt[i] - f.eye[i]);
  return std::acos(std::clamp(glm::dot(view, glm::normalize(p - f.eye[i])), -1.0f, 1.0f)) / degree;
}

// Distance from p to the Earth's shadow volume (a cylinder of radius 1
// about the anti-sun axis, 12 units long; the cone narrows, so this is on
// the safe side).
bool insideShadow(const glm::vec3& p) {
  const glm::vec3 axis = -glm::normalize(designLightPosition);
  const float along = glm::dot(p, axis);
  return along > -0.1f && along < 12.1f && glm::length(p - along * axis) < 1.1f;
}

float distanceToSegment(const glm::vec3& p, const glm::vec3& a, const glm::vec3& b) {
  const float t = std::clamp(glm::dot(p - a, b - a) / glm::dot(b - a, b - a), 0.0f, 1.0f);
  return glm::distance(p, a + t * (b - a));
}

// The program's own camera flown along the flight's paths, its picture the
// default 1024 x 768.
class FlownCamera {
 public:
  explicit FlownCamera(const FlightPaths& f) {
    testing::internal::CaptureStdout();  // the chain's debug line
    eyePath.setLineMesh(chain(f.eye));
    lookAtPath.setLineMesh(chain(f.lookAt));
    testing::internal::GetCapturedStdout();
    cam.setEyePath(&eyePath);
    cam.setLookAtPath(&lookAtPath);
    savedSize = {windowWidth, windowHeight};
    windowWidth = 1024;
    windowHeight = 768;
  }
  ~FlownCamera() {
    windowWidth = savedSize.x;
    windowHeight = savedSize.y;
  }
  // The camera as the flight leaves it t seconds after the start.
  Camera& at(double t) {
    cam.startPath();
    cam.animatePathAt(1.0);
    cam.animatePathAt(1.0 + t);
    cam.updateFrustumPlanes();
    return cam;
  }

 private:
  static LineMesh chain(const std::vector<glm::vec3>& points) {
    std::vector<uint32_t> segments;
    for (uint32_t i = 1; i < points.size(); ++i) segments.insert(segments.end(), {i, i + 1});
    LineMesh mesh;
    mesh.build(points, segments);
    return mesh;
  }
  Camera cam;
  Object eyePath, lookAtPath;
  glm::ivec2 savedSize;
};

// A sphere of radius r about p lies wholly inside the picture.
bool inPicture(const Camera& cam, const glm::vec3& p, float r) {
  const FrustumPlanes& planes = cam.getFrustumPlanes();
  for (FrustumPlane side : {PLANE_LEFT, PLANE_RIGHT, PLANE_TOP, PLANE_BOTTOM, PLANE_NEAR}) {
    const glm::vec4& plane = planes[side];
    if (!(glm::dot(glm::vec3(plane), p) + plane.w > r)) return false;
  }
  return true;
}

// The Earth stands between the eye and p (a point on the surface facing
// the eye is not hidden).
bool behindTheEarth(const glm::vec3& eye, const glm::vec3& p) {
  return distanceToSegment(glm::vec3(0.0f), eye, p) < std::min(1.0f, glm::length(p)) - 1e-3f;
}
}  // namespace

TEST(AssetgenFlight, LongEnoughForTheTables) {
  const FlightPaths f = buildFlight();
  EXPECT_GE(f.eye.size(), 85u);
  EXPECT_GE(f.lookAt.size(), f.eye.size());
}

TEST(AssetgenFlight, FocusLandsOnTheSubjectOutsideThePulls) {
  const FlightPaths f = buildFlight();
  for (size_t i = 0; i < f.eye.size(); ++i) {
    const float focus = glm::distance(f.lookAt[i], f.eye[i]) * focusForPoint(i);
    const float subject = glm::distance(f.subject[i], f.eye[i]);
    const bool pull = (i >= 28 && i <= 30) || (i >= 74 && i <= 80);
    const bool pinhole = focusForPoint(i) < 0.1f;  // focus at the eye: all sharp
    if (!pull && !pinhole) {
      EXPECT_NEAR(focus / subject, 1.0f, 0.01f) << "point " << i;
    }
  }
  // The pull at the end takes the focus from the Earth out past the far side
  // of the Moon's orbit.
  EXPECT_GT(glm::distance(f.lookAt[77], f.eye[77]) * focusForPoint(77),
            glm::length(f.eye[77]) + glm::length(moonStartCentre));
}

TEST(AssetgenFlight, FocusNeverRunsAwayBetweenPoints) {
  // The run interpolates look-at points and factors separately; halfway
  // between two points the focus must stay within reach of both ends.
  const FlightPaths f = buildFlight();
  for (size_t i = 0; i + 1 < f.eye.size(); ++i) {
    const float a = glm::distance(f.lookAt[i], f.eye[i]) * focusForPoint(i);
    const float b = glm::distance(f.lookAt[i + 1], f.eye[i + 1]) * focusForPoint(i + 1);
    const glm::vec3 eye = (f.eye[i] + f.eye[i + 1]) * 0.5f, lookAt = (f.lookAt[i] + f.lookAt[i + 1]) * 0.5f;
    const float mid = glm::distance(lookAt, eye) * (focusForPoint(i) + focusForPoint(i + 1)) * 0.5f;
    EXPECT_LT(mid, 4 * std::max(a, b) + 1.0f) << "between " << i << " and " << i + 1;
  }
}

TEST(AssetgenFlight, ShotsFrameTheirSubjectAtEveryFrameRate) {
  // The flight runs on the clock while the Moon and the missile take one
  // step a frame: at flight time T they have taken T x fps steps.
  const FlightPaths f = buildFlight();
  ASSERT_FALSE(f.shots.empty());
  FlownCamera flight(f);
  for (const Shot& shot : f.shots) {
    for (const int fps : {2, 30, 60, 144, 240}) {
      Object moonAt, missileAt;
      moonAt.setModelMatrix(moonStartMatrix());
      missileAt.setModelMatrix(missileStartMatrix());
      long taken = 0;
      for (double t = shot.first; t <= shot.last; t += 0.25) {
        for (; taken < static_cast<long>(t * fps); ++taken) stepSceneObjects(nullptr, &moonAt, &missileAt);
        const Camera& cam = flight.at(t);
        glm::vec3 subject;
        float radius = 0;
        switch (shot.subject) {
          case Subject::Fixed: {
            const size_t k = static_cast<size_t>(t);
            subject = glm::mix(f.subject[k], f.subject[std::min(k + 1, f.subject.size() - 1)], float(t - k));
            break;
          }
          case Subject::Missile:
            subject = glm::vec3(missileAt.modelMatrix[3]);
            radius = 5 * missileScale;  // half its length
            break;
          case Subject::Moon:
            subject = glm::vec3(moonAt.modelMatrix[3]);
            radius = moonScale;
            break;
          case Subject::Sun: subject = designLightPosition; break;
        }
        EXPECT_TRUE(inPicture(cam, subject, radius)) << shot.name << " at " << t << " s, " << fps << " fps";
        EXPECT_FALSE(behindTheEarth(cam.getPosition(), subject)) << shot.name << " at " << t << " s, " << fps << " fps";
      }
    }
  }
}

TEST(AssetgenFlight, OpeningShowsTheSunBesideTheEarthThenLosesIt) {
  const FlightPaths f = buildFlight();
  for (int i = 0; i <= 6; ++i) {
    const float limb = std::asin(1.07f / glm::length(f.eye[i])) / degree;
    const float sunFromEarth = offAxis(f, i, designLightPosition) - offAxis(f, i, glm::vec3(0));
    EXPECT_GT(sunFromEarth, limb + 10) << "point " << i;  // clear of the planet, its glow too
  }
  for (int i = 14; i <= 23; ++i) EXPECT_GT(offAxis(f, i, designLightPosition), 50.0f) << "point " << i;
}

TEST(AssetgenFlight, EyeNeverPassesThroughTheScene) {
  const FlightPaths f = buildFlight();
  const float orbit = glm::length(moonStartCentre);
  for (size_t i = 0; i + 1 < f.eye.size(); ++i) {
    for (int s = 0; s < 10; ++s) {
      const glm::vec3 p = glm::mix(f.eye[i], f.eye[i + 1], s / 10.0f);
      ASSERT_GT(glm::length(p), 1.2f) << "atmosphere near point " << i;
      // Wherever the frame rate has taken the Moon and the missile.
      const float offOrbit = glm::length(glm::vec2(glm::length(glm::vec2(p.x, p.z)) - orbit, p.y));
      ASSERT_GT(offOrbit, 0.5f) << "Moon's orbit near point " << i;
      ASSERT_GT(distanceToSegment(p, missileStartCentre, glm::vec3(1, 0, 0)), 0.2f) << "missile near point " << i;
      ASSERT_FALSE(insideShadow(p)) << "shadow volume near point " << i;
    }
    // The camera keeps world up as its up vector: never look straight up or
    // down, and never at the eye itself.
    const glm::vec3 view = f.lookAt[i] - f.eye[i];
    ASSERT_GT(glm::length(view), 1e-3f);
    EXPECT_LT(std::fabs(glm::normalize(view).y), 0.95f) << "point " << i;
  }
}
