#include "render/rendertargets.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "base/frameglobals.h"
#include "render/quality.h"

GLuint framebufferBackSideShadow = 0;
GLuint depthTextureBackSideShadow = 0;
GLuint framebufferFrontSideShadow = 0;
GLuint depthTextureFrontSideShadow = 0;
GLuint framebufferPlanetColor = 0;
GLuint colorTexturePlanetColor = 0;
GLuint framebufferPlanetDepth = 0;
GLuint depthTexturePlanetDepth = 0;
GLuint framebufferBackSideAtmosphere = 0;
GLuint depthTextureBackSideAtmosphere = 0;
GLuint framebufferDOF[kDOFPasses] = {};
GLuint textureDOF[kDOFPasses] = {};
GLuint depthRenderbufferDOF[kDOFPasses] = {};
int targetWidth = 0;
int targetHeight = 0;

int scaledSide(int windowSide, float scale) {
  // A scale outside (0, 1], a nan included, keeps the window's side.
  if (!(scale > 0.0f && scale <= 1.0f)) return std::max(windowSide, 1);
  const long side = std::lround(static_cast<double>(windowSide) * static_cast<double>(scale));
  return static_cast<int>(std::max(side, 1L));
}

namespace {

struct NamedTarget {
  const char* label;
  GLuint* framebuffer;
  GLuint* texture;
  bool colour;
};

// The five named targets, in the order they are created.
const NamedTarget kNamedTargets[] = {
    {"BackSideShadow", &framebufferBackSideShadow, &depthTextureBackSideShadow, false},
    {"FrontSideShadow", &framebufferFrontSideShadow, &depthTextureFrontSideShadow, false},
    {"PlanetColor", &framebufferPlanetColor, &colorTexturePlanetColor, true},
    {"PlanetDepth", &framebufferPlanetDepth, &depthTexturePlanetDepth, false},
    {"BackSideAtmosphere", &framebufferBackSideAtmosphere, &depthTextureBackSideAtmosphere, false},
};

const char* framebufferStatusName(GLenum status) {
  switch (status) {
    case GL_FRAMEBUFFER_UNDEFINED: return "GL_FRAMEBUFFER_UNDEFINED";
    case GL_FRAMEBUFFER_INCOMPLETE_ATTACHMENT: return "GL_FRAMEBUFFER_INCOMPLETE_ATTACHMENT";
    case GL_FRAMEBUFFER_INCOMPLETE_MISSING_ATTACHMENT: return "GL_FRAMEBUFFER_INCOMPLETE_MISSING_ATTACHMENT";
    case GL_FRAMEBUFFER_INCOMPLETE_DRAW_BUFFER: return "GL_FRAMEBUFFER_INCOMPLETE_DRAW_BUFFER";
    case GL_FRAMEBUFFER_INCOMPLETE_READ_BUFFER: return "GL_FRAMEBUFFER_INCOMPLETE_READ_BUFFER";
    case GL_FRAMEBUFFER_UNSUPPORTED: return "GL_FRAMEBUFFER_UNSUPPORTED";
    case GL_FRAMEBUFFER_INCOMPLETE_MULTISAMPLE: return "GL_FRAMEBUFFER_INCOMPLETE_MULTISAMPLE";
    case GL_FRAMEBUFFER_INCOMPLETE_LAYER_TARGETS: return "GL_FRAMEBUFFER_INCOMPLETE_LAYER_TARGETS";
    default: return "unknown status";
  }
}

// True when the bound framebuffer is complete; else the ERROR line naming
// the target and the status GL gave.
bool checkComplete(const char* label) {
  const GLenum status = glCheckFramebufferStatus(GL_FRAMEBUFFER);
  if (status == GL_FRAMEBUFFER_COMPLETE) return true;
  printf("ERROR (%s): glCheckFramebufferStatus reports some error! Frame buffer is not complete! (0x%04x %s)\n",
         label, status, framebufferStatusName(status));
  return false;
}

void setFilters(GLint filter) {
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
}
void setNearestFilters() { setFilters(GL_NEAREST); }

// Returns false (after the message) when the target is incomplete.
bool createNamedTarget(const NamedTarget& target) {
  glGenFramebuffers(1, target.framebuffer);
  glBindFramebuffer(GL_FRAMEBUFFER, *target.framebuffer);
  glGenTextures(1, target.texture);
  glBindTexture(GL_TEXTURE_2D, *target.texture);
  if (target.colour) {
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, targetWidth, targetHeight, 0, GL_RGB, GL_UNSIGNED_BYTE, nullptr);
    setNearestFilters();
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, *target.texture, 0);
    GLenum drawBuffers[1] = {GL_COLOR_ATTACHMENT0};
    glDrawBuffers(1, drawBuffers);
  } else {
    // WebGL takes a 24-bit depth texture only as unsigned ints.
    glTexImage2D(GL_TEXTURE_2D, 0, GL_DEPTH_COMPONENT24, targetWidth, targetHeight, 0, GL_DEPTH_COMPONENT,
                 GL_UNSIGNED_INT, nullptr);
    setNearestFilters();
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_TEXTURE_2D, *target.texture, 0);
    // A depth-only target names no colour buffer, so it is complete under
    // the stricter completeness rules of OpenGL 3.3 drivers as well.
    const GLenum noColour = GL_NONE;
    glDrawBuffers(1, &noColour);
    glReadBuffer(GL_NONE);
  }
  return checkComplete(target.label);
}

}  // namespace

