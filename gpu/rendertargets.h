// The off-screen images of the frame: five auxiliary targets refilled in every
// pass, and one colour target per depth-of-field pass.
#pragma once
#include <GL/glew.h>

constexpr int kDOFPasses = 16;

// Each auxiliary target: its framebuffer and the one image attached to it.
struct RenderTargets {
  GLuint framebufferBackSideShadow = 0, depthTextureBackSideShadow = 0;
  GLuint framebufferFrontSideShadow = 0, depthTextureFrontSideShadow = 0;
  GLuint framebufferPlanetColor = 0, colorTexturePlanetColor = 0;
  GLuint framebufferPlanetDepth = 0, depthTexturePlanetDepth = 0;
  GLuint framebufferBackSideAtmosphere = 0, depthTextureBackSideAtmosphere = 0;
  GLuint framebufferDOF[kDOFPasses] = {};
  GLuint textureDOF[kDOFPasses] = {};
  // Kept so that the targets can be destroyed: deleting a framebuffer leaves
  // its attachments alive.
  GLuint depthRenderbufferDOF[kDOFPasses] = {};
  // Size of every target: the window's times the render scale, set by
  // createRenderTargets. Passes draw at this size and the composite scales
  // the images up to the window.
  int targetWidth = 0;
  int targetHeight = 0;
};

// One side of a target: the window's side times scale, rounded, at least 1.
int scaledSide(int windowSide, float scale);

// Both use targetWidth x targetHeight and stop at the first incomplete
// target, with an ERROR line naming it and GL's status: false then, and
// nothing must be drawn through the targets (an unmade one is framebuffer
// 0, the window). createRenderTargets sets the size first, from the window's
// and the render scale; the DOF images are filtered for scaling up when they
// are smaller than the window.
bool createRenderTargets(RenderTargets& targets, int windowWidth, int windowHeight, float scale);
bool createDOFRenderTargets(RenderTargets& targets, int windowWidth, int windowHeight);
// Delete what the matching create made, whole or partial, and zero the names.
void destroyRenderTargets(RenderTargets& targets);
void destroyDOFRenderTargets(RenderTargets& targets);

// Both sets again at this window size and scale (after a resize or a change
// of quality): destroys what exists, then creates. False as the creates.
bool rebuildRenderTargets(RenderTargets& targets, int windowWidth, int windowHeight, float scale);
