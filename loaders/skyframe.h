// The world frame of the sky: J2000 equatorial axes laid onto the scene's axes.
// World +X points to the J2000 March equinox, +Y to the north celestial pole,
// +Z = X x Y; the equatorial frame's +Y (RA 6h) therefore lands on world -Z.
#pragma once

#include <cmath>

#include <glm/glm.hpp>

inline glm::dvec3 equatorialToWorld(const glm::dvec3& eq)
{
    return glm::dvec3(eq.x, eq.z, -eq.y);
}

inline glm::dvec3 raDecToWorld(double raRad, double decRad)
{
    const double c = std::cos(decRad);
    return equatorialToWorld(glm::dvec3(c * std::cos(raRad), c * std::sin(raRad), std::sin(decRad)));
}
