// The shortcuts of a scene pass: the auxiliary images are cleared and drawn
// only inside the atmosphere shell's outline, and the Earth's depth is drawn
// with the shell's cheap program only when that gives the same depth.
#include <glm/gtc/matrix_transform.hpp>
#include <string>

#include "app/orbisk.h"
#include "gpu/screenbounds.h"
#include "render/renderscene.h"
#include "gpu/rendertargets.h"
#include "scene/camera.h"
#include "scene/scene.h"
#include "tests/gl/targetsfixture.h"

namespace {

const char* kVertex =
    "#version 330 core\nlayout(location=0) in vec3 p;\nuniform mat4 MVP;\n"
    "void main(){ gl_Position = MVP * vec4(p, 1.0); }\n";

GLuint program(const std::string& vertex, const std::string& fragmentBody) {
  return gltest::linkProgram(vertex, "#version 330 core\nout vec3 color;\n" + fragmentBody);
}

// An axis-aligned box of half size h about the origin, faces outwards.
Object* box(float h, GLuint prog, const glm::mat4& model) {
  std::vector<glm::vec3> v;
  for (int i = 0; i < 8; ++i) v.push_back({(i & 1) ? h : -h, (i & 2) ? h : -h, (i & 4) ? h : -h});
  const std::vector<uint32_t> idx = {0, 2, 1, 1, 2, 3, 4, 5, 6, 5, 7, 6, 0, 1, 4, 1, 5, 4,
                                     2, 6, 3, 3, 6, 7, 0, 4, 2, 2, 4, 6, 1, 3, 5, 3, 7, 5};
  TriangleMesh mesh;
  mesh.create(v, {}, std::vector<glm::vec3>(8, glm::vec3(0, 0, 1)), idx);
  Object* object = new Object();
  object->setMesh(mesh);
  object->setShaderProgram(buildShaderProgramRecord(prog));
  object->setModelMatrix(model);
  return object;
}

std::array<unsigned char, 3> colourAt(GLuint framebuffer, int x, int y) {
  glBindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  std::array<unsigned char, 3> rgb{};
  glReadPixels(x, y, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
  return rgb;
}

float depthAt(GLuint framebuffer, int x, int y) {
  glBindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer);
  float d = -1.0f;
  glReadPixels(x, y, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &d);
  return d;
}

const std::array<unsigned char, 3> kRed{255, 0, 0}, kBlue{0, 0, 255};

class PassBounds : public gltest::TargetsTest {
 protected:
  void SetUp() override {
    gltest::TargetsTest::SetUp();
    camera.setPosition(glm::vec3(0, 0, 10));
    camera.setDirection(glm::vec3(0, 0, -10));
    camera.setUp(glm::vec3(0, 1, 0));
    const GLuint sky = program("#version 330 core\nlayout(location=0) in vec3 p;\n"
                               "void main(){ gl_Position = vec4(p.xy * 4.0, 0.999, 1.0); }\n",
                               "void main(){ color = vec3(0.0, 0.0, 1.0); }");
    scene.envCube = box(1.0f, sky, glm::mat4(1.0f));
    scene.envCube->setDepthTest(false);
    scene.envCube->setCulling(false);
    // The shell: a small box on the left of the view; the Earth inside it.
    const glm::mat4 left = glm::translate(glm::mat4(1.0f), glm::vec3(-2.5f, 0, 0));
    depthProgram = program(kVertex, "void main(){ color = vec3(0.0); }");
    scene.atmosphere = box(0.5f, depthProgram, left);
    scene.earth = box(0.3f, program(kVertex, "void main(){ color = vec3(0.0, 1.0, 0.0); }"), left);
    scene.shadowCone = box(0.1f, program(kVertex, "void main(){ color = vec3(1.0); }"), left);
    // Sampling the Earth's depth, so that the pass draws that image.
    scene.atmosphereFinalProgram = buildAtmosphereFinalRecord(
        program(kVertex,
                "uniform sampler2D textureAtmosDepth;\n"
                "void main(){ color = vec3(step(-1.0, texture(textureAtmosDepth, vec2(0.5)).r)); }"));
    scene.objectList.clear();
    gltest::drainErrors();
  }
  void TearDown() override {
    gltest::TargetsTest::TearDown();
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
  }

  // Red everywhere in the auxiliary images, then one pass.
  void renderPass() {
    glDisable(GL_SCISSOR_TEST);
    glClearColor(1, 0, 0, 1);
    glBindFramebuffer(GL_FRAMEBUFFER, targets.framebufferPlanetColor);
    glClear(GL_COLOR_BUFFER_BIT);
    glClearColor(0, 0, 0, 0);
    glBindFramebuffer(GL_FRAMEBUFFER, targets.framebufferDOF[0]);
    glViewport(0, 0, windowWidth, windowHeight);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    // A scissor left on from before must not clip the pass target.
    glEnable(GL_SCISSOR_TEST);
    glScissor(0, 0, 1, 1);
    renderScene(scene, targets, SkyTextures(), AirTable(), 0);
    glDisable(GL_SCISSOR_TEST);
  }

