#include "render/airtable.h"

#include <algorithm>
#include <cstdio>
#include <glm/gtc/type_ptr.hpp>

#include "gpu/passstate.h"
#include "gpu/shaderbuild.h"
#include "gpu/textureupload.h"
#include "gpu/vertexattribute.h"
#include "scene/scene.h"

namespace {

bool linked(GLuint program) {
  if (program == 0) return false;
  GLint status = GL_FALSE;
  glGetProgramiv(program, GL_LINK_STATUS, &status);
  return status == GL_TRUE;
}

AirTableUniforms locateTableUniforms(GLuint program) {
  AirTableUniforms u;
  u.eye = glGetUniformLocation(program, "airTableEye");
  u.right = glGetUniformLocation(program, "airTableRight");
  u.up = glGetUniformLocation(program, "airTableUp");
  u.layout = glGetUniformLocation(program, "airTableLayout");
  u.columns = glGetUniformLocation(program, "airTableColumns");
  u.inscatter = glGetUniformLocation(program, "airInscatterTable");
  u.transmittance = glGetUniformLocation(program, "airTransmittanceTable");
  return u;
}

void setTableUniforms(const AirTableUniforms& u, const AirTable& table) {
  const AirTableLayout& layout = table.layout;
  glUniform3fv(u.eye, 1, glm::value_ptr(table.madeFor.eye));
  glUniform3fv(u.right, 1, glm::value_ptr(layout.right));
  glUniform3fv(u.up, 1, glm::value_ptr(layout.up));
  glUniform4f(u.layout, static_cast<float>(layout.groundRows), static_cast<float>(layout.limbRows),
              layout.limbHeight, static_cast<float>(table.height));
  glUniform3f(u.columns, static_cast<float>(layout.columns), static_cast<float>(layout.groundColumns),
              static_cast<float>(table.width));
}

void releaseTextures(AirTable& table) {
  glDeleteFramebuffers(1, &table.framebuffer);
  const GLuint textures[] = {table.inscatter, table.transmittance};
  glDeleteTextures(2, textures);
  table.framebuffer = table.inscatter = table.transmittance = 0;
  table.width = table.height = 0;
  table.filled = false;
}

// The textures at the capacity for the target, with their framebuffer,
// unless they are that size already; false when GL cannot draw into them.
bool sizeTextures(AirTable& table, const AirTableCapacity& room) {
  if (table.framebuffer != 0 && table.width == room.width && table.height == room.height) return true;
  releaseTextures(table);
  const int width = room.width, height = room.height;
  table.inscatter = makeLinearTexture(width, height, GL_RGBA16F, GL_HALF_FLOAT, nullptr, GL_CLAMP_TO_EDGE);
  table.transmittance = makeLinearTexture(width, height, GL_RGBA16F, GL_HALF_FLOAT, nullptr, GL_CLAMP_TO_EDGE);
  glGenFramebuffers(1, &table.framebuffer);
  glBindFramebuffer(GL_FRAMEBUFFER, table.framebuffer);
  glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, table.inscatter, 0);
  glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT1, GL_TEXTURE_2D, table.transmittance, 0);
  const GLenum buffers[] = {GL_COLOR_ATTACHMENT0, GL_COLOR_ATTACHMENT1};
  glDrawBuffers(2, buffers);
  const bool complete = glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
  glBindFramebuffer(GL_FRAMEBUFFER, 0);
  if (!complete) {
    releaseTextures(table);
    return false;
  }
  table.width = width;
  table.height = height;
  return true;
}

void fillTable(AirTable& table, const AirTableView& view, const SkyTextures& skyTextures, const glm::mat4& shellModel) {
  table.madeFor = view;
  applyPassState(passstate::finalComposite);
  glBindFramebuffer(GL_FRAMEBUFFER, table.framebuffer);
  bindSkyTextures(skyTextures, table.builder);
  glUniformMatrix4fv(table.builder.M, 1, GL_FALSE, glm::value_ptr(shellModel));
  glUniform3fv(table.builder.lightPos_worldspace, 1, glm::value_ptr(view.sun));
  setTableUniforms(table.builderUniforms, table);
  bindFloatAttribute(0, table.quadBuffer, 3);
  // The ground's rows only as far as their columns go, then the limb's.
  const AirTableLayout& layout = table.layout;
  glViewport(0, 0, layout.groundColumns + 1, layout.groundRows);
  glDrawArrays(GL_TRIANGLES, 0, 6);
  glViewport(0, layout.groundRows, layout.columns + 1, layout.limbRows);
  glDrawArrays(GL_TRIANGLES, 0, 6);
  glDisableVertexAttribArray(0);
  glViewport(0, 0, view.targetWidth, view.targetHeight);
  ++table.builds;
  table.filled = true;
}

}  // namespace

