#include <GL/glew.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <glm/glm.hpp>
#include <string>
#include <vector>

#include "app/orbisk.h"
#include "base/runfiles.h"
#include "gpu/rendertargets.h"
#include "render/sunglow.h"
#include "render/textoverlay.h"
#include "scene/camera.h"
#include "scene/scene.h"
#include "tests/gl/effectsfixture.h"
#include "tests/gl/glfixture.h"
#include "tests/gl/passstatecheck.h"

using effectstest::integer;
using Pixel = std::array<unsigned char, 4>;

namespace {

const Pixel kBlack{0, 0, 0, 255};
const Pixel kWhite{255, 255, 255, 255};

// A DXT1 file of w x h with one level of blocks that are all one colour.
std::string ddsFile(uint32_t w, uint32_t h) {
  const uint32_t blocks = ((w + 3) / 4) * ((h + 3) / 4);
  std::string bytes(128 + blocks * 8, '\0');
  auto put = [&](size_t offset, uint32_t v) { memcpy(&bytes[offset], &v, 4); };
  memcpy(&bytes[0], "DDS ", 4);
  put(4, 124);
  put(8, 0x1 | 0x2 | 0x4 | 0x1000 | 0x20000 | 0x80000);
  put(12, h);
  put(16, w);
  put(20, blocks * 8);
  put(28, 1);
  put(76, 32);
  put(80, 0x4);
  memcpy(&bytes[84], "DXT1", 4);
  for (uint32_t b = 0; b < blocks; ++b) {
    bytes[128 + b * 8] = '\xff';
    bytes[128 + b * 8 + 1] = '\xff';
  }
  return bytes;
}

// A 640 x 480 offscreen "window" with a float depth buffer, the camera at the
// origin looking down -z, and the sprite program built from data/.
class SunGlowGLTest : public testing::Test {
 protected:
  void SetUp() override {
    gltest::drainErrors();
    savedCamera = camera;
    windowWidth = targets.targetWidth = 640;
    windowHeight = targets.targetHeight = 480;
    target.create(640, 480);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    camera.setPosition(glm::vec3(0.0f));
    camera.setDirection(glm::vec3(0.0f, 0.0f, -1.0f));
    gltest::capture([this] { loadSunGlow(glow); });
    white = effectstest::makeWhiteTexture();
    glow.textureHardGlow = glow.textureBigGlow = glow.textureStreaks = glow.textureSpecialStreaks = glow.textureHalo =
        white;
    // The loading screen swapped and left the default framebuffer alone; draw
    // into the target from here on.
    glBindFramebuffer(GL_FRAMEBUFFER, target.framebuffer);
    glViewport(0, 0, 640, 480);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  }
  void TearDown() override {
    // The fixture's white texture is deleted once, below.
    for (GLuint* t : {&glow.textureHardGlow, &glow.textureBigGlow, &glow.textureStreaks, &glow.textureSpecialStreaks,
                      &glow.textureHalo})
      if (*t == white) *t = 0;
    unloadSunGlow(glow);
    glDeleteTextures(1, &white);
    target.destroy();
    camera = savedCamera;
    glClearColor(0, 0, 0, 0);
    glClearDepth(1.0);
    glEnable(GL_DEPTH_TEST);
    glDisable(GL_BLEND);
    glDisable(GL_SCISSOR_TEST);
    glUseProgram(0);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
  }

  // Aims the camera from the origin at the sun, or at the sun plus offset.
  void lookAtSun(const glm::vec3& offset = glm::vec3(0.0f)) {
    camera.setPosition(glm::vec3(0.0f));
    camera.setDirection(designLightPosition + offset);
  }

  // Window depth of a point under the camera, as the occlusion test computes it.
  double windowDepth(const glm::vec3& p) {
    double mv[16], proj[16], x, y, z;
    matrixToDoubles(camera.getViewMatrix(), mv);
    matrixToDoubles(camera.getProjectionMatrix(), proj);
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    gluProject(p.x, p.y, p.z, mv, proj, viewport, &x, &y, &z);
    return z;
  }

  // Fills a rectangle of the depth buffer with one value.
  void fillDepth(int x, int y, int w, int h, double depth) {
    glEnable(GL_SCISSOR_TEST);
    glScissor(x, y, w, h);
    glClearDepth(depth);
    glClear(GL_DEPTH_BUFFER_BIT);
    glClearDepth(1.0);
    glDisable(GL_SCISSOR_TEST);
  }

