#include "scene/earthlayers.h"

#include <cmath>
#include <cstdint>
#include <cstdio>

#include "gpu/textureupload.h"

std::string earthLayerDefines(const EarthLayerSwitches& switches) {
  std::string defines;
  if (switches.relief) defines += "#define EARTH_RELIEF 1\n";
  if (switches.clouds) defines += "#define EARTH_CLOUDS 1\n";
  if (switches.clouds && switches.cloudShadows) defines += "#define CLOUD_SHADOWS 1\n";
  return defines;
}

float cloudSeasonOfDay(double dayOfYear) {
  constexpr double kJuly = 196.0, kDecember = 349.0, kYear = 365.25;
  double d = std::fmod(dayOfYear - kJuly, kYear);
  if (!(d >= 0.0)) d = std::isfinite(d) ? d + kYear : 0.0;
  const double rise = kDecember - kJuly;
  // Half a cosine up from July to December, another down to the next July.
  const double t = d < rise ? d / rise : 1.0 + (d - rise) / (kYear - rise);
  return static_cast<float>(0.5 - 0.5 * std::cos(3.14159265358979323846 * t));
}

namespace {
// One texel of a layer's neutral value, for a file that could not be read:
// an unbound unit reads (0, 0, 0, 1), which the relief would take for steep
// slopes and the clouds for December's overcast.
GLuint neutralTexture(uint8_t value) {
  const uint8_t texel[4] = {value, value, value, value};
  GLuint texture = 0;
  glGenTextures(1, &texture);
  glBindTexture(GL_TEXTURE_2D, texture);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, 1, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, texel);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  glBindTexture(GL_TEXTURE_2D, 0);
  return texture;
}

// The layer's texture, or the stand-in with a warning (the DDS loader says
// nothing of a file it cannot open).
GLuint loadLayer(const char* path, uint8_t neutral, const char* without) {
  const GLuint texture = loadDdsTexture(path, false, ConsoleProgress::Quiet);
  if (texture != 0) return texture;
  fprintf(stderr, "WARNING: cannot read '%s': the Earth is drawn without %s\n", path, without);
  return neutralTexture(neutral);
}
}  // namespace

EarthLayers loadEarthLayers(const EarthLayerSwitches& switches) {
  EarthLayers layers;
  if (switches.relief) layers.relief = loadLayer(kReliefTextureFile, 128, "its relief");  // 128: no slope
  if (switches.clouds) layers.clouds = loadLayer(kCloudTextureFile, 0, "clouds");
  return layers;
}

void destroyEarthLayers(EarthLayers& layers) {
  GLuint names[] = {layers.relief, layers.clouds};
  glDeleteTextures(2, names);
  layers = EarthLayers();
}

namespace {
void bindLayer(GLuint program, const char* sampler, int unit, GLuint texture) {
  const GLint location = glGetUniformLocation(program, sampler);
  if (location < 0) return;
  glActiveTexture(GL_TEXTURE0 + unit);
  glBindTexture(GL_TEXTURE_2D, texture);
  glUniform1i(location, unit);
}
}  // namespace

void bindEarthLayers(const EarthLayers& layers, GLuint program) {
  if (program == 0) return;
  bindLayer(program, "reliefTexture", kReliefUnit, layers.relief);
  bindLayer(program, "cloudTexture", kCloudUnit, layers.clouds);
  const GLint season = glGetUniformLocation(program, "cloudSeason");
  if (season >= 0) glUniform1f(season, layers.season);
  glActiveTexture(GL_TEXTURE0);
}
