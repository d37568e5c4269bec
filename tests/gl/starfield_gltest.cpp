// The catalogue's stars drawn with the shipped star shaders: a point of a few
// pixels wherever the view looks and however wide it is, where the camera
// projects the star's direction.
#include "scene/starfield.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "base/frameglobals.h"
#include "scene/camera.h"
#include "gpu/shaderbuild.h"
#include "loaders/skyframe.h"
#include "render/exposure.h"
#include "tests/gl/glfixture.h"
#include "tests/processstate.h"

namespace {

GLuint buildStarProgram() {
  const std::string v = ORBISK_SOURCE_DIR "/data/vShaderStars.glsl", f = ORBISK_SOURCE_DIR "/data/fShaderStars.glsl";
  GLuint program = 0;
  gltest::capture([&] { program = buildShaderProgram(v.c_str(), f.c_str()); });
  return program;
}

struct Target {
  GLuint framebuffer = 0, texture = 0;
  int width = 0, height = 0;
  Target(int w, int h) : width(w), height(h) {
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, w, h, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    glGenFramebuffers(1, &framebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, texture, 0);
    glViewport(0, 0, w, h);
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT);
  }
  ~Target() {
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glDeleteFramebuffers(1, &framebuffer);
    glDeleteTextures(1, &texture);
  }
  // The brightest channel of each pixel, bottom row first.
  std::vector<int> read() const {
    std::vector<unsigned char> rgb(static_cast<size_t>(width) * height * 3);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
    std::vector<int> level(static_cast<size_t>(width) * height);
    for (size_t i = 0; i < level.size(); ++i) level[i] = std::max({rgb[3 * i], rgb[3 * i + 1], rgb[3 * i + 2]});
    return level;
  }
};

// What a star leaves on the target: its lit pixels' box and light-weighted centre.
struct Footprint {
  int lit = 0, width = 0, height = 0;
  double x = 0, y = 0;
};
Footprint footprintOf(const std::vector<int>& level, int width, int threshold) {
  Footprint f;
  int x0 = 1 << 30, x1 = -1, y0 = 1 << 30, y1 = -1;
  double sum = 0;
  for (size_t i = 0; i < level.size(); ++i) {
    if (level[i] <= threshold) continue;
    const int x = static_cast<int>(i) % width, y = static_cast<int>(i) / width;
    ++f.lit;
    x0 = std::min(x0, x), x1 = std::max(x1, x), y0 = std::min(y0, y), y1 = std::max(y1, y);
    f.x += level[i] * (x + 0.5), f.y += level[i] * (y + 0.5), sum += level[i];
  }
  if (f.lit == 0) return f;
  f.width = x1 - x0 + 1, f.height = y1 - y0 + 1;
  f.x /= sum, f.y /= sum;
  return f;
}

// A camera at the world's centre looking along look with the given field.
Camera cameraLookingAlong(const glm::dvec3& look, float fovDegrees, int width, int height) {
  windowWidth = width, windowHeight = height;
  Camera camera;
  camera.setPosition(glm::vec3(0.0f));
  camera.setDirection(glm::vec3(look) * 5.0f);
  camera.setUp(glm::vec3(0, 1, 0));
  camera.setFieldOfView(fovDegrees);
  return camera;
}

class StarFieldTest : public testing::Test {
 protected:
  void SetUp() override { gltest::drainErrors(); }
  void TearDown() override {
    unloadStarField(field);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    // What the tests after this one start from: the window's viewport and
    // the default state, the depth mask among it.
    applyPassState(PassState{});
    glViewport(0, 0, gltest::kWidth, gltest::kHeight);
  }
  processstate::Keep<int, int> keepSize{windowWidth, windowHeight};
  StarField field;
};

TEST_F(StarFieldTest, AStarIsAFewPixelsAcrossAtANarrowAndAWideFieldAndAnyTargetSize) {
  struct Case {
    float fov;
    int width, height;
  };
  // A second-magnitude star, a little off the view's axis so that it falls
  // between pixel centres.
  const glm::dvec3 look = glm::normalize(raDecToWorld(1.3, 0.4));
  const glm::dvec3 star = glm::normalize(raDecToWorld(1.3 + 0.002, 0.4 + 0.0013));
  ASSERT_TRUE(makeStarField(field, {{glm::vec3(star), glm::vec3(bvToLinearRgb(0.65) * magnitudeToFlux(2.0) *
                                                                  kZeroMagnitudeLight)}},
                            buildStarProgram()));
  for (const Case& c : {Case{5.0f, 160, 120}, Case{90.0f, 160, 120}, Case{5.0f, 400, 300}, Case{90.0f, 64, 48}}) {
    SCOPED_TRACE("fov " + std::to_string(c.fov) + ", " + std::to_string(c.width) + " x " + std::to_string(c.height));
    Target target(c.width, c.height);
    const Camera camera = cameraLookingAlong(look, c.fov, c.width, c.height);
    drawStarField(field, passstate::stars, camera.getViewProjectionMatrix());
    const Footprint f = footprintOf(target.read(), c.width, 8);
    ASSERT_GT(f.lit, 0);
    EXPECT_GE(f.width, 1);
    EXPECT_LE(f.width, 5);
    EXPECT_GE(f.height, 1);
    EXPECT_LE(f.height, 5);
    const int viewport[4] = {0, 0, c.width, c.height};
    double x = 0, y = 0, z = 0;
    ASSERT_TRUE(camera.projectToWindow(glm::vec3(star * 1000.0), viewport, x, y, z));
    EXPECT_NEAR(f.x, x, 0.5);
    EXPECT_NEAR(f.y, y, 0.5);
  }
}

