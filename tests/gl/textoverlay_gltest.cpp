#include <GL/glew.h>
#include <gtest/gtest.h>

#include <array>
#include <glm/glm.hpp>

#include "app/loadingscreen.h"
#include "app/orbisk.h"
#include "render/textoverlay.h"
#include "tests/gl/effectsfixture.h"
#include "tests/gl/glfixture.h"
#include "tests/gl/passstatecheck.h"

using effectstest::integer;
using Pixel = std::array<unsigned char, 4>;

namespace {

const Pixel kBlack{0, 0, 0, 255};
const Pixel kGreen{0, 255, 0, 255};

// A 200 x 100 offscreen "window" and an overlay whose font is plain white, so
// every character draws as a filled quad of the text colour.
class TextOverlayGLTest : public testing::Test {
 protected:
  void SetUp() override {
    gltest::drainErrors();
    windowWidth = 200;
    windowHeight = 100;
    target.create(200, 100);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    gltest::capture([&] { ASSERT_TRUE(overlay.initText("missing-font.DDS")); });
    white = effectstest::makeWhiteTexture();
    glDeleteTextures(1, &overlay.textureID);
    overlay.textureID = white;
  }
  void TearDown() override {
    overlay.cleanupText();
    target.destroy();
    glClearColor(0, 0, 0, 0);
    glEnable(GL_DEPTH_TEST);
    glDisable(GL_BLEND);
    glUseProgram(0);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
  }