  GLuint depthProgram = 0;
};

TEST_F(PassBounds, AuxiliaryImagesChangeOnlyInsideTheShellsOutline) {
  renderPass();
  const ScreenRect rect =
      sphereScreenRect(boundingSphere(scene.atmosphere->mesh.vertices, scene.atmosphere->getModelMatrix()),
                       camera.getViewProjectionMatrix(), windowWidth, windowHeight, 4);
  ASSERT_GT(rect.width, 0);
  ASSERT_LT(rect.x + rect.width, gltest::kWidth - 4) << "the shell should sit on the left";
  const int midY = gltest::kHeight / 2;
  const glm::vec4 earthClip = camera.getViewProjectionMatrix() * glm::vec4(-2.5f, 0.0f, 0.0f, 1.0f);
  const int earthX = static_cast<int>((earthClip.x / earthClip.w + 1.0f) * 0.5f * gltest::kWidth);
  EXPECT_EQ(colourAt(targets.framebufferPlanetColor, earthX, midY)[1], 255) << "the Earth";
  EXPECT_EQ(colourAt(targets.framebufferPlanetColor, rect.x + 1, rect.y + 1), kBlue) << "stars inside the outline";
  EXPECT_EQ(colourAt(targets.framebufferPlanetColor, gltest::kWidth - 2, midY), kRed) << "untouched outside it";
  EXPECT_EQ(colourAt(targets.framebufferDOF[0], gltest::kWidth - 2, midY), kBlue)
      << "the pass target has all its stars";
}

TEST_F(PassBounds, WithTheEyeInsideTheShellEverythingIsDrawn) {
  scene.atmosphere->setModelMatrix(glm::scale(glm::mat4(1.0f), glm::vec3(30.0f)));
  renderPass();
  EXPECT_EQ(colourAt(targets.framebufferPlanetColor, gltest::kWidth - 2, gltest::kHeight / 2), kBlue);
}

TEST_F(PassBounds, EarthDepthIsTheSameWhicheverProgramDrawsIt) {
  // Centre the Earth and shell so the middle pixel shows the Earth's front.
  const glm::mat4 centre(1.0f);
  scene.earth->setModelMatrix(centre);
  scene.atmosphere->setModelMatrix(centre);
  renderPass();
  const float shared = depthAt(targets.framebufferBackSideAtmosphere, gltest::kWidth / 2, gltest::kHeight / 2);
  EXPECT_LT(shared, 1.0f);

  // An Earth program that discards everything leaves no depth: the stand-in
  // must not be used for it.
  glDeleteProgram(scene.earth->shaderProgram.programID);
  forgetEarthDepthStandIn(scene);
  scene.earth->setShaderProgram(buildShaderProgramRecord(program(kVertex, "void main(){ discard; }")));
  scene.atmosphere->setModelMatrix(glm::scale(centre, glm::vec3(0.5f)));  // inside the Earth: hidden
  renderPass();
  const float shellOnly = depthAt(targets.framebufferBackSideAtmosphere, gltest::kWidth / 2, gltest::kHeight / 2);
  EXPECT_GT(shellOnly, shared) << "only the shell's far side, behind the Earth's front";
}

TEST(DrawsSameDepth, SameVertexStageAndNoDepthChangeInTheFragments) {
  const GLuint plain = program(kVertex, "void main(){ color = vec3(1.0); }");
  const GLuint other = program(kVertex, "uniform sampler2D t;\nvoid main(){ color = texture(t, vec2(0.5)).rgb; }");
  const GLuint moved = program(std::string(kVertex) + "// another file\n", "void main(){ color = vec3(1.0); }");
  const GLuint discards = program(kVertex, "void main(){ if (gl_FragCoord.x > 9.0) discard; color = vec3(1.0); }");
  const GLuint writesDepth = program(kVertex, "void main(){ gl_FragDepth = 0.5; color = vec3(1.0); }");
  EXPECT_TRUE(drawsSameDepth(plain, plain));
  EXPECT_TRUE(drawsSameDepth(other, plain));
  EXPECT_FALSE(drawsSameDepth(moved, plain));
  EXPECT_FALSE(drawsSameDepth(discards, plain));
  EXPECT_FALSE(drawsSameDepth(plain, discards));
  EXPECT_FALSE(drawsSameDepth(writesDepth, plain));
  EXPECT_FALSE(drawsSameDepth(plain, 0));
  for (GLuint p : {plain, other, moved, discards, writesDepth}) glDeleteProgram(p);
}

}  // namespace
