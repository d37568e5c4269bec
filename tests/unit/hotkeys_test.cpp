// The frame-time read-out's figures and the saved picture's name.
#include "app/hotkeys.h"

#include <gtest/gtest.h>

#include "platform/platform.h"
#include "render/quality.h"

namespace {

TEST(FrameTimes, MedianAndRateOverTheLastSecond) {
  FrameTimes t;
  EXPECT_EQ(t.medianMs(), 0.0);
  EXPECT_EQ(t.framesPerSecond(), 0.0);
  // 0.1 s frames for two seconds: only the last second's ten count.
  double now = 0.0;
  for (int i = 0; i < 20; ++i) t.add(now += 0.1, 0.1);
  EXPECT_NEAR(t.medianMs(), 100.0, 1e-9);
  EXPECT_NEAR(t.framesPerSecond(), 10.0, 0.5);
  // One slow frame among fast ones moves the median little and the rate much.
  t.add(now += 0.5, 0.5);
  EXPECT_NEAR(t.medianMs(), 100.0, 1e-9);
  EXPECT_LT(t.framesPerSecond(), 10.0);
  // Slower than a frame a second: the newest frame still shows.
  FrameTimes slow;
  slow.add(3.0, 3.0);
  slow.add(6.0, 3.0);
  EXPECT_NEAR(slow.medianMs(), 3000.0, 1e-9);
  EXPECT_NEAR(slow.framesPerSecond(), 1.0 / 3.0, 1e-9);
  EXPECT_EQ(frameTimeReadout(slow, "fast"), "3000.0 ms  0.3 fps  fast");
}

TEST(HotKeys, EveryPressCounts) {
  HotKeys keys;
  int toggles = 0;
  const int f2 = platform::KEY_F1 + 1, f3 = platform::KEY_F1 + 2, f12 = platform::KEY_F1 + 11;
  for (int i = 0; i < 20; ++i) toggles += onHotKeyPress(keys, f2) == HotKeyAction::ToggleFastQuality;
  for (int i = 0; i < 12; ++i) onHotKeyPress(keys, f12);
  for (int i = 0; i < 3; ++i) onHotKeyPress(keys, f3);
  // The camera's keys are no hot keys.
  for (int key : {int('W'), int('P'), int(platform::KEY_ESC), int(platform::KEY_F1)})
    EXPECT_EQ(onHotKeyPress(keys, key), HotKeyAction::None) << key;
  EXPECT_EQ(toggles, 20);
  EXPECT_EQ(keys.picturesPending, 12);
  EXPECT_TRUE(keys.readoutShown) << "three presses of F3 leave it shown";
}

TEST(HotKeys, TheReadoutNamesTheSettingsInForce) {
  struct Case {
    int passes;
    float scale;
    const char* preset;  // what config.ini named
    const char* shown;
  } cases[] = {
      {16, 1.0f, "full", "full"},
      {4, 0.75f, "balanced", "balanced"},
      {1, 0.5f, "fast", "fast"},
      {8, 0.5f, "fast", "custom (8 passes, render scale 0.5)"}, // fast with depthOfFieldPasses 8
      {1, 0.25f, "full", "custom (1 pass, render scale 0.25)"},  // full with renderScale 0.25 and 1 pass
      {4, 0.75f, "full", "balanced"},                      // keys that make up a preset
  };
  for (const Case& c : cases) {
    const Quality q{c.preset, c.passes, c.scale};
    EXPECT_EQ(qualityInForce(q), c.shown) << c.shown;
    // The console names it alike: a custom setting in the same words, a
    // preset followed by what it sets.
    const std::string console = describeQuality(q);
    EXPECT_EQ(console.rfind(std::string("quality: ") + c.shown, 0), 0u) << console;
    if (std::string(c.shown).find('(') != std::string::npos) {
      EXPECT_EQ(console, std::string("quality: ") + c.shown);
    }
  }
  EXPECT_EQ(describeQuality(Quality{"full", 16, 1.0f}), "quality: full (16 passes, render scale 1)");
}

// The read-out keeps one size whatever the window's height, and never runs
// past a narrow window's edge.
TEST(HotKeys, TheReadoutFitsAnyWindow) {
  const std::string preset = "10.2 ms  92.1 fps  full";
  const std::string custom = "10.2 ms  92.1 fps  custom (8 passes, render scale 0.5)";
  struct Case {
    const std::string& text;
    int w, h;
    float scale;
    std::vector<std::string> lines;
    int size;
  } cases[] = {
      {preset, 1024, 768, 1.0f, {preset}, 16},
      {preset, 1024, 200, 1.0f, {preset}, 16},  // a low window: the same size as a tall one
      {preset, 1024, 2000, 1.0f, {preset}, 16},
      {preset, 2048, 1536, 2.0f, {preset}, 32},  // HiDPI: twice the pixels
      {preset, 200, 768, 1.0f, {"10.2 ms", "92.1 fps  full"}, 16},
      {custom, 1024, 768, 1.0f, {custom}, 16},
      {custom, 600, 400, 1.0f, {"10.2 ms  92.1 fps", "custom (8 passes, render scale 0.5)"}, 16},
      {custom, 320, 240, 1.0f, {"10.2 ms  92.1 fps", "custom (8 passes, render scale 0.5)"}, 11},
      {custom, 100, 240, 1.0f, {"10.2 ms  92.1 fps", "custom (8 passes, render scale 0.5)"}, 6},  // the least
      {preset, 1024, 768, 0.5f, {preset}, 16},  // a scale below 1 is no reason to shrink
  };
  for (const Case& c : cases) {
    const std::vector<PlacedText> placed = readoutLayout(c.text, c.w, c.h, c.scale);
    ASSERT_EQ(placed.size(), c.lines.size()) << c.text << " in " << c.w;
    for (size_t i = 0; i < placed.size(); ++i) {
      const PlacedText& p = placed[i];
      EXPECT_EQ(p.text, c.lines[i]);
      EXPECT_EQ(p.size, c.size) << c.w << " x " << c.h;
      EXPECT_EQ(p.x, c.size / 2);
      EXPECT_EQ(p.y + p.size + c.size / 2 + static_cast<int>(i) * (c.size + c.size / 4), c.h) << "from the top down";
      if (c.size > 6) {
        EXPECT_LE(p.x + 0.8 * p.size * static_cast<double>(p.text.size()), c.w - p.x) << p.text;
      }
    }
  }
  EXPECT_TRUE(readoutLayout(preset, 0, 768, 1.0f).empty());
  EXPECT_TRUE(readoutLayout("", 640, 480, 1.0f).empty());
}

TEST(FrameTimes, PictureNamesCarryTheLocalDateAndTime) {
  std::tm when{};
  when.tm_year = 2026 - 1900;
  when.tm_mon = 11;
  when.tm_mday = 7;
  when.tm_hour = 9;
  when.tm_min = 5;
  when.tm_sec = 3;
  when.tm_isdst = -1;
  EXPECT_EQ(pictureFileName(std::mktime(&when)), "orbisk-20261207-090503.png");
}

}  // namespace
