#version 330 core
in vec2 UV;

uniform sampler2D diffuseTexture;
// The stars' share of their design light at the frame's exposure, in stops
// (render/exposure.h); the texture holds gamma-encoded colour.
uniform float starStops;

out vec3 color;

void main() {
  // Level 0 only, nearest texel: stars are single texels and stay sharp
  // points instead of smearing into grey. One fetch keeps this full-screen
  // draw cheap; the sixteen jittered passes soften the texel edges.
  vec2 size = vec2(textureSize(diffuseTexture, 0));
  ivec2 texel = clamp(ivec2(UV * size), ivec2(0), ivec2(size) - 1);
  vec3 shown = texelFetch(diffuseTexture, texel, 0).rgb;
  color = starStops == 0.0 ? shown : shown * exp2(starStops / 2.2);
}
