#include "render/depthoffield.h"

#include <cmath>
#include <cstdlib>
#include <string>
#include <glm/gtc/matrix_transform.hpp>

#include "base/frameglobals.h"
#include "base/runfiles.h"
#include "gpu/passstate.h"
#include "gpu/shaderbuild.h"
#include "gpu/vertexattribute.h"
#include "render/quality.h"
#include "scene/camera.h"

const std::array<glm::vec2, kDOFPasses>& aperturePattern() {
  static const std::array<glm::vec2, kDOFPasses> pattern = [] {
    static_assert(kDOFPasses == 16, "the pattern has one centre and five annuli of three");
    std::array<glm::vec2, kDOFPasses> eyes{};
    // Annulus k holds the disc's area from (1 + 3k) / 16 to (4 + 3k) / 16;
    // its eyes sit on the circle that halves it.
    constexpr int annulusOrder[5] = {3, 1, 4, 0, 2};
    int pass = 1;
    for (const int k : annulusOrder) {
      const double radius = std::sqrt((2.5 + 3.0 * k) / 16.0);
      const double turn = (2 * k % 5) * 24.0;
      for (int j = 0; j < 3; ++j, ++pass) {
        const double bearing = glm::radians(turn + 120.0 * j);
        eyes[pass] = glm::vec2(static_cast<float>(radius * std::cos(bearing)),
                               static_cast<float>(radius * std::sin(bearing)));
      }
    }
    return eyes;
  }();
  return pattern;
}

void fillJitterTables(DepthOfField& dof) {
  const auto& eyes = aperturePattern();
  for (int i = 0; i < kDOFPasses; ++i) {
    dof.randValuesA[i] = eyes[i].x * kApertureDegrees;
    dof.randValuesB[i] = eyes[i].y * kApertureDegrees;
  }
}

glm::vec3 jitteredEye(const glm::vec3& realEye, const glm::vec3& lookAtPos, const glm::vec3& up,
                      const glm::vec3& right, float angleA, float angleB) {
  glm::mat4 rotation = glm::translate(glm::mat4(1.0f), lookAtPos);
  rotation = glm::rotate(rotation, glm::radians(angleA), up);
  rotation = glm::rotate(rotation, glm::radians(angleB), right);
  rotation = glm::translate(rotation, -lookAtPos);
  return glm::vec3(rotation * glm::vec4(realEye, 1.0f));
}

void moveCameraToPass(const DepthOfField& dof, int pass, const glm::vec3& realEye, const glm::vec3& lookAtPos) {
  glm::vec3 eye = realEye;
  // The view up, not the bare up: where up lies along the direction (a path
  // straight up) the bare up and its cross product give no axis to turn about.
  if (dof.randValuesA[pass] != 0.0f || dof.randValuesB[pass] != 0.0f)
    eye = jitteredEye(realEye, lookAtPos, camera.getViewUp(), camera.getRight(), dof.randValuesA[pass],
                      dof.randValuesB[pass]);
  camera.setPosition(eye);
  camera.setDirection(lookAtPos - eye);
}

namespace {
// Whether a frame of this many passes into targetWidth x targetHeight needs
// the reduced composite.
bool needsReducedComposite(const RenderTargets& targets, int passes) {
  return passes < kDOFPasses || targets.targetWidth != windowWidth || targets.targetHeight != windowHeight;
}

// Builds the reduced composite for the pass count unless it exists already.
void prepareReducedComposite(DepthOfField& dof, int passes) {
  if (dof.reducedShader.programID != 0 && dof.reducedPasses == passes) return;
  glDeleteProgram(dof.reducedShader.programID);
  const GLuint program =
      buildShaderProgram(runfiles::compositeVertex, runfiles::compositeFragment, compositeDefines(passes));
  dof.reducedShader = buildShaderProgramRecord(program);
  dof.reducedPasses = passes;
  dof.windowSize = glGetUniformLocation(program, "windowSize");
}
}  // namespace

std::string compositeDefines(int passes) {
  return passes > 0 ? "#define PASSES " + std::to_string(passes) + "\n" : std::string();
}

std::vector<std::string> compositeVariants() {
  std::vector<std::string> variants{compositeDefines(0)};
  for (int passes = 1; passes <= kDOFPasses; ++passes) variants.push_back(compositeDefines(passes));
  return variants;
}

void createCompositeQuad(DepthOfField& dof, const RenderTargets& targets, int passes) {
  static const GLfloat quad[18] = {-1, -1, 0, 1, -1, 0, -1, 1, 0, -1, 1, 0, 1, -1, 0, 1, 1, 0};
  glGenBuffers(1, &dof.quadVertexBuffer);
  glBindBuffer(GL_ARRAY_BUFFER, dof.quadVertexBuffer);
  glBufferData(GL_ARRAY_BUFFER, sizeof(quad), quad, GL_STATIC_DRAW);
  dof.quadShader = buildShaderProgramRecord(buildShaderProgram(runfiles::compositeVertex, runfiles::compositeFragment));
  if (needsReducedComposite(targets, passes)) prepareReducedComposite(dof, passes);
}

void drawComposite(DepthOfField& dof, const RenderTargets& targets, int passes) {
  const bool reduced = needsReducedComposite(targets, passes);
  if (reduced) prepareReducedComposite(dof, passes);
  const ShaderProgram& shader = reduced ? dof.reducedShader : dof.quadShader;
  applyPassState(passstate::finalComposite);
  glBindFramebuffer(GL_FRAMEBUFFER, 0);
  glViewport(0, 0, windowWidth, windowHeight);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glUseProgram(shader.programID);
  for (int u = 0; u < kDOFPasses; ++u) {
    glActiveTexture(GL_TEXTURE0 + static_cast<GLenum>(u));
    glBindTexture(GL_TEXTURE_2D, targets.textureDOF[u]);
    glUniform1i(u == 0 ? shader.diffuseTexture : shader.DOFTextures[u - 1], u);
  }
  glUniform1i(shader.DOFSamples, passes);
  if (reduced) glUniform2f(dof.windowSize, static_cast<float>(windowWidth), static_cast<float>(windowHeight));
  bindFloatAttribute(0, dof.quadVertexBuffer, 3);
  glDrawArrays(GL_TRIANGLES, 0, 6);
  glDisableVertexAttribArray(0);
}

void destroyCompositeQuad(DepthOfField& dof) {
  glDeleteBuffers(1, &dof.quadVertexBuffer);
  dof.quadVertexBuffer = 0;
  glDeleteProgram(dof.quadShader.programID);
  dof.quadShader = ShaderProgram();
  glDeleteProgram(dof.reducedShader.programID);
  dof.reducedShader = ShaderProgram();
  dof.reducedPasses = 0;
  dof.windowSize = -1;
}
