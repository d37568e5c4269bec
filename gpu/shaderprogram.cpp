#include "gpu/shaderprogram.h"

#include <cstring>

#include "base/oftenused.h"

void dofTextureName(int pass, char name[12]) {
  memcpy(name, "DOFTexture0", 12);
  name[10] = digitToChar(static_cast<uint8_t>(pass), true);
}

// Each location field bears its uniform's name; the macro keeps the two
// spellings from drifting apart.
#define LOCATE(field) record.field = glGetUniformLocation(programID, #field)

ShaderProgram buildShaderProgramRecord(GLuint programID) {
  ShaderProgram record;
  record.programID = programID;
  LOCATE(MVP);
  LOCATE(V);
  LOCATE(M);
  LOCATE(lightPos_worldspace);
  LOCATE(validityChecker);
  LOCATE(diffuseTexture);
  LOCATE(specularTexture);
  LOCATE(diffuseNightTexture);
  LOCATE(multipleScatteringTable);
  LOCATE(groundIrradianceTable);
  LOCATE(multipleScatteringScale);
  LOCATE(exposureAboveOne);
  LOCATE(starFade);
  char name[12];
  for (int k = 1; k <= 15; ++k) {
    dofTextureName(k, name);
    record.DOFTextures[k - 1] = glGetUniformLocation(programID, name);
  }
  LOCATE(DOFSamples);
  record.initialized = true;
  return record;
}

AtmosphereFinalShaderProgram buildAtmosphereFinalRecord(GLuint programID) {
  AtmosphereFinalShaderProgram record;
  static_cast<ShaderProgram&>(record) = buildShaderProgramRecord(programID);
  LOCATE(texturePlanetColor);
  LOCATE(texturePlanetDepth);
  LOCATE(textureAtmosDepth);
  LOCATE(textureShadowBack);
  LOCATE(textureShadowFront);
  LOCATE(screenSize);
  record.initialized = true;
  return record;
}

#undef LOCATE

void AtmosphereFinalShaderProgram::bindTextureUnit(GLint unit, GLuint texture, GLint location) const {
  glActiveTexture(GL_TEXTURE0 + static_cast<GLenum>(unit));
  glBindTexture(GL_TEXTURE_2D, texture);
  glUniform1i(location, unit);
}
