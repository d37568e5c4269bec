// The drawing size of a page's canvas: the canvas's own size in device
// pixels when the GL can hold it, else the largest size of the same shape it
// can, which the browser then scales up to the canvas.
#pragma once
#include <string>

#include "platform/platform.h"

struct CanvasFit {
  int width = 1;
  int height = 1;
  bool reduced = false;  // smaller than the canvas
};

// A side of zero or less counts as 1. Limits that could not be read (zero)
// are left out, as for a window.
CanvasFit fitCanvas(int width, int height, const platform::DisplayLimits& limits);

// The page's one line about a reduced drawing size; empty when not reduced.
std::string canvasFitNote(const CanvasFit& fit, int canvasWidth, int canvasHeight);
