// The camera's exposure: the setting, the response to the frame's
// brightness, its easing over time, the stars' share and the meter's reading.
#include "render/exposure.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace {

TEST(ExposureSetting, AutoOrAPositiveNumberAnythingElseWarnsAndGivesAuto) {
  struct Case {
    const char* text;
    bool automatic;
    double fixed;
  };
  const Case cases[] = {
      {"auto", true, 1.0},   {"1", false, 1.0},    {"2.5", false, 2.5},  {"0.25", false, 0.25},
      {"1e3", false, 1000}, {"0", true, 1.0},     {"-2", true, 1.0},    {"1001", true, 1.0},
      {"nan", true, 1.0},    {"inf", true, 1.0},   {"2x", true, 1.0},    {"", true, 1.0},
      {"Auto", true, 1.0},
  };
  for (const Case& c : cases) {
    std::vector<std::string> warnings;
    const ExposureSetting setting = parseExposureSetting(c.text, warnings);
    EXPECT_EQ(setting.automatic, c.automatic) << "'" << c.text << "'";
    if (!c.automatic) {
      EXPECT_DOUBLE_EQ(setting.fixed, c.fixed) << c.text;
      EXPECT_TRUE(warnings.empty()) << c.text;
    }
    const bool valid = std::string(c.text) == "auto" || !c.automatic;
    if (!valid) {
      ASSERT_EQ(warnings.size(), 1u) << "'" << c.text << "'";
      EXPECT_EQ(warnings[0], "WARNING: config.ini: exposure '" + std::string(c.text) +
                                 "' is not auto or a number above 0 and up to 1000; exposure takes auto");
    }
  }
}

TEST(AutomaticExposure, BrightFramesKeepTheDesignsLookDarkOnesOpenUpToTheBound) {
  // Mean light before exposure -> exposure.
  const struct {
    double brightness, exposure;
  } table[] = {
      {1.7, 1.0},    // the sun in view
      {0.6, 1.0},    // the sunlit Earth's disc
      {0.1, 1.0},    // the key: the half-lit Earth from far off
      {0.05, 2.0},   // a small crescent
      {1.0 / 30.0, 3.0},
      {0.025, 4.0},
      {0.001, 4.0},  // the night side's lights and twilight
      {1e-6, 4.0},   // the stars alone
      {0.0, 4.0},    // black
      {-1.0, 4.0},   // a meter that read nothing usable
  };
  for (const auto& row : table)
    EXPECT_NEAR(exposureForBrightness(row.brightness), row.exposure, 1e-9) << "brightness " << row.brightness;
  EXPECT_EQ(exposureForBrightness(std::nan("")), kMaxAutoExposure);
}

TEST(AutomaticExposure, EasesOverAboutASecondAlikeAtAnyFrameRate) {
  // From the day's exposure towards the night's, two stops away.
  for (const double fps : {1.0, 10.0, 60.0}) {
    double exposure = 1.0;
    double halfway = -1.0;
    for (int frame = 1; frame <= static_cast<int>(fps * 2.0); ++frame) {
      exposure = easeExposure(exposure, 4.0, 1.0 / fps);
      if (halfway < 0.0 && exposure >= 2.0) halfway = frame / fps;
    }
    EXPECT_NEAR(std::log2(exposure), 2.0, 0.05) << fps << " frames/s: there after two seconds";
    if (fps > 1.0) {
      EXPECT_GT(halfway, 0.2) << fps << " frames/s: no jump";
      EXPECT_LT(halfway, 0.5) << fps << " frames/s: halfway within half a second";
    }
  }
  // One step of a second equals ten of a tenth.
  double tenths = 1.0;
  for (int i = 0; i < 10; ++i) tenths = easeExposure(tenths, 4.0, 0.1);
  EXPECT_NEAR(easeExposure(1.0, 4.0, 1.0), tenths, 1e-12);
  EXPECT_DOUBLE_EQ(easeExposure(2.0, 4.0, 0.0), 2.0);
  EXPECT_DOUBLE_EQ(easeExposure(2.0, 4.0, -1.0), 2.0) << "a clock that went back changes nothing";
  EXPECT_DOUBLE_EQ(easeExposure(2.0, 4.0, std::nan("")), 2.0);
}

