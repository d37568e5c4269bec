#include "effects/sunglow.h"

#include <cmath>
#include <iterator>

#include "app/frameglobals.h"
#include "app/runfiles.h"
#include "camera/camera.h"
#include "camera/depthprobe.h"
#include "loaders/modelloaderobj.h"
#include "loaders/shaderloader.h"
#include "render/passstate.h"
#include "render/rendertargets.h"
#include "render/vertexattribute.h"
#include "scene/scene.h"

GLuint textureHardGlow = 0;
GLuint textureBigGlow = 0;
GLuint textureStreaks = 0;
GLuint textureSpecialStreaks = 0;
GLuint textureHalo = 0;
GLuint spriteVertexBuffer = 0;
GLuint spriteUVBuffer = 0;
GLuint spriteProgram = 0;
GLint spriteTextureSampler = -1;
GLint spriteColorSampler = -1;

const std::array<FlareSprite, kFlareSpriteCount>& flareTable() {
  using T = FlareTexture;
  // Drawing order; the fractions deliberately do not ascend.
  static const std::array<FlareSprite, kFlareSpriteCount> table = {{
      {T::BigGlow, true, 0.0f, 10.0f, {0.6f, 0.6f, 0.6f, 1.0f}},
      {T::Streaks, true, 0.0f, 16.0f, {0.6f, 0.6f, 0.8f, 1.0f}},
      {T::HardGlow, true, 0.0f, 3.5f, {0.8f, 0.8f, 1.0f, 0.5f}},
      {T::SpecialStreaks, true, 0.0f, 5.0f, {0.8f, 0.2f, 0.0f, 1.0f}},
      {T::HardGlow, false, 0.1f, 0.6f, {0.9f, 0.6f, 0.4f, 0.5f}},
      {T::Halo, false, 0.15f, 1.7f, {0.8f, 0.5f, 0.6f, 0.5f}},
      {T::Halo, false, 0.175f, 0.83f, {0.9f, 0.2f, 0.1f, 0.5f}},
      {T::Halo, false, 0.285f, 1.6f, {0.7f, 0.7f, 0.4f, 0.5f}},
      {T::HardGlow, false, 0.2755f, 0.8f, {0.9f, 0.9f, 0.2f, 0.5f}},
      {T::HardGlow, false, 0.4775f, 1.0f, {0.93f, 0.82f, 0.73f, 0.5f}},
      {T::Halo, false, 0.49f, 1.4f, {0.7f, 0.6f, 0.5f, 0.5f}},
      {T::HardGlow, false, 0.65f, 1.8f, {0.7f, 0.8f, 0.3f, 0.5f}},
      {T::HardGlow, false, 0.63f, 1.4f, {0.4f, 0.3f, 0.2f, 0.5f}},
      {T::Halo, false, 0.8f, 1.4f, {0.7f, 0.5f, 0.5f, 0.5f}},
      {T::HardGlow, false, 0.7825f, 0.6f, {0.8f, 0.5f, 0.1f, 0.5f}},
  }};
  return table;
}

