#include "app/hotkeys.h"

#include <algorithm>
#include <cstdio>
#include <unistd.h>

#include "app/framecapture.h"
#include "app/frameglobals.h"
#include "effects/textoverlay.h"
#include "platform/platform.h"
#include "render/quality.h"
#include "scene/skyclock.h"

void FrameTimes::add(double now, double seconds) {
  frames.emplace_back(now, seconds);
  const double newest = frames.back().first;
  frames.erase(std::remove_if(frames.begin(), frames.end() - 1,
                              [newest](const std::pair<double, double>& f) { return f.first < newest - 1.0; }),
               frames.end() - 1);
}

double FrameTimes::medianMs() const {
  if (frames.empty()) return 0.0;
  std::vector<double> d;
  for (const auto& f : frames) d.push_back(f.second);
  std::sort(d.begin(), d.end());
  const size_t n = d.size();
  return 1000.0 * (n % 2 ? d[n / 2] : (d[n / 2 - 1] + d[n / 2]) / 2.0);
}

double FrameTimes::framesPerSecond() const {
  double total = 0.0;
  for (const auto& f : frames) total += f.second;
  return total > 0.0 ? static_cast<double>(frames.size()) / total : 0.0;
}

std::string frameTimeReadout(const FrameTimes& times, const std::string& quality) {
  char text[128];
  snprintf(text, sizeof(text), "%.1f ms  %.1f fps  %s", times.medianMs(), times.framesPerSecond(), quality.c_str());
  return text;
}

std::string qualityInForce(const Quality& quality) {
  for (const char* name : {"full", "balanced", "fast"}) {
    Quality preset;
    presetQuality(name, preset);
    if (preset.passes == quality.passes && preset.scale == quality.scale) return name;
  }
  char text[64];
  snprintf(text, sizeof(text), "custom (%d %s, scale %g)", quality.passes, quality.passes == 1 ? "pass" : "passes",
           quality.scale);
  return text;
}

std::string pictureFileName(std::time_t when) {
  std::tm local{};
  localtime_r(&when, &local);
  char name[40];
  strftime(name, sizeof(name), "orbisk-%Y%m%d-%H%M%S.png", &local);
  return name;
}

void recordFrameStart(HotKeys& keys, double now) {
  if (keys.lastFrameStart >= 0.0 && now > keys.lastFrameStart) keys.times.add(now, now - keys.lastFrameStart);
  keys.lastFrameStart = now;
}

namespace {
// Two pictures within one second get "-2", "-3", ... rather than one
// overwriting the other.
std::string freePictureName() {
  const std::string base = pictureFileName(std::time(nullptr));
  std::string name = base;
  for (int n = 2; access(name.c_str(), F_OK) == 0 && n < 1000; ++n)
    name = base.substr(0, base.size() - 4) + "-" + std::to_string(n) + ".png";
  return name;
}
}  // namespace

HotKeyAction onHotKeyPress(HotKeys& keys, int key) {
  switch (key) {
    case platform::KEY_F1 + 1: return HotKeyAction::ToggleFastQuality;
    case platform::KEY_F1 + 2: keys.readoutShown = !keys.readoutShown; break;
    case platform::KEY_F1 + 11: ++keys.picturesPending; break;
    // The key that carries + differs by layout: = on a US keyboard.
    case '+':
    case '=':
    case platform::KEY_KP_ADD:
    case '-':
    case platform::KEY_KP_SUBTRACT:
    case 'R':
    case 'N': return HotKeyAction::SkyChanged;
    default: break;
  }
  return HotKeyAction::None;
}

std::string changeSky(SkyClock& sky, int key, double wall) {
  switch (key) {
    case '+':
    case '=':
    case platform::KEY_KP_ADD: return skyFaster(sky, wall);
    case '-':
    case platform::KEY_KP_SUBTRACT: return skySlower(sky, wall);
    case 'R': return skyReverse(sky, wall);
    case 'N': return skyBackToNow(sky, wall);
    default: return skyStatusLine(sky, wall);
  }
}

void drawHotKeyOverlays(HotKeys& keys) {
  // The scene as the user sees it, so before the read-out is drawn over it.
  if (keys.picturesPending > 0) {
    const std::vector<unsigned char> pixels = readWindowPixels(windowWidth, windowHeight);
    for (; keys.picturesPending > 0; --keys.picturesPending) {
      const std::string name = freePictureName();
      std::vector<unsigned char> picture = pixels;  // the writer may use its input as scratch
      if (writePng(name, windowWidth, windowHeight, picture))
        printf("DEBUG: saved the picture as %s (%d x %d)\n", name.c_str(), windowWidth, windowHeight);
    }
  }
  if (keys.readoutShown) {
    const int size = std::clamp(windowHeight / 30, 12, 24);
    textOverlay.printText(frameTimeReadout(keys.times, qualityInForce(currentQuality)).c_str(), size / 2,
                          windowHeight - size - size / 2, size, glm::vec4(1.0f, 0.9f, 0.3f, 1.0f));
    if (!keys.skyReadout.empty())
      textOverlay.printText(keys.skyReadout.c_str(), size / 2, windowHeight - 2 * size - size / 2, size,
                            glm::vec4(1.0f, 0.9f, 0.3f, 1.0f));
  }
}
