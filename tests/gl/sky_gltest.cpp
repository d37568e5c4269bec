// The shipped atmosphere shaders on the real driver against the brute-force
// reference of every order of scattering: the displayed value of the ray
// through the centre of a tiny view, at a limb, a ray grazing the Earth's
// shadow, rays from inside the shell, and the ground of albedo 0.3 seen
// through the air.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <glm/gtc/matrix_transform.hpp>
#include <glm/gtc/type_ptr.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "loaders/shaderloader.h"
#include "render/atmospheremodel.h"
#include "render/shaderprogram.h"
#include "render/skytextures.h"
#include "scene/object.h"
#include "tests/gl/glfixture.h"
#include "tests/skyreference.h"

namespace {

// Odd, so that the centre pixel's ray is the view direction itself.
constexpr int kSize = 9;

std::string readData(const std::string& name) {
  std::ifstream in(ORBISK_SOURCE_DIR "/data/" + name);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// The file the atmosphere's constants are read from.
const char* kAtmosphereSource = "fShaderIndexedAtmosFinal.glsl";

GLuint buildFromData(const std::string& vertex, const std::string& fragment) {
  const std::string v = ORBISK_SOURCE_DIR "/data/" + vertex, f = ORBISK_SOURCE_DIR "/data/" + fragment;
  GLuint program = 0;
  gltest::capture([&] { program = buildShaderProgram(v.c_str(), f.c_str()); });
  return program;
}

TriangleMesh unitSphere(int rings, int segments) {
  std::vector<glm::vec3> positions;
  std::vector<glm::vec2> uvs;
  std::vector<unsigned int> indices;
  for (int i = 0; i <= rings; ++i)
    for (int j = 0; j <= segments; ++j) {
      const float theta = 3.14159265f * float(i) / float(rings), phi = 6.2831853f * float(j) / float(segments);
      positions.emplace_back(std::sin(theta) * std::cos(phi), std::cos(theta), -std::sin(theta) * std::sin(phi));
      uvs.emplace_back(float(j) / float(segments), float(i) / float(rings));
    }
  for (int i = 0; i < rings; ++i)
    for (int j = 0; j < segments; ++j) {
      const unsigned int a = i * (segments + 1) + j, b = a + segments + 1;
      indices.insert(indices.end(), {a, b, a + 1, a + 1, b, b + 1});
    }
  TriangleMesh mesh;
  mesh.create(positions, uvs, positions, indices);
  return mesh;
}

GLuint colourTarget(GLenum format, GLenum type) {
  GLuint texture = 0;
  glGenTextures(1, &texture);
  glBindTexture(GL_TEXTURE_2D, texture);
  glTexImage2D(GL_TEXTURE_2D, 0, format == GL_DEPTH_COMPONENT ? GL_DEPTH_COMPONENT24 : GL_RGB, kSize, kSize, 0,
               format, type, nullptr);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  return texture;
}

class Sky : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string problem;
    model.shellRadius = 1.07;
    // Until the shaders' shared constants name them, the tone curve's and
    // the ground's values come from here.
    ASSERT_TRUE(parseAtmosphereModel(readData(kAtmosphereSource) +
                                         "const float groundAlbedo = 0.3;\nconst float shoulderStart = 0.8;\n"
                                         "const float displayGamma = 2.2;\nconst vec2 shadowEdge = vec2(0.994, 1.0);\n",
                                     model, problem))
        << problem;
    tables = makeSkyTextures(buildSkyTables(model));
    composite = buildFromData("vShaderIndexedShading.glsl", "fShaderIndexedAtmosFinal.glsl");
    shading = buildFromData("vShaderIndexedShading.glsl", "fShaderIndexedShading.glsl");
    ASSERT_NE(composite, 0u);
    ASSERT_NE(shading, 0u);
    compositeRecord = buildAtmosphereFinalRecord(composite);
    shadingRecord = buildShaderProgramRecord(shading);
    const TriangleMesh sphere = unitSphere(64, 128);
    shell.setMesh(sphere);
    shell.setModelMatrix(glm::scale(glm::mat4(1.0f), glm::vec3(1.07f)));
    earth.setMesh(sphere);

    // A grey ground of albedo 0.3 in the texture's sRGB-like encoding.
    const unsigned char grey[3] = {148, 148, 148};
    glGenTextures(1, &greyTexture);
    glBindTexture(GL_TEXTURE_2D, greyTexture);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 1, 1, 0, GL_RGB, GL_UNSIGNED_BYTE, grey);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    earth.setDiffuseTexture(greyTexture);

    planetColour = colourTarget(GL_RGB, GL_UNSIGNED_BYTE);
    planetDepth = colourTarget(GL_DEPTH_COMPONENT, GL_FLOAT);
    target = colourTarget(GL_RGB, GL_UNSIGNED_BYTE);
    targetDepth = colourTarget(GL_DEPTH_COMPONENT, GL_FLOAT);
    glGenFramebuffers(1, &planetFramebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, planetFramebuffer);
    glFramebufferTexture(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, planetColour, 0);
    glFramebufferTexture(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, planetDepth, 0);
    ASSERT_EQ(glCheckFramebufferStatus(GL_FRAMEBUFFER), static_cast<GLenum>(GL_FRAMEBUFFER_COMPLETE));
    glGenFramebuffers(1, &framebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    glFramebufferTexture(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, target, 0);
    glFramebufferTexture(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, targetDepth, 0);
    ASSERT_EQ(glCheckFramebufferStatus(GL_FRAMEBUFFER), static_cast<GLenum>(GL_FRAMEBUFFER_COMPLETE));
  }
  void TearDown() override {
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glViewport(0, 0, gltest::kWidth, gltest::kHeight);
    GLuint framebuffers[] = {framebuffer, planetFramebuffer};
    glDeleteFramebuffers(2, framebuffers);
    GLuint textures[] = {target, targetDepth, planetColour, planetDepth, greyTexture};
    glDeleteTextures(5, textures);
    shell.mesh.release();
    destroySkyTextures(tables);
    glUseProgram(0);
    glDeleteProgram(composite);
    glDeleteProgram(shading);
  }

