// The Earth's and the Moon's surfaces on the real driver, drawn on the
// generator's own sphere: the map read cleanly at the poles and where it
// always was elsewhere, the city lights' colours, the glint's core.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <glm/gtc/matrix_transform.hpp>
#include <glm/gtc/type_ptr.hpp>
#include <string>
#include <vector>

#include "gpu/shaderbuild.h"
#include "gpu/texturefiltering.h"
#include "scene/trianglemesh.h"
#include "tests/gl/glfixture.h"
#include "tools/assetgen/mesh.h"

namespace {
constexpr float kPi = 3.14159265f;
constexpr int kSize = 128;

// The generated Earth, one vertex per corner, v flipped as the OBJ loader
// flips it.
TriangleMesh generatedSphere() {
  const Mesh mesh = uvSphere(128, 64, true);
  std::vector<glm::vec3> positions, normals;
  std::vector<glm::vec2> uvs;
  std::vector<uint32_t> indices;
  for (const auto& triangle : mesh.triangles)
    for (const Corner& c : triangle) {
      indices.push_back(static_cast<uint32_t>(positions.size()));
      positions.push_back(mesh.positions[c.position]);
      normals.push_back(mesh.normals[c.normal]);
      uvs.emplace_back(mesh.uvs[c.uv].x, 1.0f - mesh.uvs[c.uv].y);
    }
  TriangleMesh sphere;
  sphere.create(positions, uvs, normals, indices);
  return sphere;
}

GLuint texture2d(int w, int h, const std::vector<uint8_t>& rgba, bool mipmaps) {
  return gltest::rgbaTexture(w, h, rgba, mipmaps);
}
GLuint flat(uint8_t r, uint8_t g, uint8_t b) { return texture2d(1, 1, {r, g, b, 255}, false); }

// A checker on an equirectangular map: 8 columns 45 degrees wide (the seam
// in the middle of one), rows kRowTexels high, 2.8 degrees; from above a
// pole, sectors crossed by rings. White where column and row add up odd; the
// row counted from the map's top (north).
constexpr int kMapWidth = 512, kMapHeight = 256, kColumns = 8, kRowTexels = 4;
int columnOf(float u) { return static_cast<int>(std::floor(u * kColumns + 0.5f)); }
bool whiteAt(float u, float vFromTop) {
  const int row = static_cast<int>(std::floor(vFromTop * kMapHeight / kRowTexels));
  return ((columnOf(u) + row) & 1) != 0;
}
GLuint checkerMap() {
  std::vector<uint8_t> rgba(kMapWidth * kMapHeight * 4, 255);
  for (int y = 0; y < kMapHeight; ++y)
    for (int x = 0; x < kMapWidth; ++x) {
      const uint8_t c = whiteAt((x + 0.5f) / kMapWidth, (y + 0.5f) / kMapHeight) ? 255 : 0;
      for (int k = 0; k < 3; ++k) rgba[(y * kMapWidth + x) * 4 + k] = c;
    }
  // Row 0 of the upload is t = 0, where the flipped v puts the north pole.
  return texture2d(kMapWidth, kMapHeight, rgba, true);
}

struct Maps {
  GLuint diffuse = 0, specular = 0, night = 0;  // 0: not bound
};
struct View {
  glm::vec3 eye, at, up;
  float halfWidth;  // of the orthographic view, in Earth radii
};

// One frame of the program on the sphere, the Earth (model scale 1) unless
// a model matrix is given; RGB rows from the bottom.
std::vector<uint8_t> render(GLuint program, const TriangleMesh& sphere, const View& view, glm::vec3 sun,
                            const Maps& maps, glm::mat4 model = glm::mat4(1.0f)) {
  gltest::Offscreen target = gltest::beginOffscreen(kSize);

  glUseProgram(program);
  const glm::mat4 v = glm::lookAt(view.eye, view.at, view.up);
  const float w = view.halfWidth;
  const glm::mat4 mvp = glm::ortho(-w, w, -w, w, 0.1f, 2.0f * glm::length(view.eye - view.at)) * v * model;
  glUniformMatrix4fv(glGetUniformLocation(program, "MVP"), 1, GL_FALSE, glm::value_ptr(mvp));
  glUniformMatrix4fv(glGetUniformLocation(program, "M"), 1, GL_FALSE, glm::value_ptr(model));
  glUniformMatrix4fv(glGetUniformLocation(program, "V"), 1, GL_FALSE, glm::value_ptr(v));
  glUniform3fv(glGetUniformLocation(program, "lightPos_worldspace"), 1, glm::value_ptr(sun));
  glUniform2f(glGetUniformLocation(program, "validityChecker"), maps.specular ? 1.0f : 0.0f, maps.night ? 1.0f : 0.0f);
  const GLuint black = flat(0, 0, 0);
  const std::pair<const char*, GLuint> units[] = {{"diffuseTexture", maps.diffuse ? maps.diffuse : black},
                                                  {"specularTexture", maps.specular ? maps.specular : black},
                                                  {"diffuseNightTexture", maps.night ? maps.night : black}};
  for (int i = 0; i < 3; ++i) {
    glActiveTexture(GL_TEXTURE0 + i);
    glBindTexture(GL_TEXTURE_2D, units[i].second);
    glUniform1i(glGetUniformLocation(program, units[i].first), i);
  }
  // No sky light: only the sun and the textures under test.
  glActiveTexture(GL_TEXTURE11);
  glBindTexture(GL_TEXTURE_2D, 0);
  glUniform1i(glGetUniformLocation(program, "groundIrradianceTable"), 11);
  glActiveTexture(GL_TEXTURE0);

  sphere.draw();
  const std::vector<uint8_t> rgba = gltest::readOffscreen(target);
  std::vector<uint8_t> rgb;
  for (size_t i = 0; i < rgba.size(); i += 4) rgb.insert(rgb.end(), {rgba[i], rgba[i + 1], rgba[i + 2]});
  glDeleteTextures(1, &black);
  return rgb;
}

GLuint surfaceProgram(TextureFiltering filtering) {
  GLuint program = 0;
  gltest::capture([&] {
    program = buildShaderProgram(ORBISK_SOURCE_DIR "/data/vShaderIndexedShading.glsl",
                                 ORBISK_SOURCE_DIR "/data/fShaderIndexedShading.glsl",
                                 textureFilteringDefines(filtering));
  });
  return program;
}

// Where the ray through pixel (x, y) of an orthographic view meets the unit
// sphere, or false.
bool surfaceAt(const View& view, int x, int y, glm::vec3& p) {
  const glm::vec3 forward = glm::normalize(view.at - view.eye);
  const glm::vec3 right = glm::normalize(glm::cross(forward, view.up)), up = glm::cross(right, forward);
  const float sx = ((x + 0.5f) / kSize * 2 - 1) * view.halfWidth, sy = ((y + 0.5f) / kSize * 2 - 1) * view.halfWidth;
  const glm::vec3 origin = view.at + right * sx + up * sy;
  const float along = glm::dot(origin, forward), miss = glm::dot(origin, origin) - along * along;
  if (miss >= 1.0f) return false;
  p = origin - forward * (along + std::sqrt(1.0f - miss));
  return true;
}

// Latitude and longitude (radians) of a point of the unit sphere, as the
// generator's mesh lays them out: longitude 0 on +Z, 90 degrees east on +X.
float latitudeOf(glm::vec3 p) { return std::asin(std::clamp(p.y, -1.0f, 1.0f)); }
float longitudeOf(glm::vec3 p) { return std::atan2(p.x, p.z); }

// The checker seen from above each pole, the sun overhead, a row of the map
// about a pixel tall on the screen. Every pixel well inside a square (1.5
// pixels from its edges) from 70 degrees to the pole must show the square's
// own black or white: a map read by the pole fan's coordinates, or at the
// level of detail the squeezed rows ask for, smears the rings together into
// grey, and a seam in the derivatives leaves a grey line along 180 degrees.
TEST(SurfaceMaps, TheCheckerKeepsItsSquaresAtBothPoles) {
  const GLuint checker = checkerMap();
  TriangleMesh sphere = generatedSphere();
  for (const TextureFiltering filtering : kTextureFilteringPaths) {
    const GLuint program = surfaceProgram(filtering);
    ASSERT_NE(program, 0u);
    for (const float pole : {1.0f, -1.0f}) {
      // Turned so that the seam crosses the rasteriser's 2x2 blocks.
      const View view{{0, 2.0f * pole, 0}, {0, 0, 0}, {0.3f, 0, 1}, 0.55f};
      const std::vector<uint8_t> rgb = render(program, sphere, view, glm::vec3(0, 1e5f * pole, 0), {checker});
      const float pixel = 2 * view.halfWidth / kSize;
      int white = 0;
      for (int i = 0; i < kSize * kSize; ++i) white = std::max<int>(white, rgb[i * 3]);
      ASSERT_GT(white, 100) << "the sunlit white squares must show";
      int judged = 0, wrong = 0, seamJudged = 0, seamWrong = 0;
      for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x) {
          glm::vec3 p;
          if (!surfaceAt(view, x, y, p)) continue;
          const float lat = latitudeOf(p), lon = longitudeOf(p);
          if (std::abs(lat) < 70 * kPi / 180 || std::abs(lat) > 88.5f * kPi / 180) continue;
          const float u = lon / (2 * kPi) + 0.5f, vFromTop = 0.5f - lat / kPi;
          const float uFromEdge = u * kColumns + 0.5f - std::floor(u * kColumns + 0.5f);
          const float uInside = std::min(uFromEdge, 1 - uFromEdge) / kColumns * 2 * kPi * std::cos(lat);
          const float rows = vFromTop * kMapHeight / kRowTexels, vFromEdge = rows - std::floor(rows);
          const float vInside = std::min(vFromEdge, 1 - vFromEdge) * kRowTexels / kMapHeight * kPi;
          if (std::min(uInside, vInside) < 1.5f * pixel) continue;
          const int value = rgb[(y * kSize + x) * 3];
          const bool right = whiteAt(u, vFromTop) ? value > 0.8f * white : value < 0.2f * white;
          const bool nearSeam = std::abs(std::abs(lon) - kPi) * std::cos(lat) < 3 * pixel;
          ++judged;
          wrong += !right;
          seamJudged += nearSeam;
          seamWrong += nearSeam && !right;
        }
      const std::string where = std::string(pole > 0 ? "north" : "south") + " pole, " +
                                textureFilteringDefines(filtering);
      ASSERT_GT(judged, kSize * kSize / 10) << where;
      ASSERT_GT(seamJudged, 10) << where;
      EXPECT_LT(wrong, judged / 50) << where << ": " << wrong << " of " << judged << " pixels smeared";
      EXPECT_LT(seamWrong, seamJudged / 20 + 1) << where << ": " << seamWrong << " of " << seamJudged << " at the seam";
    }
    glDeleteProgram(program);
  }
  sphere.release();
  glDeleteTextures(1, &checker);
}

