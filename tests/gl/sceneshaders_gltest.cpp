// The scene's GLSL files on the real driver: they link, they use the uniforms
// the system sets, and the atmosphere composite covers what it must from
// every eye position (inside the shell, grazing it, far away).
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <glm/gtc/matrix_transform.hpp>
#include <glm/gtc/type_ptr.hpp>
#include <string>
#include <tuple>
#include <vector>

#include "gpu/passstate.h"
#include "gpu/shaderbuild.h"
#include "gpu/shaderprogram.h"
#include "gpu/texturefiltering.h"
#include "scene/earthlayers.h"
#include "scene/object.h"
#include "tests/gl/glfixture.h"

namespace {

GLuint buildFromData(const std::string& vertex, const std::string& fragment) {
  const std::string v = ORBISK_SOURCE_DIR "/data/" + vertex, f = ORBISK_SOURCE_DIR "/data/" + fragment;
  GLuint program = 0;
  gltest::capture([&] { program = buildShaderProgram(v.c_str(), f.c_str()); });
  return program;
}

bool linked(GLuint program) {
  GLint status = GL_FALSE;
  if (program != 0) glGetProgramiv(program, GL_LINK_STATUS, &status);
  return status == GL_TRUE;
}

TEST(SceneShaders, EveryProgramLinksAndReadsWhatTheSystemSets) {
  const GLuint shading = buildFromData("vShaderIndexedShading.glsl", "fShaderIndexedShading.glsl");
  ASSERT_TRUE(linked(shading));
  ShaderProgram s = buildShaderProgramRecord(shading);
  // The one program tells Earth, Moon and missile apart through these.
  for (GLint location : {s.MVP, s.M, s.V, s.lightPos_worldspace, s.validityChecker, s.diffuseTexture,
                         s.specularTexture, s.diffuseNightTexture})
    EXPECT_GE(location, 0);

  const GLuint composite = buildFromData("vShaderIndexedShading.glsl", "fShaderIndexedAtmosFinal.glsl");
  ASSERT_TRUE(linked(composite));
  AtmosphereFinalShaderProgram a = buildAtmosphereFinalRecord(composite);
  for (GLint location : {a.MVP, a.M, a.V, a.lightPos_worldspace, a.screenSize, a.texturePlanetColor})
    EXPECT_GE(location, 0);
  // Each pixel's depth comes from its ray: the frame draws no depth image for it.
  EXPECT_EQ(a.textureAtmosDepth, -1);

  const GLuint quad = buildFromData("vShaderPassthrough.glsl", "fShaderQuad.glsl");
  ASSERT_TRUE(linked(quad));
  ShaderProgram q = buildShaderProgramRecord(quad);
  EXPECT_GE(q.diffuseTexture, 0);
  for (int k = 0; k < 15; ++k) EXPECT_GE(q.DOFTextures[k], 0) << "DOFTexture " << k + 1;

  for (auto [v, f] : {std::pair{"vShaderIndexed.glsl", "fShaderIndexed.glsl"},
                      std::pair{"vShaderIndexedShading.glsl", "fShaderIndexedAtmosphere.glsl"},
                      std::pair{"vertexShader.glsl", "fragmentShaderToTexture.glsl"}})
    EXPECT_TRUE(linked(buildFromData(v, f))) << v << " + " << f;
  for (GLuint p : {shading, composite, quad}) glDeleteProgram(p);
}

// The driver keeps compiled shaders on disk and says nothing of a cached one:
// a warning reaches the user's console on the first start only, and never a
// test that runs after another compiled the same source. A define no compile
// before had makes each of these a first compile.
TEST(SceneShaders, TheCompilerHasNothingToSayOfAnyProgramWeBuild) {
  const std::string fresh = "#define FIRST_COMPILE_" +
                            std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()) + "\n";
  std::vector<std::string> sceneDefines;
  for (TextureFiltering path : kTextureFilteringPaths) {
    sceneDefines.push_back(fresh + textureFilteringDefines(path));
    sceneDefines.push_back(fresh + textureFilteringDefines(path) + earthLayerDefines(EarthLayerSwitches()));
  }
  const std::vector<std::string> plain{fresh};
  const std::vector<std::string> composites{fresh, fresh + "#define PASSES 4\n"};
  for (const auto& [v, f, defineSets] :
       {std::tuple{"vShaderIndexedShading.glsl", "fShaderIndexedShading.glsl", sceneDefines},
        std::tuple{"vShaderIndexedShading.glsl", "fShaderIndexedAtmosFinal.glsl", sceneDefines},
        std::tuple{"vShaderIndexedShading.glsl", "fShaderIndexedAtmosphere.glsl", sceneDefines},
        std::tuple{"vShaderIndexed.glsl", "fShaderIndexed.glsl", plain},
        std::tuple{"vertexShader.glsl", "fragmentShaderToTexture.glsl", plain},
        std::tuple{"vShaderPassthrough.glsl", "fShaderQuad.glsl", composites},
        std::tuple{"vShaderSprite.glsl", "fShaderSprite.glsl", plain},
        std::tuple{"vShaderText.glsl", "fShaderText.glsl", plain}})
    for (const std::string& defines : defineSets) {
      const std::string vertex = ORBISK_SOURCE_DIR "/data/" + std::string(v);
      const std::string fragment = ORBISK_SOURCE_DIR "/data/" + std::string(f);
      GLuint program = 0;
      const gltest::Captured said =
          gltest::capture([&] { program = buildShaderProgram(vertex.c_str(), fragment.c_str(), defines); });
      EXPECT_TRUE(linked(program)) << v << " + " << f;
      for (const std::string& text : {said.out, said.err})
        EXPECT_EQ(text.find("warning"), std::string::npos) << v << " + " << f << " with " << defines << ":\n" << text;
      glDeleteProgram(program);
    }
}

