// Depth of field: sixteen eyes on a small sphere about the look-at point, all
// aimed at it, and one composite of the sixteen images.
#pragma once
#include <GL/glew.h>

#include <array>
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

// The aperture's radius in degrees of turn about the look-at point: a disc
// of the area of the square of +-0.05 degrees the eyes once spread over at
// random, so that the blur keeps its strength.
inline constexpr float kApertureDegrees = 0.0564190f;  // 0.1 / sqrt(pi)

// The eyes on the aperture, in units of its radius (x about the up axis, y
// about the right axis), in pass order. Pass 0 is the centre, so that one
// pass shows the real eye's view. The rest cover the disc evenly: five
// annuli of equal area, three eyes 120 degrees apart in each, every annulus
// turned by another multiple of 24 degrees, so that each of the sixteen
// equal-area cells holds one eye and the fifteen bearings are all distinct.
// Every prefix of 1 + 3k passes is centred; the widest annulus but one
// comes first, so that four passes already blur about as far as sixteen.
const std::array<glm::vec2, kDOFPasses>& aperturePattern();

// The eyes of aperturePattern() in degrees; the same for every run, whatever
// the seed.
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
