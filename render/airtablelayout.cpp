#include "render/airtablelayout.h"

#include <algorithm>
#include <cmath>

namespace {
// Eyes nearer the shell than this (in planet radii) are left to the passes:
// a ray from the table's eye and one from a pass's eye stop crossing the
// same air when either eye is in it.
constexpr float kShellMargin = 0.002f;
}  // namespace

AirTableCapacity airTableCapacity(int targetHeight, int maxTextureSize) {
  const double shellPixels = 0.5 * kAirTableMostShellHeightShare * std::clamp(targetHeight, 1, 1 << 16);
  const int width = static_cast<int>(std::ceil(2.0 * M_PI * shellPixels)) + 1;
  const int height = static_cast<int>(std::ceil(shellPixels)) + kAirTableMaxLimbRows;
  return {std::clamp(width, kAirTableMinColumns + 1, std::max(maxTextureSize, 1)),
          std::clamp(height, kAirTableMinRows + kAirTableMaxLimbRows, std::max(maxTextureSize, 1))};
}

AirTableLayout planAirTable(const AirTableView& view, int maxTextureSize) {
  AirTableLayout layout;
  const float distance = glm::length(view.eye);
  if (!(view.shellRadius > 1.0f) || !(view.focalPixels > 0.0f) || view.targetWidth <= 0 || view.targetHeight <= 0 ||
      !(glm::length(view.sun) > 0.0f) || !std::isfinite(distance)) {
    layout.reason = "no view to plan for";
    return layout;
  }
  if (view.passes < kAirTableMinPasses) {
    layout.reason = "too few passes to share it";
    return layout;
  }
  if (!(distance - view.eyeSpread > view.shellRadius + kShellMargin)) {
    layout.reason = "the eye is in the air";
    return layout;
  }
  // The shell's radius on the screen, from its angular radius.
  const float sine = view.shellRadius / distance;
  const float shellPixels = view.focalPixels * sine / std::sqrt(1.0f - sine * sine);
  const float earthPixels = shellPixels / view.shellRadius;
  const double columns = std::ceil(2.0 * M_PI * static_cast<double>(shellPixels));
  layout.columns = std::max(kAirTableMinColumns, static_cast<int>(std::min(columns, 1e9)));
  layout.groundColumns = std::max(kAirTableMinColumns / 2,
                                  static_cast<int>(std::ceil(kAirTableGroundColumnShare * layout.columns)));
  layout.groundColumns = std::min(layout.groundColumns, layout.columns - 1);
  layout.groundRows = std::max(kAirTableMinRows, static_cast<int>(std::ceil(std::min(earthPixels, 1e9f))));
  layout.limbHeight = view.shellRadius - 1.0f;
  const float ringRows = std::ceil(std::min(kAirTableLimbRowsPerPixel * layout.limbHeight * earthPixels, 1e9f));
  layout.limbRows = std::clamp(static_cast<int>(ringRows), kAirTableMinLimbRows, kAirTableMaxLimbRows);
  const AirTableCapacity room = airTableCapacity(view.targetHeight, maxTextureSize);
  if (layout.columns + 1 > room.width || layout.groundRows + layout.limbRows > room.height) {
    layout.reason = "the Earth is too large on the screen";
    return layout;
  }
  // Any unit vector across the line to the centre; the least aligned axis
  // keeps the cross product well away from zero.
  const glm::vec3 axis = -view.eye / distance;
  const glm::vec3 a = glm::abs(axis);
  const glm::vec3 other = a.x <= a.y && a.x <= a.z ? glm::vec3(1, 0, 0)
                          : a.y <= a.z             ? glm::vec3(0, 1, 0)
                                                   : glm::vec3(0, 0, 1);
  layout.right = glm::normalize(glm::cross(axis, other));
  layout.up = glm::cross(axis, layout.right);
  layout.usable = true;
  return layout;
}
