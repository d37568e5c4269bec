// Where on screen an object can land: the auxiliary images of a pass are
// only read inside the atmosphere shell's outline, so they need to be drawn
// and cleared only there.
#pragma once
#include <glm/glm.hpp>
#include <vector>

struct ScreenRect {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
  bool operator==(const ScreenRect&) const = default;
};

struct BoundingSphere {
  glm::vec3 centre{0.0f};
  float radius = 0.0f;
};

// A sphere around the mesh's points, placed by the model matrix: centred on
// the model origin, its radius the farthest point scaled by the matrix's
// largest axis, so that it holds the points whatever the matrix turns.
BoundingSphere boundingSphere(const std::vector<glm::vec3>& points, const glm::mat4& model);

// The window pixels (origin lower left) the sphere can cover under the
// view-projection matrix, grown by padding on every side and kept inside the
// window. The whole window when any part of the sphere reaches to or behind
// the eye plane, or the numbers are not finite: the projection says nothing
// reliable then.
ScreenRect sphereScreenRect(const BoundingSphere& sphere, const glm::mat4& viewProjection, int windowWidth,
                            int windowHeight, int padding);
