#version 330 core
// The sixteen depth-of-field images averaged in linear light: a blurred
// bright edge spreads as light does, instead of darkening. A square and a
// square root stand in for the 2.2 curve: a pixel all sixteen images agree on
// comes back unchanged, and a sixteenfold power per pixel would cost more
// than the whole composite.
//
// Built with PASSES defined (1..16), the program averages the first PASSES
// images and stretches them over the window with filtering when they are
// smaller than it. A count known while compiling: a software rasteriser
// runs every branch of a uniform if, and would fetch all sixteen images.
in vec2 UV;

uniform sampler2D diffuseTexture;
uniform sampler2D DOFTexture1;
uniform sampler2D DOFTexture2;
uniform sampler2D DOFTexture3;
uniform sampler2D DOFTexture4;
uniform sampler2D DOFTexture5;
uniform sampler2D DOFTexture6;
uniform sampler2D DOFTexture7;
uniform sampler2D DOFTexture8;
uniform sampler2D DOFTexture9;
uniform sampler2D DOFTextureA;
uniform sampler2D DOFTextureB;
uniform sampler2D DOFTextureC;
uniform sampler2D DOFTextureD;
uniform sampler2D DOFTextureE;
uniform sampler2D DOFTextureF;
uniform int DOFSamples;

out vec3 color;

#ifndef PASSES
// The images match the window pixel for pixel.
vec3 linear(sampler2D image) {
  vec3 c = texelFetch(image, ivec2(gl_FragCoord.xy), 0).rgb;
  return c * c;
}

void main() {
  vec3 sum = linear(diffuseTexture) + linear(DOFTexture1) + linear(DOFTexture2) + linear(DOFTexture3) +
             linear(DOFTexture4) + linear(DOFTexture5) + linear(DOFTexture6) + linear(DOFTexture7) +
             linear(DOFTexture8) + linear(DOFTexture9) + linear(DOFTextureA) + linear(DOFTextureB) +
             linear(DOFTextureC) + linear(DOFTextureD) + linear(DOFTextureE) + linear(DOFTextureF);
  vec3 average = sum / 16.0;
#else
// The window's size, over which the images are stretched.
uniform vec2 windowSize;

vec3 linear(sampler2D image) {
  vec3 c = texture(image, gl_FragCoord.xy / windowSize).rgb;
  return c * c;
}

void main() {
  vec3 sum = linear(diffuseTexture);
  if (PASSES > 1) sum += linear(DOFTexture1);
  if (PASSES > 2) sum += linear(DOFTexture2);
  if (PASSES > 3) sum += linear(DOFTexture3);
  if (PASSES > 4) sum += linear(DOFTexture4);
  if (PASSES > 5) sum += linear(DOFTexture5);
  if (PASSES > 6) sum += linear(DOFTexture6);
  if (PASSES > 7) sum += linear(DOFTexture7);
  if (PASSES > 8) sum += linear(DOFTexture8);
  if (PASSES > 9) sum += linear(DOFTexture9);
  if (PASSES > 10) sum += linear(DOFTextureA);
  if (PASSES > 11) sum += linear(DOFTextureB);
  if (PASSES > 12) sum += linear(DOFTextureC);
  if (PASSES > 13) sum += linear(DOFTextureD);
  if (PASSES > 14) sum += linear(DOFTextureE);
  if (PASSES > 15) sum += linear(DOFTextureF);
  vec3 average = sum / float(PASSES);
#endif
  // Half a step of noise before the 8-bit window hides bands in dark gradients.
  float noise = fract(sin(dot(gl_FragCoord.xy, vec2(12.9898, 78.233))) * 43758.5453) - 0.5;
  color = sqrt(average) + noise / 255.0;
}
