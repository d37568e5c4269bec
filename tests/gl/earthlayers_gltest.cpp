// The Earth's clouds on the real driver: a cloud's shadow falls on the side
// of it away from the sun, and the layers' switches build.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <glm/gtc/matrix_transform.hpp>
#include <glm/gtc/type_ptr.hpp>
#include <vector>

#include "gpu/shaderbuild.h"
#include "loaders/atmospheremodel.h"
#include "tests/ddsbytes.h"
#include "scene/earthlayers.h"
#include "scene/trianglemesh.h"
#include "tests/gl/glfixture.h"

namespace {
constexpr float kPi = 3.14159265f;
constexpr int kSize = 64;

// A sphere mapped as the generated Earth is: u from 180 degrees west
// eastwards, v = 1 at the north pole.
TriangleMesh earthSphere(int slices, int stacks) {
  std::vector<glm::vec3> positions, normals;
  std::vector<glm::vec2> uvs;
  std::vector<unsigned int> indices;
  for (int j = 0; j <= stacks; ++j)
    for (int i = 0; i <= slices; ++i) {
      const float u = float(i) / slices, v = float(j) / stacks;
      const float lon = 2 * kPi * u - kPi, lat = kPi * (v - 0.5f);
      const glm::vec3 p(std::sin(lon) * std::cos(lat), std::sin(lat), std::cos(lon) * std::cos(lat));
      positions.push_back(p);
      normals.push_back(p);
      uvs.emplace_back(u, v);
    }
  for (int j = 0; j < stacks; ++j)
    for (int i = 0; i < slices; ++i) {
      const unsigned a = j * (slices + 1) + i, b = a + slices + 1;
      indices.insert(indices.end(), {a, a + 1, b + 1, a, b + 1, b});
    }
  TriangleMesh mesh;
  mesh.create(positions, uvs, normals, indices);
  return mesh;
}

GLuint texture2d(int w, int h, const std::vector<uint8_t>& rgba) { return gltest::rgbaTexture(w, h, rgba); }

// One cloud, 2 degrees in radius, at longitude 0 on the equator, in July's
// (red) and December's (green) opacity as the loader lays them out; or none.
GLuint cloudMap(bool withCloud) {
  const int w = 1024, h = 512;
  std::vector<uint8_t> rgba(w * h * 4, 0);
  for (int y = 0; y < h && withCloud; ++y)
    for (int x = 0; x < w; ++x) {
      const float lon = 360.0f * (x + 0.5f) / w - 180.0f, lat = 180.0f * (y + 0.5f) / h - 90.0f;
      if (lon * lon + lat * lat < 4.0f) rgba[(y * w + x) * 4] = rgba[(y * w + x) * 4 + 1] = 255;
    }
  return texture2d(w, h, rgba);
}

// The ground's red along the equator, looking straight down on longitude 0
// across 11.4 degrees, with the sun low in the east or the west.
std::vector<float> equatorRow(GLuint program, GLuint clouds, float sunLongitude) {
  gltest::Offscreen target = gltest::beginOffscreen(kSize);

  glUseProgram(program);
  const glm::mat4 view = glm::lookAt(glm::vec3(0, 0, 3), glm::vec3(0), glm::vec3(0, 1, 0));
  const glm::mat4 projection = glm::ortho(-0.1f, 0.1f, -0.1f, 0.1f, 0.5f, 5.0f);
  const glm::mat4 model(1.0f);
  const glm::mat4 mvp = projection * view * model;
  glUniformMatrix4fv(glGetUniformLocation(program, "MVP"), 1, GL_FALSE, glm::value_ptr(mvp));
  glUniformMatrix4fv(glGetUniformLocation(program, "M"), 1, GL_FALSE, glm::value_ptr(model));
  glUniformMatrix4fv(glGetUniformLocation(program, "V"), 1, GL_FALSE, glm::value_ptr(view));
  const float lon = sunLongitude * kPi / 180;
  const glm::vec3 sun = 1e5f * glm::vec3(std::sin(lon), 0, std::cos(lon));
  glUniform3f(glGetUniformLocation(program, "lightPos_worldspace"), sun.x, sun.y, sun.z);
  glUniform2f(glGetUniformLocation(program, "validityChecker"), 1.0f, 0.0f);
  GLuint grey = texture2d(1, 1, {128, 128, 128, 255}), land = texture2d(1, 1, {0, 0, 0, 255});
  glActiveTexture(GL_TEXTURE0);
  glBindTexture(GL_TEXTURE_2D, grey);
  glUniform1i(glGetUniformLocation(program, "diffuseTexture"), 0);
  glActiveTexture(GL_TEXTURE1);
  glBindTexture(GL_TEXTURE_2D, land);
  glUniform1i(glGetUniformLocation(program, "specularTexture"), 1);
  // No sky light: a sampler left at unit 0 would read the ground's colour as
  // the sky's, and drown the shadow.
  glActiveTexture(GL_TEXTURE11);
  glBindTexture(GL_TEXTURE_2D, 0);
  glUniform1i(glGetUniformLocation(program, "groundIrradianceTable"), 11);
  EarthLayers layers;
  layers.clouds = clouds;
  bindEarthLayers(layers, program);

  TriangleMesh sphere = earthSphere(360, 180);
  sphere.draw();
  const std::vector<uint8_t> pixels = gltest::readOffscreen(target);
  std::vector<float> row(kSize);
  for (int x = 0; x < kSize; ++x) row[x] = pixels[(kSize / 2 * kSize + x) * 4];

  sphere.release();
  GLuint names[] = {grey, land};
  glDeleteTextures(2, names);
  return row;
}

GLuint earthProgram(const EarthLayerSwitches& switches, double airScale = 1.0) {
  const std::string v = ORBISK_SOURCE_DIR "/data/vShaderIndexedShading.glsl";
  const std::string f = ORBISK_SOURCE_DIR "/data/fShaderIndexedShading.glsl";
  const std::string defines = earthLayerDefines(switches) + airScaleDefines(airScale);
  GLuint program = 0;
  gltest::capture([&] { program = buildShaderProgram(v.c_str(), f.c_str(), defines); });
  return program;
}

TEST(EarthClouds, AShadowFallsOnTheSideAwayFromTheSun) {
  // The cloud layer lies 0.6 Rayleigh scale heights up: in the Earth's air
  // (5 km) a sun 10 degrees high moves the shadow 0.25 degrees, less than
  // one of this small picture's coarse cloud texels; the design's thick air
  // moves it 1.2 degrees.
  const GLuint program = earthProgram({false, true, true}, 4.8);
  ASSERT_NE(program, 0u);
  const GLuint cloudy = cloudMap(true), clear = cloudMap(false);
  // The view spans 11.46 degrees: the pixels 2.7 degrees either side of the
  // cloud's centre lie outside it, 0.7 degrees from its edge.
  const int west = static_cast<int>(kSize / 2 - 2.7f / 11.46f * kSize), east = kSize - 1 - west;
  struct Case {
    float sunLongitude;  // degrees: the sun 10 degrees above the horizon
    int shadowed, lit;
  } cases[] = {{80, west, east}, {-80, east, west}};
  for (const Case& k : cases) {
    const std::vector<float> with = equatorRow(program, cloudy, k.sunLongitude);
    const std::vector<float> without = equatorRow(program, clear, k.sunLongitude);
    ASSERT_GT(without[k.shadowed], 8.0f) << "the ground must be lit for a shadow to show";
    EXPECT_LT(with[k.shadowed], 0.7f * without[k.shadowed]) << "sun at " << k.sunLongitude;
    EXPECT_NEAR(with[k.lit], without[k.lit], 2.0f) << "sun at " << k.sunLongitude;
    // The cloud itself, lit, is brighter than the grey ground beside it.
    EXPECT_GT(with[kSize / 2], without[kSize / 2]);
  }
  GLuint names[] = {cloudy, clear};
  glDeleteTextures(2, names);
  glDeleteProgram(program);
}

class EarthLayerFiles : public gltest::FolderTest {};

// Without the generated files the layers stand in flat and clear.
TEST_F(EarthLayerFiles, MissingFilesStandInFlatAndClear) {
  const std::string here = std::filesystem::current_path().string();
  std::filesystem::current_path(dir);
  EarthLayers layers;
  const gltest::Captured said = gltest::capture([&] { layers = loadEarthLayers(EarthLayerSwitches()); });
  std::filesystem::current_path(here);
  EXPECT_NE(said.err.find(kReliefTextureFile), std::string::npos) << said.err;
  struct Case {
    GLuint texture;
    uint8_t value;
  } cases[] = {{layers.relief, 128}, {layers.clouds, 0}};
  for (const Case& k : cases) {
    ASSERT_NE(k.texture, 0u);
    uint8_t texel[4] = {1, 1, 1, 1};
    glBindTexture(GL_TEXTURE_2D, k.texture);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, texel);
    for (uint8_t c : texel) EXPECT_EQ(c, k.value);
  }
  destroyEarthLayers(layers);
  EXPECT_EQ(layers.relief, 0u);
  EXPECT_EQ(layers.clouds, 0u);
}

