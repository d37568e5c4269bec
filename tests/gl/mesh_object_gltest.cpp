// Triangle meshes and scene objects, judged by the GL state they set and the
// pixels they draw.
#include <array>
#include <cstring>
#include <glm/gtc/matrix_transform.hpp>
#include <glm/gtc/type_ptr.hpp>
#include <string>
#include <vector>

#include "scene/object.h"
#include "scene/trianglemesh.h"
#include "tests/gl/glfixture.h"
#include "tests/gl/passstatecheck.h"

namespace {
const char* const kVertexShader =
    "#version 330 core\n"
    "layout(location = 0) in vec3 position;\n"
    "layout(location = 1) in vec2 uv;\n"
    "layout(location = 2) in vec3 normal;\n"
    "uniform mat4 MVP;\n"
    "uniform mat4 M;\n"
    "out vec2 vUv;\n"
    "out vec3 vNormal;\n"
    "void main() {\n"
    "  gl_Position = MVP * vec4(position, 1.0);\n"
    "  vUv = uv;\n"
    "  vNormal = mat3(M) * normal;\n"
    "}\n";
// Red, with every uniform kept alive by a contribution too small to see.
const char* const kFragmentShader =
    "#version 330 core\n"
    "uniform vec2 validityChecker;\n"
    "uniform sampler2D diffuseTexture;\n"
    "uniform sampler2D specularTexture;\n"
    "uniform sampler2D diffuseNightTexture;\n"
    "in vec2 vUv;\n"
    "in vec3 vNormal;\n"
    "out vec4 color;\n"
    "void main() {\n"
    "  vec4 t = texture(diffuseTexture, vUv) + texture(specularTexture, vUv) + texture(diffuseNightTexture, vUv);\n"
    "  color = vec4(1.0, 0.0, 0.0, 1.0) + 0.001 * (t + vec4(validityChecker, vNormal.xy));\n"
    "}\n";

GLuint makeProgram(const char* vs, const char* fs) { return gltest::linkProgram(vs, fs); }

// A triangle that covers the whole viewport, counter-clockwise (front).
const std::vector<glm::vec3> kPositions = {{-1, -1, 0.5f}, {3, -1, 0.5f}, {-1, 3, 0.5f}};
const std::vector<glm::vec2> kUvs = {{0, 0}, {2, 0}, {0, 2}};
const std::vector<glm::vec3> kNormals = {{0, 0, 1}, {0, 0, 1}, {0, 0, 1}};
const std::vector<uint32_t> kIndices = {0, 1, 2};
const std::vector<uint32_t> kClockwise = {0, 2, 1};

GLint integer(GLenum name) {
  GLint value = 0;
  glGetIntegerv(name, &value);
  return value;
}

GLint attribute(GLuint index, GLenum name) {
  GLint value = 0;
  glGetVertexAttribiv(index, name, &value);
  return value;
}

GLuint boundOnUnit(int unit) {
  glActiveTexture(GL_TEXTURE0 + static_cast<GLenum>(unit));
  return static_cast<GLuint>(integer(GL_TEXTURE_BINDING_2D));
}

GLuint makeTexture() {
  GLuint texture = 0;
  glGenTextures(1, &texture);
  glBindTexture(GL_TEXTURE_2D, texture);
  const uint8_t pixel[4] = {0, 0, 255, 255};
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, 1, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixel);
  return texture;
}

