// The catalogue's stars as points of light behind everything: the plain maths
// from magnitude and B-V to linear light, and the points' buffer and program.
#pragma once
#include <GL/glew.h>

#include <glm/glm.hpp>
#include <string>
#include <vector>

#include "loaders/starcatalogue.h"
#include "gpu/passstate.h"

// Linear light of a star relative to one of magnitude 0: a factor 2.512 (the
// fifth root of 100) a magnitude.
double magnitudeToFlux(double magnitude);
// Effective temperature in kelvin from B-V (Ballesteros 2012, a black body
// fitted to main-sequence colours).
double bvToTemperature(double bv);
// A black body's colour in linear sRGB (D65 white), scaled to luminance 1:
// Planck's law through the CIE 1931 observer (Wyman, Sloan and Shirley's
// analytic fits), negatives clipped.
glm::dvec3 temperatureToLinearRgb(double kelvin);
inline glm::dvec3 bvToLinearRgb(double bv) { return temperatureToLinearRgb(bvToTemperature(bv)); }

// The kernel each star's light is spread over, in pixels of the pass target:
// a Gaussian of this sigma, cut at the sprite's square. Fixed in pixels, so a
// star stays a point at any field of view or target size.
inline constexpr float kStarKernelSigma = 0.65f;
inline constexpr float kStarSpriteSize = 5.0f;
// The light of a magnitude-0 star summed over its kernel: its brightest
// pixel about 1 (white) when centred, magnitude 6 about 20 of 255 on screen.
inline constexpr double kZeroMagnitudeLight = 2.6;

struct StarVertex {
  glm::vec3 direction;  // world frame, unit length
  glm::vec3 light;      // linear, summed over the kernel
};
std::vector<StarVertex> starVertices(const std::vector<CatalogueStar>& stars);

// Whether anything of the stars reaches the 8-bit picture at their share
// of light (starStops, the exposure included as the star shader has it):
// the brightest star's centre pixel (brightest: its largest channel of
// linear light) against half a step of the display after the gamma. Beside
// a sunlit Earth the automatic exposure leaves them 2^-22 of their light,
// and a pass need not draw them.
bool starsShow(float brightest, float starStops);
// The same for the star cube, whose display colour the passes scale by the
// stars' share after the gamma (1 - starFade).
float starCubeFade(float starStops);
bool starCubeShows(float starStops);

struct StarField {
  GLuint program = 0;
  GLuint vertexBuffer = 0;
  GLsizei count = 0;
  float brightest = 0.0f;  // the largest channel of any star's light
  GLint skyViewProjection = -1, spriteSize = -1, kernelSigma = -1;
  GLint exposureAboveOne = -1, starStops = -1;
};

// The points from the catalogue file and the program from the two shader
// files; false with why in error, and then nothing is made.
bool loadStarField(StarField& field, const std::string& catalogue, const char* vertexShader, const char* fragmentShader,
                   std::string& error);
// The points and program given (the program is the field's from then on).
bool makeStarField(StarField& field, const std::vector<StarVertex>& vertices, GLuint program);
void unloadStarField(StarField& field);

// Adds the stars' light to the bound target with the step's state.
// skyViewProjection: the view's rotation and projection; stars lie at
// infinity, so the eye's place does not matter, only where it looks. Draws
// nothing for an empty field. exposure: the frame's (1 the design's look);
// starStops: the stars' share of their design light at it, in stops.
void drawStarField(const StarField& field, const PassState& step, const glm::mat4& skyViewProjection,
                   float exposure = 1.0f, float starStops = 0.0f);
