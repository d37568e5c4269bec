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

namespace {

// Pixels of the read-out's yellow text.
int readoutPixels(const e2e::Image& image, int rows) {
  int n = 0;
  for (int y = 0; y < rows && y < image.height; ++y)
    for (int x = 0; x < image.width; ++x) {
      const uint8_t* p = image.at(x, y);
      if (p[0] > 150 && p[1] > 110 && p[2] < 110) ++n;
    }
  return n;
}

size_t count(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

// A window (not full screen) resized by the window system draws the whole
// picture at its new size; F3 shows the frame time and F12 saves the scene
// the window shows, at its size, without the read-out. Quick presses, well
// within one frame, each count.
TEST(Desk, AResizedWindowKeepsDrawingAndF12SavesItsPicture) {
  e2e::VirtualDisplay display("640x480");
  ASSERT_TRUE(display.ok());
  const std::string dir = e2e::makeWorkDir("width 320 height 240 fullscreen 0\n");
  e2e::App app(dir, display);
  ASSERT_TRUE(app.waitForOutput("starting game loop!", 60)) << app.err();
  ASSERT_EQ(0, run("DISPLAY=" + display.name() +
                   " xdotool search --name 'Veltrane - Orbisk' windowsize --sync %@ 400 300 >/dev/null 2>&1"));
  std::this_thread::sleep_for(std::chrono::seconds(3));
  app.key("F3");
  std::this_thread::sleep_for(std::chrono::seconds(3));
  EXPECT_GT(readoutPixels(app.screenshot(), 30), 20) << "F3 draws the read-out at the top";
  for (int i = 0; i < 3; ++i) app.key("F12");
  for (int i = 0; i < 4; ++i) app.key("F2");
  ASSERT_TRUE(app.waitForOutput("DEBUG: saved the picture as ", 30)) << app.out();
  std::this_thread::sleep_for(std::chrono::seconds(5));
  const std::string out = app.out();
  EXPECT_EQ(count(out, "DEBUG: saved the picture as "), 3u) << out;
  EXPECT_EQ(count(out, "DEBUG: quality: "), 4u) << out;
  const size_t at = out.find("DEBUG: saved the picture as ") + 28;
  const std::string name = out.substr(at, out.find(' ', at) - at);
  const e2e::Image saved = e2e::loadImage(dir + "/" + name);
  EXPECT_EQ(saved.width, 400);
  EXPECT_EQ(saved.height, 300);
  // The scene is drawn at the new size: right of and below the old 320 x 240
  // corner (where the pointer's re-centring may have turned the view away
  // from the Earth, the stars and the galaxy's band are there).
  int right = 0, below = 0;
  for (int y = 0; y < saved.height; ++y)
    for (int x = 0; x < saved.width; ++x) {
      const uint8_t* p = saved.at(x, y);
      if (p[0] + p[1] + p[2] <= 20) continue;
      right += x >= 320;
      below += y >= 240;
    }
  EXPECT_GT(right, 100);
  EXPECT_GT(below, 100);
  EXPECT_LT(readoutPixels(saved, 30), 5) << "the saved picture is the scene without the read-out";
  app.key("Escape");
  EXPECT_EQ(app.waitForExit(60), 0);
  EXPECT_EQ(app.err().find("ERROR"), std::string::npos) << app.err();
}

// Minimised, the window keeps its size (as on X11), yet the program stops
// rendering and sleeps: well under 5% of a core. Brought back, it draws again.
TEST(Desk, AMinimisedWindowSleeps) {
  e2e::VirtualDisplay display("640x480");
  ASSERT_TRUE(display.ok());
  const std::string dir = e2e::makeWorkDir("width 320 height 240 fullscreen 0 quality fast\n");
  e2e::App app(dir, display);
  ASSERT_TRUE(app.waitForOutput("starting game loop!", 60)) << app.err();
  std::this_thread::sleep_for(std::chrono::seconds(2));
  double before = app.cpuSeconds();
  std::this_thread::sleep_for(std::chrono::seconds(3));
  EXPECT_GT(app.cpuSeconds() - before, 0.5) << "rendering uses the processor";
  ASSERT_TRUE(app.setMinimised(true));
  std::this_thread::sleep_for(std::chrono::seconds(2));  // the frame under way ends
  before = app.cpuSeconds();
  std::this_thread::sleep_for(std::chrono::seconds(10));
  EXPECT_LT(app.cpuSeconds() - before, 0.5) << "10 s minimised";
  ASSERT_TRUE(app.setMinimised(false));
  std::this_thread::sleep_for(std::chrono::seconds(2));
  before = app.cpuSeconds();
  std::this_thread::sleep_for(std::chrono::seconds(3));
  EXPECT_GT(app.cpuSeconds() - before, 0.5) << "rendering again once restored";
  app.key("Escape");
  EXPECT_EQ(app.waitForExit(60), 0);
}

// Under the fast preset a frame is short, so a tap of W moves the camera a
// small part of the way: three taps bring the Earth closer and keep it in view.
TEST(Desk, UnderFastThreeTapsOfWApproachTheEarth) {
  e2e::VirtualDisplay display("320x240");
  ASSERT_TRUE(display.ok());
  const std::string dir = e2e::makeWorkDir("width 320 height 240 quality fast\n");
  e2e::App app(dir, display);
  ASSERT_TRUE(app.waitForOutput("starting game loop!", 60)) << app.err();
  const e2e::Image before = settledFrame(app);
  for (int i = 0; i < 3; ++i) {
    app.key("w");
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
  }
  std::this_thread::sleep_for(std::chrono::seconds(2));
  const e2e::Image after = app.screenshot();
  const int area = after.width * after.height;
  EXPECT_GT(litPixels(after), litPixels(before) * 11 / 10) << "closer";
  EXPECT_LT(litPixels(after), area * 9 / 10) << "not at or through the Earth";
  app.key("Escape");
  EXPECT_EQ(app.waitForExit(60), 0);
}

}  // namespace