// A unit sphere with outward normals, counter-clockwise seen from outside.
TriangleMesh sphereMesh(int rings, int segments) {
  std::vector<glm::vec3> positions, normals;
  std::vector<unsigned int> indices;
  for (int i = 0; i <= rings; ++i) {
    float theta = 3.14159265f * float(i) / float(rings);
    for (int j = 0; j <= segments; ++j) {
      float phi = 6.2831853f * float(j) / float(segments);
      glm::vec3 p(std::sin(theta) * std::cos(phi), std::cos(theta), -std::sin(theta) * std::sin(phi));
      positions.push_back(p);
      normals.push_back(p);
    }
  }
  for (int i = 0; i < rings; ++i)
    for (int j = 0; j < segments; ++j) {
      unsigned int a = i * (segments + 1) + j, b = a + segments + 1;
      indices.insert(indices.end(), {a, b, a + 1, a + 1, b, b + 1});
    }
  TriangleMesh mesh;
  mesh.create(positions, {}, normals, indices);
  return mesh;
}

class Composite : public ::testing::Test {
 protected:
  void SetUp() override {
    program = buildFromData("vShaderIndexedShading.glsl", "fShaderIndexedAtmosFinal.glsl");
    ASSERT_TRUE(linked(program));
    record = buildAtmosphereFinalRecord(program);
    shell.setMesh(sphereMesh(48, 96));
    shell.setModelMatrix(glm::scale(glm::mat4(1.0f), glm::vec3(1.07f)));

    // The planet colour: mid grey; the Earth's depth: 0.5 everywhere.
    std::vector<unsigned char> grey(3 * gltest::kWidth * gltest::kHeight, 128);
    glGenTextures(1, &planetColor);
    glBindTexture(GL_TEXTURE_2D, planetColor);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, gltest::kWidth, gltest::kHeight, 0, GL_RGB, GL_UNSIGNED_BYTE, grey.data());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    std::vector<float> half(gltest::kWidth * gltest::kHeight, 0.5f);
    glGenTextures(1, &atmosDepth);
    glBindTexture(GL_TEXTURE_2D, atmosDepth);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_DEPTH_COMPONENT24, gltest::kWidth, gltest::kHeight, 0, GL_DEPTH_COMPONENT,
                 GL_FLOAT, half.data());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);

    glGenFramebuffers(1, &framebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    glGenTextures(1, &target);
    glBindTexture(GL_TEXTURE_2D, target);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, gltest::kWidth, gltest::kHeight, 0, GL_RGB, GL_UNSIGNED_BYTE, nullptr);
    glFramebufferTexture(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, target, 0);
    glGenRenderbuffers(1, &depth);
    glBindRenderbuffer(GL_RENDERBUFFER, depth);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT24, gltest::kWidth, gltest::kHeight);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, depth);
    ASSERT_EQ(glCheckFramebufferStatus(GL_FRAMEBUFFER), static_cast<GLenum>(GL_FRAMEBUFFER_COMPLETE));
  }
  void TearDown() override {
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glDeleteFramebuffers(1, &framebuffer);
    glDeleteRenderbuffers(1, &depth);
    GLuint textures[] = {target, planetColor, atmosDepth};
    glDeleteTextures(3, textures);
    shell.mesh.release();
    glDeleteProgram(program);
  }

  // One composite draw from eye towards at; the target starts magenta.
  void draw(const glm::vec3& eye, const glm::vec3& at) {
    const glm::mat4 view = glm::lookAt(eye, at, glm::vec3(0.0f, 1.0f, 0.0f));
    const glm::mat4 vp =
        glm::perspective(glm::radians(65.0f), float(gltest::kWidth) / gltest::kHeight, 0.01f, 1.0e6f) * view;
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    glViewport(0, 0, gltest::kWidth, gltest::kHeight);
    glClearColor(1.0f, 0.0f, 1.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    applyPassState(passstate::atmosphereComposite);
    glUseProgram(program);
    glUniformMatrix4fv(record.V, 1, GL_FALSE, glm::value_ptr(view));
    glUniform3f(record.lightPos_worldspace, 40000.0f, 40000.0f, 40000.0f);
    record.bindTextureUnit(3, atmosDepth, record.textureAtmosDepth);
    record.bindTextureUnit(5, planetColor, record.texturePlanetColor);
    glUniform2f(record.screenSize, float(gltest::kWidth), float(gltest::kHeight));
    gltest::drainErrors();
    shell.draw(vp, record);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    pixels.assign(3 * gltest::kWidth * gltest::kHeight, 0);
    depths.assign(gltest::kWidth * gltest::kHeight, 0.0f);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, gltest::kWidth, gltest::kHeight, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
    glReadPixels(0, 0, gltest::kWidth, gltest::kHeight, GL_DEPTH_COMPONENT, GL_FLOAT, depths.data());
  }
  bool untouched(int x, int y) const {
    const unsigned char* p = &pixels[3 * (y * gltest::kWidth + x)];
    return p[0] == 255 && p[1] == 0 && p[2] == 255;
  }
  int untouchedCount() const {
    int n = 0;
    for (int y = 0; y < gltest::kHeight; ++y)
      for (int x = 0; x < gltest::kWidth; ++x) n += untouched(x, y);
    return n;
  }
  float depthAt(int x, int y) const { return depths[y * gltest::kWidth + x]; }

  GLuint program = 0, planetColor = 0, atmosDepth = 0, framebuffer = 0, target = 0, depth = 0;
  AtmosphereFinalShaderProgram record;
  Object shell;
  std::vector<unsigned char> pixels;
  std::vector<float> depths;
};

