// The fixed-function state a draw relies on, set whole before it: no pass
// depends on what the draw before it left, and none restores anything after.
// Programs and textures are not here: each draw binds its own.
#pragma once
#include <GL/glew.h>

#include "gpu/screenbounds.h"

struct PassState {
  bool depthTest = true;
  GLenum depthFunc = GL_LESS;
  bool depthWrite = true;
  bool cullFace = true;
  GLenum culledFace = GL_BACK;
  bool colourWrite = true;
  bool blend = false;
  GLenum blendSrc = GL_ONE;
  GLenum blendDst = GL_ZERO;
  // Clears obey the scissor too: a scissored step is cleared only inside it.
  bool scissorTest = false;
  ScreenRect scissor{};
  bool operator==(const PassState&) const = default;
};

// The state of every step of a frame, in the order they run. Objects drawn in
// a step may turn off its depth test or culling (Object::stateIn).
namespace passstate {
// The star cube straight into the pass target; its clear as well.
inline constexpr PassState environment{};
// The catalogue's stars, each adding its light over the sky behind everything.
inline constexpr PassState stars{
    .depthTest = false, .depthWrite = false, .cullFace = false, .blend = true, .blendSrc = GL_ONE, .blendDst = GL_ONE};
// Depth only: the shadow cone's back faces, then its front faces, and the
// nearer of the Earth and the shell's far side. Scissored to the shell.
inline constexpr PassState shadowBackFaces{.culledFace = GL_FRONT, .colourWrite = false};
inline constexpr PassState shadowFrontFaces{.culledFace = GL_BACK, .colourWrite = false};
// The planet's colour over the stars; its target has no depth buffer.
inline constexpr PassState planetColour{};
inline constexpr PassState earthDepth{.culledFace = GL_BACK, .colourWrite = false};
// The Earth with its air, straight into the pass target, depth-tested.
inline constexpr PassState earthWithAir{};
inline constexpr PassState shellFarSide{.culledFace = GL_FRONT, .colourWrite = false};
// The shell's front faces, depth-tested, into the pass target.
inline constexpr PassState atmosphereComposite{};
// Moon and missile over the stars and the atmosphere.
inline constexpr PassState listedObjects{};
// Additive sprites over the whole pass target.
inline constexpr PassState sunGlow{.depthTest = false, .blend = true, .blendSrc = GL_SRC_ALPHA, .blendDst = GL_ONE};
// The average of the pass images over the whole window: nothing to test.
inline constexpr PassState finalComposite{.depthTest = false};
// Text over whatever the window shows.
inline constexpr PassState textOverlay{
    .depthTest = false, .blend = true, .blendSrc = GL_SRC_ALPHA, .blendDst = GL_ONE_MINUS_SRC_ALPHA};
}  // namespace passstate

// The same state, scissored to rect.
PassState scissoredTo(PassState state, const ScreenRect& rect);

// Sets every field: enables, functions, masks and the scissor box.
void applyPassState(const PassState& state);
