#include "render/sunthroughair.h"

#include <algorithm>
#include <cmath>

namespace {
// Points over the sun's disc.
constexpr int kDiscPoints = 48;
}  // namespace

bool rayMeetsEarth(const glm::dvec3& eye, const glm::dvec3& direction) {
  const double b = glm::dot(eye, direction);
  const glm::dvec3 closest = eye - direction * b;
  // From the closest approach: exact for an eye far from the planet.
  const double disc = 1.0 - glm::dot(closest, closest);
  if (disc < 0.0) return false;
  return -b + std::sqrt(disc) > 0.0 && (glm::dot(eye, eye) <= 1.0 || b < 0.0);
}

SunThroughAir sunThroughAir(const AtmosphereModel& model, const glm::dvec3& eye, const glm::dvec3& sunDirection) {
  SunThroughAir sun;
  sun.light = {0.0, 0.0, 0.0};
  // Two axes across the line of sight to the sun.
  const glm::dvec3 helper = std::abs(sunDirection.y) < 0.9 ? glm::dvec3(0, 1, 0) : glm::dvec3(1, 0, 0);
  const glm::dvec3 u = glm::normalize(glm::cross(sunDirection, helper));
  const glm::dvec3 v = glm::cross(sunDirection, u);
  const double r = glm::length(eye);
  int seen = 0;
  for (int i = 0; i < kDiscPoints; ++i) {
    // Equal areas of the disc, on a golden-angle spiral.
    const double radius = kSunAngularRadius * std::sqrt((i + 0.5) / kDiscPoints);
    const double bearing = i * 2.399963229728653;
    const glm::dvec3 d =
        glm::normalize(sunDirection + u * (radius * std::cos(bearing)) + v * (radius * std::sin(bearing)));
    if (rayMeetsEarth(eye, d)) continue;
    ++seen;
    const Rgb t = transmittanceToSpace(model, r, r > 0.0 ? glm::dot(eye, d) / r : 1.0, kSunRaySteps);
    for (int c = 0; c < 3; ++c) sun.light[c] += t[c] / kDiscPoints;
  }
  sun.visible = static_cast<double>(seen) / kDiscPoints;
  return sun;
}

glm::vec3 glowTint(const SunThroughAir& sun, double displayGamma) {
  glm::vec3 tint;
  for (int c = 0; c < 3; ++c)
    tint[c] = static_cast<float>(std::pow(std::clamp(sun.light[c], 0.0, 1.0), 1.0 / displayGamma));
  return tint;
}

float glowGreying(const glm::vec3& tint) {
  const float strongest = std::max(tint.r, std::max(tint.g, tint.b));
  if (!(strongest > 0.0f)) return 0.0f;
  // Blue's shortfall against the strongest channel: the air's reddening.
  return std::clamp(1.0f - tint.b / strongest, 0.0f, 1.0f);
}
