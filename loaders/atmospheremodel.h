// The air as the atmosphere shaders define it, read from their GLSL `const`
// lines so that the tables built on the CPU and the shaders that read them
// share one source. Plain data and plain functions: no GL.
#pragma once
#include <array>
#include <string>
#include <string_view>

using Rgb = std::array<double, 3>;

struct AtmosphereModel {
  double sunIntensity = 0.0;    // irradiance of the sun in display units
  double rayleighHeight = 0.0;  // scale heights in planet radii (planet radius 1)
  double mieHeight = 0.0;
  Rgb rayleighScattering{};  // per planet radius at sea level; no absorption
  double mieScattering = 0.0;
  double mieExtinction = 0.0;
  double mieG = 0.0;           // asymmetry of the Cornette-Shanks phase
  double groundAlbedo = 0.0;   // the Earth as the air sees it, grey
  double shoulderStart = 0.0;  // tone curve: linear up to here, then rolls off to 1
  double displayGamma = 0.0;   // encode(x) = x^(1/gamma)
  double shadowInner = 0.0;    // the sun ray's closest approach to the centre
  double shadowOuter = 0.0;    // over which the sun sets (soft shadow edge)
  double shellRadius = 1.07;   // the atmosphere object's radius, from the scene
};

// Reads the model from GLSL source. Understands `const float|vec2|vec3 NAME =
// EXPRESSION;` lines at file level, where expressions are numbers, earlier
// constants, vec2/vec3 constructors, + - * / and parentheses. False, with the
// missing or unreadable constant's name in `problem`, when one is absent.
bool parseAtmosphereModel(std::string_view glsl, AtmosphereModel& model, std::string& problem);

// Density relative to sea level at radius r for a scale height. The air ends
// at the shell: the exponential is lowered by its value there, so that the
// halo fades to nothing at the shell's edge instead of being cut off.
double airDensity(double r, double height, double shellRadius);

// Scattering and extinction per planet radius at radius r.
Rgb scatteringAt(const AtmosphereModel& m, double r);
Rgb extinctionAt(const AtmosphereModel& m, double r);

// Phase functions (normalised over the sphere) of the angle cosine nu
// between the light's direction and the viewing direction.
double rayleighPhase(double nu);
double miePhase(double g, double nu);

// The sun's visible fraction at a point whose sun ray passes the planet's
// centre at `closest` radii (2 when the sun is above the horizon): the soft
// edge of the Earth's shadow.
double sunVisibility(const AtmosphereModel& m, double closest);

// The displayed 8-bit value (0..255, unrounded) of a linear radiance.
double displayValue(const AtmosphereModel& m, double radiance);
