// One pass of the scene with stand-in objects: which target each step fills,
// with which cull face, whatever state the pass starts from.
#include "render/renderscene.h"

#include <string>
#include <utility>
#include <vector>

#include "tests/gl/passstatecheck.h"
#include "tests/gl/targetsfixture.h"

namespace {

// A program that ignores the matrices: corners are given in clip space.
GLuint flatProgram(const std::string& fragmentBody) {
  return gltest::linkProgram(
      "#version 330 core\nlayout(location=0) in vec3 p;\nuniform mat4 MVP;\n"
      "void main(){ gl_Position = vec4(p, 1.0) + 0.0 * MVP[0]; }\n",
      "#version 330 core\nout vec3 color;\n" + fragmentBody);
}

// A counter-clockwise (front-facing) quad over the whole view at depth z.
Object* quadObject(float z, GLuint program) {
  Object* object = new Object();
  TriangleMesh mesh;
  mesh.create({{-1, -1, z}, {1, -1, z}, {1, 1, z}, {-1, 1, z}}, {}, {{0, 0, 1}, {0, 0, 1}, {0, 0, 1}, {0, 0, 1}},
              {0, 1, 2, 0, 2, 3});
  object->setMesh(mesh);
  object->setShaderProgram(buildShaderProgramRecord(program));
  return object;
}

float depthAt(GLuint framebuffer) {
  glBindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer);
  float depth = -1.0f;
  glReadPixels(gltest::kWidth / 2, gltest::kHeight / 2, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &depth);
  return depth;
}

void colourAt(GLuint framebuffer, unsigned char rgb[3]) {
  glBindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(gltest::kWidth / 2, gltest::kHeight / 2, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, rgb);
}

using RenderScene = gltest::TargetsTest;

TEST_F(RenderScene, FillsEachTargetWithItsCullFaceWhateverTheStateBefore) {
  scene.envCube = quadObject(0.9f, flatProgram("void main(){ color = vec3(0.0, 0.0, 1.0); }"));
  scene.envCube->setDepthTest(false);
  scene.envCube->setCulling(false);
  scene.earth = quadObject(0.2f, flatProgram("void main(){ color = vec3(0.0, 1.0, 0.0); }"));
  scene.atmosphere = quadObject(0.5f, flatProgram("void main(){ color = vec3(1.0); }"));
  scene.shadowCone = quadObject(-0.4f, flatProgram("void main(){ color = vec3(1.0); }"));
  // A composite that samples the shadow images and the Earth's depth, so
  // that the frame draws them (the term added is zero unless both shadow
  // images are empty at the pixel; a depth is never below -1).
  scene.atmosphereFinalProgram = buildAtmosphereFinalRecord(flatProgram(
      "uniform sampler2D texturePlanetColor, textureShadowBack, textureShadowFront, textureAtmosDepth;\n"
      "uniform vec2 screenSize;\n"
      "void main(){ vec2 uv = gl_FragCoord.xy / screenSize;\n"
      "  float empty = step(2.0, texture(textureShadowBack, uv).r + texture(textureShadowFront, uv).r);\n"
      "  color = texture(texturePlanetColor, uv).rgb * step(-1.0, texture(textureAtmosDepth, uv).r)\n"
      "          + vec3(0.5, 0.0, 0.0) + vec3(0.0, 0.0, empty); }"));
  scene.objectList.clear();

  glBindFramebuffer(GL_FRAMEBUFFER, targets.framebufferDOF[3]);
  glViewport(0, 0, windowWidth, windowHeight);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  gltest::drainErrors();
  gltest::poisonPassState();
  renderScene(scene, targets, SkyTextures(), AirTable(), 3);
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));

  // The sun glow drawn next reads the pass target's depth back.
  GLint bound = 0;
  glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &bound);
  EXPECT_EQ(static_cast<GLuint>(bound), targets.framebufferDOF[3]);

  // Front faces are culled for the back-side images, back faces otherwise:
  // the front-facing cone quad reaches only the front-side shadow image.
  EXPECT_FLOAT_EQ(depthAt(targets.framebufferBackSideShadow), 1.0f);
  EXPECT_NEAR(depthAt(targets.framebufferFrontSideShadow), 0.3f, 1e-3f);
  // The atmosphere's front-facing quad is culled there too; the Earth stays.
  EXPECT_NEAR(depthAt(targets.framebufferBackSideAtmosphere), 0.6f, 1e-3f);

  unsigned char rgb[3];
  colourAt(targets.framebufferPlanetColor, rgb);
  EXPECT_EQ(rgb[0], 0);
  EXPECT_EQ(rgb[1], 255) << "the Earth is painted over the cube";
  EXPECT_EQ(rgb[2], 0);
  colourAt(targets.framebufferDOF[3], rgb);
  EXPECT_NEAR(rgb[0], 128, 1);
  EXPECT_EQ(rgb[1], 255) << "the composite shows the planet colour";
  EXPECT_EQ(rgb[2], 0);

  // Listed objects on one program that samples the specular texture even
  // where an object has none: the second object must not show the first's.
  const GLuint shared = flatProgram("uniform sampler2D specularTexture;\n"
                                    "void main(){ color = texture(specularTexture, vec2(0.5)).rgb; }");
  Object* first = quadObject(0.1f, shared);
  GLuint white = 0;
  glGenTextures(1, &white);
  glBindTexture(GL_TEXTURE_2D, white);
  const unsigned char texel[4] = {255, 255, 255, 255};
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, 1, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, texel);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  first->setSpecularTexture(white);
  Object* second = quadObject(0.0f, shared);
  for (const auto& [objects, want] : {std::pair{std::vector<Object*>{first}, 255},
                                      std::pair{std::vector<Object*>{first, second}, 0}}) {
    scene.objectList = objects;
    glBindFramebuffer(GL_FRAMEBUFFER, targets.framebufferDOF[3]);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    gltest::poisonPassState();
    renderScene(scene, targets, SkyTextures(), AirTable(), 3);
    colourAt(targets.framebufferDOF[3], rgb);
    EXPECT_EQ(rgb[0], want) << objects.size() << " listed objects";
  }
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
  gltest::resetPassState();
}

TEST_F(RenderScene, NoEarthDepthImageForACompositeThatTakesDepthFromItsRays) {
  scene.envCube = quadObject(0.9f, flatProgram("void main(){ color = vec3(0.0, 0.0, 1.0); }"));
  scene.earth = quadObject(0.2f, flatProgram("void main(){ color = vec3(0.0, 1.0, 0.0); }"));
  scene.atmosphere = quadObject(0.5f, flatProgram("void main(){ color = vec3(1.0); }"));
  scene.shadowCone = quadObject(-0.4f, flatProgram("void main(){ color = vec3(1.0); }"));
  scene.atmosphereFinalProgram = buildAtmosphereFinalRecord(flatProgram("void main(){ color = vec3(1.0); }"));
  scene.objectList.clear();
  // A depth the frame would overwrite if it drew the image.
  glBindFramebuffer(GL_FRAMEBUFFER, targets.framebufferBackSideAtmosphere);
  glViewport(0, 0, windowWidth, windowHeight);
  glClearDepth(0.25);
  glClear(GL_DEPTH_BUFFER_BIT);
  glClearDepth(1.0);
  renderScene(scene, targets, SkyTextures(), AirTable(), 3);
  EXPECT_NEAR(depthAt(targets.framebufferBackSideAtmosphere), 0.25f, 1e-3f);
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
  gltest::resetPassState();
}

}  // namespace
