// The page's address read as the browser build reads it, the canvas's
// drawing size against the context's limits, and the portrait projection.
#include "cli/pageaddress.h"

#include <gtest/gtest.h>

#include <cmath>
#include <glm/glm.hpp>

#include "app/canvasfit.h"
#include "scene/camera.h"

namespace {

bool anyWarningHas(const PageAddress& a, const std::string& text) {
  for (const std::string& w : a.warnings)
    if (w.find(text) != std::string::npos) return true;
  return false;
}

TEST(PageAddressTest, RefusedPictureSettingsWarnAndThePageRunsAsUsual) {
  const char* refused[] = {
      "path-time=abc",       "path-time=-5",       "path-time=1e9",   "path-time=nan",
      "path-time=",          "path-time",          "path-time=5&seed=-1",
      "path-time=5&seed=99999999999999999999",     "path-time=5&seed=abc",
      "path-time=5&steps=-10",                     "path-time=5&path-time=6",
      "seed=7",              "path-time=5&steps=",
  };
  for (const char* query : refused) {
    const PageAddress a = readPageAddress(query, 320, 240);
    EXPECT_FALSE(a.shot) << query;
    ASSERT_EQ(1u, a.warnings.size()) << query;
    EXPECT_NE(std::string::npos, a.warnings[0].find("WARNING: the address's picture settings ")) << a.warnings[0];
    EXPECT_NE(std::string::npos, a.warnings[0].find("the page runs as usual")) << a.warnings[0];
  }
  // The refused value and the option are named.
  EXPECT_TRUE(anyWarningHas(readPageAddress("path-time=abc", 320, 240), "path-time=abc"));
  EXPECT_TRUE(anyWarningHas(readPageAddress("path-time=", 320, 240), "path-time has no value"));
  EXPECT_TRUE(anyWarningHas(readPageAddress("path-time=1&path-time=2", 320, 240), "path-time is given more than once"));
}

TEST(PageAddressTest, AcceptedPictureSettingsMakeAStillPicture) {
  const PageAddress a = readPageAddress("?path-time=31.5&seed=7&steps=12&s3tc=0", 256, 192);
  EXPECT_TRUE(a.shot);
  EXPECT_TRUE(a.warnings.empty());
  EXPECT_DOUBLE_EQ(31.5, a.shotOptions.pathTime);
  EXPECT_TRUE(a.shotOptions.hasSeed);
  EXPECT_EQ(7u, a.shotOptions.seed);
  EXPECT_EQ(12, a.shotOptions.steps);
  EXPECT_TRUE(a.settings.empty());
}

// A quality counts as given only when the program takes it; a refused one
// leaves the page as if none were given.
TEST(PageAddressTest, OnlyAnAcceptedQualityCountsAsGiven) {
  const struct {
    const char* query;
    bool given;
  } rows[] = {
      {"quality=fast", true},           {"quality=full", true},        {"renderScale=0.5", true},
      {"depthOfFieldPasses=4", true},   {"quality=bogus", false},      {"quality=FAST", false},
      {"quality", false},               {"quality=", false},           {"depthOfFieldPasses=-3", false},
      {"renderScale=7", false},         {"quality=bogus&renderScale=0.5", true},
      {"", false},
  };
  for (const auto& row : rows) EXPECT_EQ(row.given, readPageAddress(row.query, 320, 240).qualityGiven) << row.query;
}

TEST(CanvasFitTest, TheDrawingSizeKeepsTheCanvasShapeWithinTheLimits) {
  platform::DisplayLimits limits;
  limits.viewportWidth = limits.viewportHeight = 8192;
  limits.renderbufferSize = limits.textureSize = 8192;
  const struct {
    int width, height;
    int expectedWidth, expectedHeight;
    bool reduced;
  } rows[] = {
      {1024, 768, 1024, 768, false},
      {8192, 8192, 8192, 8192, false},
      {9000, 6000, 8192, 5461, true},  // 3000 x 2000 at pixel ratio 3
      {6000, 9000, 5461, 8192, true},
      {100000, 10, 8192, 1, true},
      {0, -5, 1, 1, false},
  };
  for (const auto& row : rows) {
    const CanvasFit fit = fitCanvas(row.width, row.height, limits);
    EXPECT_EQ(row.expectedWidth, fit.width) << row.width << "x" << row.height;
    EXPECT_EQ(row.expectedHeight, fit.height) << row.width << "x" << row.height;
    EXPECT_EQ(row.reduced, fit.reduced) << row.width << "x" << row.height;
  }
  limits.textureSize = 4096;  // the smallest limit rules
  EXPECT_EQ(4096, fitCanvas(9000, 6000, limits).width);
  EXPECT_EQ("The picture is drawn at 8192 x 5461, the most this WebGL allows, and scaled up to the canvas's 9000 x 6000.",
            canvasFitNote({8192, 5461, true}, 9000, 6000));
  EXPECT_EQ("", canvasFitNote({100, 100, false}, 100, 100));
}

// The horizontal field of a portrait window is the field given; landscape
// windows keep the vertical field unchanged.
TEST(PortraitFieldTest, APortraitWindowKeepsTheHorizontalField) {
  for (float aspect : {1.0f, 4.0f / 3.0f, 16.0f / 9.0f, 3.0f}) EXPECT_EQ(65.0f, portraitFieldOfView(65.0f, aspect));
  for (float aspect : {390.0f / 844.0f, 300.0f / 700.0f, 0.75f}) {
    const float vertical = portraitFieldOfView(65.0f, aspect);
    const double horizontal = 2.0 * std::atan(std::tan(glm::radians(vertical / 2.0)) * aspect);
    EXPECT_NEAR(65.0, glm::degrees(horizontal), 1e-3) << aspect;
  }
  EXPECT_LT(portraitFieldOfView(179.0f, 0.01f), 180.0f);
}

}  // namespace
