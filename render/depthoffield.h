// Depth of field: sixteen eyes on a small sphere about the look-at point, all
// aimed at it, and one composite of the sixteen images.
#pragma once
#include <GL/glew.h>

#include <glm/glm.hpp>
#include <string>
#include <vector>

#include "gpu/shaderprogram.h"
#include "gpu/rendertargets.h"

struct DepthOfField {
  float randValuesA[kDOFPasses] = {};  // degrees about the camera's up axis
  float randValuesB[kDOFPasses] = {};  // degrees about the camera's right axis
  GLuint quadVertexBuffer = 0;
  ShaderProgram quadShader;
  // The composite built for fewer passes or smaller images than the window's
  // (PASSES defined), its pass count and its "windowSize" location.
  ShaderProgram reducedShader;
  int reducedPasses = 0;
  GLint windowSize = -1;
};

// One table entry from a draw of 0..32767: within [-0.05, 0.05] degrees.
float jitterAngle(int randomDraw);
// Pass 0 is unjittered; the draws alternate A, B, A, B from rand().
void fillJitterTables(DepthOfField& dof);

// The eye of one pass: realEye turned about lookAtPos, first by angleB about
// the right axis, then by angleA about the up axis.
glm::vec3 jitteredEye(const glm::vec3& realEye, const glm::vec3& lookAtPos, const glm::vec3& up,
                      const glm::vec3& right, float angleA, float angleB);

// Moves the global camera to the eye of pass i and aims it at lookAtPos,
// turning about the camera's view up and right.
void moveCameraToPass(const DepthOfField& dof, int pass, const glm::vec3& realEye, const glm::vec3& lookAtPos);

// The lines the composite is built with: none for the full one (0), PASSES
// for the reduced one of 1..16 passes.
std::string compositeDefines(int passes);
// Every composite the program can build, so that a checker compiles each.
std::vector<std::string> compositeVariants();

// The full-screen quad's buffer and the composite program, and the reduced
// program when currentQuality asks for one; destroy deletes all and zeroes them.
void createCompositeQuad(DepthOfField& dof, const RenderTargets& targets, int passes);
// Binds the window, clears it and draws the average of the first `passes`
// pass images onto it, scaled up from targetWidth x targetHeight. A frame of
// fewer passes or smaller targets builds its reduced program on first use.
void drawComposite(DepthOfField& dof, const RenderTargets& targets, int passes);
void destroyCompositeQuad(DepthOfField& dof);
