#include "render/skytextures.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "gpu/textureupload.h"


namespace {

GLuint uploadTable(const SkyTable& table, GLint format, GLenum type, const void* data) {
  if (table.width <= 0 || table.height <= 0) return 0;
  return makeLinearTexture(table.width, table.height, format, type, data, GL_CLAMP_TO_EDGE);
}

void bindTable(GLint location, int unit, GLuint texture) {
  if (location < 0) return;
  glActiveTexture(GL_TEXTURE0 + unit);
  glBindTexture(GL_TEXTURE_2D, texture);
  glUniform1i(location, unit);
}

}  // namespace

std::vector<uint8_t> encodeSquareRoots(const SkyTable& table, float& scale) {
  float largest = 0.0f;
  for (size_t i = 0; i < table.rgba.size(); ++i)
    if (i % 4 != 3 && std::isfinite(table.rgba[i])) largest = std::max(largest, table.rgba[i]);
  scale = largest > 0.0f ? largest : 1.0f;
  std::vector<uint8_t> bytes(table.rgba.size(), 255);
  for (size_t i = 0; i < table.rgba.size(); ++i) {
    if (i % 4 == 3) continue;
    // NaN and negatives to 0: the clamp would pass a NaN through.
    const float share = table.rgba[i] > 0.0f ? std::min(table.rgba[i] / scale, 1.0f) : 0.0f;
    bytes[i] = static_cast<uint8_t>(std::lround(std::sqrt(share) * 255.0f));
  }
  return bytes;
}

SkyTextures makeSkyTextures(const SkyTables& tables) {
  SkyTextures textures;
  std::vector<uint8_t> encoded = encodeSquareRoots(tables.multipleScattering, textures.multipleScatteringScale);
  textures.multipleScattering =
      uploadTable(tables.multipleScattering, GL_RGBA8, GL_UNSIGNED_BYTE, encoded.empty() ? nullptr : encoded.data());
  textures.groundIrradiance =
      uploadTable(tables.groundIrradiance, GL_RGBA16F, GL_FLOAT, tables.groundIrradiance.rgba.data());
  return textures;
}

void destroySkyTextures(SkyTextures& textures) {
  GLuint names[] = {textures.multipleScattering, textures.groundIrradiance};
  glDeleteTextures(2, names);
  textures = SkyTextures();
}

void bindSkyTextures(const SkyTextures& textures, const ShaderProgram& record) {
  glUseProgram(record.programID);
  if (record.programID == 0) return;
  bindTable(record.multipleScatteringTable, kMultipleScatteringUnit, textures.multipleScattering);
  if (record.multipleScatteringScale >= 0) glUniform1f(record.multipleScatteringScale, textures.multipleScatteringScale);
  bindTable(record.groundIrradianceTable, kGroundIrradianceUnit, textures.groundIrradiance);
  glActiveTexture(GL_TEXTURE0);
}
