// The glow around the sun and the chain of lens-flare ghosts along the line
// from the sun towards the centre of the view, drawn as additive sprites.
#pragma once
#include <GL/glew.h>

#include <array>
#include <string>
#include <glm/glm.hpp>

#include "gpu/depthprobe.h"

#include "gpu/rendertargets.h"
#include "render/sunthroughair.h"

enum class FlareTexture { HardGlow, BigGlow, Streaks, SpecialStreaks, Halo };

struct FlareSprite {
  FlareTexture texture;
  // Sprites on the sun sit at the light; the others at fraction along the axis.
  bool onSun;
  float fraction;
  // Side in units of 40 pixels.
  float size;
  glm::vec4 color;
};

constexpr int kFlareSpriteCount = 15;
constexpr float kSpritePixelsPerSize = 40.0f;

// The fifteen sprites in drawing order.
const std::array<FlareSprite, kFlareSpriteCount>& flareTable();

// World-space centre of every sprite of the table. The flare axis runs from the
// sun to the point of the viewing axis as far from the eye as the sun. With the
// sun on the viewing axis (or no usable view direction) the axis has no
// direction and every sprite is placed on the sun.
std::array<glm::vec3, kFlareSpriteCount> flareCentres(const glm::vec3& sun, const glm::vec3& eye,
                                                     const glm::vec3& lookAt);

// The loading screen's line for the sun glow, naming what it loads.
std::string sunGlowLoadingLine();

// The six corners (two triangles: UL, BL, UR, BR, UR, BL) in normalised device
// coordinates of a sprite size x 40 pixels square centred on the window pixel
// centre. False, with nothing written, for a window without area or a centre
// that is not a finite number.
bool spriteQuad(const glm::vec2& centre, float size, int windowW, int windowH,
                std::array<glm::vec2, 6>& vertices);

// Texture coordinates matching spriteQuad's corners; t = 0 is the top row.
const std::array<glm::vec2, 6>& spriteUVs();

// The glow's GL objects: made by loadSunGlow, released (and zeroed) by
// unloadSunGlow. The frame's owner holds one.
// The depth the atmosphere composite gives the thin air beyond the Earth's
// disc (the shaders' depthBeyondEarth, atmosphere.glsl): near the far plane,
// in front of the Moon's nothing; the sun behind it is not hidden.
inline constexpr float kDepthBeyondEarth = 1.0f - 1.0f / 2097152.0f;
// Depths from here on hide the sun from nothing: a step of the 24-bit
// buffer short of the air's still counts as the air, and what does hide the
// sun (the Moon, the missile) lies far nearer.
inline constexpr float kOpenSkyDepth = kDepthBeyondEarth - 1.0f / 8388608.0f;

struct SunGlow {
  GLuint textureHardGlow = 0, textureBigGlow = 0, textureStreaks = 0, textureSpecialStreaks = 0, textureHalo = 0;
  // The sprite's corners are rewritten for each sprite; its texture
  // coordinates never change.
  GLuint spriteVertexBuffer = 0, spriteUVBuffer = 0;
  GLuint spriteProgram = 0;
  GLint spriteTextureSampler = -1, spriteColorSampler = -1, spriteGreying = -1;
  // The occlusion test's read-back, made on its first read.
  mutable DepthProbe depthProbe;
  // The air the sun is seen through (atmosphere.glsl's model; the bare sun
  // without it), and what the air and the Earth leave of the sun in the
  // frame at hand (seeSunFrom).
  AtmosphereModel air;
  bool hasAir = false;
  SunThroughAir seen;
};

// Loads the five sprite textures and the sprite program (the caller shows
// the loading screen first).
void loadSunGlow(SunGlow& glow, bool forceAnisotropic = false);
// Deletes the textures, buffers and program loadSunGlow made and zeroes them.
void unloadSunGlow(SunGlow& glow);
// The air the sun is seen through: the model the sky's tables are built
// from (readAtmosphereModel). Without it the sun shines bare.
void setSunAir(SunGlow& glow, const AtmosphereModel& air);
// What the air and the Earth leave of the sun at light for an eye at eye:
// once a frame, before its passes.
void seeSunFrom(SunGlow& glow, const glm::vec3& eye, const glm::vec3& light);
// Draws glow and flare into the bound framebuffer when the sun is in view and
// not hidden (the sun at light), tinted by what the air and the Earth leave
// of it (glow.seen); otherwise touches no GL state. The Earth hides the sun
// by the share of its disc behind the limb; anything else in front of its
// centre (the Moon, the missile) hides it whole.
void drawSunGlow(const SunGlow& glow, const RenderTargets& targets, const glm::vec3& light);
// One sprite, sized for the pass targets it is drawn into; its texture
// turned `greying` of the way to grey before the colour tints it.
void drawSprite(const SunGlow& glow, const RenderTargets& targets, float r, float g, float b, float a,
                const glm::vec3& centre, float size, GLuint texture, float greying = 0.0f);
