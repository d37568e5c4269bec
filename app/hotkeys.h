// The program's own keys beyond the camera's, read once a frame after the
// buffer swap: F2 switches to the fast quality and back, F3 shows the frame
// time, F12 saves the picture on screen as a PNG.
#pragma once
#include <ctime>
#include <string>
#include <utility>
#include <vector>

struct Application;

// Frame times of the last second, for the read-out.
class FrameTimes {
 public:
  // A frame of `seconds` that ended at `now`. Frames that ended more than a
  // second before the newest are dropped; the newest is always kept, so a
  // machine slower than a frame a second still shows its frame time.
  void add(double now, double seconds);
  // 0 while no frame was added.
  double medianMs() const;
  // Frames kept over the time they took.
  double framesPerSecond() const;

 private:
  std::vector<std::pair<double, double>> frames;  // (end, duration)
};

// "412.3 ms  2.4 fps  full": median frame time, rate and quality preset.
std::string frameTimeReadout(const FrameTimes& times, const std::string& preset);
// "orbisk-YYYYMMDD-HHMMSS.png" for a local calendar time.
std::string pictureFileName(std::time_t when);

struct HotKeys {
  bool readoutShown = false;
  bool savePending = false;
  bool f2WasDown = false, f3WasDown = false, f12WasDown = false;
  double lastFrameStart = -1.0;
  FrameTimes times;
};

// At the top of every frame, with the frame's start time.
void recordFrameStart(HotKeys& keys, double now);
// After the swap. Sticky keys report a tap between two frames once, and a
// held key acts once.
void pollHotKeys(HotKeys& keys, Application& app);
// After the composite and before the swap, onto the window: the read-out,
// then the picture F12 asked for (read-out included, as the window shows it).
void drawHotKeyOverlays(HotKeys& keys);
