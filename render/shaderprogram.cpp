#include "render/shaderprogram.h"

#include <cstring>

#include "app/oftenused.h"

void dofTextureName(int pass, char name[12]) {
  memcpy(name, "DOFTexture0", 12);
  name[10] = digitToChar(static_cast<uint8_t>(pass), true);
}

ShaderProgram buildShaderProgramRecord(GLuint programID) {
  ShaderProgram record;
  record.programID = programID;
  record.MVP = glGetUniformLocation(programID, "MVP");
  record.V = glGetUniformLocation(programID, "V");
  record.M = glGetUniformLocation(programID, "M");
  record.lightPos_worldspace = glGetUniformLocation(programID, "lightPos_worldspace");
  record.validityChecker = glGetUniformLocation(programID, "validityChecker");
  record.diffuseTexture = glGetUniformLocation(programID, "diffuseTexture");
  record.specularTexture = glGetUniformLocation(programID, "specularTexture");
  record.diffuseNightTexture = glGetUniformLocation(programID, "diffuseNightTexture");
  char name[12];
  for (int k = 1; k <= 15; ++k) {
    dofTextureName(k, name);
    record.DOFTextures[k - 1] = glGetUniformLocation(programID, name);
  }
  record.DOFSamples = glGetUniformLocation(programID, "DOFSamples");
  record.initialized = true;
  return record;
}

AtmosphereFinalShaderProgram buildAtmosphereFinalRecord(GLuint programID) {
  AtmosphereFinalShaderProgram record;
  static_cast<ShaderProgram&>(record) = buildShaderProgramRecord(programID);
  record.texturePlanetColor = glGetUniformLocation(programID, "texturePlanetColor");
  record.texturePlanetDepth = glGetUniformLocation(programID, "texturePlanetDepth");
  record.textureAtmosDepth = glGetUniformLocation(programID, "textureAtmosDepth");
  record.textureShadowBack = glGetUniformLocation(programID, "textureShadowBack");
  record.textureShadowFront = glGetUniformLocation(programID, "textureShadowFront");
  record.screenSize = glGetUniformLocation(programID, "screenSize");
  record.initialized = true;
  return record;
}

void AtmosphereFinalShaderProgram::bindTextureUnit(GLint unit, GLuint texture, GLint location) const {
  glActiveTexture(GL_TEXTURE0 + static_cast<GLenum>(unit));
  glBindTexture(GL_TEXTURE_2D, texture);
  glUniform1i(location, unit);
}
