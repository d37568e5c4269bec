#include "scene/earthlayers.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <system_error>
#include <thread>
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

// The layer's DXT5 file with its mip chain, decoded to two channels (its
// green and alpha) a texel. A software rasteriser decodes a compressed block
// at every texel read, and the Earth reads these layers nine times a pixel:
// plain bytes cost a fraction of that, for 42 MB of texture memory against
// 22. No GL here, so that the two layers decode on two threads.
struct DecodedLayer {
  struct Level {
    uint32_t width = 0, height = 0;
    std::vector<uint8_t> rg;
  };
  std::vector<Level> levels;  // empty when the file cannot be read or is no DXT5 DDS
};

DecodedLayer decodeLayerFile(const char* path, uint32_t maxTextureSize) {
  DecodedLayer layer;
  FILE* file = openFile(path, "rb");
  if (file == nullptr) return layer;
  std::vector<uint8_t> bytes;
  uint8_t chunk[1 << 16];
  size_t got = 0;
  while ((got = fread(chunk, 1, sizeof(chunk), file)) > 0) bytes.insert(bytes.end(), chunk, chunk + got);
  const bool failed = ferror(file) != 0;
  if (fclose(file) != 0 || failed) return layer;
  DdsInfo info;
  if (readDds(bytes.data(), bytes.size(), maxTextureSize, info) != DdsStatus::Ok ||
      info.format != dds::kFormatDXT5 || info.levels.empty())
    return layer;
  std::vector<uint8_t> rgba;
  for (const DdsLevel& level : info.levels) {
    const uint8_t* blocks = bytes.data() + dds::kDataOffset + level.offset;
    if (!decodeDxt(info.format, level.width, level.height, blocks, level.size, rgba)) break;
    DecodedLayer::Level out{level.width, level.height, std::vector<uint8_t>(rgba.size() / 2)};
    for (size_t i = 0, n = rgba.size() / 4; i < n; ++i) {
      out.rg[2 * i] = rgba[4 * i + 1];
      out.rg[2 * i + 1] = rgba[4 * i + 3];
    }
    layer.levels.push_back(std::move(out));
  }
  return layer;
}

// The decoded levels as a texture; 0 when there are none. A chain that
// stopped early ends at its last level.
GLuint uploadLayer(const DecodedLayer& layer) {
  if (layer.levels.empty()) return 0;
  GLuint texture = 0;
  glGenTextures(1, &texture);
  glBindTexture(GL_TEXTURE_2D, texture);
  GLint unpackAlignment = 4;
  glGetIntegerv(GL_UNPACK_ALIGNMENT, &unpackAlignment);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);  // rows of two bytes a texel
  GLint level = 0;
  for (const DecodedLayer::Level& l : layer.levels)
    glTexImage2D(GL_TEXTURE_2D, level++, GL_RG8, static_cast<GLsizei>(l.width), static_cast<GLsizei>(l.height), 0,
                 GL_RG, GL_UNSIGNED_BYTE, l.rg.data());
  glPixelStorei(GL_UNPACK_ALIGNMENT, unpackAlignment);
  // A chain that stops early ends at its last level, or it samples black.
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, level - 1);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
  glBindTexture(GL_TEXTURE_2D, 0);
  return texture;
}

// The layer's texture, or the stand-in with a warning.
GLuint uploadOrStandIn(const DecodedLayer& layer, const char* path, uint8_t neutral, const char* without) {
  const GLuint texture = uploadLayer(layer);
  if (texture != 0) return texture;
  fprintf(stderr, "WARNING: cannot read '%s': the Earth is drawn without %s\n", path, without);
  return neutralTexture(neutral);
}
}  // namespace

EarthLayers loadEarthLayers(const EarthLayerSwitches& switches) {
  GLint maxTextureSize = 0;
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxTextureSize);
  const uint32_t largest = static_cast<uint32_t>(std::max(maxTextureSize, 0));
  DecodedLayer relief, clouds;
  auto decodeRelief = [&] { relief = decodeLayerFile(kReliefTextureFile, largest); };
  if (switches.relief && switches.clouds) {
    // The relief on a second thread while this one decodes the clouds: each
    // takes about a tenth of a second. The page's build has no threads.
#if defined(__EMSCRIPTEN__) && !defined(__EMSCRIPTEN_PTHREADS__)
    decodeRelief();
    clouds = decodeLayerFile(kCloudTextureFile, largest);
#else
    std::thread second;
    try {
      second = std::thread(decodeRelief);
    } catch (const std::system_error&) {
      decodeRelief();  // no thread to be had: one after the other
    }
    clouds = decodeLayerFile(kCloudTextureFile, largest);
    if (second.joinable()) second.join();
#endif
  } else if (switches.relief) {
    decodeRelief();
  } else if (switches.clouds) {
    clouds = decodeLayerFile(kCloudTextureFile, largest);
  }
  EarthLayers layers;
  if (switches.relief) layers.relief = uploadOrStandIn(relief, kReliefTextureFile, 128, "its relief");  // 128: no slope
  if (switches.clouds) layers.clouds = uploadOrStandIn(clouds, kCloudTextureFile, 0, "clouds");
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