// Away from the poles the map stays where the mesh's own coordinates put it:
// the checker as a plain read of the interpolated coordinates shows it, pixel
// for pixel, over a view from the equator to 60 degrees.
TEST(SurfaceMaps, MidLatitudesReadTheMapWhereTheMeshPutsIt) {
  const GLuint checker = checkerMap();
  TriangleMesh sphere = generatedSphere();
  const GLuint program = surfaceProgram(TextureFiltering::Shader);
  const GLuint interpolated = gltest::linkProgram(
      "#version 330 core\n"
      "layout(location = 0) in vec3 position;\n"
      "layout(location = 1) in vec2 uv;\n"
      "uniform mat4 MVP;\n"
      "out vec2 UV;\n"
      "void main() { UV = uv; gl_Position = MVP * vec4(position, 1.0); }\n",
      "#version 330 core\n"
      "in vec2 UV;\n"
      "uniform sampler2D diffuseTexture;\n"
      "out vec3 color;\n"
      "void main() { color = texture(diffuseTexture, UV).rgb; }\n");
  ASSERT_NE(program, 0u);
  ASSERT_NE(interpolated, 0u);
  struct Case {
    float latitude, longitude;  // degrees, of the view's centre
  } cases[] = {{30, 30}, {-35, -120}, {10, 178}, {45, 95}};
  for (const Case& k : cases) {
    const float lat = k.latitude * kPi / 180, lon = k.longitude * kPi / 180;
    const glm::vec3 centre(std::sin(lon) * std::cos(lat), std::sin(lat), std::cos(lon) * std::cos(lat));
    const View view{3.0f * centre, centre, {0, 1, 0}, 0.2f};
    // The sun behind the eye lights the whole view.
    const std::vector<uint8_t> shaded = render(program, sphere, view, 1e5f * centre, {checker});
    const std::vector<uint8_t> plain = render(interpolated, sphere, view, 1e5f * centre, {checker});
    int white = 0;
    for (size_t i = 0; i < shaded.size(); i += 3) white = std::max<int>(white, shaded[i]);
    ASSERT_GT(white, 100);
    int judged = 0, differ = 0;
    for (int i = 0; i < kSize * kSize; ++i) {
      const int reference = plain[i * 3];
      if (reference > 20 && reference < 235) continue;  // on a square's edge
      ++judged;
      differ += (reference >= 235) != (shaded[i * 3] > white / 2);
    }
    ASSERT_GT(judged, kSize * kSize / 2);
    EXPECT_LT(differ, judged / 200 + 1) << "view at " << k.latitude << ", " << k.longitude << ": " << differ
                                        << " of " << judged << " pixels moved";
  }
  glDeleteProgram(program);
  glDeleteProgram(interpolated);
  sphere.release();
  glDeleteTextures(1, &checker);
}