TEST_F(StarFieldTest, NamedStarsOfTheCatalogueLandWhereTheCameraProjectsThem) {
  std::string error;
  const GLuint program = buildStarProgram();
  std::vector<CatalogueStar> stars;
  ASSERT_TRUE(loadStarCatalogue(ORBISK_STAR_CATALOGUE, stars, error)) << error;
  ASSERT_TRUE(makeStarField(field, starVertices(stars), program));
  constexpr double kHour = 3.14159265358979323846 / 12.0, kDegree = 3.14159265358979323846 / 180.0;
  struct Named {
    const char* name;
    double ra, dec;  // J2000, from the almanac
  };
  // At 5 degrees across 320 pixels the brightest pixel near each star is that
  // star: no other as bright lies within the box searched.
  for (const Named& n : {Named{"Sirius", (6 + 45 / 60.0 + 8.9 / 3600) * kHour, -(16 + 42 / 60.0 + 58 / 3600.0) * kDegree},
                         Named{"Betelgeuse", (5 + 55 / 60.0 + 10.3 / 3600) * kHour, (7 + 24 / 60.0 + 25 / 3600.0) * kDegree},
                         Named{"Vega", (18 + 36 / 60.0 + 56.3 / 3600) * kHour, (38 + 47 / 60.0 + 1 / 3600.0) * kDegree}}) {
    SCOPED_TRACE(n.name);
    const glm::dvec3 direction = raDecToWorld(n.ra, n.dec);
    // Off the view's centre, so that a mirrored sky would put it elsewhere.
    const glm::dvec3 look = raDecToWorld(n.ra + 0.6 * kDegree, n.dec - 0.5 * kDegree);
    Target target(320, 240);
    const Camera camera = cameraLookingAlong(look, 5.0f, 320, 240);
    drawStarField(field, passstate::stars, camera.getViewProjectionMatrix());
    const int viewport[4] = {0, 0, 320, 240};
    double x = 0, y = 0, z = 0;
    ASSERT_TRUE(camera.projectToWindow(glm::vec3(direction * 1000.0), viewport, x, y, z));
    const std::vector<int> level = target.read();
    int best = -1, bx = 0, by = 0;
    for (int py = 0; py < 240; ++py)
      for (int px = 0; px < 320; ++px)
        if (level[static_cast<size_t>(py) * 320 + px] > best) best = level[static_cast<size_t>(py) * 320 + px], bx = px, by = py;
    EXPECT_GT(best, 200);
    EXPECT_NEAR(bx + 0.5, x, 3.0);
    EXPECT_NEAR(by + 0.5, y, 3.0);
  }
}

TEST_F(StarFieldTest, AGarbledCatalogueMakesNoStarsAndNamesTheFile) {
  const std::string dir = gltest::makeTempDir(), path = dir + "/stars.dat";
  gltest::writeFile(path, std::string("star\0\0\0\4", 8) + "half a star");
  const std::string v = ORBISK_SOURCE_DIR "/data/vShaderStars.glsl", f = ORBISK_SOURCE_DIR "/data/fShaderStars.glsl";
  std::string error;
  EXPECT_FALSE(loadStarField(field, path, v.c_str(), f.c_str(), error));
  EXPECT_EQ(error.rfind(path + ": truncated", 0), 0u) << error;
  EXPECT_EQ(field.count, 0);
  EXPECT_EQ(field.program, 0u);
  EXPECT_EQ(field.vertexBuffer, 0u);
  std::system(("rm -rf '" + dir + "'").c_str());
}

}  // namespace

// The brightest star the sky has, through the shipped shaders at the
// exposures of the sunlit Earth and of the night side.
TEST_F(StarFieldTest, TheBrightestStarVanishesAtTheDaysExposureAndShinesAtTheNights) {
  const glm::dvec3 look = glm::normalize(raDecToWorld(1.3, 0.4));
  ASSERT_TRUE(makeStarField(field, {{glm::vec3(look), glm::vec3(bvToLinearRgb(0.0) * magnitudeToFlux(-1.5) *
                                                                  kZeroMagnitudeLight)}},
                            buildStarProgram()));
  struct Case {
    double exposure;
    int brightestLow, brightestHigh;
  };
  // The design's look (no exposure set) puts it at white.
  for (const Case& c : {Case{0.0, 250, 255}, Case{1.0, 0, 0}, Case{kMaxAutoExposure, 250, 255}}) {
    SCOPED_TRACE("exposure " + std::to_string(c.exposure));
    Target target(64, 48);
    const Camera view = cameraLookingAlong(look, 30.0f, 64, 48);
    const float exposure = c.exposure > 0.0 ? static_cast<float>(c.exposure) : 1.0f;
    const float starStops = c.exposure > 0.0 ? static_cast<float>(std::log2(starGain(c.exposure))) : 0.0f;
    drawStarField(field, passstate::stars, view.getViewProjectionMatrix(), exposure, starStops);
    const std::vector<int> levels = target.read();
    const int brightest = *std::max_element(levels.begin(), levels.end());
    EXPECT_GE(brightest, c.brightestLow);
    EXPECT_LE(brightest, c.brightestHigh);
  }
}
