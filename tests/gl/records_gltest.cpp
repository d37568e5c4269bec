// Shader program records built from real linked programs.
#include <cstring>
#include <string>

#include "render/shaderprogram.h"
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
  ShaderProgram record = buildShaderProgramRecord(program);
  EXPECT_TRUE(record.initialized);
  EXPECT_EQ(record.programID, program);
  EXPECT_EQ(record.MVP, at(program, "MVP"));
  EXPECT_EQ(record.V, at(program, "V"));
  EXPECT_EQ(record.M, at(program, "M"));
  EXPECT_EQ(record.lightPos_worldspace, at(program, "lightPos_worldspace"));
  EXPECT_EQ(record.validityChecker, at(program, "validityChecker"));
  EXPECT_EQ(record.diffuseTexture, at(program, "diffuseTexture"));
  EXPECT_EQ(record.specularTexture, at(program, "specularTexture"));
  EXPECT_EQ(record.diffuseNightTexture, at(program, "diffuseNightTexture"));
  EXPECT_EQ(record.DOFSamples, at(program, "DOFSamples"));
  EXPECT_EQ(record.DOFTextures[0], at(program, "DOFTexture1"));
  EXPECT_EQ(record.DOFTextures[8], at(program, "DOFTexture9"));
  EXPECT_EQ(record.DOFTextures[9], at(program, "DOFTextureA"));
  EXPECT_EQ(record.DOFTextures[14], at(program, "DOFTextureF"));
  for (GLint location : {record.MVP, record.V, record.M, record.validityChecker, record.DOFTextures[0],
                         record.DOFTextures[9], record.DOFTextures[14]})
    EXPECT_NE(location, -1);
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
  EXPECT_EQ(atmosphere.MVP, record.MVP);
  EXPECT_EQ(atmosphere.texturePlanetColor, at(program, "texturePlanetColor"));
  EXPECT_EQ(atmosphere.texturePlanetDepth, at(program, "texturePlanetDepth"));
  EXPECT_EQ(atmosphere.textureAtmosDepth, at(program, "textureAtmosDepth"));
  EXPECT_EQ(atmosphere.textureShadowBack, at(program, "textureShadowBack"));
  EXPECT_EQ(atmosphere.textureShadowFront, at(program, "textureShadowFront"));
  EXPECT_EQ(atmosphere.screenSize, at(program, "screenSize"));
  EXPECT_NE(atmosphere.screenSize, -1);

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
  GLint all[] = {record.MVP,
                 record.V,
                 record.M,
                 record.lightPos_worldspace,
                 record.validityChecker,
                 record.diffuseTexture,
                 record.specularTexture,
                 record.diffuseNightTexture,
                 record.DOFSamples,
                 record.texturePlanetColor,
                 record.texturePlanetDepth,
                 record.textureAtmosDepth,
                 record.textureShadowBack,
                 record.textureShadowFront,
                 record.screenSize};
  for (GLint location : all) EXPECT_EQ(location, -1);
  for (GLint location : record.DOFTextures) EXPECT_EQ(location, -1);
  glDeleteProgram(program);
  gltest::drainErrors();
}
