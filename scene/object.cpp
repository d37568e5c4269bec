#include "scene/object.h"

#include <glm/gtc/type_ptr.hpp>

void Object::setMesh(const TriangleMesh& m) {
  if (!isPathObject) mesh = m;
}

void Object::setLineMesh(const LineMesh& m) {
  lineMesh = m;
  isPathObject = true;
}

namespace {
// A path object is never drawn, so it keeps no texture.
void keepTexture(bool isPath, GLuint texture, GLuint& slot, bool& has) {
  if (isPath) return;
  slot = texture;
  has = true;
}
}  // namespace

void Object::setDiffuseTexture(GLuint texture) {
  keepTexture(isPathObject, texture, diffuseTextureID, hasDiffuseTexture);
}

void Object::setNightTexture(GLuint texture) { keepTexture(isPathObject, texture, nightTextureID, hasNightTexture); }

void Object::setSpecularTexture(GLuint texture) {
  keepTexture(isPathObject, texture, specularTextureID, hasSpecularTexture);
}

void Object::setShaderProgram(const ShaderProgram& record) {
  if (!isPathObject) shaderProgram = record;
}

void Object::setCulling(bool enabled) {
  if (!isPathObject) cullingDisabled = !enabled;
}

PassState Object::stateIn(PassState pass) const {
  pass.depthTest = pass.depthTest && depthTest;
  pass.cullFace = pass.cullFace && !cullingDisabled;
  if (blendEnabled) {
    pass.blend = true;
    pass.blendSrc = blendSrcFactor;
    pass.blendDst = blendDstFactor;
  }
  return pass;
}

namespace {
// A sampler the program lacks is left alone: the composite's images sit on
// units 1 and 2 beside the shell's draw.
void bindSampler(GLint location, GLint unit, bool has, GLuint texture) {
  if (location < 0) return;
  glActiveTexture(GL_TEXTURE0 + static_cast<GLenum>(unit));
  glBindTexture(GL_TEXTURE_2D, has ? texture : 0);
  glUniform1i(location, unit);
}
}  // namespace

void Object::draw(const glm::mat4& vpMatrix, const ShaderProgram& record) {
  if (isPathObject) return;
  glm::mat4 mvpMatrix = vpMatrix * modelMatrix;
  glUniformMatrix4fv(record.MVP, 1, GL_FALSE, glm::value_ptr(mvpMatrix));
  glUniformMatrix4fv(record.M, 1, GL_FALSE, glm::value_ptr(modelMatrix));
  // Tells the shader which of the textures below are the object's own.
  glUniform2f(record.validityChecker, hasSpecularTexture ? 1.0f : 0.0f, hasNightTexture ? 1.0f : 0.0f);
  bindSampler(record.diffuseTexture, 0, hasDiffuseTexture, diffuseTextureID);
  bindSampler(record.specularTexture, 1, hasSpecularTexture, specularTextureID);
  bindSampler(record.diffuseNightTexture, 2, hasNightTexture, nightTextureID);
  mesh.draw();
}

void Object::draw(const glm::mat4& vpMatrix) {
  if (!isPathObject) draw(vpMatrix, shaderProgram);
}

void Object::destroy() {
  if (isPathObject) {
    lineMesh.clear();
    return;
  }
  mesh.release();
  glDeleteProgram(shaderProgram.programID);
  shaderProgram = ShaderProgram();
  // Every texture the loader gave this object is its own.
  if (hasDiffuseTexture) glDeleteTextures(1, &diffuseTextureID);
  if (hasSpecularTexture) glDeleteTextures(1, &specularTextureID);
  if (hasNightTexture) glDeleteTextures(1, &nightTextureID);
  diffuseTextureID = specularTextureID = nightTextureID = 0;
  hasDiffuseTexture = hasSpecularTexture = hasNightTexture = false;
}