// Looking straight down at one point of the night side; the pixel at the
// centre of the view.
glm::vec3 nightPixel(GLuint program, const TriangleMesh& sphere, GLuint night) {
  const View view{{0, 0, 3}, {0, 0, 1}, {0, 1, 0}, 0.05f};
  const std::vector<uint8_t> rgb = render(program, sphere, view, {0, 0, -1e5f}, {0, 0, night});
  const uint8_t* c = &rgb[(kSize / 2 * kSize + kSize / 2) * 3];
  return glm::vec3(c[0], c[1], c[2]);
}

// The lights are the map's luminance in the lamps' colours: nothing below
// the map's noise (whatever its colour), sodium amber where dim, nearly white
// where brightest.
TEST(SurfaceLights, TheMapsLuminanceTakesTheLampsColours) {
  TriangleMesh sphere = generatedSphere();
  const GLuint program = surfaceProgram(TextureFiltering::Shader);
  ASSERT_NE(program, 0u);
  enum Look { Black, Amber, White };
  struct Case {
    uint8_t r, g, b;
    Look look;
  } cases[] = {{0, 0, 0, Black},     {12, 12, 12, Black},     {22, 6, 26, Black},      {4, 16, 6, Black},
               {60, 60, 60, Amber},  {30, 70, 20, Amber},     {90, 40, 90, Amber},     {200, 200, 200, White},
               {255, 255, 255, White}, {255, 240, 120, White}};
  for (const Case& k : cases) {
    const GLuint night = flat(k.r, k.g, k.b);
    const glm::vec3 c = nightPixel(program, sphere, night);
    glDeleteTextures(1, &night);
    const std::string map = std::to_string(k.r) + "," + std::to_string(k.g) + "," + std::to_string(k.b);
    switch (k.look) {
      case Black:
        EXPECT_LE(std::max({c.r, c.g, c.b}), 2.0f) << map;
        break;
      case Amber:
        EXPECT_GT(c.r, 60.0f) << map;
        EXPECT_GT(c.g, 0.35f * c.r) << map;
        EXPECT_LT(c.g, 0.75f * c.r) << map;
        EXPECT_LT(c.b, 0.5f * c.g) << map;
        break;
      case White:
        EXPECT_GT(c.r, 245.0f) << map;
        EXPECT_GT(c.b, 0.8f * c.r) << map;
        EXPECT_LE(c.b, c.g) << map;
        break;
    }
  }
  glDeleteProgram(program);
  sphere.release();
}

