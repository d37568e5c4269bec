#include "render/skytextures.h"

#include <cstdio>

#include "loaders/shaderloader.h"

SkyTextures skyTextures;

namespace {

GLuint uploadTable(const SkyTable& table) {
  if (table.width <= 0 || table.height <= 0) return 0;
  GLuint texture = 0;
  glGenTextures(1, &texture);
  glBindTexture(GL_TEXTURE_2D, texture);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA16F, table.width, table.height, 0, GL_RGBA, GL_FLOAT, table.rgba.data());
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
  glBindTexture(GL_TEXTURE_2D, 0);
  return texture;
}

void bindTable(GLint location, int unit, GLuint texture) {
  if (location < 0) return;
  glActiveTexture(GL_TEXTURE0 + unit);
  glBindTexture(GL_TEXTURE_2D, texture);
  glUniform1i(location, unit);
}

}  // namespace

SkyTextures makeSkyTextures(const SkyTables& tables) {
  SkyTextures textures;
  textures.multipleScattering = uploadTable(tables.multipleScattering);
  textures.groundIrradiance = uploadTable(tables.groundIrradiance);
  return textures;
}

void destroySkyTextures(SkyTextures& textures) {
  GLuint names[] = {textures.multipleScattering, textures.groundIrradiance};
  glDeleteTextures(2, names);
  textures = SkyTextures();
}

SkyTextures loadSkyTextures(const std::string& glslSource, const char* fileName, float shellRadius) {
  AtmosphereModel model;
  model.shellRadius = shellRadius;
  std::string problem;
  if (!parseAtmosphereModel(glslSource, model, problem) || !(shellRadius > 1.0f)) {
    if (problem.empty()) problem = "the shell's radius";
    fprintf(stderr, "ERROR: %s: cannot read the atmosphere's %s; the sky is drawn without its tables\n", fileName,
            problem.c_str());
    return SkyTextures();
  }
  return makeSkyTextures(buildSkyTables(model));
}

SkyTextures loadSkyTexturesFromFile(const char* path, float shellRadius) {
  std::string source;
  if (readShaderSource(path, source) != ShaderFileStatus::Ok) return SkyTextures();
  return loadSkyTextures(source, path, shellRadius);
}

void bindSkyTextures(const SkyTextures& textures, const ShaderProgram& record) {
  glUseProgram(record.programID);
  if (record.programID == 0) return;
  bindTable(record.multipleScatteringTable, kMultipleScatteringUnit, textures.multipleScattering);
  bindTable(record.groundIrradianceTable, kGroundIrradianceUnit, textures.groundIrradiance);
  glActiveTexture(GL_TEXTURE0);
}