TEST_F(Composite, FromAfarCoversTheShellsDiscOnly) {
  draw(glm::vec3(0.0f, 0.0f, 3.0f), glm::vec3(0.0f));
  EXPECT_TRUE(untouched(0, 0)) << "outside the shell the stars stay as drawn";
  EXPECT_FALSE(untouched(gltest::kWidth / 2, gltest::kHeight / 2));
  // The Earth's depth where the ray meets it, as the projection puts that
  // point: the Moon behind stays hidden.
  const glm::mat4 vp = glm::perspective(glm::radians(65.0f), float(gltest::kWidth) / gltest::kHeight, 0.01f, 1.0e6f) *
                       glm::lookAt(glm::vec3(0.0f, 0.0f, 3.0f), glm::vec3(0.0f), glm::vec3(0.0f, 1.0f, 0.0f));
  const glm::vec4 front = vp * glm::vec4(0.0f, 0.0f, 1.0f, 1.0f);
  EXPECT_NEAR(depthAt(gltest::kWidth / 2, gltest::kHeight / 2), 0.5f + 0.5f * front.z / front.w, 1e-5f);
}

TEST_F(Composite, ThinAirBeyondTheEarthLeavesRoomBehindIt) {
  // Looking past the limb: the rays miss the Earth but cross the shell.
  draw(glm::vec3(0.0f, 0.0f, 3.0f), glm::vec3(0.0f, 1.035f, 0.0f));
  const int x = gltest::kWidth / 2, y = gltest::kHeight / 2;
  ASSERT_FALSE(untouched(x, y));
  EXPECT_GT(depthAt(x, y), 0.99999f) << "the thin air hides what lies behind it";
  EXPECT_LT(depthAt(x, y), 1.0f) << "the composite failed the depth test against the cleared buffer";
}

TEST_F(Composite, InsideTheShellCoversTheWholeView) {
  // Low orbit, looking along the horizon: every shell face points away.
  draw(glm::vec3(0.0f, 0.0f, 1.03f), glm::vec3(1.0f, 0.0f, 1.0f));
  EXPECT_EQ(untouchedCount(), 0);
  draw(glm::vec3(0.0f, 0.0f, 1.03f), glm::vec3(0.0f, 0.0f, 0.0f));
  EXPECT_EQ(untouchedCount(), 0);
}

TEST_F(Composite, GrazingTheShellLeavesNoNearPlaneHole) {
  // Just outside the shell, nearer to it than the near plane, looking down.
  draw(glm::vec3(0.0f, 0.0f, 1.075f), glm::vec3(0.0f, 0.0f, 0.0f));
  EXPECT_EQ(untouchedCount(), 0);
}

}  // namespace
