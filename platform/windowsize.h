// Fitting the configured window size to what the display and its GL can hold.
#pragma once
#include <string>
#include <vector>

#include "platform/platform.h"

struct WindowSizeFit {
  int width = 0;
  int height = 0;
  // One WARNING line (without its line end) for each side that was changed.
  std::vector<std::string> warnings;
};

// The largest side each axis may have: the sane cap, the GL viewport, render
// buffer and texture sizes, and for a full-screen window the screen's mode;
// limits that could not be read (zero) are left out.
int widthLimit(const platform::DisplayLimits& limits, bool fullScreen);
int heightLimit(const platform::DisplayLimits& limits, bool fullScreen);

// Which window the size is for: a hidden one has no screen to fit, the
// others are cut to the screen.
enum class WindowKind { Hidden, Windowed, FullScreen };

// A side of zero or less gives 1024 x 768 as before; a side above its limit
// is reduced to it, with a warning when it was more than the GL or the sane
// cap allow, or more than the screen for a window that is not full screen
// (a full-screen window takes the screen's mode whatever it asks for).
// Drivers and X servers crash or fail without a word on sizes they cannot
// hold, so nothing larger may reach the window library.
WindowSizeFit fitWindowSize(int width, int height, const platform::DisplayLimits& limits, WindowKind kind);
