// The GLSL files of the programs whose file names are not configurable: the
// one list that the scene, the effects and orbisk-check build them from.
// The configurable ones are keys of the settings table in app/configfile.h.
#pragma once

namespace shaderfiles {
// Star field cube.
inline constexpr const char* envCubeVertex = "vShaderIndexed.glsl";
inline constexpr const char* envCubeFragment = "fShaderIndexed.glsl";
// Shadow cone, drawn for its depths only.
inline constexpr const char* shadowConeVertex = "vertexShader.glsl";
inline constexpr const char* shadowConeFragment = "fragmentShaderToTexture.glsl";
// Full-screen quad that composites the depth-of-field passes.
inline constexpr const char* compositeVertex = "vShaderPassthrough.glsl";
inline constexpr const char* compositeFragment = "fShaderQuad.glsl";
// Sun glow and lens flare sprites.
inline constexpr const char* sunGlowVertex = "vShaderSprite.glsl";
inline constexpr const char* sunGlowFragment = "fShaderSprite.glsl";
// Text overlay.
inline constexpr const char* textVertex = "vShaderText.glsl";
inline constexpr const char* textFragment = "fShaderText.glsl";
}  // namespace shaderfiles
