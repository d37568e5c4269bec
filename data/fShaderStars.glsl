#version 330 core
// A star's light spread over a Gaussian kernel that sums to one over the
// sprite, then the scene's tone curve and gamma (atmosphere.glsl).
flat in vec3 light;

uniform float spriteSize;
uniform float kernelSigma;

out vec3 color;

#include "atmosphere.glsl"

void main() {
  vec2 offset = (gl_PointCoord - 0.5) * spriteSize;
  float twoSigma2 = 2.0 * kernelSigma * kernelSigma;
  float weight = exp(-dot(offset, offset) / twoSigma2) / (PI * twoSigma2);
  color = encode(shoulder(light * weight));
}
