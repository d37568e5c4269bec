#include "camera/sceneclock.h"

#include <algorithm>

#include "platform/platform.h"

void SceneClock::pause(double wall) {
  if (paused) return;
  paused = true;
  pauseStart = wall;
}

void SceneClock::resume(double wall) {
  if (!paused) return;
  paused = false;
  pausedTotal += std::max(0.0, wall - pauseStart);
}

namespace {
SceneClock theClock;
}

double sceneTime() { return theClock.at(platform::getTime()); }
void pauseSceneClock() { theClock.pause(platform::getTime()); }
void resumeSceneClock() { theClock.resume(platform::getTime()); }
void resetSceneClock() { theClock = SceneClock(); }
