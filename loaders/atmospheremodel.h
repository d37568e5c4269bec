// The air as the atmosphere shaders define it, read from their GLSL `const`
// lines so that the tables built on the CPU and the shaders that read them
// share one source. Plain data and plain functions: no GL.
#pragma once
#include <array>
#include <string>
#include <string_view>

using Rgb = std::array<double, 3>;

struct AtmosphereModel {
  double airScale = 1.0;        // the heights' stretch against the Earth's (AIR_SCALE)
  double sunIntensity = 0.0;    // irradiance of the sun in display units
  double rayleighHeight = 0.0;  // scale heights in planet radii (planet radius 1)
  double mieHeight = 0.0;
  Rgb rayleighScattering{};  // per planet radius at sea level; no absorption
  double mieScattering = 0.0;
  double mieExtinction = 0.0;
  Rgb ozoneAbsorption{};  // per planet radius at the layer's peak density
  double ozoneBottom = 0.0, ozonePeak = 0.0, ozoneTop = 0.0;  // altitudes in planet radii
  double mieG = 0.0;           // asymmetry of the Cornette-Shanks phase
  double groundAlbedo = 0.0;   // the Earth as the air sees it, grey
  double shoulderStart = 0.0;  // tone curve: linear up to here, then rolls off to 1
  double displayGamma = 0.0;   // encode(x) = x^(1/gamma)
  double shadowInner = 0.0;    // the sun ray's closest approach to the centre
  double shadowOuter = 0.0;    // over which the sun sets (soft shadow edge)
  // Where the air ends: the atmosphere object's radius, from the scene, or
  // airTopHeights Rayleigh scale heights up if that is lower (set by the
  // parse, as the shaders' airTop has it).
  double shellRadius = 1.07;
};

// Reads the model from GLSL source. Understands `const float|vec2|vec3 NAME =
// EXPRESSION;` lines at file level, where expressions are numbers, earlier
// constants, vec2/vec3 constructors, + - * / and parentheses, and `#define
// NAME EXPRESSION` lines, the first of a name winning (as the guard
// `#ifndef NAME` around a default leaves it). False, with the missing or
// unreadable constant's name in `problem`, when one is absent.
bool parseAtmosphereModel(std::string_view glsl, AtmosphereModel& model, std::string& problem);

// The line the programs that include the model are built with, and that the
// tables' parse reads ahead of the model's source: "#define AIR_SCALE 4.8\n".
std::string airScaleDefines(double airScale);

// The model from its GLSL file at an air scale, inside the atmosphere
// object's shell: what the sky's tables and the sun glow both take. False
// when it cannot be had: `problem` then names the constant (a shell at or
// below the ground as airTopHeights, as the parse has it), or is empty when
// the file itself cannot be read (the shader loader says so when it builds
// the programs).
bool readAtmosphereModel(const char* path, double shellRadius, double airScale, AtmosphereModel& model,
                         std::string& problem);

// Density relative to sea level at radius r for a scale height. The air ends
// at the shell: the exponential is lowered by its value there, so that the
// halo fades to nothing at the shell's edge instead of being cut off.
double airDensity(double r, double height, double shellRadius);

// Ozone's density relative to its peak at radius r: the layer's tent.
double ozoneDensity(const AtmosphereModel& m, double r);

// Scattering and extinction (ozone's absorption included) per planet radius
// at radius r.
Rgb scatteringAt(const AtmosphereModel& m, double r);
Rgb extinctionAt(const AtmosphereModel& m, double r);

// The sunlight left (per unit) after the straight path from radius r >= 1
// at zenith cosine mu out through the shell: zero when the ray meets the
// ground. Midpoint steps on each side of the ray's lowest point, crowded
// towards it; from an eye outside the shell the near side starts where the
// ray enters the air. The default is the tests' fine quadrature; a few dozen
// steps stay within 1e-3 for the handful of rays a frame takes.
Rgb transmittanceToSpace(const AtmosphereModel& m, double r, double mu, int steps = 2000);

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
