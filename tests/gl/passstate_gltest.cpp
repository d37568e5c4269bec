// Every step of a frame sets the whole state it declares, whatever the step
// before it left.
#include "gpu/passstate.h"

#include <string>
#include <vector>

#include "tests/gl/glfixture.h"
#include "tests/gl/passstatecheck.h"

namespace {

TEST(PassState, EachStepSetsEveryFieldOverPoisonedState) {
  struct Case {
    const char* name;
    PassState state;
  };
  const std::vector<Case> cases = {
      {"environment", passstate::environment},
      {"shadowBackFaces", scissoredTo(passstate::shadowBackFaces, {3, 4, 20, 10})},
      {"shadowFrontFaces", scissoredTo(passstate::shadowFrontFaces, {0, 0, 64, 48})},
      {"planetColour", passstate::planetColour},
      {"earthDepth", passstate::earthDepth},
      {"shellFarSide", passstate::shellFarSide},
      {"atmosphereComposite", passstate::atmosphereComposite},
      {"listedObjects", passstate::listedObjects},
      {"sunGlow", passstate::sunGlow},
      {"finalComposite", passstate::finalComposite},
      {"textOverlay", passstate::textOverlay},
      // Every field off its default, so that none can pass by chance.
      {"all changed", {false, GL_GEQUAL, false, false, GL_FRONT, false, true, GL_DST_COLOR, GL_SRC_COLOR, true,
                       {1, 2, 3, 4}}},
  };
  gltest::drainErrors();
  for (const Case& c : cases) {
    gltest::poisonPassState();
    applyPassState(c.state);
    EXPECT_TRUE(gltest::readPassState() == c.state) << c.name;
  }
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
  gltest::resetPassState();
}

TEST(PassState, ClearsObeyTheScissorAndMasksOfTheStep) {
  GLuint framebuffer = 0, colour = 0;
  glGenFramebuffers(1, &framebuffer);
  glGenRenderbuffers(1, &colour);
  glBindRenderbuffer(GL_RENDERBUFFER, colour);
  glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, 8, 8);
  glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
  glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, colour);
  auto red = [](int x, int y) {
    unsigned char p[4] = {};
    glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p);
    return p[0];
  };
  glClearColor(0, 0, 0, 0);
  applyPassState(passstate::environment);
  glClear(GL_COLOR_BUFFER_BIT);
  // A scissored step clears only inside its box; a masked one not at all.
  glClearColor(1, 0, 0, 1);
  applyPassState(scissoredTo(passstate::planetColour, {2, 2, 2, 2}));
  glClear(GL_COLOR_BUFFER_BIT);
  EXPECT_EQ(red(2, 2), 255);
  EXPECT_EQ(red(5, 5), 0);
  applyPassState(passstate::environment);
  glClearColor(0, 0, 0, 0);
  glClear(GL_COLOR_BUFFER_BIT);
  EXPECT_EQ(red(2, 2), 0) << "an unscissored step clears the whole target";
  glClearColor(1, 0, 0, 1);
  applyPassState(passstate::earthDepth);
  glClear(GL_COLOR_BUFFER_BIT);
  EXPECT_EQ(red(5, 5), 0) << "a depth-only step writes no colour";
  glClearColor(0, 0, 0, 0);
  glBindFramebuffer(GL_FRAMEBUFFER, 0);
  glDeleteFramebuffers(1, &framebuffer);
  glDeleteRenderbuffers(1, &colour);
  gltest::resetPassState();
}

}  // namespace
