// Small tables of the air's light transport, built once at start-up on the
// CPU and uploaded as float textures that the atmosphere shaders read:
//
// - transmittance: the sunlight left after the path from radius r towards
//   the sun at zenith cosine mu, for mu from the horizon to the zenith (a sun
//   below the horizon sends its light along the grazing ray);
// - multipleScattering: the mean radiance of every order of scattered light
//   beyond the first at radius r, for the sun at zenith cosine mu, per unit
//   of sun irradiance; a point's source of that light is its scattering
//   coefficient times this (isotropic phase, infinite series of orders with
//   the ground's albedo in it);
// - groundIrradiance: the sky's irradiance on level ground, per unit of sun
//   irradiance, by the sun's zenith cosine (the Earth's surface is the unit
//   sphere, so the altitude is always 0).
//
// Every table is rows of RGBA floats (alpha 1), row 0 first. Texel i of a row
// of n lies at coordinate i / (n - 1): the end texels are exact at the ends
// of the range. The mappings below are the ones the GLSL readers use.
#pragma once
#include <vector>

#include "loaders/atmospheremodel.h"

struct SkyTable {
  int width = 0;
  int height = 0;
  std::vector<float> rgba;  // width * height * 4

  // Bilinear read at coordinates (x, y) in [0, 1], clamped to the table.
  Rgb at(double x, double y) const;
};

struct SkyTables {
  SkyTable transmittance;       // x: mu from the horizon, y: altitude
  SkyTable multipleScattering;  // x: sun zenith cosine, y: altitude
  SkyTable groundIrradiance;    // x: sun zenith cosine; one row
  double shellRadius = 1.07;    // the altitude rows span 1 to this: the model's, where the air ends
};

// Zenith cosine of the horizon at radius r >= 1 (negative above the ground).
double horizonCosine(double r);

// The coordinate of radius r: the square root of the altitude's fraction of
// the air (shellRadius: where it ends), so the dense air low down gets most
// rows.
double altitudeCoordinate(double r, double shellRadius);
// The coordinate of mu in the transmittance table at radius r: square root
// of its fraction of the way from the horizon to the zenith.
double transmittanceCoordinate(double r, double mu);
// The coordinate of a sun zenith cosine in the other two tables.
double sunCoordinate(double muSun);

// The sunlight (per unit irradiance) reaching radius r with the sun at
// zenith cosine mu, before the shadow's soft edge: below the horizon, the
// grazing ray's.
Rgb sunTransmittance(const SkyTables& tables, double r, double mu);

SkyTables buildSkyTables(const AtmosphereModel& model);

// The sizes the program builds.
constexpr int kTransmittanceWidth = 128, kTransmittanceHeight = 32;
constexpr int kMultipleScatteringWidth = 64, kMultipleScatteringHeight = 16;
constexpr int kGroundIrradianceWidth = 64;
