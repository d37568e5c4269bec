// Fitting the configured window size to the display: nothing the GL or the
// screen cannot hold reaches the window library.
#include <gtest/gtest.h>

#include <climits>

#include "platform/windowsize.h"

namespace {

platform::DisplayLimits desktop() {
  platform::DisplayLimits l;
  l.screenWidth = 1920;
  l.screenHeight = 1080;
  l.viewportWidth = l.viewportHeight = l.renderbufferSize = l.textureSize = 16384;
  return l;
}

TEST(WindowSize, SidesAreReducedToWhatTheDisplayHolds) {
  struct Case {
    int width, height;
    WindowKind kind;
    int wantWidth, wantHeight;
    size_t warnings;
  } cases[] = {
      {1024, 768, WindowKind::FullScreen, 1024, 768, 0},
      {2560, 1440, WindowKind::FullScreen, 1920, 1080, 0},  // full screen takes the screen anyway
      {2560, 1440, WindowKind::Hidden, 2560, 1440, 0},
      {INT_MAX, 768, WindowKind::FullScreen, 1920, 768, 1},
      {65536, 65536, WindowKind::Hidden, 16384, 16384, 2},
      {0, 768, WindowKind::FullScreen, 1024, 768, 1},
      {-5, -5, WindowKind::Hidden, 1024, 768, 1},
      {1, 1, WindowKind::FullScreen, 1, 1, 0},
      // A window the user can resize is cut to the screen too, and says so.
      {3000, 700, WindowKind::Windowed, 1920, 700, 1},
      {3000, 99999, WindowKind::Windowed, 1920, 1080, 2},
      {1920, 1080, WindowKind::Windowed, 1920, 1080, 0},
  };
  for (const Case& c : cases) {
    const WindowSizeFit fit = fitWindowSize(c.width, c.height, desktop(), c.kind);
    EXPECT_EQ(fit.width, c.wantWidth) << c.width << " x " << c.height;
    EXPECT_EQ(fit.height, c.wantHeight) << c.width << " x " << c.height;
    EXPECT_EQ(fit.warnings.size(), c.warnings) << c.width << " x " << c.height;
    // Every one names the file it is about, as the other settings' warnings do.
    for (const std::string& w : fit.warnings) EXPECT_EQ(w.rfind("WARNING: config.ini: ", 0), 0u) << w;
  }
}

TEST(WindowSize, TheWarningNamesTheFileTheKeyAndBothValues) {
  platform::DisplayLimits small = desktop();
  small.viewportWidth = 8192;
  const WindowSizeFit fit = fitWindowSize(10000, 600, small, WindowKind::Hidden);
  ASSERT_EQ(fit.warnings.size(), 1u);
  EXPECT_EQ(fit.warnings[0], "WARNING: config.ini: width 10000 is more than this display can hold; using 8192");
  small.screenWidth = 1024;
  const WindowSizeFit windowed = fitWindowSize(3000, 600, small, WindowKind::Windowed);
  ASSERT_EQ(windowed.warnings.size(), 1u);
  EXPECT_EQ(windowed.warnings[0], "WARNING: config.ini: width 3000 is more than the screen's 1024; using 1024");
}

TEST(WindowSize, UnreadLimitsLeaveTheSaneCap) {
  const WindowSizeFit fit = fitWindowSize(INT_MAX, INT_MAX, platform::DisplayLimits{}, WindowKind::FullScreen);
  EXPECT_EQ(fit.width, 16384);
  EXPECT_EQ(fit.height, 16384);
}

}  // namespace
