// The sky's tables as float textures on fixed units, for the atmosphere
// composite and the Earth's shading (the tables themselves: skytables.h).
// The transmittance table stays on the CPU: the other two are built from it,
// and the shaders take the sun's transmittance from the Chapman depth, which
// is as exact and costs a software rasteriser less than a filtered read.
#pragma once
#include <GL/glew.h>

#include <string>

#include "render/shaderprogram.h"
#include "render/skytables.h"

// The units the tables are bound on: above the composite's images (1 to 5)
// and the objects' own textures (0 to 2).
constexpr int kMultipleScatteringUnit = 7;
constexpr int kGroundIrradianceUnit = 8;

struct SkyTextures {
  GLuint multipleScattering = 0;
  GLuint groundIrradiance = 0;
};

// RGBA16F, linear, clamped at the edges, one level: half floats filter
// everywhere, WebGL2 included, with no extension (32-bit floats would need
// OES_texture_float_linear there). Zero names if GL refused.
SkyTextures makeSkyTextures(const SkyTables& tables);
void destroySkyTextures(SkyTextures& textures);

// Parses the atmosphere's constants from GLSL source, builds the tables for
// the shell's radius and uploads them. On a constant that cannot be read it
// prints an ERROR line naming it and the file and returns empty textures:
// the sky then lacks its light beyond the first scattering.
SkyTextures loadSkyTextures(const std::string& glslSource, const char* fileName, float shellRadius);
// The same from a GLSL file; a file that cannot be read gives empty textures
// silently (the shader loader reports it when it builds the program).
SkyTextures loadSkyTexturesFromFile(const char* path, float shellRadius);

// Makes the record's program current, binds the tables on their units and
// points the program's samplers "multipleScatteringTable" and
// "groundIrradianceTable" at them (from the
// record's locations, so the frame looks up no names; a sampler the program
// lacks is skipped).
void bindSkyTextures(const SkyTextures& textures, const ShaderProgram& record);

// The tables the frame reads, made at start-up.
extern SkyTextures skyTextures;