static bool isFinite(const glm::vec3& v) {
  return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

std::array<glm::vec3, kFlareSpriteCount> flareCentres(const glm::vec3& sun, const glm::vec3& eye,
                                                     const glm::vec3& lookAt) {
  const float distance = glm::length(eye - sun);
  glm::vec3 axis(0.0f);
  float flareLength = 0.0f;
  const glm::vec3 viewDirection = lookAt - eye;
  if (glm::length(viewDirection) > 0.0f) {
    const glm::vec3 ptIntersect = eye + glm::normalize(viewDirection) * distance;
    const glm::vec3 sunToIntersect = ptIntersect - sun;
    flareLength = glm::length(sunToIntersect);
    // On the viewing axis the flare has no direction: normalising would hand
    // NaN to GL, so the axis sprites collapse onto the sun instead.
    if (flareLength > 0.0f) axis = sunToIntersect / flareLength;
    if (!isFinite(axis) || !std::isfinite(flareLength)) {
      axis = glm::vec3(0.0f);
      flareLength = 0.0f;
    }
  }
  std::array<glm::vec3, kFlareSpriteCount> centres;
  const auto& table = flareTable();
  for (int i = 0; i < kFlareSpriteCount; ++i) {
    if (table[i].onSun) {
      centres[i] = sun;
    } else {
      const float along = static_cast<float>(static_cast<double>(flareLength) *
                                             static_cast<double>(table[i].fraction));
      centres[i] = sun + axis * along;
    }
  }
  return centres;
}

bool spriteQuad(const glm::vec2& centre, float size, int windowW, int windowH,
                std::array<glm::vec2, 6>& vertices) {
  if (windowW <= 0 || windowH <= 0) return false;
  if (!std::isfinite(centre.x) || !std::isfinite(centre.y) || !std::isfinite(size)) return false;
  const float s = size * kSpritePixelsPerSize;
  const glm::vec2 half(static_cast<float>(windowW) * 0.5f, static_cast<float>(windowH) * 0.5f);
  auto toNdc = [&](float px, float py) { return (glm::vec2(px, py) - half) / half; };
  const glm::vec2 quadUL = toNdc(centre.x - s / 2, centre.y + s / 2);
  const glm::vec2 quadUR = toNdc(centre.x + s / 2, centre.y + s / 2);
  const glm::vec2 quadBL = toNdc(centre.x - s / 2, centre.y - s / 2);
  const glm::vec2 quadBR = toNdc(centre.x + s / 2, centre.y - s / 2);
  vertices = {quadUL, quadBL, quadUR, quadBR, quadUR, quadBL};
  return true;
}

const std::array<glm::vec2, 6>& spriteUVs() {
  static const glm::vec2 uvUL(0.0f, 0.0f), uvBL(0.0f, 1.0f), uvUR(1.0f, 0.0f), uvBR(1.0f, 1.0f);
  static const std::array<glm::vec2, 6> uvs = {uvUL, uvBL, uvUR, uvBR, uvUR, uvBL};
  return uvs;
}

std::string sunGlowLoadingLine() {
  return "loading sun glow: " + std::to_string(std::size(runfiles::sunGlowSprites)) + " sprite textures";
}

void loadSunGlow() {
  textureHardGlow = loadDdsTexture(runfiles::hardGlow);
  textureBigGlow = loadDdsTexture(runfiles::bigGlow);
  textureStreaks = loadDdsTexture(runfiles::streaks);
  textureSpecialStreaks = loadDdsTexture(runfiles::specialStreaks);
  textureHalo = loadDdsTexture(runfiles::halo);
  // Both buffers get their storage once: the texture coordinates never
  // change, and each sprite only rewrites the six corners in place.
  glGenBuffers(1, &spriteVertexBuffer);
  glBindBuffer(GL_ARRAY_BUFFER, spriteVertexBuffer);
  glBufferData(GL_ARRAY_BUFFER, sizeof(glm::vec2) * 6, nullptr, GL_DYNAMIC_DRAW);
  glGenBuffers(1, &spriteUVBuffer);
  glBindBuffer(GL_ARRAY_BUFFER, spriteUVBuffer);
  glBufferData(GL_ARRAY_BUFFER, sizeof(glm::vec2) * 6, spriteUVs().data(), GL_STATIC_DRAW);
  spriteProgram = buildShaderProgram(runfiles::sunGlowVertex, runfiles::sunGlowFragment);
  spriteTextureSampler = glGetUniformLocation(spriteProgram, "textureSampler");
  spriteColorSampler = glGetUniformLocation(spriteProgram, "colorSampler");
}

void unloadSunGlow() {
  GLuint* textures[] = {&textureHardGlow, &textureBigGlow, &textureStreaks, &textureSpecialStreaks, &textureHalo};
  for (GLuint* texture : textures) {
    glDeleteTextures(1, texture);
    *texture = 0;
  }
  glDeleteBuffers(1, &spriteVertexBuffer);
  glDeleteBuffers(1, &spriteUVBuffer);
  glDeleteProgram(spriteProgram);
  spriteVertexBuffer = spriteUVBuffer = spriteProgram = 0;
  spriteTextureSampler = spriteColorSampler = -1;
  releaseDepthProbe();
}

static GLuint textureOf(FlareTexture t) {
  switch (t) {
    case FlareTexture::HardGlow: return textureHardGlow;
    case FlareTexture::BigGlow: return textureBigGlow;
    case FlareTexture::Streaks: return textureStreaks;
    case FlareTexture::SpecialStreaks: return textureSpecialStreaks;
    case FlareTexture::Halo: return textureHalo;
  }
  return 0;
}

void drawSunGlow() {
  if (!camera.isPointInFrustum(lightPosition)) return;
  if (camera.isPointOccluded(lightPosition)) return;

  const auto centres = flareCentres(lightPosition, camera.getPosition(), camera.getLookAtPoint());

  applyPassState(passstate::sunGlow);
  const auto& table = flareTable();
  for (int i = 0; i < kFlareSpriteCount; ++i) {
    const FlareSprite& sprite = table[i];
    drawSprite(sprite.color.r, sprite.color.g, sprite.color.b, sprite.color.a, centres[i],
               sprite.size, textureOf(sprite.texture));
  }
}

void drawSprite(float r, float g, float b, float a, const glm::vec3& centre, float size,
                GLuint texture) {
  GLint viewport[4];
  glGetIntegerv(GL_VIEWPORT, viewport);
  GLdouble projX = 0.0, projY = 0.0, projZ = 0.0;
  if (!camera.projectToWindow(centre, viewport, projX, projY, projZ)) return;
  // Corners use the pass target's size, the viewport of every pass. A
  // sprite's size is in window pixels: on a scaled-down target it shrinks
  // with the picture, so that the composite shows it as large as at full scale.
  const float targetScale =
      windowWidth > 0 ? static_cast<float>(targetWidth) / static_cast<float>(windowWidth) : 1.0f;
  std::array<glm::vec2, 6> vertices;
  if (!spriteQuad(glm::vec2(static_cast<float>(projX), static_cast<float>(projY)), size * targetScale,
                  targetWidth, targetHeight, vertices))
    return;

  glBindBuffer(GL_ARRAY_BUFFER, spriteVertexBuffer);
  glBufferSubData(GL_ARRAY_BUFFER, 0, sizeof(vertices), vertices.data());

  glUseProgram(spriteProgram);
  glActiveTexture(GL_TEXTURE0);
  glBindTexture(GL_TEXTURE_2D, texture);
  glUniform1i(spriteTextureSampler, 0);
  glUniform4f(spriteColorSampler, r, g, b, a);

  bindFloatAttribute(0, spriteVertexBuffer, 2);
  bindFloatAttribute(1, spriteUVBuffer, 2);

  glDrawArrays(GL_TRIANGLES, 0, 6);
  glDisableVertexAttribArray(0);
  glDisableVertexAttribArray(1);
}
