// The files of the run-time folder whose names are not configurable: the one
// list that the scene, the effects, the shell and orbisk-check read. The
// configurable ones are keys of the settings table in base/configfile.h.
#pragma once

namespace runfiles {
// Star field cube.
inline constexpr const char* envCubeVertex = "vShaderIndexed.glsl";
inline constexpr const char* envCubeFragment = "fShaderIndexed.glsl";
// The catalogue's stars, and the catalogue (Debian's marble-qt-data).
inline constexpr const char* starVertex = "vShaderStars.glsl";
inline constexpr const char* starFragment = "fShaderStars.glsl";
inline constexpr const char* starCatalogue = "stars.dat";
// Shadow cone, drawn for its depths only.
inline constexpr const char* shadowConeVertex = "vertexShader.glsl";
inline constexpr const char* shadowConeFragment = "fragmentShaderToTexture.glsl";
// The atmosphere model both atmosphere shaders include; its constants are
// also what the sky's tables are built from.
inline constexpr const char* atmosphereModel = "atmosphere.glsl";
// Full-screen quad that composites the depth-of-field passes.
inline constexpr const char* compositeVertex = "vShaderPassthrough.glsl";
inline constexpr const char* compositeFragment = "fShaderQuad.glsl";
// Sun glow and lens flare sprites.
inline constexpr const char* sunGlowVertex = "vShaderSprite.glsl";
inline constexpr const char* sunGlowFragment = "fShaderSprite.glsl";
// The exposure meter's reduction of the frame.
inline constexpr const char* exposureMeterVertex = "vShaderExposureMeter.glsl";
inline constexpr const char* exposureMeterFragment = "fShaderExposureMeter.glsl";
// Text overlay.
inline constexpr const char* textVertex = "vShaderText.glsl";
inline constexpr const char* textFragment = "fShaderText.glsl";

// The star field's model; the other models are configurable.
inline constexpr const char* envCubeModel = "models\\envcube.obj";

// Sun glow and lens flare sprites, and the text overlay's font.
inline constexpr const char* hardGlow = "HardGlow2.DDS";
inline constexpr const char* bigGlow = "BigGlow3.DDS";
inline constexpr const char* streaks = "Streaks4.DDS";
inline constexpr const char* specialStreaks = "special_streaks.DDS";
inline constexpr const char* halo = "Halo3.DDS";
inline constexpr const char* sunGlowSprites[] = {hardGlow, bigGlow, streaks, specialStreaks, halo};
inline constexpr const char* font = "couriernew.DDS";
}  // namespace runfiles
