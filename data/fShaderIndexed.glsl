#version 330 core
in vec2 UV;

uniform sampler2D diffuseTexture;
// The part of the stars' gamma-encoded colour the frame's exposure takes
// away (render/exposure.h): 0 keeps the design's stars. One multiply-add,
// as this draw covers every pixel of every pass.
uniform float starFade;

out vec3 color;

void main() {
  // Level 0 only, nearest texel: stars are single texels and stay sharp
  // points instead of smearing into grey. One fetch keeps this full-screen
  // draw cheap; the sixteen jittered passes soften the texel edges.
  vec2 size = vec2(textureSize(diffuseTexture, 0));
  ivec2 texel = clamp(ivec2(UV * size), ivec2(0), ivec2(size) - 1);
  vec3 shown = texelFetch(diffuseTexture, texel, 0).rgb;
  color = shown - shown * starFade;
}
