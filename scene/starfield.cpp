#include "scene/starfield.h"

#include <algorithm>
#include <cmath>

#include <glm/gtc/type_ptr.hpp>
#include <cstddef>
#include <map>

#include "gpu/shaderbuild.h"
#include "loaders/skyframe.h"

double magnitudeToFlux(double magnitude) { return std::pow(10.0, -0.4 * magnitude); }

double bvToTemperature(double bv) { return 4600.0 * (1.0 / (0.92 * bv + 1.7) + 1.0 / (0.92 * bv + 0.62)); }

namespace {
double lobe(double lambda, double mu, double below, double above) {
  const double t = (lambda - mu) / (lambda < mu ? below : above);
  return std::exp(-0.5 * t * t);
}
}  // namespace

glm::dvec3 temperatureToLinearRgb(double kelvin) {
  constexpr double c2 = 1.4387769e7;  // nm K
  glm::dvec3 xyz(0.0);
  for (double lambda = 380.0; lambda <= 780.0; lambda += 5.0) {
    const double planck = std::pow(lambda, -5.0) / std::expm1(c2 / (lambda * kelvin));
    const double x = 1.056 * lobe(lambda, 599.8, 37.9, 31.0) + 0.362 * lobe(lambda, 442.0, 16.0, 26.7) -
                     0.065 * lobe(lambda, 501.1, 20.4, 26.2);
    const double y = 0.821 * lobe(lambda, 568.8, 46.9, 40.5) + 0.286 * lobe(lambda, 530.9, 16.3, 31.1);
    const double z = 1.217 * lobe(lambda, 437.0, 11.8, 36.0) + 0.681 * lobe(lambda, 459.0, 26.0, 13.8);
    xyz += planck * glm::dvec3(x, y, z);
  }
  xyz /= xyz.y;
  const glm::dvec3 rgb(3.2406 * xyz.x - 1.5372 * xyz.y - 0.4986 * xyz.z,
                       -0.9689 * xyz.x + 1.8758 * xyz.y + 0.0415 * xyz.z,
                       0.0557 * xyz.x - 0.2040 * xyz.y + 1.0570 * xyz.z);
  return glm::max(rgb, glm::dvec3(0.0));
}

std::vector<StarVertex> starVertices(const std::vector<CatalogueStar>& stars) {
  // The catalogue has a handful of colour classes, and each black body's
  // colour costs a spectrum's integral: one per class.
  std::map<double, glm::dvec3> colours;
  std::vector<StarVertex> vertices;
  vertices.reserve(stars.size());
  for (const CatalogueStar& star : stars) {
    const double bv = colourClassBV(star.colourClass);
    auto colour = colours.find(bv);
    if (colour == colours.end()) colour = colours.emplace(bv, bvToLinearRgb(bv)).first;
    const glm::dvec3 light = colour->second * magnitudeToFlux(star.magnitude) * kZeroMagnitudeLight;
    vertices.push_back({glm::vec3(raDecToWorld(star.ra, star.dec)), glm::vec3(light)});
  }
  return vertices;
}

bool makeStarField(StarField& field, const std::vector<StarVertex>& vertices, GLuint program) {
  unloadStarField(field);
  if (program == 0) return false;
  field.program = program;
  field.skyViewProjection = glGetUniformLocation(program, "skyViewProjection");
  field.spriteSize = glGetUniformLocation(program, "spriteSize");
  field.kernelSigma = glGetUniformLocation(program, "kernelSigma");
  field.exposureAboveOne = glGetUniformLocation(program, "exposureAboveOne");
  field.starStops = glGetUniformLocation(program, "starStops");
  glGenBuffers(1, &field.vertexBuffer);
  glBindBuffer(GL_ARRAY_BUFFER, field.vertexBuffer);
  glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(vertices.size() * sizeof(StarVertex)), vertices.data(),
               GL_STATIC_DRAW);
  field.count = static_cast<GLsizei>(vertices.size());
  field.brightest = 0.0f;
  for (const StarVertex& v : vertices)
    field.brightest = std::max(field.brightest, std::max(v.light.r, std::max(v.light.g, v.light.b)));
  return true;
}

namespace {
// Linear light under half a step of an 8-bit display after the 2.2 gamma.
const float kBelowHalfAStep = std::pow(0.5f / 255.0f, 2.2f);
}  // namespace

bool starsShow(float brightest, float starStops) {
  // The kernel's centre weight; the shoulder is linear this far down, and
  // the exposure the shader divides out it multiplies back in.
  const float peak = 1.0f / (3.14159265f * 2.0f * kStarKernelSigma * kStarKernelSigma);
  return brightest * peak * std::exp2(starStops) >= kBelowHalfAStep;
}

float starCubeFade(float starStops) { return 1.0f - std::pow(std::exp2(starStops), 1.0f / 2.2f); }

bool starCubeShows(float starStops) { return (1.0f - starCubeFade(starStops)) * 255.0f >= 0.5f; }

bool loadStarField(StarField& field, const std::string& catalogue, const char* vertexShader, const char* fragmentShader,
                   std::string& error) {
  unloadStarField(field);
  std::vector<CatalogueStar> stars;
  if (!loadStarCatalogue(catalogue, stars, error)) return false;
  const GLuint program = buildShaderProgram(vertexShader, fragmentShader, "", ConsoleProgress::Quiet);
  if (program == 0) {
    error = std::string("the star program (") + vertexShader + ", " + fragmentShader + ") did not build";
    return false;
  }
  return makeStarField(field, starVertices(stars), program);
}

void unloadStarField(StarField& field) {
  glDeleteBuffers(1, &field.vertexBuffer);
  glDeleteProgram(field.program);
  field = StarField();
}

void drawStarField(const StarField& field, const PassState& step, const glm::mat4& skyViewProjection,
                   float exposure, float starStops) {
  if (field.count == 0 || !starsShow(field.brightest, starStops)) return;
  applyPassState(step);
#ifndef __EMSCRIPTEN__
  // WebGL always takes the vertex shader's point size; desktop GL needs this.
  glEnable(GL_PROGRAM_POINT_SIZE);
#endif
  glUseProgram(field.program);
  glUniformMatrix4fv(field.skyViewProjection, 1, GL_FALSE, glm::value_ptr(skyViewProjection));
  glUniform1f(field.spriteSize, kStarSpriteSize);
  glUniform1f(field.kernelSigma, kStarKernelSigma);
  glUniform1f(field.exposureAboveOne, exposure - 1.0f);
  glUniform1f(field.starStops, starStops);
  glBindBuffer(GL_ARRAY_BUFFER, field.vertexBuffer);
  glEnableVertexAttribArray(0);
  glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, sizeof(StarVertex),
                        reinterpret_cast<const void*>(offsetof(StarVertex, direction)));
  glEnableVertexAttribArray(1);
  glVertexAttribPointer(1, 3, GL_FLOAT, GL_FALSE, sizeof(StarVertex),
                        reinterpret_cast<const void*>(offsetof(StarVertex, light)));
  glDrawArrays(GL_POINTS, 0, field.count);
  glDisableVertexAttribArray(0);
  glDisableVertexAttribArray(1);
}