// A DXT5 file of 8 x 8 texels, every block red 255, green 130 and alpha
// 200, with its chain of four levels cut to `levels`, as the layer files are
// written.
std::vector<uint8_t> layerFile(int levels) {
  ddstest::Fields f;
  f.width = f.height = 8;
  f.linearSize = 64;
  f.mipMapCount = 4;
  f.fourCC = dds::kFourCCDXT5;
  const int blocks[] = {4, 1, 1, 1};
  int count = 0;
  for (int i = 0; i < levels; ++i) count += blocks[i];
  std::vector<uint8_t> file = ddstest::bytes(f, 16 * count);
  const uint16_t colour = (31 << 11) | (32 << 5);  // 565: green 32 of 63 decodes to 130
  for (int b = 0; b < count; ++b) {
    uint8_t* block = file.data() + dds::kDataOffset + 16 * b;
    const uint8_t bytes[16] = {200, 200, 0, 0, 0, 0, 0, 0, uint8_t(colour), uint8_t(colour >> 8),
                               uint8_t(colour), uint8_t(colour >> 8), 0, 0, 0, 0};
    std::copy(bytes, bytes + 16, block);
  }
  return file;
}

// The layers load as two plain channels, the file's green and alpha, with
// the chain the file holds; what is no DXT5 layer stands in clear.
TEST_F(EarthLayerFiles, LayersLoadAsTheirGreenAndAlphaWithTheirChain) {
  std::filesystem::create_directories(dir + "/textures");
  struct Case {
    const char* name;
    std::vector<uint8_t> file;
    int maxLevel;  // -1: the stand-in
  } cases[] = {{"the whole chain", layerFile(4), 3},
               {"two levels", layerFile(2), 1},
               {"DXT1", [] {
                  std::vector<uint8_t> f = layerFile(4);
                  ddstest::putU32(f, 84, dds::kFourCCDXT1);
                  return f;
                }(), -1},
               {"cut inside the first level", [] {
                  std::vector<uint8_t> f = layerFile(1);
                  f.resize(f.size() - 8);
                  return f;
                }(), -1}};
  const std::string here = std::filesystem::current_path().string();
  for (const Case& k : cases) {
    std::ofstream(dir + "/" + kCloudTextureFile, std::ios::binary)
        .write(reinterpret_cast<const char*>(k.file.data()), static_cast<std::streamsize>(k.file.size()));
    std::filesystem::current_path(dir);
    EarthLayers layers;
    const gltest::Captured said = gltest::capture([&] { layers = loadEarthLayers({false, true, true}); });
    std::filesystem::current_path(here);
    ASSERT_NE(layers.clouds, 0u) << k.name;
    glBindTexture(GL_TEXTURE_2D, layers.clouds);
    uint8_t texel[2] = {1, 1};
    if (k.maxLevel < 0) {
      EXPECT_NE(said.err.find(kCloudTextureFile), std::string::npos) << k.name << ": " << said.err;
      glGetTexImage(GL_TEXTURE_2D, 0, GL_RG, GL_UNSIGNED_BYTE, texel);
      EXPECT_EQ(texel[0], 0) << k.name;
      EXPECT_EQ(texel[1], 0) << k.name;
    } else {
      EXPECT_EQ(said.err, "") << k.name;
      GLint format = 0, maxLevel = 0;
      glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT, &format);
      glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, &maxLevel);
      EXPECT_EQ(format, GL_RG8) << k.name;
      EXPECT_EQ(maxLevel, k.maxLevel) << k.name;
      for (int level = 0; level <= k.maxLevel; ++level) {
        std::vector<uint8_t> rg(2 * (8 >> level) * (8 >> level), 1);
        glGetTexImage(GL_TEXTURE_2D, level, GL_RG, GL_UNSIGNED_BYTE, rg.data());
        EXPECT_EQ(rg.front(), 130) << k.name << ", level " << level;
        EXPECT_EQ(rg.back(), 200) << k.name << ", level " << level;
      }
    }
    glBindTexture(GL_TEXTURE_2D, 0);
    destroyEarthLayers(layers);
  }
}

TEST(EarthClouds, SwitchedOffTheProgramHasNoLayers) {
  struct Case {
    EarthLayerSwitches switches;
    bool relief, clouds;
  } cases[] = {{{true, true, true}, true, true}, {{false, true, false}, false, true}, {{true, false, true}, true, false},
               {{false, false, false}, false, false}};
  for (const Case& k : cases) {
    const GLuint program = earthProgram(k.switches);
    ASSERT_NE(program, 0u);
    EXPECT_EQ(glGetUniformLocation(program, "reliefTexture") >= 0, k.relief);
    EXPECT_EQ(glGetUniformLocation(program, "cloudTexture") >= 0, k.clouds);
    glDeleteProgram(program);
  }
}
}  // namespace
