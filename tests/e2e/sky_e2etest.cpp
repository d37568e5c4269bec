// The sky of an instant through orbisk-shot: --utc moves the terminator, the
// seasons lean it, and a malformed time in config.ini falls back to the demo
// sky with a warning. Small, one-pass pictures measured at a few points.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <ctime>
#include <string>

#include "tests/e2e/e2e.h"

namespace {

const std::string kShot = ORBISK_BUILD_DIR "/orbisk-shot";

class Sky : public e2e::SharedDisplaySuite {
 protected:
  static e2e::Shot shot(const std::string& args, const std::string& name, const std::string& dir = "") {
    return e2e::runShot(display, kShot, dir.empty() ? *workDir : dir, "--size 240x240 --quality fast --seed 5 " + args,
                        name, 300);
  }
};

// Mean brightness of the 7 x 7 pixels about (x, y).
double brightness(const e2e::Image& image, int x, int y) {
  double sum = 0.0;
  int n = 0;
  for (int j = y - 3; j <= y + 3; ++j)
    for (int i = x - 3; i <= x + 3; ++i) {
      if (i < 0 || j < 0 || i >= image.width || j >= image.height) continue;
      const uint8_t* p = image.at(i, j);
      sum += (p[0] + p[1] + p[2]) / 3.0;
      ++n;
    }
  return n ? sum / n : 0.0;
}

// From 30,000 km at a field of 30 degrees the disc's radius is about 80
// pixels of the 240: points at half of it lie well inside.
constexpr int kCentre = 120, kHalf = 40;
const std::string kAbove = " --fov 30 --above ";

TEST_F(Sky, UtcTurnsTheLitSideToTheSubsolarPoint) {
  // Over Greenwich on the equator at the March equinox: noon, then midnight.
  const e2e::Shot noon = shot("--utc 2024-03-20T12:00:00Z" + kAbove + "0,0,30000", "noon");
  const e2e::Shot midnight = shot("--utc 2024-03-20T00:00:00Z" + kAbove + "0,0,30000", "midnight");
  ASSERT_EQ(0, noon.status) << noon.err;
  ASSERT_EQ(0, midnight.status) << midnight.err;
  EXPECT_NE(std::string::npos, noon.out.find("sky of 2024-03-20T12:00:00Z"));
  const double lit = brightness(noon.image, kCentre, kCentre), dark = brightness(midnight.image, kCentre, kCentre);
  EXPECT_GT(lit, 40.0);
  EXPECT_GT(lit, 3.0 * dark) << "noon " << lit << ", midnight " << dark;
}

TEST_F(Sky, TheSeasonLeansTheTerminator) {
  // Over 90 west at 12:00 UTC it is six in the morning: the terminator runs
  // down the middle of the disc, the east (right) lit. In June the north
  // pole is in the light, in December the south.
  const e2e::Shot june = shot("--utc 2024-06-20T12:00:00Z" + kAbove + "0,-90,30000", "june");
  const e2e::Shot december = shot("--utc 2024-12-21T12:00:00Z" + kAbove + "0,-90,30000", "december");
  ASSERT_EQ(0, june.status) << june.err;
  ASSERT_EQ(0, december.status) << december.err;
  EXPECT_GT(brightness(june.image, kCentre + kHalf, kCentre), 2.0 * brightness(june.image, kCentre - kHalf, kCentre));
  const double juneNorth = brightness(june.image, kCentre, kCentre - 2 * kHalf + 10);
  const double juneSouth = brightness(june.image, kCentre, kCentre + 2 * kHalf - 10);
  const double decemberNorth = brightness(december.image, kCentre, kCentre - 2 * kHalf + 10);
  const double decemberSouth = brightness(december.image, kCentre, kCentre + 2 * kHalf - 10);
  EXPECT_GT(juneNorth, 2.0 * juneSouth) << juneNorth << " " << juneSouth;
  EXPECT_GT(decemberSouth, 2.0 * decemberNorth) << decemberNorth << " " << decemberSouth;
}

TEST_F(Sky, MalformedTimeWarnsAndKeepsTheDemoSky) {
  const std::string dir =
      e2e::makeWorkDir(e2e::readFile(ORBISK_RUN_DIR "/config.ini") + "\ntime 2023-02-29T12:00:00Z\n");
  const e2e::Shot r = shot("--eye 0,0,3 --at 0,0,0", "malformed", dir);
  ASSERT_EQ(0, r.status) << r.err;
  EXPECT_NE(std::string::npos, r.err.find("WARNING: config.ini: time '2023-02-29T12:00:00Z'")) << r.err;
  EXPECT_NE(std::string::npos, r.err.find("YYYY-MM-DDTHH:MM:SSZ")) << r.err;
  EXPECT_EQ(std::string::npos, r.out.find("sky of")) << r.out;
}

// The program's keys: + and - on the rate, R the other way, N the sky of
// now, each answered by a console line with the instant and the rate.
TEST(SkyKeys, RateKeysAndNowChangeTheSky) {
  e2e::VirtualDisplay display("320x240");
  ASSERT_TRUE(display.ok());
  const std::string dir =
      e2e::makeWorkDir("width 320 height 240 quality fast time 2024-04-08T18:17:16Z timeRate 0\n");
  e2e::App app(dir, display);
  ASSERT_TRUE(app.waitForOutput("DEBUG: sky: 2024-04-08T18:17:16Z, held", 60)) << app.out() << app.err();
  ASSERT_TRUE(app.waitForOutput("starting game loop!", 60)) << app.err();
  app.key("equal");
  EXPECT_TRUE(app.waitForOutput("DEBUG: sky: 2024-04-08T18:17:16Z, 1 sky seconds a second", 30)) << app.out();
  app.key("equal");
  EXPECT_TRUE(app.waitForOutput(", 10 sky seconds a second", 30)) << app.out();
  app.key("r");
  EXPECT_TRUE(app.waitForOutput(", -10 sky seconds a second", 30)) << app.out();
  app.key("minus");
  EXPECT_TRUE(app.waitForOutput(", -1 sky seconds a second", 30)) << app.out();
  app.key("n");
  char today[16];
  const std::time_t now = std::time(nullptr);
  std::strftime(today, sizeof today, "%Y-%m-%d", std::gmtime(&now));
  EXPECT_TRUE(app.waitForOutput(std::string("DEBUG: sky: ") + today, 30)) << app.out();
  app.key("Escape");
  EXPECT_EQ(app.waitForExit(60), 0);
  EXPECT_EQ(std::string::npos, app.err().find("WARNING")) << app.err();
}

}  // namespace
