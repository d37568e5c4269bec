// The air table: once a frame, the atmosphere composite's air for the rays
// of the frame's central eye, which every depth-of-field pass then reads
// instead of marching its own (render/airtablelayout.h plans it; the shader
// is the composite's, built with AIR_TABLE_BUILD and AIR_TABLE_READ).
#pragma once
#include <GL/glew.h>

#include <glm/glm.hpp>
#include <string>

#include "gpu/shaderprogram.h"
#include "render/airtablelayout.h"
#include "render/skytextures.h"

// The config key's words: "auto" reads the table wherever the view allows,
// "off" has every pass compute its own air.
inline constexpr const char* kAirTableWords[] = {"auto", "off"};

// The lines the composite's fragment file is built with to make the table,
// and the composite's and the Earth's programs with to read it.
inline constexpr const char* kAirTableBuildDefine = "#define AIR_TABLE_BUILD 1\n";
inline constexpr const char* kAirTableReadDefine = "#define AIR_TABLE_READ 1\n";

// The units the reading program takes the table from: above the sky's
// tables (7, 8) and the Earth's layers (9, 10).
constexpr int kAirInscatterUnit = 12;
constexpr int kAirTransmittanceUnit = 13;

struct AirTableUniforms {
  GLint eye = -1, right = -1, up = -1, layout = -1, columns = -1, inscatter = -1, transmittance = -1;
};

struct AirTable {
  bool enabled = false;  // made, and not switched off
  GLuint framebuffer = 0, inscatter = 0, transmittance = 0, quadBuffer = 0;
  int width = 0, height = 0;  // the textures' size
  int maxTextureSize = 0;
  float shellRadius = 0.0f;  // the air's top, as the shaders' airTop has it
  ShaderProgram builder;
  AirTableUniforms builderUniforms;
  // The composite that reads the table for the limb, and the Earth's
  // program that draws the Earth with its air straight into the pass.
  AtmosphereFinalShaderProgram reader;
  AirTableUniforms readerUniforms;
  ShaderProgram earthReader;
  AirTableUniforms earthReaderUniforms;
  // What the table holds, and whether it holds anything.
  AirTableView madeFor;
  AirTableLayout layout;
  bool filled = false;
  // This frame's passes read the table.
  bool inUse = false;
  // Tables made since start-up: once a frame at most, none while the view
  // stays.
  long builds = 0;
};

// "auto" or "off" from the config key's value; anything else warns into
// warning and is taken as "auto", the default.
bool airTableSwitchedOn(const std::string& setting, std::string& warning);

// Builds the three programs from the composite's and the Earth's vertex and
// fragment files with the scene's defines. False, with the table off and a WARNING line
// printed, when a program does not link or float targets cannot be drawn
// into (WebGL2 without EXT_color_buffer_float): the passes then compute
// their own air.
// The shader files (the table's own vertex stage: a full-view quad's) and
// the scene's defines.
struct AirTableSources {
  std::string tableVertex, compositeVertex, compositeFragment, earthVertex, earthFragment, defines;
};
bool makeAirTable(AirTable& table, float shellRadius, const AirTableSources& sources);
void destroyAirTable(AirTable& table);

// Once a frame, before the passes: plans the table for the view and makes
// it unless it holds that view already; sets and returns inUse.
// shellModel: the atmosphere shell's model matrix.
bool prepareAirTable(AirTable& table, const AirTableView& view, const SkyTextures& skyTextures,
                     const glm::mat4& shellModel);

// Points a reading program at the table (it must be current): the
// composite's (reader) or the Earth's (earthReader).
void bindAirTable(const AirTable& table, const ShaderProgram& program);