bool createRenderTargets() {
  targetWidth = scaledSide(windowWidth, currentQuality.scale);
  targetHeight = scaledSide(windowHeight, currentQuality.scale);
  for (const NamedTarget& target : kNamedTargets)
    if (!createNamedTarget(target)) return false;
  return true;
}

void destroyRenderTargets() {
  for (const NamedTarget& target : kNamedTargets) {
    glDeleteFramebuffers(1, target.framebuffer);
    glDeleteTextures(1, target.texture);
    *target.framebuffer = 0;
    *target.texture = 0;
  }
}

bool createDOFRenderTargets() {
  glGenFramebuffers(kDOFPasses, framebufferDOF);
  glGenTextures(kDOFPasses, textureDOF);
  for (int i = 0; i < kDOFPasses; ++i) {
    glBindFramebuffer(GL_FRAMEBUFFER, framebufferDOF[i]);
    glBindTexture(GL_TEXTURE_2D, textureDOF[i]);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, targetWidth, targetHeight, 0, GL_RGB, GL_UNSIGNED_BYTE, nullptr);
    // Smaller images than the window are sampled between their pixels when
    // the composite scales them up; at the window's size it fetches texels.
    const bool scaled = targetWidth != windowWidth || targetHeight != windowHeight;
    setFilters(scaled ? GL_LINEAR : GL_NEAREST);
    // Filtering at the border must not wrap round to the opposite edge.
    if (scaled) {
      glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
      glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    }
    glGenRenderbuffers(1, &depthRenderbufferDOF[i]);
    glBindRenderbuffer(GL_RENDERBUFFER, depthRenderbufferDOF[i]);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT24, targetWidth, targetHeight);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, depthRenderbufferDOF[i]);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, textureDOF[i], 0);
    GLenum drawBuffersDOF[1] = {GL_COLOR_ATTACHMENT0};
    glDrawBuffers(1, drawBuffersDOF);
    const std::string label = "DOF " + std::to_string(i);
    if (!checkComplete(label.c_str())) return false;
  }
  return true;
}

void destroyDOFRenderTargets() {
  glDeleteFramebuffers(kDOFPasses, framebufferDOF);
  glDeleteTextures(kDOFPasses, textureDOF);
  glDeleteRenderbuffers(kDOFPasses, depthRenderbufferDOF);
  for (int i = 0; i < kDOFPasses; ++i) framebufferDOF[i] = textureDOF[i] = depthRenderbufferDOF[i] = 0;
}

bool rebuildRenderTargets() {
  destroyDOFRenderTargets();
  destroyRenderTargets();
  return createRenderTargets() && createDOFRenderTargets();
}
