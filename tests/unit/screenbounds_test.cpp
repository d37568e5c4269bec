// The screen rectangle the auxiliary images are limited to: it must hold
// every pixel of the sphere's outline, and give up (whole window) whenever
// the projection cannot be trusted.
#include <gtest/gtest.h>

#include <cmath>
#include <glm/gtc/matrix_transform.hpp>

#include "gpu/screenbounds.h"

namespace {

constexpr int kW = 1024, kH = 768;
const ScreenRect kWhole{0, 0, kW, kH};

glm::mat4 viewProjection(const glm::vec3& eye, const glm::vec3& at) {
  return glm::perspective(glm::radians(65.0f), static_cast<float>(kW) / kH, 0.01f, 1000000.0f) *
         glm::lookAt(eye, at, glm::vec3(0, 1, 0));
}

// Window pixel of a world point.
glm::vec2 pixelOf(const glm::mat4& vp, const glm::vec3& p) {
  glm::vec4 c = vp * glm::vec4(p, 1.0f);
  return glm::vec2((c.x / c.w + 1.0f) * 0.5f * kW, (c.y / c.w + 1.0f) * 0.5f * kH);
}

bool inside(const ScreenRect& r, const glm::vec2& p) {
  return p.x >= r.x && p.x <= r.x + r.width && p.y >= r.y && p.y <= r.y + r.height;
}

}  // namespace

TEST(BoundingSphere, HoldsThePointsUnderScaleTurnAndMove) {
  const std::vector<glm::vec3> points = {{1, 0, 0}, {0, -2, 0}, {0.5f, 0.5f, 0.5f}};
  glm::mat4 model = glm::translate(glm::mat4(1.0f), glm::vec3(3, 4, 5));
  model = glm::rotate(model, 0.7f, glm::vec3(0, 0, 1));
  model = glm::scale(model, glm::vec3(1.07f, 0.5f, 2.0f));
  const BoundingSphere s = boundingSphere(points, model);
  EXPECT_EQ(s.centre, glm::vec3(3, 4, 5));
  EXPECT_FLOAT_EQ(s.radius, 4.0f);  // the farthest point, 2, times the largest axis, 2
  for (const glm::vec3& p : points)
    EXPECT_LE(glm::length(glm::vec3(model * glm::vec4(p, 1.0f)) - s.centre), s.radius + 1e-5f);
  EXPECT_EQ(boundingSphere({}, glm::mat4(1.0f)).radius, 0.0f);
}

TEST(SphereScreenRect, HoldsTheOutlineFromManyEyes) {
  const BoundingSphere shell{glm::vec3(0.0f), 1.07f};
  const glm::vec3 eyes[] = {{4, 0, 1}, {0, 0, 9}, {-3, 2, 2}, {1.5f, 0.2f, 1.2f}, {30, 5, -8}};
  for (const glm::vec3& eye : eyes) {
    SCOPED_TRACE(eye.x);
    const glm::mat4 vp = viewProjection(eye, glm::vec3(0, 0, 1));
    const ScreenRect rect = sphereScreenRect(shell, vp, kW, kH, 0);
    EXPECT_FALSE(rect == kWhole) << "a sphere well in front of the eye is bounded";
    // Points on the sphere's outline as seen from the eye.
    const glm::vec3 axis = glm::normalize(shell.centre - eye);
    const glm::vec3 side = glm::normalize(glm::cross(axis, glm::vec3(0.3f, 1, 0.1f)));
    const glm::vec3 other = glm::cross(axis, side);
    const float d = glm::length(shell.centre - eye);
    const float r = shell.radius * std::sqrt(1.0f - (shell.radius / d) * (shell.radius / d));
    const glm::vec3 rim = shell.centre - axis * (shell.radius * shell.radius / d);
    for (int k = 0; k < 64; ++k) {
      const float a = 6.2831853f * k / 64;
      const glm::vec2 p = pixelOf(vp, rim + r * (std::cos(a) * side + std::sin(a) * other));
      if (p.x < 0 || p.x > kW || p.y < 0 || p.y > kH) continue;  // off screen: clipped anyway
      EXPECT_TRUE(inside(rect, p)) << p.x << ", " << p.y;
    }
  }
}

TEST(SphereScreenRect, SmallAndFarIsSmallAndPaddedInsideTheWindow) {
  const glm::mat4 vp = viewProjection(glm::vec3(0, 0, 100), glm::vec3(0));
  const ScreenRect rect = sphereScreenRect({glm::vec3(0.0f), 1.0f}, vp, kW, kH, 4);
  EXPECT_NEAR(rect.x + rect.width / 2.0, kW / 2.0, 1.0);
  EXPECT_NEAR(rect.y + rect.height / 2.0, kH / 2.0, 1.0);
  EXPECT_LT(rect.width, 24);
  EXPECT_GT(rect.width, 8);
  // A sphere at the window's corner keeps to the window.
  const ScreenRect corner = sphereScreenRect({glm::vec3(60, 45, 0), 5.0f}, vp, kW, kH, 4);
  EXPECT_GE(corner.x, 0);
  EXPECT_LE(corner.x + corner.width, kW);
  EXPECT_LE(corner.y + corner.height, kH);
  // Wholly off screen: an empty rectangle, nothing to draw.
  const ScreenRect gone = sphereScreenRect({glm::vec3(500, 0, 0), 1.0f}, vp, kW, kH, 4);
  EXPECT_TRUE(gone.width == 0 || gone.height == 0);
}

TEST(SphereScreenRect, WholeWindowWhenTheEyeIsInsideOrTheNumbersAreBad) {
  const glm::mat4 vp = viewProjection(glm::vec3(0, 0, 1.02f), glm::vec3(0, 0, 0));
  EXPECT_EQ(sphereScreenRect({glm::vec3(0.0f), 1.07f}, vp, kW, kH, 4), kWhole);
  // Beside the eye: part of the sphere lies behind the eye plane.
  const glm::mat4 grazing = viewProjection(glm::vec3(1.5f, 0, 0), glm::vec3(1.5f, 0, -1));
  EXPECT_EQ(sphereScreenRect({glm::vec3(0.0f), 1.07f}, grazing, kW, kH, 4), kWhole);
  EXPECT_EQ(sphereScreenRect({glm::vec3(0, 0, -5), NAN}, vp, kW, kH, 4), kWhole);
  EXPECT_EQ(sphereScreenRect({glm::vec3(0, 0, -5), INFINITY}, vp, kW, kH, 4), kWhole);
  EXPECT_EQ(sphereScreenRect({glm::vec3(NAN), 1.0f}, vp, kW, kH, 4), kWhole);
}
