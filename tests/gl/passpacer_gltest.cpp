// Pacing the passes keeps one mark in flight, drops each earlier one after
// waiting for it, and leaves the passes' pictures as they were drawn.
#include "gpu/passpacer.h"

#include <vector>

#include "tests/gl/glfixture.h"

namespace {

TEST(PassPacer, KeepsOneMarkAndTheirPicturesWhole) {
  gltest::drainErrors();
  gltest::Offscreen target = gltest::beginOffscreen(32);
  PassPacer pacer;
  std::vector<GLsync> marks;
  for (int pass = 0; pass < 16; ++pass) {
    glClearColor(pass / 15.0f, 0.5f, 1.0f - pass / 15.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    pacePass(pacer);
    ASSERT_NE(pacer.previous, nullptr);
    EXPECT_TRUE(glIsSync(pacer.previous));
    // The pass before was waited for and its mark deleted (the driver may
    // hand a deleted mark's name to a later one, so it is checked at once).
    if (!marks.empty()) {
      EXPECT_FALSE(glIsSync(marks.back())) << "pass " << pass - 1;
    }
    marks.push_back(pacer.previous);
  }
  endPacing(pacer);
  EXPECT_EQ(pacer.previous, nullptr);
  EXPECT_FALSE(glIsSync(marks.back()));
  endPacing(pacer);  // twice is harmless
  // What was drawn under the marks is there.
  const std::vector<uint8_t> rgba = gltest::readOffscreen(target);
  ASSERT_EQ(rgba.size(), 32u * 32u * 4u);
  EXPECT_EQ(rgba[0], 255);
  EXPECT_EQ(rgba[2], 0);
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

}  // namespace
