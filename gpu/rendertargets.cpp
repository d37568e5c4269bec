#include "gpu/rendertargets.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>


int scaledSide(int windowSide, float scale) {
  // A scale outside (0, 1], a nan included, keeps the window's side.
  if (!(scale > 0.0f && scale <= 1.0f)) return std::max(windowSide, 1);
  const long side = std::lround(static_cast<double>(windowSide) * static_cast<double>(scale));
  return static_cast<int>(std::max(side, 1L));
}

namespace {

struct NamedTarget {
  const char* label;
  GLuint RenderTargets::*framebuffer;
  GLuint RenderTargets::*texture;
  bool colour;
};

// The five named targets, in the order they are created.
const NamedTarget kNamedTargets[] = {
    {"BackSideShadow", &RenderTargets::framebufferBackSideShadow, &RenderTargets::depthTextureBackSideShadow, false},
    {"FrontSideShadow", &RenderTargets::framebufferFrontSideShadow, &RenderTargets::depthTextureFrontSideShadow, false},
    {"PlanetColor", &RenderTargets::framebufferPlanetColor, &RenderTargets::colorTexturePlanetColor, true},
    {"PlanetDepth", &RenderTargets::framebufferPlanetDepth, &RenderTargets::depthTexturePlanetDepth, false},
    {"BackSideAtmosphere", &RenderTargets::framebufferBackSideAtmosphere,
     &RenderTargets::depthTextureBackSideAtmosphere, false},
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
bool createNamedTarget(RenderTargets& targets, const NamedTarget& target) {
  glGenFramebuffers(1, &(targets.*target.framebuffer));
  glBindFramebuffer(GL_FRAMEBUFFER, targets.*target.framebuffer);
  glGenTextures(1, &(targets.*target.texture));
  glBindTexture(GL_TEXTURE_2D, targets.*target.texture);
  if (target.colour) {
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, targets.targetWidth, targets.targetHeight, 0, GL_RGB, GL_UNSIGNED_BYTE,
                 nullptr);
    setNearestFilters();
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, targets.*target.texture, 0);
    GLenum drawBuffers[1] = {GL_COLOR_ATTACHMENT0};
    glDrawBuffers(1, drawBuffers);
  } else {
    // WebGL takes a 24-bit depth texture only as unsigned ints.
    glTexImage2D(GL_TEXTURE_2D, 0, GL_DEPTH_COMPONENT24, targets.targetWidth, targets.targetHeight, 0,
                 GL_DEPTH_COMPONENT, GL_UNSIGNED_INT, nullptr);
    setNearestFilters();
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_TEXTURE_2D, targets.*target.texture, 0);
    // A depth-only target names no colour buffer, so it is complete under
    // the stricter completeness rules of OpenGL 3.3 drivers as well.
    const GLenum noColour = GL_NONE;
    glDrawBuffers(1, &noColour);
    glReadBuffer(GL_NONE);
  }
  return checkComplete(target.label);
}

}  // namespace

bool createRenderTargets(RenderTargets& targets, int windowWidth, int windowHeight, float scale) {
  targets.targetWidth = scaledSide(windowWidth, scale);
  targets.targetHeight = scaledSide(windowHeight, scale);
  for (const NamedTarget& target : kNamedTargets)
    if (!createNamedTarget(targets, target)) return false;
  return true;
}

void destroyRenderTargets(RenderTargets& targets) {
  for (const NamedTarget& target : kNamedTargets) {
    glDeleteFramebuffers(1, &(targets.*target.framebuffer));
    glDeleteTextures(1, &(targets.*target.texture));
    targets.*target.framebuffer = 0;
    targets.*target.texture = 0;
  }
}

bool createDOFRenderTargets(RenderTargets& targets, int windowWidth, int windowHeight) {
  glGenFramebuffers(kDOFPasses, targets.framebufferDOF);
  glGenTextures(kDOFPasses, targets.textureDOF);
  for (int i = 0; i < kDOFPasses; ++i) {
    glBindFramebuffer(GL_FRAMEBUFFER, targets.framebufferDOF[i]);
    glBindTexture(GL_TEXTURE_2D, targets.textureDOF[i]);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, targets.targetWidth, targets.targetHeight, 0, GL_RGB, GL_UNSIGNED_BYTE,
                 nullptr);
    // Smaller images than the window are sampled between their pixels when
    // the composite scales them up; at the window's size it fetches texels.
    const bool scaled = targets.targetWidth != windowWidth || targets.targetHeight != windowHeight;
    setFilters(scaled ? GL_LINEAR : GL_NEAREST);
    // Filtering at the border must not wrap round to the opposite edge.
    if (scaled) {
      glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
      glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    }
    glGenRenderbuffers(1, &targets.depthRenderbufferDOF[i]);
    glBindRenderbuffer(GL_RENDERBUFFER, targets.depthRenderbufferDOF[i]);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT24, targets.targetWidth, targets.targetHeight);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, targets.depthRenderbufferDOF[i]);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, targets.textureDOF[i], 0);
    GLenum drawBuffersDOF[1] = {GL_COLOR_ATTACHMENT0};
    glDrawBuffers(1, drawBuffersDOF);
    const std::string label = "DOF " + std::to_string(i);
    if (!checkComplete(label.c_str())) return false;
  }
  return true;
}

void destroyDOFRenderTargets(RenderTargets& targets) {
  glDeleteFramebuffers(kDOFPasses, targets.framebufferDOF);
  glDeleteTextures(kDOFPasses, targets.textureDOF);
  glDeleteRenderbuffers(kDOFPasses, targets.depthRenderbufferDOF);
  for (int i = 0; i < kDOFPasses; ++i)
    targets.framebufferDOF[i] = targets.textureDOF[i] = targets.depthRenderbufferDOF[i] = 0;
}

bool rebuildRenderTargets(RenderTargets& targets, int windowWidth, int windowHeight, float scale) {
  destroyDOFRenderTargets(targets);
  destroyRenderTargets(targets);
  return createRenderTargets(targets, windowWidth, windowHeight, scale) &&
         createDOFRenderTargets(targets, windowWidth, windowHeight);
}
