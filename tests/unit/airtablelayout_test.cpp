#include "render/airtablelayout.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "render/airtable.h"

namespace {

// The README's far views: the Earth three radii away in a 1024 x 768
// window of 65 degrees, the Earth's own air.
AirTableView farView() {
  AirTableView view;
  view.eye = glm::vec3(0.0f, 0.0f, 3.0f);
  view.sun = glm::vec3(1.0f, 1.0f, 1.0f);
  view.shellRadius = 1.0188f;
  view.eyeSpread = 0.003f;
  view.focalPixels = 384.0f / std::tan(glm::radians(32.5f));
  view.targetWidth = 1024;
  view.targetHeight = 768;
  view.passes = 16;
  return view;
}

TEST(AirTableLayout, AFarEarthGetsAPixelATexelRoundItsLimb) {
  const AirTableLayout layout = planAirTable(farView(), 16384);
  ASSERT_TRUE(layout.usable) << layout.reason;
  // The shell's angular radius asin(1.0188 / 3) seen through a focal length
  // of 602.8 pixels: a radius of 217.6 pixels, 1368 round.
  EXPECT_NEAR(layout.columns, 1368, 2);
  EXPECT_EQ(layout.groundColumns, (layout.columns + 1) / 2);
  EXPECT_NEAR(layout.groundRows, 214, 1);  // the Earth's own radius in pixels
  EXPECT_EQ(layout.limbRows, 33);          // eight rows a pixel over a ring of 4.0
  EXPECT_NEAR(layout.limbHeight, 0.0188f, 1e-6f);
  // The azimuth's axes: unit, square to each other and to the line of sight.
  EXPECT_NEAR(glm::length(layout.right), 1.0f, 1e-6f);
  EXPECT_NEAR(glm::length(layout.up), 1.0f, 1e-6f);
  EXPECT_NEAR(glm::dot(layout.right, layout.up), 0.0f, 1e-6f);
  EXPECT_NEAR(glm::dot(layout.right, farView().eye), 0.0f, 1e-5f);
  EXPECT_NEAR(glm::dot(layout.up, farView().eye), 0.0f, 1e-5f);
}

TEST(AirTableLayout, ViewsThePassesMustShadeThemselves) {
  struct Case {
    const char* what;
    void (*change)(AirTableView&);
    int maxTextureSize;
    bool usable;
  } cases[] = {
      {"the far view", [](AirTableView&) {}, 16384, true},
      {"an eye on any axis", [](AirTableView& v) { v.eye = glm::vec3(-3.0f, 0.0f, 0.0f); }, 16384, true},
      {"an eye in the air", [](AirTableView& v) { v.eye = glm::vec3(0.0f, 1.01f, 0.0f); }, 16384, false},
      {"a pass's eye in the air", [](AirTableView& v) { v.eye = glm::vec3(0.0f, 0.0f, 1.021f); }, 16384, false},
      {"a wide aperture reaching the air",
       [](AirTableView& v) {
         v.eye = glm::vec3(0.0f, 0.0f, 1.2f);
         v.eyeSpread = 0.2f;
       },
       16384, false},
      {"the Earth filling a narrow view",
       [](AirTableView& v) {
         v.eye = glm::vec3(0.0f, 0.0f, 1.1f);
         v.focalPixels = 5000.0f;
       },
       16384, false},
      {"a driver's small textures", [](AirTableView&) {}, 1024, false},
      {"no target", [](AirTableView& v) { v.targetWidth = 0; }, 16384, false},
      {"the balanced preset's four passes", [](AirTableView& v) { v.passes = 4; }, 16384, true},
      {"the fast preset's one pass", [](AirTableView& v) { v.passes = 1; }, 16384, false},
      {"no sun", [](AirTableView& v) { v.sun = glm::vec3(0.0f); }, 16384, false},
      {"no air", [](AirTableView& v) { v.shellRadius = 1.0f; }, 16384, false},
      {"an eye not a number",
       [](AirTableView& v) { v.eye.x = std::numeric_limits<float>::quiet_NaN(); }, 16384, false},
      {"an eye at infinity",
       [](AirTableView& v) { v.eye.z = std::numeric_limits<float>::infinity(); }, 16384, false},
  };
  for (const Case& c : cases) {
    AirTableView view = farView();
    c.change(view);
    const AirTableLayout layout = planAirTable(view, c.maxTextureSize);
    EXPECT_EQ(layout.usable, c.usable) << c.what << ": " << layout.reason;
    EXPECT_EQ(layout.reason.empty(), c.usable) << c.what;
    if (!layout.usable) continue;
    EXPECT_GE(layout.groundColumns + 1, kAirTableMinColumns / 2) << c.what;
    EXPECT_LT(layout.groundColumns, layout.columns) << c.what;
    EXPECT_TRUE(std::isfinite(layout.right.x + layout.right.y + layout.right.z)) << c.what;
  }
}

TEST(AirTableLayout, AFarSmallEarthKeepsTheSmallestTable) {
  AirTableView view = farView();
  view.eye = glm::vec3(0.0f, 0.0f, 400.0f);
  const AirTableLayout layout = planAirTable(view, 16384);
  ASSERT_TRUE(layout.usable);
  EXPECT_EQ(layout.columns, kAirTableMinColumns);
  EXPECT_EQ(layout.groundRows, kAirTableMinRows);
  EXPECT_EQ(layout.limbRows, kAirTableMinLimbRows);
}

// One size of texture a target, whatever the view: room for a shell as tall
// as the target, within the driver's largest texture.
TEST(AirTableLayout, TheTexturesRoomFollowsTheTargetOnly) {
  EXPECT_EQ(airTableCapacity(768, 16384), (AirTableCapacity{2414, 512}));
  EXPECT_EQ(airTableCapacity(480, 16384), (AirTableCapacity{1509, 368}));
  EXPECT_EQ(airTableCapacity(768, 2048), (AirTableCapacity{2048, 512}));
  EXPECT_EQ(airTableCapacity(0, 16384), (AirTableCapacity{kAirTableMinColumns + 1, kAirTableMinRows + kAirTableMaxLimbRows}));
  // The far view's table fits; the same Earth in a target a third as tall does not.
  AirTableView small = farView();
  small.targetHeight = 256;
  EXPECT_FALSE(planAirTable(small, 16384).usable);
}

TEST(AirTable, TheSettingsWords) {
  std::string warning;
  EXPECT_TRUE(airTableSwitchedOn("auto", warning));
  EXPECT_TRUE(warning.empty());
  EXPECT_FALSE(airTableSwitchedOn("off", warning));
  EXPECT_TRUE(warning.empty());
  // A misspelt value falls back to the shipped default, auto.
  EXPECT_TRUE(airTableSwitchedOn("of", warning));
  EXPECT_NE(warning.find("airTable must be auto or off, not \"of\"; using auto"), std::string::npos) << warning;
}

}  // namespace
