#include "loaders/linemesh.h"

#include <cstdio>

bool LineMesh::build(const std::vector<glm::vec3>& positions, const std::vector<uint32_t>& segmentIndices) {
  if (positions.empty() || segmentIndices.empty()) {
    fprintf(stderr, "WARNING: vertices- or indices-collection was empty!\n");
    return false;
  }
  points = positions;
  indices.clear();
  // A dangling last entry (odd count) forms no segment.
  const size_t pairedEntries = segmentIndices.size() & ~static_cast<size_t>(1);
  uint32_t current = 1;
  for (size_t pass = 0; pass < segmentIndices.size(); ++pass) {
    bool found = false;
    for (size_t j = 0; j < pairedEntries; j += 2) {
      if (segmentIndices[j] == current) {
        indices.push_back(segmentIndices[j]);
        current = segmentIndices[j + 1];
        found = true;
        break;
      }
    }
    if (!found) break;
  }
  indices.push_back(current);
  puts("DEBUG: sortet index list for line:");
  for (uint32_t index : indices) printf("%d,", static_cast<int>(index));
  printf("\n");
  valid = true;
  return true;
}

void LineMesh::clear() {
  points.clear();
  indices.clear();
  valid = false;
}

unsigned int LineMesh::pointCount() const { return valid ? static_cast<unsigned int>(indices.size()) : 0u; }

glm::vec3 LineMesh::point(unsigned int i) const {
  // Callers clamp to the point count; a path whose chain is longer than its
  // positions still never reads outside them.
  if (points.empty()) return glm::vec3(0.0f);
  return i < points.size() ? points[i] : points.back();
}
