// One thing in the scene: a triangle mesh with up to three textures, the
// program record it is drawn with and a model matrix; or, for a camera path,
// a line mesh that is never drawn.
#pragma once
#include <GL/glew.h>

#include <glm/glm.hpp>

#include "gpu/passstate.h"
#include "gpu/shaderprogram.h"
#include "loaders/linemesh.h"
#include "scene/trianglemesh.h"

class Object {
 public:
  TriangleMesh mesh;
  GLuint diffuseTextureID = 0;
  GLuint nightTextureID = 0;
  GLuint specularTextureID = 0;
  ShaderProgram shaderProgram;
  glm::mat4 modelMatrix = glm::mat4(1.0f);
  bool hasSpecularTexture = false;
  bool hasDiffuseTexture = false;
  bool hasNightTexture = false;
  bool cullingDisabled = false;
  bool isPathObject = false;
  LineMesh lineMesh;
  GLenum blendSrcFactor = GL_ONE;
  GLenum blendDstFactor = GL_ZERO;
  bool blendEnabled = false;
  bool depthTest = true;

  void setMesh(const TriangleMesh& m);
  void setLineMesh(const LineMesh& m);
  void setDiffuseTexture(GLuint texture);
  void setNightTexture(GLuint texture);
  void setSpecularTexture(GLuint texture);
  void setShaderProgram(const ShaderProgram& record);
  ShaderProgram getShaderProgram() const { return shaderProgram; }
  void setModelMatrix(const glm::mat4& m) { modelMatrix = m; }
  glm::mat4 getModelMatrix() const { return modelMatrix; }
  void setCulling(bool enabled);
  void setDepthTest(bool enabled) { depthTest = enabled; }
  bool isPath() const { return isPathObject; }

  // The state of a step with this object's own flags applied: its depth test
  // and culling may only be turned off, its blending replaces the step's.
  PassState stateIn(PassState pass) const;
  // The caller has applied the state and made the record's program current
  // and set "V" and "lightPos_worldspace"; this sets the per-object uniforms
  // and draws. Every sampler the record has gets its unit: the object's
  // texture, or none (texture 0) where the object lacks it, so that nothing
  // the previous object bound is sampled.
  void draw(const glm::mat4& vpMatrix, const ShaderProgram& record);
  void draw(const glm::mat4& vpMatrix);
  // Deletes the mesh's buffers, the three textures and the program named in
  // the record, and zeroes them; a path object only empties its line mesh.
  // NOTE: a program shared with another object is deleted here all the same:
  // whoever made the sharing clears the other records first.
  void destroy();
};
