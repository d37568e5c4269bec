// Shader program records built from real linked programs.
#include <cstring>
#include <span>
#include <string>
#include <utility>

#include "gpu/shaderprogram.h"
#include "tests/gl/glfixture.h"

namespace {
using gltest::linkProgram;

const char* const kPlainVertex =
    "#version 330 core\n"
    "layout(location = 0) in vec3 position;\n"
    "void main() { gl_Position = vec4(position, 1.0); }\n";

// Every uniform of the vocabulary, plus ones a record must not pick up.
const char* const kFullVertex =
    "#version 330 core\n"
    "layout(location = 0) in vec3 position;\n"
    "uniform mat4 MVP; uniform mat4 V; uniform mat4 M; uniform vec3 lightPos_worldspace;\n"
    "void main() { gl_Position = MVP * V * M * vec4(position + lightPos_worldspace, 1.0); }\n";
const char* const kFullFragment =
    "#version 330 core\n"
    "uniform vec2 validityChecker; uniform int DOFSamples; uniform vec2 screenSize;\n"
    "uniform sampler2D diffuseTexture, specularTexture, diffuseNightTexture;\n"
    "uniform sampler2D DOFTexture0, DOFTexture1, DOFTexture9, DOFTextureA, DOFTextureF, DOFTexture10;\n"
    "uniform sampler2D texturePlanetColor, texturePlanetDepth, textureAtmosDepth;\n"
    "uniform sampler2D textureShadowBack, textureShadowFront;\n"
    "out vec4 color;\n"
    "void main() {\n"
    "  vec2 uv = validityChecker + screenSize + vec2(float(DOFSamples));\n"
    "  color = texture(diffuseTexture, uv) + texture(specularTexture, uv) + texture(diffuseNightTexture, uv)\n"
    "        + texture(DOFTexture0, uv) + texture(DOFTexture1, uv) + texture(DOFTexture9, uv)\n"
    "        + texture(DOFTextureA, uv) + texture(DOFTextureF, uv) + texture(DOFTexture10, uv)\n"
    "        + texture(texturePlanetColor, uv) + texture(texturePlanetDepth, uv) + texture(textureAtmosDepth, uv)\n"
    "        + texture(textureShadowBack, uv) + texture(textureShadowFront, uv);\n"
    "}\n";

GLint at(GLuint program, const char* name) { return glGetUniformLocation(program, name); }

// Every location field with the uniform it must hold: the first kShared are
// every record's, the rest the atmosphere composite's own.
struct Location {
  GLint AtmosphereFinalShaderProgram::*field;
  const char* name;
};
const Location kLocations[] = {
    {&ShaderProgram::MVP, "MVP"},
    {&ShaderProgram::V, "V"},
    {&ShaderProgram::M, "M"},
    {&ShaderProgram::lightPos_worldspace, "lightPos_worldspace"},
    {&ShaderProgram::validityChecker, "validityChecker"},
    {&ShaderProgram::diffuseTexture, "diffuseTexture"},
    {&ShaderProgram::specularTexture, "specularTexture"},
    {&ShaderProgram::diffuseNightTexture, "diffuseNightTexture"},
    {&ShaderProgram::DOFSamples, "DOFSamples"},
    {&AtmosphereFinalShaderProgram::texturePlanetColor, "texturePlanetColor"},
    {&AtmosphereFinalShaderProgram::texturePlanetDepth, "texturePlanetDepth"},
    {&AtmosphereFinalShaderProgram::textureAtmosDepth, "textureAtmosDepth"},
    {&AtmosphereFinalShaderProgram::textureShadowBack, "textureShadowBack"},
    {&AtmosphereFinalShaderProgram::textureShadowFront, "textureShadowFront"},
    {&AtmosphereFinalShaderProgram::screenSize, "screenSize"},
};
constexpr size_t kShared = 9;
const std::span<const Location> kSharedLocations = std::span(kLocations).first(kShared);
const std::span<const Location> kAtmosphereLocations = std::span(kLocations).subspan(kShared);

// A plain record seen through the atmosphere record's fields.
AtmosphereFinalShaderProgram widened(const ShaderProgram& record) {
  AtmosphereFinalShaderProgram wide;
  static_cast<ShaderProgram&>(wide) = record;
  return wide;
}
}  // namespace

