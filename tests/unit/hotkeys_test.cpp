// The frame-time read-out's figures and the saved picture's name.
#include "app/hotkeys.h"

#include <gtest/gtest.h>

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
