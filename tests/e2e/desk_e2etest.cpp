// The program on desktops unlike the test machine's defaults: another
// keyboard layout.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "tests/e2e/e2e.h"

namespace {

int run(const std::string& command) { return system(command.c_str()); }

// Pixels of the lit Earth and its air; the stars are too few to matter.
int litPixels(const e2e::Image& image) {
  int lit = 0;
  for (int y = 0; y < image.height; ++y)
    for (int x = 0; x < image.width; ++x) {
      const uint8_t* p = image.at(x, y);
      if (p[0] + p[1] + p[2] > 90) ++lit;
    }
  return lit;
}

e2e::Image settledFrame(e2e::App& app) {
  // A few frames after the loop starts, the loading screen is long gone.
  std::this_thread::sleep_for(std::chrono::seconds(3));
  return app.screenshot();
}

// On a French (AZERTY) keyboard the key labelled Z sits where QWERTY has W,
// and the one labelled W where QWERTY has Z. xdotool types by label.
TEST(Desk, OnAnAzertyLayoutKeysActByTheirLabels) {
  e2e::VirtualDisplay display("320x240", true);
  ASSERT_TRUE(display.ok());
  ASSERT_EQ(0, run("DISPLAY=" + display.name() + " setxkbmap -layout fr"));
  std::string dir = e2e::makeWorkDir();
  e2e::App app(dir, display);
  ASSERT_TRUE(app.waitForOutput("starting game loop!", 60)) << app.err();
  const e2e::Image before = settledFrame(app);
  // Z shortens the step first, so that W's steps stay short of the Earth
  // however long a frame takes; were Z a forward move, the camera would fly
  // far past the Earth.
  for (int i = 0; i < 4; ++i) app.key("z");
  for (int i = 0; i < 2; ++i) app.key("w");
  std::this_thread::sleep_for(std::chrono::seconds(3));
  const e2e::Image closer = app.screenshot();
  EXPECT_GT(litPixels(closer), litPixels(before) * 11 / 10) << "W moves the camera towards the Earth";
  // Halving further reaches the shortest step, which Z reports by name.
  for (int i = 0; i < 20; ++i) app.key("z");
  EXPECT_TRUE(app.waitForOutput("; Z ignored", 30)) << app.err();
  app.key("Escape");
  EXPECT_EQ(app.waitForExit(60), 0);
}

}  // namespace
