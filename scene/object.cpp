#include "scene/object.h"

#include <glm/gtc/type_ptr.hpp>

void Object::setMesh(const TriangleMesh& m) {
  if (!isPathObject) mesh = m;
}

void Object::setLineMesh(const LineMesh& m) {
  lineMesh = m;
  isPathObject = true;
}

void Object::setDiffuseTexture(GLuint texture) {
  if (isPathObject) return;
  diffuseTextureID = texture;
  hasDiffuseTexture = true;
}

void Object::setNightTexture(GLuint texture) {
  if (isPathObject) return;
  nightTextureID = texture;
  hasNightTexture = true;
}

void Object::setSpecularTexture(GLuint texture) {
  if (isPathObject) return;
  specularTextureID = texture;
  hasSpecularTexture = true;
}

void Object::setShaderProgram(const ShaderProgram& record) {
  if (!isPathObject) shaderProgram = record;
}

void Object::setCulling(bool enabled) {
  if (!isPathObject) cullingDisabled = !enabled;
}

void Object::draw(const glm::mat4& vpMatrix, const ShaderProgram& record) {
  if (isPathObject) return;
  glm::mat4 mvpMatrix = vpMatrix * modelMatrix;
  glUniformMatrix4fv(record.MVP, 1, GL_FALSE, glm::value_ptr(mvpMatrix));
  glUniformMatrix4fv(record.M, 1, GL_FALSE, glm::value_ptr(modelMatrix));
  glUniform2f(record.validityChecker, hasSpecularTexture ? 1.0f : 0.0f, hasNightTexture ? 1.0f : 0.0f);
  if (hasDiffuseTexture) {
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, diffuseTextureID);
    glUniform1i(record.diffuseTexture, 0);
  }
  if (hasSpecularTexture) {
    glActiveTexture(GL_TEXTURE1);
    glBindTexture(GL_TEXTURE_2D, specularTextureID);
    glUniform1i(record.specularTexture, 1);
  }
  if (hasNightTexture) {
    glActiveTexture(GL_TEXTURE2);
    glBindTexture(GL_TEXTURE_2D, nightTextureID);
    glUniform1i(record.diffuseNightTexture, 2);
  }
  if (cullingDisabled) glDisable(GL_CULL_FACE);
  if (blendEnabled) {
    glEnable(GL_BLEND);
    glBlendFunc(blendSrcFactor, blendDstFactor);
  }
  if (depthTest)
    glEnable(GL_DEPTH_TEST);
  else
    glDisable(GL_DEPTH_TEST);
  mesh.draw();
  // Left in the opposite state of the flag: the passes rely on that.
  if (depthTest)
    glDisable(GL_DEPTH_TEST);
  else
    glEnable(GL_DEPTH_TEST);
  if (blendEnabled) glDisable(GL_BLEND);
  if (cullingDisabled) glEnable(GL_CULL_FACE);
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
