// The loading screen's lines, one for each step that loads an object the
// user is told about, in the order the steps run.
#include <gtest/gtest.h>

#include "base/configfile.h"
#include "scene/scene.h"

namespace {

TEST(SceneLoading, EachStepNamesTheFileItLoads) {
  SceneLoading loading;
  loading.config.keys = {"moonFilename"};
  loading.config.values = {"models\\other.obj"};
  const char* const expected[] = {
      "",  // the star cube, before any loading screen
      "loading object: models\\earth.obj",
      "loading object: models\\other.obj",
      "loading object: models\\missile.obj",
      "loading object: models\\atmosphere.obj",
      "loading object: models\\shadowCone.obj",
      "",  // the camera paths
  };
  static_assert(sizeof(expected) / sizeof(expected[0]) == SceneLoading::kSteps);
  for (const char* line : expected) {
    EXPECT_FALSE(loading.done()) << loading.step;
    EXPECT_EQ(loading.status(), line) << loading.step;
    ++loading.step;
  }
  EXPECT_TRUE(loading.done());
  EXPECT_EQ(loading.status(), "");
}

}  // namespace
