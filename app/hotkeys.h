// The program's own keys beyond the camera's, one press at a time in the
// order they came: F2 switches to the fast quality and back, F3 shows the
// frame time (and the sky's UTC instant), F12 saves the picture on screen as
// a PNG; + and - run the sky ten times faster or slower, R the other way, N
// gives the sky of now.
#pragma once
#include <ctime>
#include <string>
#include <utility>
#include <vector>

struct Quality;
struct SkyClock;
class TextOverlay;

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

// "412.3 ms  2.4 fps  full": median frame time, rate and the settings in force.
std::string frameTimeReadout(const FrameTimes& times, const std::string& quality);
// The settings in force by name, as the console names them (qualityName).
std::string qualityInForce(const Quality& quality);
// One line of text as printText takes it: lower-left pixel and height.
struct PlacedText {
  std::string text;
  int x = 0, y = 0, size = 0;
};
// The read-out's glyph height on a display of scale 1, in pixels.
constexpr int kReadoutSize = 16;
// The read-out in the window's upper-left corner, kReadoutSize pixels high
// times pixelScale (framebuffer pixels per screen unit), whatever the
// window's size. A line too wide for the window is broken at its double
// spaces; only a part too wide alone makes the text smaller, down to 6 pixels.
std::vector<PlacedText> readoutLayout(const std::string& text, int windowW, int windowH, float pixelScale);
// "orbisk-YYYYMMDD-HHMMSS.png" for a local calendar time.
std::string pictureFileName(std::time_t when);

struct HotKeys {
  bool readoutShown = false;
  int picturesPending = 0;  // F12 presses not yet saved
  double lastFrameStart = -1.0;
  FrameTimes times;
  // Framebuffer pixels per screen unit for the read-out's size (a page sets
  // its device pixel ratio here); 0: the window's framebuffer over its size.
  float pixelScale = 0.0f;
  // The sky's line under the frame time; empty in the demo sky.
  std::string skyReadout;
  // The exposure after the frame time ("exposure 1.00 auto"); empty: none.
  std::string exposureReadout;
};

// What the shell must do for a press.
enum class HotKeyAction { None, ToggleFastQuality, SkyChanged };

// At the top of every frame, with the frame's start time.
void recordFrameStart(HotKeys& keys, double now);
// One key press (any key; the camera's are no concern here).
HotKeyAction onHotKeyPress(HotKeys& keys, int key);
// A key that onHotKeyPress answered with SkyChanged, applied to the sky at
// wall time `wall`; the console line that says what is in force.
std::string changeSky(SkyClock& sky, int key, double wall);
// After the composite and before the swap, onto the window: first the
// pictures F12 asked for, one file each, of the scene without the read-out,
// then the read-out.
void drawHotKeyOverlays(HotKeys& keys, const Quality& quality, TextOverlay& overlay);
