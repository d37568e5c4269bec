#include "scene/earthlayers.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "base/oftenused.h"
#include "loaders/ddstexture.h"
#include "loaders/dxtdecode.h"

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

// The layer's DXT5 file with its mip chain, as a two-channel texture of its
// green and alpha. A software rasteriser decodes a compressed block at every
// texel read, and the Earth reads these layers nine times a pixel: plain
// bytes cost a fraction of that, for 42 MB of texture memory against 22.
// 0 when the file cannot be read or is no DXT5 DDS.
GLuint loadLayerTexture(const char* path) {
  FILE* file = openFile(path, "rb");
  if (file == nullptr) return 0;
  std::vector<uint8_t> bytes;
  uint8_t chunk[1 << 16];
  size_t got = 0;
  while ((got = fread(chunk, 1, sizeof(chunk), file)) > 0) bytes.insert(bytes.end(), chunk, chunk + got);
  const bool failed = ferror(file) != 0;
  fclose(file);
  GLint maxTextureSize = 0;
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxTextureSize);
  DdsInfo info;
  if (failed || readDds(bytes.data(), bytes.size(), static_cast<uint32_t>(std::max(maxTextureSize, 0)), info) !=
                    DdsStatus::Ok ||
      info.format != dds::kFormatDXT5 || info.levels.empty())
    return 0;

  GLuint texture = 0;
  glGenTextures(1, &texture);
  glBindTexture(GL_TEXTURE_2D, texture);
  GLint unpackAlignment = 4;
  glGetIntegerv(GL_UNPACK_ALIGNMENT, &unpackAlignment);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);  // rows of two bytes a texel
  std::vector<uint8_t> rgba, rg;
  size_t uploaded = 0;
  for (const DdsLevel& level : info.levels) {
    const uint8_t* blocks = bytes.data() + dds::kDataOffset + level.offset;
    if (!decodeDxt(info.format, level.width, level.height, blocks, level.size, rgba)) break;
    rg.resize(rgba.size() / 2);
    for (size_t i = 0, n = rgba.size() / 4; i < n; ++i) {
      rg[2 * i] = rgba[4 * i + 1];
      rg[2 * i + 1] = rgba[4 * i + 3];
    }
    glTexImage2D(GL_TEXTURE_2D, static_cast<GLint>(uploaded), GL_RG8, static_cast<GLsizei>(level.width),
                 static_cast<GLsizei>(level.height), 0, GL_RG, GL_UNSIGNED_BYTE, rg.data());
    ++uploaded;
  }
  glPixelStorei(GL_UNPACK_ALIGNMENT, unpackAlignment);
  if (uploaded == 0) {
    glBindTexture(GL_TEXTURE_2D, 0);
    glDeleteTextures(1, &texture);
    return 0;
  }
  // A chain that stops early ends at its last level, or it samples black.
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, static_cast<GLint>(uploaded - 1));
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
  glBindTexture(GL_TEXTURE_2D, 0);
  return texture;
}

// The layer's texture, or the stand-in with a warning.
GLuint loadLayer(const char* path, uint8_t neutral, const char* without) {
  const GLuint texture = loadLayerTexture(path);
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
