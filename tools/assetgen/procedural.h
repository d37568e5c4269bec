// Textures made from code: the Moon's surface, the missile's paint, the five sun-glow sprites, and the Earth's specular map derived from
// the day image.
#pragma once
#include <cstdint>

#include "tools/assetgen/image.h"

// Water bright, land dark: water is the dark blue of the day image.
Image specularFromDay(const Image& day);
// How much a day-image colour looks like open water, 0 to 1.
float waterLikeness(uint8_t r, uint8_t g, uint8_t b);

// Equirectangular grey regolith with maria, craters and ray systems.
Image moonSurface(int width, int height, uint32_t seed);

// The missile's paint in the layout of its uvs: u along the body from nose
// (0) to tail (1); v = 0.25 .. 1 around the body, v below 0.25 the fins.
Image missilePaint(int width, int height);

// Sprites for additive blending: white colour, the shape in alpha, alpha 0 at
// the border.
Image spriteHardGlow(int size);
Image spriteBigGlow(int size);
Image spriteStreaks(int size);
Image spriteSpecialStreaks(int size);
Image spriteHalo(int size);

// Deterministic generator, so that every build writes the same textures.
struct Random {
  uint64_t state;
  explicit Random(uint64_t seed) : state(seed * 6364136223846793005ull + 1442695040888963407ull) {}
  uint32_t next();
  float uniform();  // [0, 1)
};

// Smooth value noise in [0, 1] that wraps with period `period` in x.
float valueNoise(float x, float y, int period, uint32_t seed);
