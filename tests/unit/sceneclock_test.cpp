#include "camera/sceneclock.h"

#include <gtest/gtest.h>

#include "camera/animation.h"
#include "camera/camera.h"
#include "platform/platform.h"
#include "scene/object.h"
#include "tests/unit/fakes.h"

namespace {

// Each row: an event at a wall time, then the scene time read at `readAt`.
TEST(SceneClockTest, PausedSpansAreNotSceneTime) {
  enum Event { None, Pause, Resume };
  struct Row {
    Event event;
    double wall;
    double readAt;
    double expected;
  };
  const Row rows[] = {
      {None, 0.0, 5.0, 5.0},       // unpaused: the wall's time
      {Pause, 10.0, 30.0, 10.0},   // paused: held at the pause
      {Pause, 20.0, 30.0, 10.0},   // a second pause does not move it
      {Resume, 30.0, 31.0, 11.0},  // 20 s frozen, then one more
      {Resume, 40.0, 41.0, 21.0},  // a resume without a pause takes nothing away
      {Pause, 50.0, 50.0, 30.0},
      {Resume, 45.0, 46.0, 26.0},  // the wall stepped back: no negative pause
  };
  SceneClock clock;
  for (const Row& row : rows) {
    if (row.event == Pause) clock.pause(row.wall);
    if (row.event == Resume) clock.resume(row.wall);
    EXPECT_DOUBLE_EQ(row.expected, clock.at(row.readAt)) << "after the event at " << row.wall;
    EXPECT_EQ(row.event == Pause, clock.isPaused());
  }
}

// A flight paused for 20 s between frames resumes where it stood.
TEST(SceneClockTest, AFlightWaitsOutAPause) {
  platform::setTimeSource(unittest::fakeClock);
  resetSceneClock();
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
  cam.animatePath();
  unittest::fakeNow = 100.5;
  cam.animatePath();
  pauseSceneClock();
  unittest::fakeNow = 120.5;
  resumeSceneClock();
  unittest::fakeNow = 121.0;
  cam.animatePath();
  EXPECT_TRUE(cam.isPathActive());
  EXPECT_NEAR(1.0f, cam.getPosition().x, 1e-5f);
  platform::setTimeSource(nullptr);
  resetSceneClock();
}

}  // namespace
