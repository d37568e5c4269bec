// The clock the flight and the animation run on: the platform's time less
// every span in which no frame was drawn (a minimised window, a hidden or
// frozen page), so that a view left alone for a while resumes where it was
// instead of jumping ahead. The shells pause it when they know no frame will
// come, and call frame() as each frame begins; a gap between frames far
// longer than frames have been taking counts as a pause too, since a page
// can be frozen without a word.
#pragma once

class SceneClock {
 public:
  // A gap is a stall when longer than both of these: a second, and four
  // times the frames' usual gap (slow renderers take seconds a frame).
  static constexpr double kMinStall = 1.0;
  static constexpr double kStallFactor = 4.0;

  // Scene seconds at platform time `wall`; while paused, the time of the pause.
  double at(double wall) const { return (paused ? pauseStart : wall) - pausedTotal; }
  // No frame will be drawn from `wall` on. A second call changes nothing.
  void pause(double wall);
  // A frame begins at `wall`: a pause ends (its span is no scene time), and
  // a stall since the last frame counts as one usual frame.
  void frame(double wall);
  bool isPaused() const { return paused; }

 private:
  void resume(double wall);

  double pausedTotal = 0.0;
  double pauseStart = 0.0;
  bool paused = false;
  double lastFrame = -1.0;  // scene time of the last frame's start
  double usualGap = 0.0;    // a running mean of the gaps between frames
};

// A scene clock read on platform::getTime().
double sceneTime(const SceneClock& clock);
void pauseSceneClock(SceneClock& clock);
void sceneClockFrame(SceneClock& clock);
