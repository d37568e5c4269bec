#include "gpu/passstate.h"

namespace {
void setEnabled(GLenum capability, bool enabled) {
  if (enabled)
    glEnable(capability);
  else
    glDisable(capability);
}
}  // namespace

PassState scissoredTo(PassState state, const ScreenRect& rect) {
  state.scissorTest = true;
  state.scissor = rect;
  return state;
}

void applyPassState(const PassState& state) {
  setEnabled(GL_DEPTH_TEST, state.depthTest);
  glDepthFunc(state.depthFunc);
  glDepthMask(state.depthWrite ? GL_TRUE : GL_FALSE);
  setEnabled(GL_CULL_FACE, state.cullFace);
  glCullFace(state.culledFace);
  const GLboolean colour = state.colourWrite ? GL_TRUE : GL_FALSE;
  glColorMask(colour, colour, colour, colour);
  setEnabled(GL_BLEND, state.blend);
  glBlendFunc(state.blendSrc, state.blendDst);
  setEnabled(GL_SCISSOR_TEST, state.scissorTest);
  if (state.scissorTest) glScissor(state.scissor.x, state.scissor.y, state.scissor.width, state.scissor.height);
}
