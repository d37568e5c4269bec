#include "scene/sceneclock.h"

#include <gtest/gtest.h>

#include "scene/animation.h"
#include "scene/camera.h"
#include "platform/platform.h"
#include "scene/object.h"
#include "tests/unit/fakes.h"

namespace {

// Each row: an event at a wall time, then the scene time read at `readAt`.
TEST(SceneClockTest, PausedSpansAreNotSceneTime) {
  enum Event { None, Pause, Frame };
  struct Row {
    Event event;
    double wall;
    double readAt;
    double expected;
  };
  const Row rows[] = {
      {None, 0.0, 5.0, 5.0},      // unpaused: the wall's time
      {Pause, 10.0, 30.0, 10.0},  // paused: held at the pause
      {Pause, 20.0, 30.0, 10.0},  // a second pause does not move it
      {Frame, 30.0, 31.0, 11.0},  // 20 s paused, then one more
      {Frame, 40.0, 41.0, 21.0},  // a frame without a pause takes nothing away
      {Pause, 50.0, 50.0, 30.0},
      {Frame, 45.0, 46.0, 26.0},  // the wall stepped back: no negative pause
  };
  SceneClock clock;
  for (const Row& row : rows) {
    if (row.event == Pause) clock.pause(row.wall);
    if (row.event == Frame) clock.frame(row.wall);
    EXPECT_DOUBLE_EQ(row.expected, clock.at(row.readAt)) << "after the event at " << row.wall;
    EXPECT_EQ(row.event == Pause, clock.isPaused());
  }
}

// Frames that stop without a pause (a frozen page): a gap far beyond the
// usual one counts as one usual frame; slow frames are no stall.
TEST(SceneClockTest, AStallBetweenFramesCountsAsOneUsualFrame) {
  const struct {
    double framePeriod;  // the usual gap
    double stall;        // then one gap of this length
    double advanced;     // scene time over the stall
  } rows[] = {
      {0.05, 20.0, 0.05},  // a page frozen for 20 s
      {0.05, 0.9, 0.9},    // under a second: no stall
      {0.5, 1.5, 1.5},     // under four usual gaps: no stall
      {2.5, 5.0, 5.0},     // a software renderer's full look, one slow frame
      {2.5, 20.0, 2.5},
  };
  for (const auto& row : rows) {
    SceneClock clock;
    double wall = 100.0;
    for (int i = 0; i < 20; ++i, wall += row.framePeriod) clock.frame(wall);
    wall -= row.framePeriod;
    const double before = clock.at(wall);
    wall += row.stall;
    clock.frame(wall);
    EXPECT_NEAR(row.advanced, clock.at(wall) - before, 1e-9) << row.framePeriod << " then " << row.stall;
    clock.frame(wall + row.framePeriod);
    EXPECT_NEAR(row.advanced + row.framePeriod, clock.at(wall + row.framePeriod) - before, 1e-9);
  }
}

// A flight paused for 20 s between frames resumes where it stood.
TEST(SceneClockTest, AFlightWaitsOutAPause) {
  platform::setTimeSource(unittest::fakeClock);
  SceneClock clock;
  Object eyePath, lookAtPath;
  const std::vector<uint32_t> segments = {1, 2, 2, 3, 3, 4};
  LineMesh eye, at;
  eye.build({{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {3, 0, 0}}, segments);
  at.build({{0, 0, -10}, {1, 0, -10}, {2, 0, -10}, {3, 0, -10}}, segments);
  eyePath.setLineMesh(eye);
  lookAtPath.setLineMesh(at);
  Camera cam;
  cam.setEyePath(&eyePath);
  cam.setLookAtPath(&lookAtPath);
  cam.startPath();
  unittest::fakeNow = 100.0;
  cam.animatePathAt(sceneTime(clock));
  unittest::fakeNow = 100.5;
  cam.animatePathAt(sceneTime(clock));
  pauseSceneClock(clock);
  unittest::fakeNow = 120.5;
  sceneClockFrame(clock);
  unittest::fakeNow = 121.0;
  cam.animatePathAt(sceneTime(clock));
  EXPECT_TRUE(cam.isPathActive());
  EXPECT_NEAR(1.0f, cam.getPosition().x, 1e-5f);
  platform::setTimeSource(nullptr);
}

}  // namespace