  effectstest::WorkingDir cwd;
  effectstest::Target target;
  TextOverlay overlay;
  GLuint white = 0;
};

TEST_F(TextOverlayGLTest, InitTextBuildsTheProgramAndBuffers) {
  EXPECT_TRUE(overlay.initialized);
  effectstest::expectDrawerMade(overlay.shaderID, overlay.textureSampler, overlay.colorSampler, overlay.vertexBufferID,
                                overlay.uvBufferID);

  TextOverlay none;
  EXPECT_FALSE(none.initText(nullptr));
  EXPECT_FALSE(none.initialized);
  EXPECT_EQ(none.shaderID, 0u);
}

TEST_F(TextOverlayGLTest, PrintTextFillsTheCharacterCells) {
  // "AB" at (10, 20), size 20: two 16-pixel cells from x = 10 to 42, y = 20 to 40.
  overlay.printText("AB", 10, 20, 20, glm::vec4(0, 1, 0, 1));
  EXPECT_EQ(target.pixel(10, 20), kGreen);
  EXPECT_EQ(target.pixel(41, 39), kGreen);
  EXPECT_EQ(target.pixel(26, 30), kGreen);  // where the two cells meet
  EXPECT_EQ(target.pixel(9, 30), kBlack);
  EXPECT_EQ(target.pixel(42, 30), kBlack);
  EXPECT_EQ(target.pixel(20, 19), kBlack);
  EXPECT_EQ(target.pixel(20, 40), kBlack);
  // Six corners of two floats per character, for positions and glyph coordinates.
  EXPECT_EQ(effectstest::bufferSize(overlay.vertexBufferID), 2 * 6 * 8);
  EXPECT_EQ(effectstest::bufferSize(overlay.uvBufferID), 2 * 6 * 8);
}

TEST_F(TextOverlayGLTest, TextBlendsOverWhatIsThereAndIgnoresDepth) {
  glClearColor(0, 0, 1, 1);
  glClearDepth(0.0);  // a depth test would reject every fragment
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glClearDepth(1.0);
  overlay.printText("x", 0, 0, 10, glm::vec4(1, 0, 0, 0.5f));
  const Pixel p = target.pixel(4, 4);
  EXPECT_NEAR(p[0], 128, 2);
  EXPECT_EQ(p[1], 0);
  EXPECT_NEAR(p[2], 128, 2);
}

TEST_F(TextOverlayGLTest, PrintTextDrawsWithItsOwnStateWhateverCameBefore) {
  // Another texture on unit 0 and another program current, as a pass leaves them.
  GLuint black = effectstest::makeTexture({{0, 0, 0, 255}});
  glActiveTexture(GL_TEXTURE0);
  glBindTexture(GL_TEXTURE_2D, black);
  glActiveTexture(GL_TEXTURE3);
  glUseProgram(0);
  gltest::poisonPassState();
  overlay.printText("state", 5, 5, 10, glm::vec4(0, 1, 0, 1));
  EXPECT_TRUE(gltest::readPassState() == passstate::textOverlay);
  gltest::resetPassState();
  EXPECT_EQ(target.pixel(8, 8), kGreen);
  EXPECT_FALSE(effectstest::attribEnabled(0));
  EXPECT_FALSE(effectstest::attribEnabled(1));
  glActiveTexture(GL_TEXTURE0);
  glDeleteTextures(1, &black);
}

TEST_F(TextOverlayGLTest, NothingToDrawTouchesNothing) {
  glDisable(GL_DEPTH_TEST);
  glEnable(GL_BLEND);
  glUseProgram(0);
  TextOverlay uninitialized;
  uninitialized.printText("text", 0, 0, 20, glm::vec4(1));
  overlay.printText(nullptr, 0, 0, 20, glm::vec4(1));
  overlay.printText("", 0, 0, 20, glm::vec4(1));
  // Without a window size there is no clip space to place text in.
  windowWidth = 0;
  overlay.printText("text", 0, 0, 20, glm::vec4(1));
  windowWidth = 200;
  EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
  EXPECT_TRUE(glIsEnabled(GL_BLEND));
  EXPECT_EQ(integer(GL_CURRENT_PROGRAM), 0);
  EXPECT_EQ(target.pixel(5, 5), kBlack);
}

TEST_F(TextOverlayGLTest, CleanupReleasesOnceAndOnlyOnce) {
  const GLuint program = overlay.shaderID;
  overlay.cleanupText();
  EXPECT_FALSE(glIsProgram(program));
  EXPECT_FALSE(glIsTexture(white));
  EXPECT_FALSE(overlay.initialized);
  // A texture made afterwards may get a released name again; a second cleanup
  // must not delete it.
  GLuint later = effectstest::makeWhiteTexture();
  overlay.cleanupText();
  EXPECT_TRUE(glIsTexture(later));
  glDeleteTextures(1, &later);
}

// The loading screen in a 640 x 480 window: the heading of 17 characters of
// 24 x 30 pixels, centred, starts at x = (640 - 408) / 2 = 116, y = 240 + 60 = 300; the status
// line of 18 characters of 16 x 20 pixels starts at (50, 50).
TEST_F(TextOverlayGLTest, LoadingScreenPlacesHeadingAndStatusLine) {
  target.destroy();
  target.create(640, 480);
  windowWidth = 640;
  windowHeight = 480;
  glClearColor(1, 0, 0, 1);
  glClearDepth(0.25);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glClearColor(0, 0, 0, 1);
  glClearDepth(1.0);

  showLoadingScreen(overlay, "loading sun glow: ");

  // Heading: x 116 .. 524, y 300 .. 330, as far from either edge.
  EXPECT_EQ(target.pixel(116, 300), kGreen);
  EXPECT_EQ(target.pixel(523, 329), kGreen);
  EXPECT_EQ(target.pixel(115, 315), kBlack);
  EXPECT_EQ(target.pixel(524, 315), kBlack);
  EXPECT_EQ(target.pixel(200, 299), kBlack);
  EXPECT_EQ(target.pixel(200, 330), kBlack);
  // Status line: x 50 .. 338, y 50 .. 70.
  EXPECT_EQ(target.pixel(50, 50), kGreen);
  EXPECT_EQ(target.pixel(337, 69), kGreen);
  EXPECT_EQ(target.pixel(338, 60), kBlack);
  EXPECT_EQ(target.pixel(100, 70), kBlack);
  // The previous frame is cleared, colour and depth.
  EXPECT_EQ(target.pixel(600, 450), kBlack);
  EXPECT_EQ(target.depthAt(600, 450), 1.0f);
}

}  // namespace
