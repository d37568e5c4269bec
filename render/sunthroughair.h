// The sun as an eye sees it through the air: the light the air leaves of it
// along the ray to the eye (dimmed, reddened) and the share of its disc the
// Earth's limb leaves in view, from the one atmosphere model. Plain
// functions; the sun glow and its flare are drawn at what they give.
#pragma once
#include <glm/glm.hpp>

#include "loaders/atmospheremodel.h"

// Steps on each side of a ray's lowest point for the sun's rays: within
// 1e-3 of the fine quadrature for grazing rays at either air scale, and
// cheap enough for the disc's points every frame.
inline constexpr int kSunRaySteps = 48;

// The sun's angular radius, in radians.
inline constexpr double kSunAngularRadius = 4.65e-3;

struct SunThroughAir {
  // The sun's light reaching the eye over that of the bare sun, per colour:
  // the disc's mean transmittance, its hidden part counted as dark.
  Rgb light{1.0, 1.0, 1.0};
  // The share of the disc not behind the Earth.
  double visible = 1.0;
};
// The sun in direction sunDirection (unit length, from the Earth's centre:
// the sun is far) from an eye at `eye`, the Earth a unit sphere about the
// origin. The disc is sampled at fixed points spread evenly over it, so the
// light fades smoothly as the sun sets behind the limb.
SunThroughAir sunThroughAir(const AtmosphereModel& model, const glm::dvec3& eye, const glm::dvec3& sunDirection);

// Whether the ray from eye along direction meets the Earth (a unit sphere
// about the origin) in front of the eye.
bool rayMeetsEarth(const glm::dvec3& eye, const glm::dvec3& direction);

// The factor on a glow sprite's colour (display values, added over the
// picture) for a sun of this light: its gamma-encoded value, so that the
// sprite adds the light the air left. 1 for the bare sun.
glm::vec3 glowTint(const SunThroughAir& sun, double displayGamma);

// How far the glow's sprites are turned to grey before the tint colours
// them: 0 for a white sun (the sprites' own blue-white), up to 1 as the air
// reddens it, so that a setting sun's glow goes orange rather than pink
// (the red tint on the sprites' lavender).
float glowGreying(const glm::vec3& tint);
