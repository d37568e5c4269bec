// Poisoned GL state and the state read back, for tests that a draw sets
// everything it relies on instead of inheriting it.
#pragma once
#include <GL/glew.h>

#include "gpu/passstate.h"

namespace gltest {

// The opposite of every pass's state: a draw that trusts any of it draws
// nothing (depth NEVER, colour masked, both faces culled, a 1 x 1 scissor,
// blending that zeroes).
inline void poisonPassState() {
  glEnable(GL_DEPTH_TEST);
  glDepthFunc(GL_NEVER);
  glDepthMask(GL_FALSE);
  glEnable(GL_CULL_FACE);
  glCullFace(GL_FRONT_AND_BACK);
  glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
  glEnable(GL_BLEND);
  glBlendFunc(GL_ZERO, GL_ZERO);
  glEnable(GL_SCISSOR_TEST);
  glScissor(0, 0, 1, 1);
}

// What GL holds now, as a PassState; the scissor box only when it applies.
inline PassState readPassState() {
  auto integer = [](GLenum name) {
    GLint value = 0;
    glGetIntegerv(name, &value);
    return value;
  };
  PassState state;
  state.depthTest = glIsEnabled(GL_DEPTH_TEST);
  state.depthFunc = static_cast<GLenum>(integer(GL_DEPTH_FUNC));
  GLboolean depthMask = GL_FALSE;
  glGetBooleanv(GL_DEPTH_WRITEMASK, &depthMask);
  state.depthWrite = depthMask == GL_TRUE;
  state.cullFace = glIsEnabled(GL_CULL_FACE);
  state.culledFace = static_cast<GLenum>(integer(GL_CULL_FACE_MODE));
  GLboolean colour[4] = {};
  glGetBooleanv(GL_COLOR_WRITEMASK, colour);
  state.colourWrite = colour[0] && colour[1] && colour[2] && colour[3];
  state.blend = glIsEnabled(GL_BLEND);
  state.blendSrc = static_cast<GLenum>(integer(GL_BLEND_SRC_RGB));
  state.blendDst = static_cast<GLenum>(integer(GL_BLEND_DST_RGB));
  state.scissorTest = glIsEnabled(GL_SCISSOR_TEST);
  if (state.scissorTest) {
    GLint box[4] = {};
    glGetIntegerv(GL_SCISSOR_BOX, box);
    state.scissor = {box[0], box[1], box[2], box[3]};
  }
  return state;
}

// Back to GL's own defaults, for tests that come after.
inline void resetPassState() {
  glDisable(GL_DEPTH_TEST);
  glDepthFunc(GL_LESS);
  glDepthMask(GL_TRUE);
  glDisable(GL_CULL_FACE);
  glCullFace(GL_BACK);
  glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
  glDisable(GL_BLEND);
  glBlendFunc(GL_ONE, GL_ZERO);
  glDisable(GL_SCISSOR_TEST);
}

}  // namespace gltest
