#include "render/textoverlay.h"

#include <cmath>

#include "base/frameglobals.h"
#include "base/runfiles.h"
#include "gpu/passstate.h"
#include "gpu/shaderbuild.h"
#include "gpu/textureupload.h"
#include "gpu/vertexattribute.h"


glm::vec2 glyphCell(signed char c) {
  // Integer remainder and quotient truncate toward zero, so negative codes stay negative.
  int code = c;
  return glm::vec2(static_cast<float>(code % kGlyphsPerRow) / kGlyphColumnPitch,
                   static_cast<float>(code / kGlyphsPerRow) / kGlyphRowPitch);
}

bool layoutText(const char* text, int x, int y, int size, int windowW, int windowH,
                std::vector<glm::vec2>& vertices, std::vector<glm::vec2>& uvs) {
  if (text == nullptr || text[0] == '\0') return false;
  // A window without area has no clip space to map into.
  if (windowW <= 0 || windowH <= 0) return false;
  const float halfW = static_cast<float>(windowW) * 0.5f;
  const float halfH = static_cast<float>(windowH) * 0.5f;
  const float advance = static_cast<float>(size) - static_cast<float>(size) / 5.0f;
  auto toClip = [&](float px, float py) {
    return glm::vec2((px - halfW) / halfW, (py - halfH) / halfH);
  };
  const float bottom = static_cast<float>(y);
  const float top = static_cast<float>(y + size);
  for (size_t i = 0; text[i] != '\0'; ++i) {
    const float left = static_cast<float>(x) + static_cast<float>(i) * advance;
    const float right = left + advance;
    const glm::vec2 upperLeft = toClip(left, top);
    const glm::vec2 upperRight = toClip(right, top);
    const glm::vec2 lowerRight = toClip(right, bottom);
    const glm::vec2 lowerLeft = toClip(left, bottom);
    vertices.insert(vertices.end(),
                    {upperLeft, lowerLeft, upperRight, lowerRight, upperRight, lowerLeft});

    const glm::vec2 cell = glyphCell(static_cast<signed char>(text[i]));
    const glm::vec2 uvUpperLeft = cell;
    const glm::vec2 uvUpperRight(cell.x + kGlyphSquare, cell.y);
    const glm::vec2 uvLowerRight(cell.x + kGlyphSquare, cell.y + kGlyphSquare);
    const glm::vec2 uvLowerLeft(cell.x, cell.y + kGlyphSquare);
    uvs.insert(uvs.end(),
               {uvUpperLeft, uvLowerLeft, uvUpperRight, uvLowerRight, uvUpperRight, uvLowerLeft});
  }
  return true;
}

int centredTextX(int characters, int size, int windowW) {
  const float advance = static_cast<float>(size) - static_cast<float>(size) / 5.0f;
  return static_cast<int>(std::lround((static_cast<float>(windowW) - advance * static_cast<float>(characters)) / 2.0f));
}

bool TextOverlay::initText(const char* fontPath, bool forceAnisotropic) {
  if (fontPath == nullptr) return false;
  textureID = loadDdsTexture(fontPath, forceAnisotropic);
  glGenBuffers(1, &vertexBufferID);
  glGenBuffers(1, &uvBufferID);
  shaderID = buildShaderProgram(runfiles::textVertex, runfiles::textFragment);
  textureSampler = glGetUniformLocation(shaderID, "textureSampler");
  colorSampler = glGetUniformLocation(shaderID, "colorSampler");
  initialized = true;
  return true;
}

void TextOverlay::printText(const char* text, int x, int y, int size, glm::vec4 color) {
  if (text == nullptr || !initialized || text[0] == '\0') return;
  std::vector<glm::vec2> vertices;
  std::vector<glm::vec2> uvs;
  if (!layoutText(text, x, y, size, windowWidth, windowHeight, vertices, uvs)) return;

  glBindBuffer(GL_ARRAY_BUFFER, vertexBufferID);
  glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(vertices.size() * sizeof(glm::vec2)),
               vertices.data(), GL_STATIC_DRAW);
  glBindBuffer(GL_ARRAY_BUFFER, uvBufferID);
  glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(uvs.size() * sizeof(glm::vec2)),
               uvs.data(), GL_STATIC_DRAW);

  glUseProgram(shaderID);
  glUniform4fv(colorSampler, 1, &color[0]);
  glActiveTexture(GL_TEXTURE0);
  glBindTexture(GL_TEXTURE_2D, textureID);
  glUniform1i(textureSampler, 0);

  bindFloatAttribute(0, vertexBufferID, 2);
  bindFloatAttribute(1, uvBufferID, 2);

  applyPassState(passstate::textOverlay);
  glDrawArrays(GL_TRIANGLES, 0, static_cast<GLsizei>(vertices.size()));

  glDisableVertexAttribArray(0);
  glDisableVertexAttribArray(1);
}

void TextOverlay::cleanupText() {
  if (!initialized) return;
  glDeleteBuffers(1, &vertexBufferID);
  glDeleteBuffers(1, &uvBufferID);
  glDeleteTextures(1, &textureID);
  glDeleteProgram(shaderID);
  // A second cleanup must not delete names that GL may have handed out again.
  *this = TextOverlay();
}
