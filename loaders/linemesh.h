// The points of a camera path file and the chain of its segments, walked from
// the file's first vertex. No GPU resources; never drawn.
#pragma once
#include <cstdint>
#include <glm/glm.hpp>
#include <vector>

class LineMesh {
 public:
  std::vector<glm::vec3> points;
  std::vector<uint32_t> indices;
  bool valid = false;

  bool build(const std::vector<glm::vec3>& positions, const std::vector<uint32_t>& segmentIndices);
  void clear();
  unsigned int pointCount() const;
  glm::vec3 point(unsigned int i) const;
};