TEST(AutomaticExposure, ReadingsEaseByTheClockAndAFixedExposureStays) {
  Exposure automatic;
  takeExposureReading(automatic, 0.001, 10.0);
  EXPECT_DOUBLE_EQ(automatic.value, 4.0) << "the first reading sets it outright";
  takeExposureReading(automatic, 1.0, 10.1);
  EXPECT_GT(automatic.value, 2.0);
  EXPECT_LT(automatic.value, 4.0);
  takeExposureReading(automatic, 1.0, 20.0);
  EXPECT_NEAR(automatic.value, 1.0, 1e-6);
  takeExposureReading(automatic, 0.001, -1.0);
  EXPECT_DOUBLE_EQ(automatic.value, 4.0) << "a still picture's reading sets it outright";
  EXPECT_EQ(exposureReadout(automatic), "exposure 4.00 auto");

  Exposure fixed;
  fixed.setting.automatic = false;
  fixed.setting.fixed = 2.5;
  takeExposureReading(fixed, 0.001, 1.0);
  takeExposureReading(fixed, 1.0, 2.0);
  EXPECT_DOUBLE_EQ(fixed.value, 2.5);
  EXPECT_EQ(exposureReadout(fixed), "exposure 2.50");
}

TEST(StarResponse, TheStarsVanishAtTheDaysExposureAndShineFullAtTheNights) {
  // The brightest star's peak (magnitude -1.5, about 4 at the design's look)
  // as the display shows it, in steps of 255.
  auto brightestStep = [](double exposure) { return 255.0 * std::pow(4.0 * starGain(exposure), 1.0 / 2.2); };
  EXPECT_LT(brightestStep(1.0), 0.5) << "invisible beside the sunlit Earth";
  EXPECT_DOUBLE_EQ(starGain(kMaxAutoExposure), 1.0) << "the design's stars over the night side";
  EXPECT_DOUBLE_EQ(starGain(8.0), 2.0) << "beyond the automatic range, with the exposure";
  double previous = 0.0;
  for (double e = 1.0; e <= 8.0; e *= 1.25) {
    EXPECT_GT(starGain(e), previous) << e;
    previous = starGain(e);
  }
  // A fixed exposure is a plain factor: at 1 the design's stars.
  Exposure fixed;
  fixed.setting = {false, 1.0};
  fixed.value = 1.0;
  EXPECT_DOUBLE_EQ(starGainOf(fixed), 1.0);
  fixed.setting.fixed = fixed.value = 0.5;
  EXPECT_DOUBLE_EQ(starGainOf(fixed), 0.5);
  Exposure automatic;
  automatic.value = 1.0;
  EXPECT_DOUBLE_EQ(starGainOf(automatic), starGain(1.0));
}

TEST(ExposureMeter, TheReadingIsTheBrightestCellsMeanLightOverTheExposureUsed) {
  const size_t cells = static_cast<size_t>(kMeterWidth) * kMeterHeight;
  const size_t bright = cells / kBrightShare;
  std::vector<unsigned char> rgba(cells * 4, 0);
  EXPECT_EQ(meteredBrightness(rgba, 1.0), 0.0);
  // Half the brightest share at a stored 255 (the meter's range), wherever
  // in the frame, the rest black.
  for (size_t i = 0; i < bright / 2; ++i) rgba[4 * (i * 37 % cells)] = 255;
  EXPECT_NEAR(meteredBrightness(rgba, 1.0), kMeterRange / 2.0, 1e-12);
  EXPECT_NEAR(meteredBrightness(rgba, 4.0), kMeterRange / 8.0, 1e-12) << "the frame was drawn four times brighter";
  // Dim cells beyond the brightest share do not count.
  for (size_t i = 0; i < cells; ++i) rgba[4 * i] = std::max<unsigned char>(rgba[4 * i], 10);
  EXPECT_NEAR(meteredBrightness(rgba, 1.0), kMeterRange * (0.5 + 0.5 * (10.0 / 255.0) * (10.0 / 255.0)), 1e-12);
  // Stored as square roots: a cell at 128 holds a quarter of the range.
  std::fill(rgba.begin(), rgba.end(), 0);
  for (size_t i = 0; i < cells; ++i) rgba[4 * i] = 128;
  EXPECT_NEAR(meteredBrightness(rgba, 1.0), kMeterRange * (128.0 / 255.0) * (128.0 / 255.0), 1e-12);
  // Green, blue and alpha carry nothing.
  for (size_t i = 0; i < cells; ++i) rgba[4 * i + 1] = rgba[4 * i + 2] = rgba[4 * i + 3] = 255;
  EXPECT_NEAR(meteredBrightness(rgba, 1.0), kMeterRange * (128.0 / 255.0) * (128.0 / 255.0), 1e-12);
  EXPECT_EQ(meteredBrightness(std::vector<unsigned char>(cells * 4 - 1, 255), 1.0), 0.0) << "a short read-back";
  EXPECT_EQ(meteredBrightness(rgba, 0.0), 0.0);
}

}  // namespace