TEST(RecordsGL, NamesOfTheDepthOfFieldSamplers) {
  const char* expected[] = {"DOFTexture1", "DOFTexture2", "DOFTexture3", "DOFTexture4", "DOFTexture5",
                            "DOFTexture6", "DOFTexture7", "DOFTexture8", "DOFTexture9", "DOFTextureA",
                            "DOFTextureB", "DOFTextureC", "DOFTextureD", "DOFTextureE", "DOFTextureF"};
  char name[12];
  for (int pass = 1; pass <= 15; ++pass) {
    dofTextureName(pass, name);
    EXPECT_STREQ(name, expected[pass - 1]);
  }
  EXPECT_FALSE(ShaderProgram{}.initialized);
}

TEST(RecordsGL, RecordHoldsEachLocationOfTheVocabulary) {
  GLuint program = linkProgram(kFullVertex, kFullFragment);
  const AtmosphereFinalShaderProgram record = widened(buildShaderProgramRecord(program));
  EXPECT_TRUE(record.initialized);
  EXPECT_EQ(record.programID, program);
  for (const auto& [field, name] : kSharedLocations) {
    EXPECT_EQ(record.*field, at(program, name)) << name;
    EXPECT_NE(record.*field, -1) << name;
  }
  for (const auto& [index, name] : {std::pair{0, "DOFTexture1"}, {8, "DOFTexture9"}, {9, "DOFTextureA"},
                                    {14, "DOFTextureF"}}) {
    EXPECT_EQ(record.DOFTextures[index], at(program, name)) << name;
    EXPECT_NE(record.DOFTextures[index], -1) << name;
  }
  // Declared but not in the vocabulary: "DOFTexture0" and two digits.
  GLint zero = at(program, "DOFTexture0"), ten = at(program, "DOFTexture10");
  ASSERT_NE(zero, -1);
  ASSERT_NE(ten, -1);
  for (int k = 0; k < 15; ++k) {
    EXPECT_NE(record.DOFTextures[k], zero);
    EXPECT_NE(record.DOFTextures[k], ten);
    bool declared = k == 0 || k == 8 || k == 9 || k == 14;
    if (!declared) {
      EXPECT_EQ(record.DOFTextures[k], -1) << k;
    }
  }

  AtmosphereFinalShaderProgram atmosphere = buildAtmosphereFinalRecord(program);
  EXPECT_TRUE(atmosphere.initialized);
  EXPECT_EQ(0, memcmp(static_cast<const ShaderProgram*>(&atmosphere)->DOFTextures, record.DOFTextures,
                      sizeof(record.DOFTextures)));
  for (const auto& [field, name] : kSharedLocations) EXPECT_EQ(atmosphere.*field, record.*field) << name;
  for (const auto& [field, name] : kAtmosphereLocations) {
    EXPECT_EQ(atmosphere.*field, at(program, name)) << name;
    EXPECT_NE(atmosphere.*field, -1) << name;
  }

  // bindTextureUnit: the unit made active, the texture bound there, the
  // sampler pointed at it.
  GLuint texture = 0;
  glGenTextures(1, &texture);
  glUseProgram(program);
  atmosphere.bindTextureUnit(5, texture, atmosphere.texturePlanetColor);
  GLint active = 0, bound = 0, unit = -1;
  glGetIntegerv(GL_ACTIVE_TEXTURE, &active);
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
  glGetUniformiv(program, atmosphere.texturePlanetColor, &unit);
  EXPECT_EQ(active, GL_TEXTURE5);
  EXPECT_EQ(static_cast<GLuint>(bound), texture);
  EXPECT_EQ(unit, 5);
  glUseProgram(0);
  glActiveTexture(GL_TEXTURE0);
  glDeleteTextures(1, &texture);
  glDeleteProgram(program);
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST(RecordsGL, ProgramWithoutUniformsGivesMinusOneEverywhere) {
  GLuint program = linkProgram(kPlainVertex, "#version 330 core\nout vec4 c;\nvoid main() { c = vec4(1.0); }\n");
  AtmosphereFinalShaderProgram record = buildAtmosphereFinalRecord(program);
  EXPECT_TRUE(record.initialized);
  EXPECT_EQ(record.programID, program);
  for (const auto& [field, name] : kLocations) EXPECT_EQ(record.*field, -1) << name;
  for (GLint location : record.DOFTextures) EXPECT_EQ(location, -1);
  glDeleteProgram(program);
  gltest::drainErrors();
}
