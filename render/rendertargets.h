// The off-screen images of the frame: five auxiliary targets refilled in every
// pass, and one colour target per depth-of-field pass.
#pragma once
#include <GL/glew.h>

constexpr int kDOFPasses = 16;

extern GLuint framebufferBackSideShadow;
extern GLuint depthTextureBackSideShadow;
extern GLuint framebufferFrontSideShadow;
extern GLuint depthTextureFrontSideShadow;
extern GLuint framebufferPlanetColor;
extern GLuint colorTexturePlanetColor;
extern GLuint framebufferPlanetDepth;
extern GLuint depthTexturePlanetDepth;
extern GLuint framebufferBackSideAtmosphere;
extern GLuint depthTextureBackSideAtmosphere;
extern GLuint framebufferDOF[kDOFPasses];
extern GLuint textureDOF[kDOFPasses];
// Kept so that the targets can be destroyed: deleting a framebuffer leaves
// its attachments alive.
extern GLuint depthRenderbufferDOF[kDOFPasses];

// Size of every target: the window's times the render scale in force
// (currentQuality), set by createRenderTargets. Passes draw at this size and
// the composite scales the images up to the window.
extern int targetWidth;
extern int targetHeight;

// One side of a target: the window's side times scale, rounded, at least 1.
int scaledSide(int windowSide, float scale);

// Both use targetWidth x targetHeight and stop at the first incomplete
// target, with an ERROR line naming it and GL's status: false then, and
// nothing must be drawn through the targets (an unmade one is framebuffer
// 0, the window). createRenderTargets sets the size first.
bool createRenderTargets();
bool createDOFRenderTargets();
// Delete what the matching create made, whole or partial, and zero the names.
void destroyRenderTargets();
void destroyDOFRenderTargets();

// Both sets again at the current window size (after a resize or a change of
// quality): destroys what exists, then creates. False as the creates.
bool rebuildRenderTargets();
