// Pointing a vertex attribute at a buffer of tightly packed floats: the one
// layout every buffer of the system has.
#pragma once
#include <GL/glew.h>

// Enables attribute `index` and reads it from `buffer`, `components` floats a
// vertex. NOTE: leaves `buffer` bound to GL_ARRAY_BUFFER.
inline void bindFloatAttribute(GLuint index, GLuint buffer, GLint components) {
  glEnableVertexAttribArray(index);
  glBindBuffer(GL_ARRAY_BUFFER, buffer);
  glVertexAttribPointer(index, components, GL_FLOAT, GL_FALSE, 0, nullptr);
}
