#include "scene/trianglemesh.h"

#include <cstdio>

#include "gpu/vertexattribute.h"

bool TriangleMesh::create(const std::vector<glm::vec3>& verticesVBO, const std::vector<glm::vec2>& uvsVBO,
                          const std::vector<glm::vec3>& normalsVBO, const std::vector<uint32_t>& indicesVBO) {
  if (verticesVBO.empty() || normalsVBO.empty()) {
    fprintf(stderr, "WARNING: vertices- or normals- collection was empty!\n");
    return false;
  }
  if (uvsVBO.empty()) {
    hasUVs = false;
  } else {
    glGenBuffers(1, &uvBuffer);
    glBindBuffer(GL_ARRAY_BUFFER, uvBuffer);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(uvsVBO.size() * sizeof(glm::vec2)), uvsVBO.data(),
                 GL_STATIC_DRAW);
    hasUVs = true;
  }
  glGenBuffers(1, &vertexBuffer);
  glBindBuffer(GL_ARRAY_BUFFER, vertexBuffer);
  glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(verticesVBO.size() * sizeof(glm::vec3)),
               verticesVBO.data(), GL_STATIC_DRAW);
  glGenBuffers(1, &normalBuffer);
  glBindBuffer(GL_ARRAY_BUFFER, normalBuffer);
  glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(normalsVBO.size() * sizeof(glm::vec3)), normalsVBO.data(),
               GL_STATIC_DRAW);
  glGenBuffers(1, &indexBuffer);
  glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, indexBuffer);
  glBufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(indicesVBO.size() * sizeof(uint32_t)),
               indicesVBO.data(), GL_STATIC_DRAW);
  vertices = verticesVBO;
  normals = normalsVBO;
  uvs = uvsVBO;
  indices = indicesVBO;
  created = true;
  return true;
}

void TriangleMesh::draw() const {
  bindFloatAttribute(0, vertexBuffer, 3);
  if (hasUVs) {
    bindFloatAttribute(1, uvBuffer, 2);
  }
  bindFloatAttribute(2, normalBuffer, 3);
  glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, indexBuffer);
  glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(indices.size()), GL_UNSIGNED_INT, nullptr);
  glDisableVertexAttribArray(0);
  glDisableVertexAttribArray(1);
  glDisableVertexAttribArray(2);
}

void TriangleMesh::release() {
  glDeleteBuffers(1, &vertexBuffer);
  glDeleteBuffers(1, &uvBuffer);
  glDeleteBuffers(1, &normalBuffer);
  glDeleteBuffers(1, &indexBuffer);
  vertices.clear();
  uvs.clear();
  normals.clear();
  indices.clear();
  vertexBuffer = uvBuffer = normalBuffer = indexBuffer = 0;
  hasUVs = false;
  created = false;
}
