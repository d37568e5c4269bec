#include "render/sunglow.h"

#include <algorithm>
#include <cmath>
#include <iterator>

#include "base/frameglobals.h"
#include "base/runfiles.h"
#include "gpu/depthprobe.h"
#include "gpu/passstate.h"
#include "gpu/shaderbuild.h"
#include "gpu/textureupload.h"
#include "gpu/vertexattribute.h"
#include "gpu/rendertargets.h"
#include "scene/camera.h"
#include "scene/scene.h"

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

void loadSunGlow(SunGlow& glow, bool forceAnisotropic) {
  glow.textureHardGlow = loadDdsTexture(runfiles::hardGlow, forceAnisotropic);
  glow.textureBigGlow = loadDdsTexture(runfiles::bigGlow, forceAnisotropic);
  glow.textureStreaks = loadDdsTexture(runfiles::streaks, forceAnisotropic);
  glow.textureSpecialStreaks = loadDdsTexture(runfiles::specialStreaks, forceAnisotropic);
  glow.textureHalo = loadDdsTexture(runfiles::halo, forceAnisotropic);
  // Both buffers get their storage once: the texture coordinates never
  // change, and each sprite only rewrites the six corners in place.
  glGenBuffers(1, &glow.spriteVertexBuffer);
  glBindBuffer(GL_ARRAY_BUFFER, glow.spriteVertexBuffer);
  glBufferData(GL_ARRAY_BUFFER, sizeof(glm::vec2) * 6, nullptr, GL_DYNAMIC_DRAW);
  glGenBuffers(1, &glow.spriteUVBuffer);
  glBindBuffer(GL_ARRAY_BUFFER, glow.spriteUVBuffer);
  glBufferData(GL_ARRAY_BUFFER, sizeof(glm::vec2) * 6, spriteUVs().data(), GL_STATIC_DRAW);
  glow.spriteProgram = buildShaderProgram(runfiles::sunGlowVertex, runfiles::sunGlowFragment);
  glow.spriteTextureSampler = glGetUniformLocation(glow.spriteProgram, "textureSampler");
  glow.spriteColorSampler = glGetUniformLocation(glow.spriteProgram, "colorSampler");
  glow.spriteGreying = glGetUniformLocation(glow.spriteProgram, "greying");
}

void unloadSunGlow(SunGlow& glow) {
  GLuint* textures[] = {&glow.textureHardGlow, &glow.textureBigGlow, &glow.textureStreaks,
                        &glow.textureSpecialStreaks, &glow.textureHalo};
  for (GLuint* texture : textures) {
    glDeleteTextures(1, texture);
    *texture = 0;
  }
  glDeleteBuffers(1, &glow.spriteVertexBuffer);
  glDeleteBuffers(1, &glow.spriteUVBuffer);
  glDeleteProgram(glow.spriteProgram);
  glow.spriteVertexBuffer = glow.spriteUVBuffer = glow.spriteProgram = 0;
  glow.spriteTextureSampler = glow.spriteColorSampler = glow.spriteGreying = -1;
  releaseDepthProbe(glow.depthProbe);
}

static GLuint textureOf(const SunGlow& glow, FlareTexture t) {
  switch (t) {
    case FlareTexture::HardGlow: return glow.textureHardGlow;
    case FlareTexture::BigGlow: return glow.textureBigGlow;
    case FlareTexture::Streaks: return glow.textureStreaks;
    case FlareTexture::SpecialStreaks: return glow.textureSpecialStreaks;
    case FlareTexture::Halo: return glow.textureHalo;
  }
  return 0;
}

void setSunAir(SunGlow& glow, const AtmosphereModel& air) {
  glow.air = air;
  glow.hasAir = true;
  glow.seen = SunThroughAir();
}

void seeSunFrom(SunGlow& glow, const glm::vec3& eye, const glm::vec3& light) {
  if (!glow.hasAir || glm::length(light) <= 0.0f) {
    glow.seen = SunThroughAir();
    return;
  }
  glow.seen = sunThroughAir(glow.air, glm::dvec3(eye), glm::normalize(glm::dvec3(light)));
}

void drawSunGlow(const SunGlow& glow, const RenderTargets& targets, const glm::vec3& light) {
  if (!camera.isPointInFrustum(light)) return;
  const glm::dvec3 eye(camera.getPosition());
  // Behind the Earth's disc the depth says only that the Earth is there: the
  // share of the disc in view decides. In front of it, the Moon or the
  // missile hides the sun; and without the air's model, anything does.
  const bool behindEarth = glow.hasAir && rayMeetsEarth(eye, glm::normalize(glm::dvec3(light) - eye));
  if (!behindEarth && camera.isPointOccluded(light, glow.depthProbe, kOpenSkyDepth)) return;
  const glm::vec3 tint = glowTint(glow.seen, glow.hasAir ? glow.air.displayGamma : 2.2);
  // Under half a step of the display: nothing to draw.
  if (std::max(tint.r, std::max(tint.g, tint.b)) < 0.5f / 255.0f) return;

  const auto centres = flareCentres(light, camera.getPosition(), camera.getLookAtPoint());

  applyPassState(passstate::sunGlow);
  const float greying = glowGreying(tint);
  const auto& table = flareTable();
  for (int i = 0; i < kFlareSpriteCount; ++i) {
    const FlareSprite& sprite = table[i];
    drawSprite(glow, targets, sprite.color.r * tint.r, sprite.color.g * tint.g, sprite.color.b * tint.b,
               sprite.color.a, centres[i], sprite.size, textureOf(glow, sprite.texture), greying);
  }
}

void drawSprite(const SunGlow& glow, const RenderTargets& targets, float r, float g, float b, float a,
                const glm::vec3& centre, float size, GLuint texture, float greying) {
  GLint viewport[4];
  glGetIntegerv(GL_VIEWPORT, viewport);
  GLdouble projX = 0.0, projY = 0.0, projZ = 0.0;
  if (!camera.projectToWindow(centre, viewport, projX, projY, projZ)) return;
  // Corners use the pass target's size, the viewport of every pass. A
  // sprite's size is in window pixels: on a scaled-down target it shrinks
  // with the picture, so that the composite shows it as large as at full scale.
  const float targetScale =
      windowWidth > 0 ? static_cast<float>(targets.targetWidth) / static_cast<float>(windowWidth) : 1.0f;
  std::array<glm::vec2, 6> vertices;
  if (!spriteQuad(glm::vec2(static_cast<float>(projX), static_cast<float>(projY)), size * targetScale,
                  targets.targetWidth, targets.targetHeight, vertices))
    return;

  glBindBuffer(GL_ARRAY_BUFFER, glow.spriteVertexBuffer);
  glBufferSubData(GL_ARRAY_BUFFER, 0, sizeof(vertices), vertices.data());

  glUseProgram(glow.spriteProgram);
  glActiveTexture(GL_TEXTURE0);
  glBindTexture(GL_TEXTURE_2D, texture);
  glUniform1i(glow.spriteTextureSampler, 0);
  glUniform4f(glow.spriteColorSampler, r, g, b, a);
  glUniform1f(glow.spriteGreying, greying);

  bindFloatAttribute(0, glow.spriteVertexBuffer, 2);
  bindFloatAttribute(1, glow.spriteUVBuffer, 2);

  glDrawArrays(GL_TRIANGLES, 0, 6);
  glDisableVertexAttribArray(0);
  glDisableVertexAttribArray(1);
}
