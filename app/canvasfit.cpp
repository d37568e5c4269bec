#include "app/canvasfit.h"

#include <algorithm>
#include <cmath>

#include "platform/windowsize.h"

CanvasFit fitCanvas(int width, int height, const platform::DisplayLimits& limits) {
  width = std::max(1, width);
  height = std::max(1, height);
  const int maxWidth = widthLimit(limits, false), maxHeight = heightLimit(limits, false);
  if (width <= maxWidth && height <= maxHeight) return {width, height, false};
  // One factor for both sides: a side cut alone would stretch the picture.
  const double factor = std::min(static_cast<double>(maxWidth) / width, static_cast<double>(maxHeight) / height);
  CanvasFit fit;
  fit.width = std::clamp(static_cast<int>(std::floor(width * factor)), 1, maxWidth);
  fit.height = std::clamp(static_cast<int>(std::floor(height * factor)), 1, maxHeight);
  fit.reduced = true;
  return fit;
}

std::string canvasFitNote(const CanvasFit& fit, int canvasWidth, int canvasHeight) {
  if (!fit.reduced) return "";
  return "The picture is drawn at " + std::to_string(fit.width) + " x " + std::to_string(fit.height) +
         ", the most this WebGL allows, and scaled up to the canvas's " + std::to_string(canvasWidth) + " x " +
         std::to_string(canvasHeight) + ".";
}
