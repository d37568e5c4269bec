// The sky's tables as float textures on fixed units, for the atmosphere
// composite and the Earth's shading (the tables themselves: skytables.h).
// The transmittance table stays on the CPU: the other two are built from it,
// and the shaders take the sun's transmittance from the Chapman depth, which
// is as exact and costs a software rasteriser less than a filtered read.
#pragma once
#include <GL/glew.h>

#include <cstdint>
#include <string>
#include <vector>

#include "gpu/shaderprogram.h"
#include "render/skytables.h"

// The units the tables are bound on: above the composite's images (1 to 5)
// and the objects' own textures (0 to 2).
constexpr int kMultipleScatteringUnit = 7;
constexpr int kGroundIrradianceUnit = 8;

struct SkyTextures {
  GLuint multipleScattering = 0;
  float multipleScatteringScale = 1.0f;
  GLuint groundIrradiance = 0;
};

// Linear, clamped at the edges, one level. The ground's table is RGBA16F:
// half floats filter everywhere, WebGL2 included, with no extension (32-bit
// floats would need OES_texture_float_linear there). The multiple-scattering
// table, which the composite reads three times a pixel, is RGBA8 holding the
// square root of each value's share of the table's largest
// (multipleScatteringScale; the shader squares and scales): a software
// rasteriser filters 8-bit texels on a much shorter path than half floats
// (the frame 0.97 of the time here), and the square root keeps the dim
// values near the terminator as fine as the half floats had them. Zero names
// if GL refused.
SkyTextures makeSkyTextures(const SkyTables& tables);
// The table's RGB as bytes of sqrt(value / scale), alpha 255; scale is set
// to the largest value (1 for a table of zeros).
std::vector<uint8_t> encodeSquareRoots(const SkyTable& table, float& scale);
void destroySkyTextures(SkyTextures& textures);

// Makes the record's program current, binds the tables on their units and
// points the program's samplers "multipleScatteringTable" and
// "groundIrradianceTable" at them (from the
// record's locations, so the frame looks up no names; a sampler the program
// lacks is skipped).
void bindSkyTextures(const SkyTextures& textures, const ShaderProgram& record);
