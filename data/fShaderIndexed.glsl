#version 330 core
in vec2 UV;

uniform sampler2D diffuseTexture;

out vec3 color;

void main() {
  // Level 0 only: stars are single texels and must not smear into grey.
  // Filtered by hand: the texture's anisotropic filtering would multiply the
  // cost of this full-screen draw and cannot sharpen single texels anyway.
  vec2 size = vec2(textureSize(diffuseTexture, 0));
  vec2 texel = UV * size - 0.5;
  ivec2 base = ivec2(floor(texel));
  vec2 f = texel - vec2(base);
  ivec2 last = ivec2(size) - 1;
  vec3 c00 = texelFetch(diffuseTexture, clamp(base, ivec2(0), last), 0).rgb;
  vec3 c10 = texelFetch(diffuseTexture, clamp(base + ivec2(1, 0), ivec2(0), last), 0).rgb;
  vec3 c01 = texelFetch(diffuseTexture, clamp(base + ivec2(0, 1), ivec2(0), last), 0).rgb;
  vec3 c11 = texelFetch(diffuseTexture, clamp(base + ivec2(1, 1), ivec2(0), last), 0).rgb;
  color = mix(mix(c00, c10, f.x), mix(c01, c11, f.x), f.y);
}
