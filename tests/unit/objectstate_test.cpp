// An object's own flags against the state of the step drawing it.
#include <gtest/gtest.h>

#include "gpu/passstate.h"
#include "scene/object.h"

namespace {

TEST(ObjectState, FlagsTurnOffDepthAndCullingAndBringTheirBlend) {
  struct Case {
    const char* name;
    bool depthTest, culling, blend;
    PassState step;
    bool wantDepth, wantCull, wantBlend;
    GLenum wantSrc, wantDst;
  };
  const PassState noDepth{.depthTest = false, .cullFace = false};
  const Case cases[] = {
      {"plain object", true, true, false, passstate::listedObjects, true, true, false, GL_ONE, GL_ZERO},
      {"the star cube", false, false, false, passstate::environment, false, false, false, GL_ONE, GL_ZERO},
      {"flags cannot turn on", true, true, false, noDepth, false, false, false, GL_ONE, GL_ZERO},
      {"blending object", true, true, true, passstate::listedObjects, true, true, true, GL_SRC_ALPHA, GL_ONE},
      {"step's blending kept", true, true, false, passstate::sunGlow, false, true, true, GL_SRC_ALPHA, GL_ONE},
  };
  for (const Case& c : cases) {
    Object object;
    object.setDepthTest(c.depthTest);
    object.setCulling(c.culling);
    object.blendEnabled = c.blend;
    object.blendSrcFactor = GL_SRC_ALPHA;
    object.blendDstFactor = GL_ONE;
    PassState want = c.step;
    want.depthTest = c.wantDepth;
    want.cullFace = c.wantCull;
    want.blend = c.wantBlend;
    want.blendSrc = c.wantSrc;
    want.blendDst = c.wantDst;
    EXPECT_TRUE(object.stateIn(c.step) == want) << c.name;
  }
  // What the flags do not touch is the step's: the culled face, the masks
  // and the scissor of a depth-only, scissored step.
  Object cube;
  cube.setDepthTest(false);
  cube.setCulling(false);
  const PassState step = scissoredTo(passstate::shellFarSide, {1, 2, 3, 4});
  const PassState drawn = cube.stateIn(step);
  EXPECT_EQ(drawn.culledFace, static_cast<GLenum>(GL_FRONT));
  EXPECT_FALSE(drawn.colourWrite);
  EXPECT_TRUE(drawn.scissor == step.scissor);
}

}  // namespace
