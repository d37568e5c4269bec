#version 330 core
// A star's light spread over a Gaussian kernel that sums to one over the
// sprite, at its share of the design's light for the frame's exposure, then
// the scene's tone curve and gamma (atmosphere.glsl).
flat in vec3 light;

uniform float spriteSize;
uniform float kernelSigma;
// The stars' own response to the exposure, in stops, the exposure included
// (render/exposure.h): the shoulder applies the frame's exposure too, so
// their light is divided by it first.
uniform float starStops;

out vec3 color;

#include "atmosphere.glsl"

void main() {
  vec2 offset = (gl_PointCoord - 0.5) * spriteSize;
  float twoSigma2 = 2.0 * kernelSigma * kernelSigma;
  float weight = exp(-dot(offset, offset) / twoSigma2) / (PI * twoSigma2);
  float share = (starStops == 0.0 ? 1.0 : exp2(starStops)) / (1.0 + exposureAboveOne);
  color = encode(shoulder(light * (weight * share)));
}
