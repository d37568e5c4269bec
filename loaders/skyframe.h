// The world frame: +X toward the J2000 March equinox, +Y toward the north
// celestial pole, +Z = X cross Y. The same in every mode, the demo's included.
#pragma once
#include <cmath>
#include <glm/glm.hpp>

// eq: x toward the equinox, y toward RA 6h, z toward the pole.
inline glm::dvec3 equatorialToWorld(const glm::dvec3& eq) { return glm::dvec3(eq.x, eq.z, -eq.y); }

inline glm::dvec3 raDecToWorld(double raRad, double decRad) {
  const double c = std::cos(decRad);
  return equatorialToWorld(glm::dvec3(c * std::cos(raRad), c * std::sin(raRad), std::sin(decRad)));
}