  effectstest::WorkingDir cwd;
  effectstest::Target target;
  Camera savedCamera;
  SunGlow glow;
  RenderTargets targets;
  GLuint white = 0;
};

TEST_F(SunGlowGLTest, LoadSunGlowBuildsTheSpriteProgramAndBuffers) {
  effectstest::expectDrawerMade(glow.spriteProgram, glow.spriteTextureSampler, glow.spriteColorSampler,
                                glow.spriteVertexBuffer, glow.spriteUVBuffer);
}

TEST_F(SunGlowGLTest, LoadSunGlowLoadsEachFileIntoItsTexture) {
  // Five files told apart by their widths.
  for (int i = 0; i < 5; ++i)
    gltest::writeFile(cwd.dir + "/" + runfiles::sunGlowSprites[i], ddsFile(4u << i, 4));
  // The white one is the fixture's to delete.
  glow.textureHardGlow = glow.textureBigGlow = glow.textureStreaks = glow.textureSpecialStreaks = glow.textureHalo = 0;
  unloadSunGlow(glow);
  gltest::capture([this] { loadSunGlow(glow); });
  glBindFramebuffer(GL_FRAMEBUFFER, target.framebuffer);
  EXPECT_EQ(gltest::textureLevelParam(glow.textureHardGlow, GL_TEXTURE_WIDTH), 4);
  EXPECT_EQ(gltest::textureLevelParam(glow.textureBigGlow, GL_TEXTURE_WIDTH), 8);
  EXPECT_EQ(gltest::textureLevelParam(glow.textureStreaks, GL_TEXTURE_WIDTH), 16);
  EXPECT_EQ(gltest::textureLevelParam(glow.textureSpecialStreaks, GL_TEXTURE_WIDTH), 32);
  EXPECT_EQ(gltest::textureLevelParam(glow.textureHalo, GL_TEXTURE_WIDTH), 64);
}

TEST_F(SunGlowGLTest, SpriteOfSizeTenIsFourHundredPixelsSquare) {
  // drawSprite leaves blending and depth to its caller.
  glDisable(GL_BLEND);
  glDisable(GL_DEPTH_TEST);
  // Centred on the middle of the window: x 120 .. 520, y 40 .. 440.
  drawSprite(glow, targets, 1, 1, 1, 1, glm::vec3(0.0f, 0.0f, -5.0f), 10.0f, white);
  EXPECT_EQ(target.pixel(120, 240), kWhite);
  EXPECT_EQ(target.pixel(519, 240), kWhite);
  EXPECT_EQ(target.pixel(119, 240), kBlack);
  EXPECT_EQ(target.pixel(520, 240), kBlack);
  EXPECT_EQ(target.pixel(320, 40), kWhite);
  EXPECT_EQ(target.pixel(320, 439), kWhite);
  EXPECT_EQ(target.pixel(320, 39), kBlack);
  EXPECT_EQ(target.pixel(320, 440), kBlack);
  EXPECT_EQ(effectstest::bufferSize(glow.spriteVertexBuffer), 6 * 8);
  EXPECT_EQ(effectstest::bufferSize(glow.spriteUVBuffer), 6 * 8);
}

TEST_F(SunGlowGLTest, SpriteIsTintedAndTheTextureTopIsAtTheTop) {
  // First row red (t = 0), second row green.
  GLuint twoRows = effectstest::makeTexture({{255, 0, 0, 255}, {0, 255, 0, 255}});
  glDisable(GL_BLEND);
  glDisable(GL_DEPTH_TEST);
  drawSprite(glow, targets, 1.0f, 1.0f, 0.5f, 1.0f, glm::vec3(0.0f, 0.0f, -5.0f), 2.0f, twoRows);
  // 80 pixels: x 280 .. 360, y 200 .. 280.
  EXPECT_EQ(target.pixel(320, 270), (Pixel{255, 0, 0, 255}));
  EXPECT_EQ(target.pixel(320, 210), (Pixel{0, 255, 0, 255}));
  // The tint multiplies: a half-blue white sprite.
  drawSprite(glow, targets, 1.0f, 1.0f, 0.5f, 1.0f, glm::vec3(0.0f, 0.0f, -5.0f), 0.5f, white);
  const Pixel p = target.pixel(320, 240);
  EXPECT_EQ(p[0], 255);
  EXPECT_EQ(p[1], 255);
  EXPECT_NEAR(p[2], 128, 1);
  glDeleteTextures(1, &twoRows);
}

TEST_F(SunGlowGLTest, OcclusionReadsTheDepthAtThePointsPixel) {
  const glm::vec3 p(0.0f, 0.0f, -10.0f);  // projects to the centre, pixel (320, 240)
  EXPECT_FALSE(camera.isPointOccluded(p, glow.depthProbe));
  fillDepth(310, 230, 20, 20, 0.5);
  EXPECT_TRUE(camera.isPointOccluded(p, glow.depthProbe));
  // A point elsewhere on the screen sees the cleared depth.
  EXPECT_FALSE(camera.isPointOccluded(glm::vec3(5.0f, 0.0f, -10.0f), glow.depthProbe));
  // A nearer point in front of the filled depth is visible.
  fillDepth(310, 230, 20, 20, windowDepth(glm::vec3(0.0f, 0.0f, -0.02f)));
  EXPECT_FALSE(camera.isPointOccluded(glm::vec3(0.0f, 0.0f, -0.015f), glow.depthProbe));
  EXPECT_TRUE(camera.isPointOccluded(p, glow.depthProbe));
}

TEST_F(SunGlowGLTest, OcclusionCountsEqualDepthAsVisible) {
  const glm::vec3 p(0.0f, 0.0f, -10.0f);
  const float z = static_cast<float>(windowDepth(p));
  fillDepth(0, 0, 640, 480, z);
  EXPECT_FALSE(camera.isPointOccluded(p, glow.depthProbe));
  fillDepth(0, 0, 640, 480, std::nextafter(z, 0.0f));
  EXPECT_TRUE(camera.isPointOccluded(p, glow.depthProbe));
}

// The thin air beyond the Earth's disc is drawn at kDepthBeyondEarth, in
// front of a point as far as the sun: it hides nothing there, what lies a
// Moon's distance away does.
TEST_F(SunGlowGLTest, TheAirsDepthHidesNothing) {
  const glm::vec3 sun(0.0f, 0.0f, -69000.0f);
  fillDepth(0, 0, 640, 480, kDepthBeyondEarth);
  EXPECT_TRUE(camera.isPointOccluded(sun, glow.depthProbe)) << "the air is nearer than the sun";
  EXPECT_FALSE(camera.isPointOccluded(sun, glow.depthProbe, kOpenSkyDepth));
  fillDepth(0, 0, 640, 480, windowDepth(glm::vec3(0.0f, 0.0f, -60.0f)));
  EXPECT_TRUE(camera.isPointOccluded(sun, glow.depthProbe, kOpenSkyDepth));
}

TEST_F(SunGlowGLTest, OcclusionProjectsWithTheLiveViewport) {
  // Left half of the target: the axis point lands at (160, 240).
  glViewport(0, 0, 320, 480);
  fillDepth(150, 230, 20, 20, 0.0);
  EXPECT_TRUE(camera.isPointOccluded(glm::vec3(0.0f, 0.0f, -10.0f), glow.depthProbe));
  glViewport(0, 0, 640, 480);
}

TEST_F(SunGlowGLTest, PointsOffTheViewportAreNeverOccluded) {
  fillDepth(0, 0, 640, 480, 0.0);
  // Far to the right and far above: no pixel of the depth buffer covers them.
  EXPECT_FALSE(camera.isPointOccluded(glm::vec3(100.0f, 0.0f, -10.0f), glow.depthProbe));
  EXPECT_FALSE(camera.isPointOccluded(glm::vec3(0.0f, 100.0f, -10.0f), glow.depthProbe));
  EXPECT_TRUE(camera.isPointOccluded(glm::vec3(0.0f, 0.0f, -10.0f), glow.depthProbe));
}

// Sentinel state that an early return must leave exactly as it was.
struct StateSnapshot {
  GLboolean blend, depthTest;
  GLint program, arrayBuffer, texture, blendSrc, blendDst;
  static StateSnapshot take() {
    return {glIsEnabled(GL_BLEND), glIsEnabled(GL_DEPTH_TEST), integer(GL_CURRENT_PROGRAM),
            integer(GL_ARRAY_BUFFER_BINDING), integer(GL_TEXTURE_BINDING_2D),
            integer(GL_BLEND_SRC_RGB), integer(GL_BLEND_DST_RGB)};
  }
  bool operator==(const StateSnapshot&) const = default;
};

void setSentinelState(GLuint texture, GLuint buffer) {
  glEnable(GL_BLEND);
  glBlendFunc(GL_ONE, GL_ZERO);
  glDisable(GL_DEPTH_TEST);
  glUseProgram(0);
  glBindBuffer(GL_ARRAY_BUFFER, buffer);
  glBindTexture(GL_TEXTURE_2D, texture);
}

TEST_F(SunGlowGLTest, HiddenSunTouchesNothing) {
  GLuint buffer = 0;
  glGenBuffers(1, &buffer);
  // Behind the camera.
  camera.setPosition(glm::vec3(0.0f));
  camera.setDirection(-designLightPosition);
  setSentinelState(white, buffer);
  StateSnapshot before = StateSnapshot::take();
  drawSunGlow(glow, targets, designLightPosition);
  EXPECT_TRUE(StateSnapshot::take() == before);
  EXPECT_EQ(target.pixel(320, 240), kBlack);

  // In view, but the depth buffer holds something nearer everywhere.
  lookAtSun();
  fillDepth(0, 0, 640, 480, 0.0);
  setSentinelState(white, buffer);
  before = StateSnapshot::take();
  drawSunGlow(glow, targets, designLightPosition);
  EXPECT_TRUE(StateSnapshot::take() == before);
  EXPECT_EQ(target.pixel(320, 240), kBlack);
  EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
  glDeleteBuffers(1, &buffer);
}

TEST_F(SunGlowGLTest, VisibleSunDrawsWithItsOwnStateWhateverCameBefore) {
  lookAtSun(glm::vec3(3000.0f, 0.0f, 0.0f));
  gltest::poisonPassState();
  drawSunGlow(glow, targets, designLightPosition);
  EXPECT_TRUE(gltest::readPassState() == passstate::sunGlow);
  gltest::resetPassState();
  EXPECT_FALSE(effectstest::attribEnabled(0));
  EXPECT_FALSE(effectstest::attribEnabled(1));
  // The glow lands on the sun's pixel, whatever lies at that depth behind it.
  GLint viewport[4] = {0, 0, 640, 480};
  double mv[16], proj[16], x, y, z;
  matrixToDoubles(camera.getViewMatrix(), mv);
  matrixToDoubles(camera.getProjectionMatrix(), proj);
  gluProject(designLightPosition.x, designLightPosition.y, designLightPosition.z, mv, proj, viewport, &x, &y, &z);
  ASSERT_LT(std::abs(x - 320.0), 200.0);  // off centre, so the flare has an axis
  EXPECT_EQ(target.pixel(static_cast<int>(x), static_cast<int>(y)), kWhite);
}

TEST_F(SunGlowGLTest, TheGlowTakesTheLightTheAirLeavesOfTheSun) {
  // The sun low through the air: dimmed, blue most of all.
  glow.seen.light = {0.01, 0.001, 0.00005};
  lookAtSun();
  drawSunGlow(glow, targets, designLightPosition);
  const Pixel centre = target.pixel(320, 240);
  EXPECT_GT(centre[0], 100);
  EXPECT_GT(centre[0], centre[1] + 40);
  EXPECT_GT(centre[1], centre[2] + 20);
  // All of it behind the limb: nothing is drawn.
  glow.seen = SunThroughAir{{0.0, 0.0, 0.0}, 0.0};
  glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT);
  drawSunGlow(glow, targets, designLightPosition);
  EXPECT_EQ(target.pixel(320, 240), kBlack);
  glow.seen = SunThroughAir();
}

TEST_F(SunGlowGLTest, SunOnTheViewingAxisDrawsEverySpriteOnTheSun) {
  lookAtSun();
  drawSunGlow(glow, targets, designLightPosition);
  EXPECT_EQ(target.pixel(320, 240), kWhite);
  // The last sprite drawn (HardGlow, 24 pixels) is an axis sprite: its corners
  // sit finite and centred on the sun in the middle of the window.
  std::array<glm::vec2, 6> corners;
  glBindBuffer(GL_ARRAY_BUFFER, glow.spriteVertexBuffer);
  glGetBufferSubData(GL_ARRAY_BUFFER, 0, sizeof corners, corners.data());
  for (const glm::vec2& c : corners) {
    ASSERT_TRUE(std::isfinite(c.x) && std::isfinite(c.y));
    EXPECT_NEAR(std::abs(c.x), 12.0f / 320.0f, 1e-3f);
    EXPECT_NEAR(std::abs(c.y), 12.0f / 240.0f, 1e-3f);
  }
}

}  // namespace