bool airTableSwitchedOn(const std::string& setting, std::string& warning) {
  warning.clear();
  if (setting == kAirTableWords[1]) return false;
  if (setting != kAirTableWords[0])
    warning = "WARNING: config.ini: airTable must be auto or off, not \"" + setting + "\"; using auto";
  return true;
}

bool makeAirTable(AirTable& table, float shellRadius, const AirTableSources& sources) {
  destroyAirTable(table);
  const std::string read = sources.defines + kAirTableReadDefine;
  const GLuint builder =
      buildShaderProgram(sources.tableVertex.c_str(), sources.compositeFragment.c_str(),
                         sources.defines + kAirTableBuildDefine, ConsoleProgress::Quiet);
  const GLuint reader = buildShaderProgram(sources.compositeVertex.c_str(), sources.compositeFragment.c_str(), read,
                                           ConsoleProgress::Quiet);
  const GLuint earthReader = buildShaderProgram(sources.earthVertex.c_str(), sources.earthFragment.c_str(),
                                                read + kEarthOnlyDefine, ConsoleProgress::Quiet);
  table.builder = buildShaderProgramRecord(builder);
  table.reader = buildAtmosphereFinalRecord(reader);
  table.earthReader = buildShaderProgramRecord(earthReader);
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &table.maxTextureSize);
  if (!linked(builder) || !linked(reader) || !linked(earthReader) ||
      !sizeTextures(table, airTableCapacity(0, table.maxTextureSize))) {
    fprintf(stderr, "WARNING: the air table cannot be made here; every pass computes its own air\n");
    destroyAirTable(table);
    return false;
  }
  table.builderUniforms = locateTableUniforms(builder);
  table.readerUniforms = locateTableUniforms(reader);
  table.earthReaderUniforms = locateTableUniforms(earthReader);
  static const GLfloat quad[18] = {-1, -1, 0, 1, -1, 0, -1, 1, 0, -1, 1, 0, 1, -1, 0, 1, 1, 0};
  glGenBuffers(1, &table.quadBuffer);
  glBindBuffer(GL_ARRAY_BUFFER, table.quadBuffer);
  glBufferData(GL_ARRAY_BUFFER, sizeof(quad), quad, GL_STATIC_DRAW);
  table.shellRadius = shellRadius;
  table.enabled = true;
  return true;
}

void destroyAirTable(AirTable& table) {
  releaseTextures(table);
  glDeleteBuffers(1, &table.quadBuffer);
  glDeleteProgram(table.builder.programID);
  glDeleteProgram(table.reader.programID);
  glDeleteProgram(table.earthReader.programID);
  table = AirTable();
}

bool prepareAirTable(AirTable& table, const AirTableView& view, const SkyTextures& skyTextures,
                     const glm::mat4& shellModel) {
  table.inUse = false;
  if (!table.enabled) return false;
  if (table.filled && table.madeFor == view) return table.inUse = table.layout.usable;
  table.filled = false;
  table.layout = planAirTable(view, table.maxTextureSize);
  // The textures are made for the target as soon as a frame has the passes
  // to share a table, whatever its view: the memory then stays as it is
  // while the camera moves in and out of the air.
  if (view.passes >= kAirTableMinPasses && view.targetHeight > 0 &&
      !sizeTextures(table, airTableCapacity(view.targetHeight, table.maxTextureSize)))
    return false;
  if (!table.layout.usable) {
    table.madeFor = view;
    table.filled = true;  // nothing to make until the view changes
    return false;
  }
  fillTable(table, view, skyTextures, shellModel);
  return table.inUse = true;
}

void bindAirTable(const AirTable& table, const ShaderProgram& program) {
  const AirTableUniforms& u =
      program.programID == table.earthReader.programID ? table.earthReaderUniforms : table.readerUniforms;
  setTableUniforms(u, table);
  // The unit binding needs nothing of the record's own.
  table.reader.bindTextureUnit(kAirInscatterUnit, table.inscatter, u.inscatter);
  table.reader.bindTextureUnit(kAirTransmittanceUnit, table.transmittance, u.transmittance);
}