// The glint on open water at (0, 0, 1), the eye and the sun mirrored about
// its normal at `elevation` degrees: the brightest pixel, and the mean
// colour of the pixels at least half as red.
struct Glint {
  glm::vec3 core, mean;
};
Glint glintAt(GLuint program, const TriangleMesh& sphere, float elevation) {
  const float e = elevation * kPi / 180;
  const glm::vec3 toSun(std::cos(e), 0, std::sin(e)), toEye(-std::cos(e), 0, std::sin(e));
  const glm::vec3 point(0, 0, 1);
  const GLuint water = flat(255, 255, 255);
  const View view{point + 3.0f * toEye, point, {0, 1, 0}, 0.2f};
  const std::vector<uint8_t> rgb = render(program, sphere, view, 1e5f * toSun, {0, water, 0});
  glDeleteTextures(1, &water);
  Glint g{glm::vec3(0), glm::vec3(0)};
  for (size_t i = 0; i < rgb.size(); i += 3)
    if (rgb[i] > g.core.r) g.core = glm::vec3(rgb[i], rgb[i + 1], rgb[i + 2]);
  int count = 0;
  for (size_t i = 0; i < rgb.size(); i += 3)
    if (rgb[i] * 2 >= g.core.r) {
      g.mean += glm::vec3(rgb[i], rgb[i + 1], rgb[i + 2]);
      ++count;
    }
  if (count > 0) g.mean /= static_cast<float>(count);
  return g;
}