// Renders into an offscreen target with its own depth buffer.
class MeshGL : public testing::Test {
 protected:
  void SetUp() override {
    gltest::drainErrors();
    glGenFramebuffers(1, &fbo);
    glGenRenderbuffers(2, renderbuffers);
    glBindRenderbuffer(GL_RENDERBUFFER, renderbuffers[0]);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, gltest::kWidth, gltest::kHeight);
    glBindRenderbuffer(GL_RENDERBUFFER, renderbuffers[1]);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT24, gltest::kWidth, gltest::kHeight);
    glBindFramebuffer(GL_FRAMEBUFFER, fbo);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, renderbuffers[0]);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, renderbuffers[1]);
    ASSERT_EQ(glCheckFramebufferStatus(GL_FRAMEBUFFER), static_cast<GLenum>(GL_FRAMEBUFFER_COMPLETE));
    glViewport(0, 0, gltest::kWidth, gltest::kHeight);
    program = makeProgram(kVertexShader, kFragmentShader);
    glUseProgram(program);
    glDisable(GL_BLEND);
    glDisable(GL_CULL_FACE);
    glDisable(GL_DEPTH_TEST);
    glDepthFunc(GL_LESS);
    clear();
  }
  void TearDown() override {
    glUseProgram(0);
    glDeleteProgram(program);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glDeleteFramebuffers(1, &fbo);
    glDeleteRenderbuffers(2, renderbuffers);
    glDepthFunc(GL_LESS);
    glClearDepth(1.0);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
  }
  // Black colour; depth 0 when the draw must be hidden by a depth test.
  void clear(double depth = 1.0) {
    glClearColor(0, 0, 0, 1);
    glClearDepth(depth);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  }
  bool centreIsRed() {
    std::array<uint8_t, 4> pixel{};
    glReadPixels(gltest::kWidth / 2, gltest::kHeight / 2, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel.data());
    return pixel[0] > 200 && pixel[1] < 20 && pixel[2] < 20;
  }
  TriangleMesh createdMesh(const std::vector<uint32_t>& indices = kIndices, bool withUvs = true) {
    TriangleMesh mesh;
    EXPECT_TRUE(mesh.create(kPositions, withUvs ? kUvs : std::vector<glm::vec2>{}, kNormals, indices));
    return mesh;
  }
  GLuint fbo = 0;
  GLuint renderbuffers[2] = {0, 0};
  GLuint program = 0;
};
}  // namespace

TEST_F(MeshGL, CreateUploadsEachStreamToItsOwnBuffer) {
  TriangleMesh mesh = createdMesh({0, 1, 2, 2, 1, 0});
  EXPECT_TRUE(mesh.created);
  EXPECT_TRUE(mesh.hasUVs);
  EXPECT_EQ(integer(GL_ARRAY_BUFFER_BINDING), static_cast<GLint>(mesh.normalBuffer));
  EXPECT_EQ(integer(GL_ELEMENT_ARRAY_BUFFER_BINDING), static_cast<GLint>(mesh.indexBuffer));
  EXPECT_EQ(gltest::bufferSize(GL_ARRAY_BUFFER, mesh.vertexBuffer), 36);
  EXPECT_EQ(gltest::bufferSize(GL_ARRAY_BUFFER, mesh.uvBuffer), 24);
  EXPECT_EQ(gltest::bufferSize(GL_ARRAY_BUFFER, mesh.normalBuffer), 36);
  EXPECT_EQ(gltest::bufferSize(GL_ELEMENT_ARRAY_BUFFER, mesh.indexBuffer), 24);
  std::array<float, 3> second{};
  glBindBuffer(GL_ARRAY_BUFFER, mesh.vertexBuffer);
  glGetBufferSubData(GL_ARRAY_BUFFER, 12, 12, second.data());
  EXPECT_EQ(second, (std::array<float, 3>{3, -1, 0.5f}));
  EXPECT_EQ(mesh.vertices, kPositions);
  EXPECT_EQ(mesh.indices.size(), 6u);
  mesh.release();

  TriangleMesh plain = createdMesh(kIndices, false);
  EXPECT_FALSE(plain.hasUVs);
  EXPECT_EQ(plain.uvBuffer, 0u);
  EXPECT_TRUE(glIsBuffer(plain.vertexBuffer) && glIsBuffer(plain.normalBuffer) && glIsBuffer(plain.indexBuffer));
  plain.release();
}

TEST_F(MeshGL, EmptyPositionsOrNormalsMakeNothing) {
  GLuint before = 0, after = 0;
  glGenBuffers(1, &before);
  TriangleMesh mesh;
  bool created = true;
  gltest::Captured output = gltest::capture([&] {
    created = mesh.create({}, kUvs, kNormals, kIndices);
    created = created || mesh.create(kPositions, kUvs, {}, kIndices);
  });
  glGenBuffers(1, &after);
  EXPECT_FALSE(created);
  EXPECT_EQ(output.err, "WARNING: vertices- or normals- collection was empty!\n"
                        "WARNING: vertices- or normals- collection was empty!\n");
  EXPECT_EQ(after, before + 1) << "a buffer name was generated";
  EXPECT_FALSE(mesh.created);
  EXPECT_EQ(mesh.vertexBuffer + mesh.uvBuffer + mesh.normalBuffer + mesh.indexBuffer, 0u);
  EXPECT_TRUE(mesh.uvs.empty());
  glDeleteBuffers(1, &before);
  glDeleteBuffers(1, &after);
}

