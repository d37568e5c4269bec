#include "gpu/rendertargets.h"

#include <algorithm>
#include <string>

#include "app/orbisk.h"
#include "tests/gl/targetsfixture.h"

namespace {

class RenderTargetImages : public gltest::TargetsTest {
 protected:
  RenderTargetImages() : gltest::TargetsTest(37, 23) {}  // odd sizes catch halving or rounding mistakes
};

TEST_F(RenderTargetImages, EveryImageHasTheWindowSizeAndItsFormat) {
  const GLuint depthTextures[] = {targets.depthTextureBackSideShadow, targets.depthTextureFrontSideShadow,
                                  targets.depthTexturePlanetDepth, targets.depthTextureBackSideAtmosphere};
  for (GLuint t : depthTextures) {
    ASSERT_NE(t, 0u);
    EXPECT_EQ(gltest::textureLevelParam(t, GL_TEXTURE_WIDTH), 37);
    EXPECT_EQ(gltest::textureLevelParam(t, GL_TEXTURE_HEIGHT), 23);
    EXPECT_EQ(gltest::textureLevelParam(t, GL_TEXTURE_INTERNAL_FORMAT), GL_DEPTH_COMPONENT24);
  }
  EXPECT_EQ(gltest::textureLevelParam(targets.colorTexturePlanetColor, GL_TEXTURE_WIDTH), 37);
  EXPECT_EQ(gltest::textureLevelParam(targets.colorTexturePlanetColor, GL_TEXTURE_INTERNAL_FORMAT), GL_RGB);
  GLint wrap = 0;
  glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &wrap);
  EXPECT_EQ(wrap, GL_CLAMP_TO_EDGE);
  for (int i = 0; i < kDOFPasses; ++i) {
    EXPECT_EQ(gltest::textureLevelParam(targets.textureDOF[i], GL_TEXTURE_WIDTH), 37);
    EXPECT_EQ(gltest::textureLevelParam(targets.textureDOF[i], GL_TEXTURE_HEIGHT), 23);
    GLint filter = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &filter);
    EXPECT_EQ(filter, GL_NEAREST);
    glBindFramebuffer(GL_FRAMEBUFFER, targets.framebufferDOF[i]);
    EXPECT_EQ(glCheckFramebufferStatus(GL_FRAMEBUFFER), static_cast<GLenum>(GL_FRAMEBUFFER_COMPLETE));
    GLint depthSize = 0;
    glGetFramebufferAttachmentParameteriv(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_FRAMEBUFFER_ATTACHMENT_OBJECT_TYPE,
                                          &depthSize);
    EXPECT_EQ(depthSize, GL_RENDERBUFFER);
  }
}

TEST_F(RenderTargetImages, DepthOnlyTargetsNameNoColourBuffer) {
  const GLuint framebuffers[] = {targets.framebufferBackSideShadow, targets.framebufferFrontSideShadow,
                                 targets.framebufferPlanetDepth, targets.framebufferBackSideAtmosphere};
  for (GLuint fb : framebuffers) {
    glBindFramebuffer(GL_FRAMEBUFFER, fb);
    GLint drawBuffer = -1, readBuffer = -1;
    glGetIntegerv(GL_DRAW_BUFFER0, &drawBuffer);
    glGetIntegerv(GL_READ_BUFFER, &readBuffer);
    EXPECT_EQ(drawBuffer, GL_NONE);
    EXPECT_EQ(readBuffer, GL_NONE);
    EXPECT_EQ(glCheckFramebufferStatus(GL_FRAMEBUFFER), static_cast<GLenum>(GL_FRAMEBUFFER_COMPLETE));
  }
  glBindFramebuffer(GL_FRAMEBUFFER, targets.framebufferPlanetColor);
  GLint drawBuffer = -1;
  glGetIntegerv(GL_DRAW_BUFFER0, &drawBuffer);
  EXPECT_EQ(drawBuffer, GL_COLOR_ATTACHMENT0);
  glBindFramebuffer(GL_FRAMEBUFFER, 0);
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

}  // namespace

namespace {

// A side GL cannot hold makes every target incomplete: the creates say so,
// name the first target and GL's status, and stop there.
TEST(RenderTargetFailure, AnIncompleteTargetIsNamedAndReported) {
  GLint maxSide = 0;
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSide);
  GLint maxRenderbuffer = 0;
  glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &maxRenderbuffer);
  windowWidth = std::max(maxSide, maxRenderbuffer) + 1;
  windowHeight = 1;
  RenderTargets targets;
  struct Case {
    bool (*create)(RenderTargets&);
    const char* start;
  } cases[] = {
      {[](RenderTargets& t) { return createRenderTargets(t, windowWidth, windowHeight, 1.0f); },
       "ERROR (BackSideShadow): "},
      {[](RenderTargets& t) { return createDOFRenderTargets(t, windowWidth, windowHeight); }, "ERROR (DOF 0): "},
  };
  for (const Case& c : cases) {
    testing::internal::CaptureStdout();
    EXPECT_FALSE(c.create(targets)) << c.start;
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(out.rfind(c.start, 0), 0u) << out;
    EXPECT_NE(out.find("GL_FRAMEBUFFER_INCOMPLETE"), std::string::npos) << out;
    EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 1) << "stops at the first: " << out;
  }
  destroyDOFRenderTargets(targets);
  destroyRenderTargets(targets);
  gltest::drainErrors();
  windowWidth = 37;
  windowHeight = 23;
  EXPECT_TRUE(rebuildRenderTargets(targets, windowWidth, windowHeight, 1.0f)) << "a size GL holds makes them again";
  destroyDOFRenderTargets(targets);
  destroyRenderTargets(targets);
  windowWidth = windowHeight = 0;
}

}  // namespace