  // The displayed colour of the ray from eye along dir, as the two passes
  // draw it: the Earth's shading into the planet image, then the composite.
  glm::vec3 displayed(glm::dvec3 eye, glm::dvec3 dir) {
    const glm::vec3 e(eye), d(glm::normalize(dir));
    const glm::vec3 up = std::fabs(d.y) < 0.9f ? glm::vec3(0, 1, 0) : glm::vec3(1, 0, 0);
    const glm::mat4 view = glm::lookAt(e, e + d, up);
    const glm::mat4 vp = glm::perspective(glm::radians(1.0f), 1.0f, 0.001f, 100.0f) * view;
    glViewport(0, 0, kSize, kSize);
    glDisable(GL_SCISSOR_TEST);
    glDisable(GL_BLEND);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glDepthMask(GL_TRUE);

    glBindFramebuffer(GL_FRAMEBUFFER, planetFramebuffer);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_CULL_FACE);
    glCullFace(GL_BACK);
    bindSkyTextures(tables, shading);
    glUniformMatrix4fv(shadingRecord.V, 1, GL_FALSE, glm::value_ptr(view));
    glUniform3f(shadingRecord.lightPos_worldspace, 40000.0f, 40000.0f, 40000.0f);
    earth.draw(vp, shadingRecord);

    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_CULL_FACE);
    glCullFace(GL_BACK);
    bindSkyTextures(tables, composite);
    glUniformMatrix4fv(compositeRecord.V, 1, GL_FALSE, glm::value_ptr(view));
    glUniform3f(compositeRecord.lightPos_worldspace, 40000.0f, 40000.0f, 40000.0f);
    compositeRecord.bindTextureUnit(3, planetDepth, compositeRecord.textureAtmosDepth);
    compositeRecord.bindTextureUnit(5, planetColour, compositeRecord.texturePlanetColor);
    glUniform2f(compositeRecord.screenSize, float(kSize), float(kSize));
    shell.draw(vp, compositeRecord);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    unsigned char rgb[3] = {0, 0, 0};
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(kSize / 2, kSize / 2, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, rgb);
    return glm::vec3(rgb[0], rgb[1], rgb[2]);
  }

  AtmosphereModel model;
  SkyTextures tables;
  GLuint composite = 0, shading = 0, greyTexture = 0;
  GLuint planetColour = 0, planetDepth = 0, target = 0, targetDepth = 0, framebuffer = 0, planetFramebuffer = 0;
  AtmosphereFinalShaderProgram compositeRecord;
  ShaderProgram shadingRecord;
  Object shell, earth;
};

struct Ray {
  const char* what;
  glm::dvec3 eye, dir;
  double tolerance;  // display units, per channel
};

// A ray that passes the centre at `closest` radii, at the point towards `at`.
Ray tangent(const char* what, glm::dvec3 at, glm::dvec3 along, double closest, double tolerance) {
  at = glm::normalize(at);
  along = glm::normalize(along - at * glm::dot(along, at));
  return {what, at * closest - along * 3.0, along, tolerance};
}

// NOTE: disabled until the shaders read the tables: today's single
// scattering misses every one of these by more than the tolerance.
TEST_F(Sky, DISABLED_ShowsEveryOrderOfScatteringAtTheRaysThatNeedIt) {
  const glm::dvec3 sun = glm::normalize(glm::dvec3(1.0));
  const glm::dvec3 across = glm::normalize(glm::cross(sun, glm::dvec3(0, 0, 1)));
  const glm::dvec3 day = glm::normalize(glm::dvec3(2.0, 2.35, 1.55));
  const glm::dvec3 dayLimb = glm::cross(day, glm::cross(day, glm::dvec3(0, 0, 1)));
  const double shadowAngle = 93.0 * M_PI / 180.0;
  const glm::dvec3 inside(0.6, 0.6, 0.6);
  const glm::dvec3 up = glm::normalize(inside);
  const glm::dvec3 level = glm::normalize(glm::dvec3(-0.4, 0.3, -0.1) - up * glm::dot(glm::dvec3(-0.4, 0.3, -0.1), up));
  const double horizon = -std::acos(1.0 / glm::length(inside));
  auto fromInside = [&](const char* what, double elevation, double tolerance) {
    const double e = horizon + elevation;
    return Ray{what, inside, level * std::cos(e) + up * std::sin(e), tolerance};
  };
  const Ray rays[] = {
      tangent("the day limb", dayLimb, -day, 1.004, 4.0),
      tangent("grazing the Earth's shadow", sun * std::cos(shadowAngle) + glm::cross(across, sun) * std::sin(shadowAngle),
              across, 1.006, 4.0),
      fromInside("inside the shell, just above the horizon", 0.03, 4.0),
      fromInside("inside the shell, higher", 0.3, 4.0),
      fromInside("the ground from inside the shell", -0.05, 5.0),
      tangent("the ground below the day limb", dayLimb, -day, 0.9, 5.0),
  };
  const skyref::Reference reference(model, sun);
  for (const Ray& ray : rays) {
    const Rgb all = reference.trace(ray.eye, ray.dir, 1500, 3).all();
    const glm::vec3 shown = displayed(ray.eye, ray.dir);
    for (int c = 0; c < 3; ++c)
      EXPECT_NEAR(shown[c], displayValue(model, all[c]), ray.tolerance) << ray.what << ", channel " << c;
  }
}

}  // namespace