TEST_F(MeshGL, DrawFeedsTheStreamsAndDisablesThemAfter) {
  TriangleMesh mesh = createdMesh();
  glm::mat4 identity(1.0f);
  glUniformMatrix4fv(glGetUniformLocation(program, "MVP"), 1, GL_FALSE, glm::value_ptr(identity));
  glEnableVertexAttribArray(1);  // also disabled after a draw that did not use it
  mesh.draw();
  EXPECT_TRUE(centreIsRed());
  for (GLuint index : {0u, 1u, 2u}) EXPECT_EQ(attribute(index, GL_VERTEX_ATTRIB_ARRAY_ENABLED), GL_FALSE);
  EXPECT_EQ(attribute(0, GL_VERTEX_ATTRIB_ARRAY_BUFFER_BINDING), static_cast<GLint>(mesh.vertexBuffer));
  EXPECT_EQ(attribute(1, GL_VERTEX_ATTRIB_ARRAY_BUFFER_BINDING), static_cast<GLint>(mesh.uvBuffer));
  EXPECT_EQ(attribute(2, GL_VERTEX_ATTRIB_ARRAY_BUFFER_BINDING), static_cast<GLint>(mesh.normalBuffer));
  EXPECT_EQ(attribute(2, GL_VERTEX_ATTRIB_ARRAY_SIZE), 3);
  EXPECT_EQ(attribute(1, GL_VERTEX_ATTRIB_ARRAY_SIZE), 2);
  EXPECT_EQ(integer(GL_ARRAY_BUFFER_BINDING), static_cast<GLint>(mesh.normalBuffer));
  EXPECT_EQ(integer(GL_ELEMENT_ARRAY_BUFFER_BINDING), static_cast<GLint>(mesh.indexBuffer));
  mesh.release();

  // Without texture coordinates attribute 1 is left unfed.
  TriangleMesh plain = createdMesh(kIndices, false);
  glVertexAttribPointer(1, 4, GL_FLOAT, GL_FALSE, 0, nullptr);
  clear();
  plain.draw();
  EXPECT_TRUE(centreIsRed());
  EXPECT_EQ(attribute(1, GL_VERTEX_ATTRIB_ARRAY_SIZE), 4);
  EXPECT_EQ(attribute(1, GL_VERTEX_ATTRIB_ARRAY_ENABLED), GL_FALSE);
  plain.release();

  // No indices: created, and a draw of nothing.
  TriangleMesh empty = createdMesh({});
  EXPECT_TRUE(empty.created);
  EXPECT_EQ(gltest::bufferSize(GL_ELEMENT_ARRAY_BUFFER, empty.indexBuffer), 0);
  clear();
  empty.draw();
  EXPECT_FALSE(centreIsRed());
  empty.release();
}

