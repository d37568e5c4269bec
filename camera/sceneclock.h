// The clock the flight and the animation run on: the platform's time less
// every span in which no frame was drawn (a minimised window, a hidden or
// frozen page), so that a view left alone for a while resumes where it was
// instead of jumping ahead. Both shells pause it; a drawn frame resumes it.
#pragma once

class SceneClock {
 public:
  // Scene seconds at platform time `wall`; while paused, the time of the pause.
  double at(double wall) const { return (paused ? pauseStart : wall) - pausedTotal; }
  // No frame will be drawn from `wall` on. A second call changes nothing.
  void pause(double wall);
  // Frames again from `wall`; the span since the pause is not scene time. A
  // clock stepping back shortens nothing.
  void resume(double wall);
  bool isPaused() const { return paused; }

 private:
  double pausedTotal = 0.0;
  double pauseStart = 0.0;
  bool paused = false;
};

// The process's scene clock on platform::getTime().
double sceneTime();
void pauseSceneClock();
void resumeSceneClock();
// Back to the platform's time, nothing paused (a new start-up).
void resetSceneClock();
