#include "platform/windowsize.h"

#include <algorithm>

#include "base/configfile.h"

namespace {
int smallestLimit(std::initializer_list<int> sides) {
  int limit = config::maxWindowSide;
  for (int side : sides)
    if (side > 0) limit = std::min(limit, side);
  return limit;
}

std::string reduced(const char* key, int asked, int limit) {
  return "WARNING: config.ini: " + std::string(key) + " " + std::to_string(asked) +
         " is more than this display can hold; using " + std::to_string(limit);
}
}  // namespace

int widthLimit(const platform::DisplayLimits& l, bool fullScreen) {
  return smallestLimit({l.viewportWidth, l.renderbufferSize, l.textureSize, fullScreen ? l.screenWidth : 0});
}

int heightLimit(const platform::DisplayLimits& l, bool fullScreen) {
  return smallestLimit({l.viewportHeight, l.renderbufferSize, l.textureSize, fullScreen ? l.screenHeight : 0});
}

WindowSizeFit fitWindowSize(int width, int height, const platform::DisplayLimits& limits, WindowKind kind) {
  WindowSizeFit fit{width, height, {}};
  if (width <= 0 || height <= 0) {
    fit.warnings.push_back("WARNING: config.ini: window size " + std::to_string(width) + " x " + std::to_string(height) +
                           " is not usable; using 1024 x 768");
    fit.width = 1024;
    fit.height = 768;
  }
  const bool toScreen = kind != WindowKind::Hidden;
  auto fitSide = [&](const char* key, int& side, int limit, int glLimit, int screen) {
    if (side > glLimit)
      fit.warnings.push_back(reduced(key, side, limit));
    else if (side > limit && kind == WindowKind::Windowed)
      fit.warnings.push_back("WARNING: config.ini: " + std::string(key) + " " + std::to_string(side) +
                             " is more than the screen's " + std::to_string(screen) + "; using " +
                             std::to_string(limit));
    side = std::min(side, limit);
  };
  fitSide("width", fit.width, widthLimit(limits, toScreen), widthLimit(limits, false), limits.screenWidth);
  fitSide("height", fit.height, heightLimit(limits, toScreen), heightLimit(limits, false), limits.screenHeight);
  return fit;
}
