#include "gpu/screenbounds.h"

#include <algorithm>
#include <cmath>

BoundingSphere boundingSphere(const std::vector<glm::vec3>& points, const glm::mat4& model) {
  float farthest = 0.0f;
  for (const glm::vec3& p : points) farthest = std::max(farthest, glm::dot(p, p));
  const float scale = std::max({glm::length(glm::vec3(model[0])), glm::length(glm::vec3(model[1])),
                                glm::length(glm::vec3(model[2]))});
  BoundingSphere sphere;
  sphere.centre = glm::vec3(model[3]);
  sphere.radius = std::sqrt(farthest) * scale;
  return sphere;
}

ScreenRect sphereScreenRect(const BoundingSphere& sphere, const glm::mat4& viewProjection, int windowWidth,
                            int windowHeight, int padding) {
  const ScreenRect whole{0, 0, std::max(windowWidth, 0), std::max(windowHeight, 0)};
  if (!(sphere.radius >= 0.0f) || !std::isfinite(sphere.radius)) return whole;
  // The corners of the cube around the sphere: their convex hull holds the
  // sphere, and while all of them lie in front of the eye its outline lies
  // inside theirs.
  float minX = INFINITY, minY = INFINITY, maxX = -INFINITY, maxY = -INFINITY;
  for (int corner = 0; corner < 8; ++corner) {
    const glm::vec3 offset((corner & 1) ? sphere.radius : -sphere.radius, (corner & 2) ? sphere.radius : -sphere.radius,
                           (corner & 4) ? sphere.radius : -sphere.radius);
    const glm::vec4 clip = viewProjection * glm::vec4(sphere.centre + offset, 1.0f);
    // w is the distance in front of the eye; near zero the division explodes.
    if (!(clip.w > 1e-6f) || !std::isfinite(clip.x) || !std::isfinite(clip.y)) return whole;
    minX = std::min(minX, clip.x / clip.w);
    maxX = std::max(maxX, clip.x / clip.w);
    minY = std::min(minY, clip.y / clip.w);
    maxY = std::max(maxY, clip.y / clip.w);
  }
  // Normalised device coordinates to window pixels, rounded outwards.
  auto toPixels = [](float ndc, int size) { return (static_cast<double>(ndc) + 1.0) * 0.5 * size; };
  const double left = std::floor(toPixels(minX, windowWidth)) - padding;
  const double right = std::ceil(toPixels(maxX, windowWidth)) + padding;
  const double bottom = std::floor(toPixels(minY, windowHeight)) - padding;
  const double top = std::ceil(toPixels(maxY, windowHeight)) + padding;
  ScreenRect rect;
  rect.x = static_cast<int>(std::clamp(left, 0.0, static_cast<double>(whole.width)));
  rect.y = static_cast<int>(std::clamp(bottom, 0.0, static_cast<double>(whole.height)));
  rect.width = static_cast<int>(std::clamp(right, 0.0, static_cast<double>(whole.width))) - rect.x;
  rect.height = static_cast<int>(std::clamp(top, 0.0, static_cast<double>(whole.height))) - rect.y;
  return rect;
}
