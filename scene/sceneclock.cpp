#include "scene/sceneclock.h"

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

void SceneClock::frame(double wall) {
  resume(wall);
  const double now = at(wall);
  if (lastFrame >= 0.0) {
    const double gap = now - lastFrame;
    if (usualGap > 0.0 && gap > std::max(kMinStall, kStallFactor * usualGap)) {
      pausedTotal += gap - usualGap;
    } else if (gap >= 0.0) {
      usualGap = usualGap > 0.0 ? 0.8 * usualGap + 0.2 * gap : gap;
    }
  }
  lastFrame = at(wall);
}

double sceneTime(const SceneClock& clock) { return clock.at(platform::getTime()); }
void pauseSceneClock(SceneClock& clock) { clock.pause(platform::getTime()); }
void sceneClockFrame(SceneClock& clock) { clock.frame(platform::getTime()); }
