// A test that draws into the design's render targets: they are made at a
// window size of its choosing before the test, and destroyed after it with
// whatever stand-in scene the test assembled; the window size, the camera and
// the pass index go back as they were.
#pragma once
#include "app/orbisk.h"
#include "render/quality.h"
#include "render/renderscene.h"
#include "gpu/rendertargets.h"
#include "scene/camera.h"
#include "scene/scene.h"
#include "tests/gl/glfixture.h"
#include "tests/processstate.h"

namespace gltest {

class TargetsTest : public testing::Test {
 protected:
  explicit TargetsTest(int w = kWidth, int h = kHeight) : width(w), height(h) {}
  void SetUp() override {
    windowWidth = width;
    windowHeight = height;
    const Captured made = capture([this] {
      createRenderTargets(targets, windowWidth, windowHeight, Quality().scale);
      createDOFRenderTargets(targets, windowWidth, windowHeight);
    });
    EXPECT_EQ(made.out + made.err, "") << "every target is complete";
    drainErrors();
  }
  void TearDown() override {
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    unloadScene(scene);
    destroyDOFRenderTargets(targets);
    destroyRenderTargets(targets);
  }

  const int width, height;
  RenderTargets targets;
  // The stand-in scene the test assembles, unloaded after it.
  Scene scene;

 private:
  processstate::Keep<int, int, Camera> keep{windowWidth, windowHeight, camera};
};

}  // namespace gltest