TEST_F(MeshGL, CopiesShareBuffersAndReleaseIsOnceOnly) {
  glm::mat4 identity(1.0f);
  glUniformMatrix4fv(glGetUniformLocation(program, "MVP"), 1, GL_FALSE, glm::value_ptr(identity));
  TriangleMesh copy;
  {
    TriangleMesh first = createdMesh();
    copy = first;
  }
  EXPECT_TRUE(glIsBuffer(copy.vertexBuffer));
  copy.draw();
  EXPECT_TRUE(centreIsRed());

  GLuint names[4] = {copy.vertexBuffer, copy.uvBuffer, copy.normalBuffer, copy.indexBuffer};
  copy.release();
  for (GLuint name : names) EXPECT_FALSE(glIsBuffer(name));
  EXPECT_FALSE(copy.created || copy.hasUVs);
  EXPECT_TRUE(copy.vertices.empty() && copy.normals.empty() && copy.uvs.empty() && copy.indices.empty());
  EXPECT_EQ(copy.vertexBuffer + copy.uvBuffer + copy.normalBuffer + copy.indexBuffer, 0u);

  // A name freed by the first release may come back for someone else; the
  // second release must not delete it.
  GLuint other = 0;
  glGenBuffers(1, &other);
  glBindBuffer(GL_ARRAY_BUFFER, other);
  glBufferData(GL_ARRAY_BUFFER, 4, nullptr, GL_STATIC_DRAW);
  copy.release();
  EXPECT_TRUE(glIsBuffer(other));
  glDeleteBuffers(1, &other);

  clear();
  copy.draw();
  EXPECT_FALSE(centreIsRed());
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(MeshGL, ObjectFlagsDecideTheDrawOverPoisonedState) {
  // A back-facing triangle behind a depth of 0: only an object without depth
  // test and culling (the star cube) shows, whatever the state before.
  Object object;
  object.setMesh(createdMesh(kClockwise));
  object.setShaderProgram(buildShaderProgramRecord(program));
  for (bool flags : {true, false}) {
    object.setDepthTest(flags);
    object.setCulling(flags);
    clear(0.0);
    gltest::poisonPassState();
    applyPassState(object.stateIn(passstate::environment));
    object.draw(glm::mat4(1.0f));
    EXPECT_EQ(centreIsRed(), !flags) << (flags ? "depth-tested and culled" : "drawn through");
  }
  gltest::resetPassState();
  object.mesh.release();
}

TEST_F(MeshGL, ObjectBindsEveryTextureItsProgramSamples) {
  ShaderProgram record = buildShaderProgramRecord(program);
  GLuint sentinel[3] = {makeTexture(), makeTexture(), makeTexture()};
  GLuint diffuse = makeTexture(), specular = makeTexture(), night = makeTexture();
  // The textures and samplers an object drawn before would leave.
  auto poisonUnits = [&] {
    for (int unit = 0; unit < 3; ++unit) {
      glActiveTexture(GL_TEXTURE0 + static_cast<GLenum>(unit));
      glBindTexture(GL_TEXTURE_2D, sentinel[unit]);
    }
    glUniform1i(record.diffuseTexture, 7);
    glUniform1i(record.specularTexture, 7);
    glUniform1i(record.diffuseNightTexture, 7);
  };
  auto uniformInt = [&](GLint location) {
    GLint value = -1;
    glGetUniformiv(program, location, &value);
    return value;
  };
  auto validity = [&] {
    std::array<float, 2> value{};
    glGetUniformfv(program, record.validityChecker, value.data());
    return value;
  };

  // What an object lacks is no texture at all (the validity flags tell the
  // shader), never the texture of the object before.
  Object diffuseOnly;
  diffuseOnly.setDiffuseTexture(diffuse);
  diffuseOnly.setMesh(createdMesh());
  diffuseOnly.setShaderProgram(record);
  Object noDiffuse;
  noDiffuse.setSpecularTexture(specular);
  noDiffuse.setNightTexture(night);
  noDiffuse.setMesh(createdMesh());
  noDiffuse.setShaderProgram(record);
  struct Case {
    Object* object;
    std::array<float, 2> validity;
    std::array<GLuint, 3> units;
  };
  for (const Case& c : {Case{&diffuseOnly, {0, 0}, {diffuse, 0, 0}}, Case{&noDiffuse, {1, 1}, {0, specular, night}}}) {
    poisonUnits();
    c.object->draw(glm::mat4(1.0f));
    EXPECT_EQ(validity(), c.validity);
    for (int unit = 0; unit < 3; ++unit) EXPECT_EQ(boundOnUnit(unit), c.units[unit]) << "unit " << unit;
    EXPECT_EQ(uniformInt(record.diffuseTexture), 0);
    EXPECT_EQ(uniformInt(record.specularTexture), 1);
    EXPECT_EQ(uniformInt(record.diffuseNightTexture), 2);
  }

  // A program without those samplers (the atmosphere composite, whose
  // images sit on units 1 and 2) has its units left alone.
  const GLuint plain = makeProgram(kVertexShader,
                                   "#version 330 core\nout vec4 color;\nvoid main() { color = vec4(1.0); }\n");
  poisonUnits();
  glUseProgram(plain);
  noDiffuse.draw(glm::mat4(1.0f), buildShaderProgramRecord(plain));
  for (int unit = 0; unit < 3; ++unit) EXPECT_EQ(boundOnUnit(unit), sentinel[unit]) << "unit " << unit;
  glUseProgram(program);
  glDeleteProgram(plain);

  // destroy frees the mesh, the program in the record and every texture the
  // object has, and nothing else.
  GLuint vertexBuffer = diffuseOnly.mesh.vertexBuffer;
  GLuint own = makeProgram(kVertexShader, kFragmentShader);
  diffuseOnly.setShaderProgram(buildShaderProgramRecord(own));
  noDiffuse.setShaderProgram(ShaderProgram{});
  diffuseOnly.destroy();
  noDiffuse.destroy();
  EXPECT_FALSE(glIsBuffer(vertexBuffer));
  EXPECT_FALSE(glIsProgram(own));
  EXPECT_FALSE(glIsTexture(diffuse));
  EXPECT_FALSE(glIsTexture(specular));
  EXPECT_FALSE(glIsTexture(night));
  EXPECT_TRUE(glIsProgram(program));
  for (GLuint t : sentinel) EXPECT_TRUE(glIsTexture(t));
  glDeleteTextures(3, sentinel);
}

TEST_F(MeshGL, ObjectDrawnWithAnotherRecordSetsThatRecordsUniforms) {
  // A second program whose uniforms sit at other locations.
  if (!GLEW_ARB_explicit_uniform_location) GTEST_SKIP() << "no explicit uniform locations";
  std::string otherVs = std::string(kVertexShader);
  otherVs.replace(otherVs.find("layout"), 0, "#extension GL_ARB_explicit_uniform_location : require\n");
  otherVs.replace(otherVs.find("uniform mat4 MVP;"), 17, "layout(location = 20) uniform mat4 MVP;");
  otherVs.replace(otherVs.find("uniform mat4 M;"), 15, "layout(location = 30) uniform mat4 M;");
  GLuint other = makeProgram(otherVs.c_str(), kFragmentShader);
  ShaderProgram own = buildShaderProgramRecord(program), theirs = buildShaderProgramRecord(other);
  ASSERT_EQ(theirs.MVP, 20);
  ASSERT_EQ(theirs.M, 30);

  Object object;
  object.setMesh(createdMesh());
  object.setShaderProgram(own);
  glm::mat4 model = glm::translate(glm::mat4(1.0f), glm::vec3(0.25f, 0, 0));
  glm::mat4 vp = glm::scale(glm::mat4(1.0f), glm::vec3(2, 2, 1));
  object.setModelMatrix(model);
  glUseProgram(other);
  object.draw(vp, theirs);
  std::array<float, 16> mvp{}, m{};
  glGetUniformfv(other, theirs.MVP, mvp.data());
  glGetUniformfv(other, theirs.M, m.data());
  glm::mat4 expected = vp * model;
  EXPECT_EQ(0, memcmp(mvp.data(), glm::value_ptr(expected), sizeof(mvp)));
  EXPECT_EQ(0, memcmp(m.data(), glm::value_ptr(model), sizeof(m)));
  glUseProgram(program);
  glGetUniformfv(program, own.MVP, mvp.data());
  EXPECT_EQ(mvp, (std::array<float, 16>{})) << "own program touched";
  glUseProgram(0);
  glDeleteProgram(other);
  glDisable(GL_DEPTH_TEST);
  object.mesh.release();
}

TEST_F(MeshGL, PathObjectTouchesNoGL) {
  LineMesh line;
  gltest::capture([&] { line.build({{1, 2, 3}, {4, 5, 6}}, {1, 2}); });
  Object path;
  path.setLineMesh(line);
  ASSERT_TRUE(path.isPath());
  GLuint texture = makeTexture();
  path.setDiffuseTexture(texture);
  path.setSpecularTexture(texture);
  path.setNightTexture(texture);
  TriangleMesh ignored = createdMesh();
  path.setMesh(ignored);
  path.setShaderProgram(buildShaderProgramRecord(program));
  path.setCulling(false);
  EXPECT_FALSE(path.hasDiffuseTexture || path.hasSpecularTexture || path.hasNightTexture);
  EXPECT_FALSE(path.mesh.created);
  EXPECT_EQ(path.getShaderProgram().programID, 0u);
  EXPECT_FALSE(path.cullingDisabled);
  glm::mat4 model = glm::translate(glm::mat4(1.0f), glm::vec3(1, 2, 3));
  path.setModelMatrix(model);
  path.setDepthTest(false);
  EXPECT_EQ(path.getModelMatrix(), model);
  EXPECT_FALSE(path.depthTest);

  // Without a current program any uniform upload is an error: a triangle
  // object shows it, a path object must not.
  Object triangle;
  triangle.setMesh(createdMesh());
  triangle.setShaderProgram(buildShaderProgramRecord(program));
  glUseProgram(0);
  triangle.draw(glm::mat4(1.0f));
  EXPECT_NE(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
  gltest::drainErrors();
  glDisable(GL_DEPTH_TEST);
  glActiveTexture(GL_TEXTURE0);
  path.draw(glm::mat4(1.0f));
  path.draw(glm::mat4(1.0f), buildShaderProgramRecord(program));
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
  EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
  EXPECT_EQ(integer(GL_ACTIVE_TEXTURE), GL_TEXTURE0);

  path.destroy();
  EXPECT_EQ(path.lineMesh.pointCount(), 0u);
  EXPECT_TRUE(path.lineMesh.points.empty());
  EXPECT_TRUE(glIsTexture(texture));
  EXPECT_TRUE(glIsProgram(program));
  glDeleteTextures(1, &texture);
  triangle.mesh.release();
  ignored.release();
  glUseProgram(program);
}
