#include "app/hotkeys.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <unistd.h>

#include "base/frameglobals.h"
#include "platform/platform.h"
#include "render/framecapture.h"
#include "render/quality.h"
#include "render/textoverlay.h"
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

std::string qualityInForce(const Quality& quality) { return qualityName(quality); }

std::vector<PlacedText> readoutLayout(const std::string& text, int windowW, int windowH, float pixelScale) {
  if (text.empty() || windowW <= 0 || windowH <= 0) return {};
  const float scale = std::isfinite(pixelScale) ? std::clamp(pixelScale, 1.0f, 4.0f) : 1.0f;
  int size = static_cast<int>(std::lround(kReadoutSize * scale));
  // Glyphs advance 0.8 of their height (layoutText).
  auto width = [](size_t chars, int glyph) { return static_cast<int>(chars) * glyph * 4 / 5; };
  auto room = [&](int glyph) { return windowW - glyph; };  // half a glyph's margin each side

  std::vector<std::string> parts;
  for (size_t start = 0; start <= text.size();) {
    const size_t gap = text.find("  ", start);
    parts.push_back(text.substr(start, gap == std::string::npos ? std::string::npos : gap - start));
    if (gap == std::string::npos) break;
    start = text.find_first_not_of(' ', gap);
    if (start == std::string::npos) break;
  }
  size_t widest = 0;
  for (const std::string& part : parts) widest = std::max(widest, part.size());
  while (size > 6 && width(widest, size) > room(size)) --size;

  std::vector<std::string> lines;
  std::string line;
  for (const std::string& part : parts) {
    const std::string joined = line.empty() ? part : line + "  " + part;
    if (!line.empty() && width(joined.size(), size) > room(size)) {
      lines.push_back(line);
      line = part;
    } else {
      line = joined;
    }
  }
  lines.push_back(line);

  std::vector<PlacedText> placed;
  const int pitch = size + size / 4;
  for (size_t i = 0; i < lines.size(); ++i)
    placed.push_back({lines[i], size / 2, windowH - size - size / 2 - static_cast<int>(i) * pitch, size});
  return placed;
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

void drawHotKeyOverlays(HotKeys& keys, const Quality& quality, TextOverlay& overlay) {
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
    // Framebuffer pixels per screen unit: a HiDPI display gets larger glyphs.
    int pointerW = 0;
    if (keys.pixelScale <= 0.0f) platform::getPointerAreaSize(&pointerW, nullptr);
    const float pixelScale = keys.pixelScale > 0.0f ? keys.pixelScale
                             : pointerW > 0         ? static_cast<float>(windowWidth) / static_cast<float>(pointerW)
                                                    : 1.0f;
    std::string first = frameTimeReadout(keys.times, qualityInForce(quality));
    if (!keys.exposureReadout.empty()) first += "  " + keys.exposureReadout;
    std::vector<PlacedText> lines = readoutLayout(first, windowWidth, windowHeight, pixelScale);
    // The sky's line goes under the frame time's, however many lines that took.
    std::vector<PlacedText> sky = readoutLayout(keys.skyReadout, windowWidth, windowHeight, pixelScale);
    if (!lines.empty() && !sky.empty()) {
      const PlacedText& last = lines.back();
      const int shift = sky.front().y - (last.y - last.size - last.size / 4);
      for (PlacedText& line : sky) line.y -= shift;
      lines.insert(lines.end(), sky.begin(), sky.end());
    }
    for (const PlacedText& line : lines)
      overlay.printText(line.text.c_str(), line.x, line.y, line.size, glm::vec4(1.0f, 0.9f, 0.3f, 1.0f));
  }
}
