#include "render/sunthroughair.h"

#include <algorithm>
#include <cmath>

namespace {
// Steps on each side of the ray's lowest point, crowded quadratically
// towards it: a grazing ray crosses nearly all its air within a few scale
// heights of that point.
constexpr int kSteps = 48;
// Points over the sun's disc.
constexpr int kDiscPoints = 48;

// Optical depth along o + t d for t in [from, to], crowded towards `from`.
Rgb depthAlong(const AtmosphereModel& model, const glm::dvec3& o, const glm::dvec3& d, double from, double to) {
  Rgb depth{0.0, 0.0, 0.0};
  const double span = to - from;
  if (!(span > 0.0)) return depth;
  for (int i = 0; i < kSteps; ++i) {
    const double s0 = static_cast<double>(i) / kSteps, s1 = static_cast<double>(i + 1) / kSteps;
    const double sm = 0.5 * (s0 + s1);
    const double dt = span * (s1 * s1 - s0 * s0);
    const Rgb k = extinctionAt(model, glm::length(o + d * (from + span * sm * sm)));
    for (int c = 0; c < 3; ++c) depth[c] += k[c] * dt;
  }
  return depth;
}
}  // namespace

bool rayMeetsEarth(const glm::dvec3& eye, const glm::dvec3& direction) {
  const double b = glm::dot(eye, direction);
  const glm::dvec3 closest = eye - direction * b;
  // From the closest approach: exact for an eye far from the planet.
  const double disc = 1.0 - glm::dot(closest, closest);
  if (disc < 0.0) return false;
  return -b + std::sqrt(disc) > 0.0 && (glm::dot(eye, eye) <= 1.0 || b < 0.0);
}

Rgb airTransmittanceToSpace(const AtmosphereModel& model, double r, double mu) {
  const glm::dvec3 o(0.0, r, 0.0);
  const double sine = std::sqrt(std::max(1.0 - mu * mu, 0.0));
  const glm::dvec3 d(sine, mu, 0.0);
  if (rayMeetsEarth(o, d)) return {0.0, 0.0, 0.0};
  const double shell = model.shellRadius;
  // The ray's stretch inside the shell, split at its lowest point.
  const double b = -mu * r;  // distance to the lowest point
  const double lowest2 = r * r * sine * sine;
  if (lowest2 >= shell * shell) return {1.0, 1.0, 1.0};
  const double half = std::sqrt(shell * shell - lowest2);
  const double entry = std::max(b - half, 0.0), exit = b + half;
  if (exit <= 0.0) return {1.0, 1.0, 1.0};
  const double low = std::clamp(b, entry, exit);
  // Each side crowded towards the lowest point.
  Rgb depth = depthAlong(model, o, d, low, exit);
  if (low > entry) {
    const Rgb before = depthAlong(model, o, -d, -low, -entry);
    for (int c = 0; c < 3; ++c) depth[c] += before[c];
  }
  return {std::exp(-depth[0]), std::exp(-depth[1]), std::exp(-depth[2])};
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
    const Rgb t = airTransmittanceToSpace(model, r, r > 0.0 ? glm::dot(eye, d) / r : 1.0);
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
