// GPU buffers of one indexed triangle mesh, with CPU copies of what was
// uploaded. A plain value: copies share buffer names, only release deletes them.
#pragma once
#include <GL/glew.h>

#include <cstdint>
#include <glm/glm.hpp>
#include <vector>

class TriangleMesh {
 public:
  std::vector<glm::vec3> vertices;
  std::vector<glm::vec3> normals;
  std::vector<glm::vec2> uvs;
  std::vector<uint32_t> indices;
  GLuint vertexBuffer = 0;
  GLuint normalBuffer = 0;
  GLuint indexBuffer = 0;
  GLuint uvBuffer = 0;
  bool hasUVs = false;
  bool created = false;

  bool create(const std::vector<glm::vec3>& verticesVBO, const std::vector<glm::vec2>& uvsVBO,
              const std::vector<glm::vec3>& normalsVBO, const std::vector<uint32_t>& indicesVBO);
  void draw() const;
  void release();
};