// The core clips to white under a high sun; a low sun, reddened by the air,
// leaves it clipped in red and warm around it.
TEST(SurfaceGlint, TheCoreClipsAndALowSunTintsIt) {
  TriangleMesh sphere = generatedSphere();
  const GLuint program = surfaceProgram(TextureFiltering::Shader);
  ASSERT_NE(program, 0u);
  const Glint high = glintAt(program, sphere, 70.0f), low = glintAt(program, sphere, 6.0f);
  for (int c = 0; c < 3; ++c) EXPECT_GE(high.core[c], 250.0f) << "channel " << c;
  EXPECT_GT(high.mean.b, 0.85f * high.mean.r);
  EXPECT_GE(low.core.r, 250.0f);
  EXPECT_LT(low.mean.b, 0.75f * low.mean.r);
  EXPECT_LT(low.mean.b / low.mean.r, high.mean.b / high.mean.r - 0.1f);
  glDeleteProgram(program);
  sphere.release();
}

// The Moon (model scale 0.3, at 6 radii) seen from the Earth's side. New,
// its face to the Earth is dark but for the full Earth's light; a quarter
// (the Earth half lit from the Moon), dimmer; full (the sun a little off the
// line, clear of the Earth's shadow), sunlit at the Moon's reflectance. Its
// side away from the Earth takes no earthshine at all.
TEST(SurfaceMoon, ItsNightSideTakesOnlyTheEarthsLightByTheEarthsPhase) {
  TriangleMesh sphere = generatedSphere();
  const GLuint program = surfaceProgram(TextureFiltering::Shader);
  ASSERT_NE(program, 0u);
  const uint8_t greyLevel = 188;
  const GLuint grey = flat(greyLevel, greyLevel, greyLevel);
  const glm::vec3 centre(6, 0, 0);
  const glm::mat4 model = glm::scale(glm::translate(glm::mat4(1.0f), centre), glm::vec3(0.3f));
  auto centrePixel = [&](glm::vec3 sunDirection, glm::vec3 eye) {
    const View view{eye, centre, {0, 1, 0}, 0.4f};
    const std::vector<uint8_t> rgb = render(program, sphere, view, 1e5f * glm::normalize(sunDirection), {grey}, model);
    const uint8_t* c = &rgb[(kSize / 2 * kSize + kSize / 2) * 3];
    return glm::vec3(c[0], c[1], c[2]);
  };
  const glm::vec3 earthSide(3, 0, 0), farSide(9, 0, 0);
  const glm::vec3 newMoon = centrePixel({1, 0, 0}, earthSide);
  const glm::vec3 quarter = centrePixel({0, 0, -1}, earthSide);
  const float offLine = 0.3f;
  const glm::vec3 fullMoon = centrePixel({-1, offLine, 0}, earthSide);
  const glm::vec3 away = centrePixel({0, 0, 1}, farSide);

  EXPECT_GT(newMoon.g, 4.0f) << "the ashen light must show";
  EXPECT_GT(newMoon.b, newMoon.r) << "the Earth's light is blue";
  EXPECT_LT(quarter.g, newMoon.g);
  EXPECT_GT(quarter.g, 0.0f);
  EXPECT_EQ(away, glm::vec3(0)) << "earthshine on the side away from the Earth";
  // Reflectance 0.12 for a map of mean 0.44 (decoded), Lommel-Seeliger and
  // the opposition surge at the phase angle between the sun and the eye.
  const float phase = std::atan(offLine), nl = std::cos(phase);
  const float reflectance = 0.12f / 0.44f * std::pow(greyLevel / 255.0f, 2.2f);
  const float radiance = reflectance * 4 / kPi * (2 * nl / (nl + 1)) * (1 + 0.4f * std::exp(-phase / 0.1f));
  EXPECT_NEAR(fullMoon.g, 255 * std::pow(radiance, 1 / 2.2f), 6.0f);
  EXPECT_LT(fullMoon.g, 140.0f) << "the Moon is grey beside the Earth";
  glDeleteTextures(1, &grey);
  glDeleteProgram(program);
  sphere.release();
}
}  // namespace
