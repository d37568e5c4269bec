// The exposure meter with the shipped shaders: a frame of known display
// values reduced and read back as the light before the tone curve.
#include "render/exposure.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "tests/gl/glfixture.h"

namespace {

class ExposureMeterTest : public testing::Test {
 protected:
  void SetUp() override {
    gltest::drainErrors();
    gltest::capture([&] {
      made = makeExposureMeter(meter, ORBISK_SOURCE_DIR "/data/vShaderExposureMeter.glsl",
                               ORBISK_SOURCE_DIR "/data/fShaderExposureMeter.glsl");
    });
  }
  void TearDown() override {
    destroyExposureMeter(meter);
    glDeleteTextures(1, &image);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glViewport(0, 0, gltest::kWidth, gltest::kHeight);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
  }
  // A frame of w x h whose pixel (x, y) shows the grey level(x, y).
  template <typename Level>
  void makeImage(int w, int h, Level level) {
    std::vector<unsigned char> rgba(static_cast<size_t>(w) * h * 4, 255);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        for (int c = 0; c < 3; ++c) rgba[4 * (static_cast<size_t>(y) * w + x) + c] = level(x, y);
    glGenTextures(1, &image);
    glBindTexture(GL_TEXTURE_2D, image);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, w, h, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    // One level, as the pass targets have: complete only without mipmaps.
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  }
  ExposureMeter meter;
  bool made = false;
  GLuint image = 0;
};

TEST_F(ExposureMeterTest, AGreyFrameReadsAsItsLightOverTheExposure) {
  ASSERT_TRUE(made);
  makeImage(320, 240, [](int, int) { return 128; });
  // Display 128 is light (128/255)^2.2, below the shoulder.
  const double light = std::pow(128.0 / 255.0, 2.2);
  EXPECT_NEAR(meterImage(meter, image, 320, 240, 1.0), light, 0.03 * light);
  EXPECT_NEAR(meterImage(meter, image, 320, 240, 2.0), light / 2.0, 0.03 * light);
}

TEST_F(ExposureMeterTest, WhiteStandsForLightPastTheShoulderAndBlackForNone) {
  ASSERT_TRUE(made);
  // A white block over a tenth of the width, the rest black; a size the
  // cells do not divide. The brightest cells are all white: the reading is
  // the light at 99 % of the roll-off, 0.8 - 0.2 ln 0.01.
  makeImage(333, 250, [](int x, int) { return x < 33 ? 255 : 0; });
  const double white = 0.8 - 0.2 * std::log(0.01);
  EXPECT_NEAR(meterImage(meter, image, 333, 250, 1.0), white, 0.02 * white);
  // A few stray lit pixels, one in each 32 x 32 block, barely count.
  glDeleteTextures(1, &image);
  makeImage(320, 240, [](int x, int y) { return x % 32 == 5 && y % 32 == 7 ? 255 : 0; });
  EXPECT_LT(meterImage(meter, image, 320, 240, 1.0), white / 50.0);
  makeImage(64, 48, [](int, int) { return 0; });
  EXPECT_EQ(meterImage(meter, image, 64, 48, 1.0), 0.0);
}

}  // namespace
