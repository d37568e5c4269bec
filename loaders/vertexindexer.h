// Merges triangle corners that are bit for bit alike into one vertex and
// produces the vertex lists and 32-bit index list of a mesh.
#pragma once
#include <cstdint>
#include <cstring>
#include <glm/glm.hpp>
#include <map>
#include <vector>

// The key of one corner: position, texture coordinate ((0, 0) without
// texture coordinates) and normal, 32 bytes with no padding.
struct PackedVertex_vtn {
  glm::vec3 position;
  glm::vec2 uv;
  glm::vec3 normal;

  // The reverse of memcmp's order. It only arranges the map; the output
  // order is that of the first corners. 0.0 and -0.0 are different keys.
  bool operator<(const PackedVertex_vtn& that) const { return memcmp(this, &that, sizeof(PackedVertex_vtn)) > 0; }
};
static_assert(sizeof(PackedVertex_vtn) == 32, "the key is compared as 32 raw bytes");

using PackedVertexMap = std::map<PackedVertex_vtn, uint32_t>;

// True with foundIndex set when packed is in the map; else foundIndex is left alone.
bool findPackedVertex(const PackedVertex_vtn& packed, const PackedVertexMap& fastSearchMap, uint32_t& foundIndex);

// Appends the unique vertices, in the order of their first corner, and one
// index per corner. The inputs are parallel lists (texture coordinates may be
// empty). False, with nothing changed, when an output needed is missing or
// the inputs are not parallel.
bool indexVertexData(std::vector<glm::vec3> inVertices, std::vector<glm::vec2> inUVs,
                     std::vector<glm::vec3> inNormals, std::vector<glm::vec3>* outVertices,
                     std::vector<glm::vec2>* outUVs, std::vector<glm::vec3>* outNormals,
                     std::vector<uint32_t>* outIndices);
