// The real program for about two minutes with a flight and bursts of input,
// F2 among them: frames keep coming, memory stays flat after warm-up, every
// F2 switches the quality, Escape still ends it.
// Registered as its own ctest entry ("soak"), outside the e2e run.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "tests/e2e/e2e.h"

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// Share of pixels that differ by more than a little between two pictures.
double changedShare(const e2e::Image& a, const e2e::Image& b) {
  if (a.width != b.width || a.height != b.height || a.rgb.empty()) return 1.0;
  size_t changed = 0;
  for (size_t i = 0; i + 2 < a.rgb.size(); i += 3)
    if (std::abs(a.rgb[i] - b.rgb[i]) + std::abs(a.rgb[i + 1] - b.rgb[i + 1]) + std::abs(a.rgb[i + 2] - b.rgb[i + 2]) >
        12)
      ++changed;
  return static_cast<double>(changed) / static_cast<double>(a.rgb.size() / 3);
}

// One burst: keys that move, turn, roll and rescale, pointer moves and the
// wheel both ways, balanced so that the camera wanders but stays near.
// Every third burst also switches between the configured quality and fast;
// returns the F2 presses sent.
int burst(e2e::App& app, int round) {
  static const char* const keys[] = {"w", "s", "a", "d", "q", "e", "Left", "Right", "Up", "Down", "t", "z"};
  for (int i = 0; i < 6; ++i) app.key(keys[(round * 5 + i) % 12]);
  app.mouseMove(160 + (round % 3 - 1) * 15, 120 + (round % 5 - 2) * 6);
  app.wheel(round % 2 == 0);
  app.wheel(round % 2 != 0);
  if (round % 3 != 0) return 0;
  app.key("F2");
  return 1;
}

size_t count(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

TEST(Soak, FramesKeepComingMemoryStaysFlatAndEscapeEnds) {
  const double soakSeconds = std::getenv("ORBISK_SOAK_SECONDS") ? std::atof(std::getenv("ORBISK_SOAK_SECONDS")) : 120;
  e2e::VirtualDisplay display("320x240");
  ASSERT_TRUE(display.ok());
  const std::string dir = e2e::makeWorkDir("width 320 height 240\n");
  e2e::App app(dir, display);
  ASSERT_TRUE(app.waitForOutput("starting game loop!", 120)) << app.err();
  app.key("p");
  // The first F2 builds the reduced composite and its targets once (about
  // 17 MB that stay for the rest of the run); a round trip before the
  // baseline is taken, so that what is measured after it is growth, not
  // that one-time cost.
  app.key("F2");
  app.key("F2");
  ASSERT_TRUE(app.waitForOutput("DEBUG: quality: full", 120)) << app.out();
  int f2Presses = 2;

  const Clock::time_point start = Clock::now();
  const double warmUp = soakSeconds / 4;
  long warmRss = -1, peakAfterWarmUp = -1;
  e2e::Image previous = app.screenshot();
  double lastShot = 0;
  int shots = 0, still = 0;
  for (int round = 0; secondsSince(start) < soakSeconds; ++round) {
    ASSERT_TRUE(app.running()) << "the program ended during the soak with status " << app.endStatus()
                               << " (128 + signal for a crash): " << app.err() << "\nits last output:\n"
                               << app.out().substr(app.out().size() > 2000 ? app.out().size() - 2000 : 0);
    f2Presses += burst(app, round);
    std::this_thread::sleep_for(std::chrono::milliseconds(700));
    const double t = secondsSince(start);
    if (t - lastShot >= 10) {
      lastShot = t;
      const e2e::Image now = app.screenshot();
      ++shots;
      if (changedShare(previous, now) < 0.001) ++still;
      previous = now;
    }
    const long rss = app.residentKB();
    if (t >= warmUp && warmRss < 0) warmRss = rss;
    if (warmRss > 0) peakAfterWarmUp = std::max(peakAfterWarmUp, rss);
  }
  // The Earth turns, the flight moves and the input turns the view: every
  // ten seconds the picture must have changed.
  EXPECT_GE(shots, static_cast<int>(soakSeconds / 10) - 1);
  EXPECT_EQ(still, 0) << still << " of " << shots << " screenshots showed no new frame";
  ASSERT_GT(warmRss, 0);
  EXPECT_LT(peakAfterWarmUp - warmRss, 10 * 1024) << "resident memory grew from " << warmRss << " kB to "
                                                   << peakAfterWarmUp << " kB after warm-up";
  app.key("Escape");
  EXPECT_EQ(app.waitForExit(60), 0) << app.err();
  EXPECT_EQ(count(app.out(), "DEBUG: quality: "), static_cast<size_t>(f2Presses)) << "every F2 switches once";
  EXPECT_EQ(app.err().find("ERROR"), std::string::npos) << app.err();
}

}  // namespace
