#version 330 core
// The sixteen depth-of-field images averaged in linear light: a blurred
// bright edge spreads as light does, instead of darkening. A square and a
// square root stand in for the 2.2 curve: a pixel all sixteen images agree on
// comes back unchanged, and a sixteenfold power per pixel would cost more
// than the whole composite. A frame of fewer passes averages the first
// DOFSamples images only.
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
// The window's size. Images smaller than it are stretched over it with
// filtering; at its size the sampled points are the texel centres.
uniform vec2 windowSize;

out vec3 color;

// The images match the window pixel for pixel.
vec3 linear(sampler2D image) {
  vec3 c = texelFetch(image, ivec2(gl_FragCoord.xy), 0).rgb;
  return c * c;
}

vec3 linearScaled(sampler2D image) {
  vec3 c = texture(image, gl_FragCoord.xy / windowSize).rgb;
  return c * c;
}

void main() {
  vec3 average;
  if (DOFSamples >= 16 && textureSize(diffuseTexture, 0) == ivec2(windowSize)) {
    // The full frame exactly as it always was: the compiler fuses this sum
    // differently from the one below, and the picture would change.
    vec3 sum = linear(diffuseTexture) + linear(DOFTexture1) + linear(DOFTexture2) + linear(DOFTexture3) +
               linear(DOFTexture4) + linear(DOFTexture5) + linear(DOFTexture6) + linear(DOFTexture7) +
               linear(DOFTexture8) + linear(DOFTexture9) + linear(DOFTextureA) + linear(DOFTextureB) +
               linear(DOFTextureC) + linear(DOFTextureD) + linear(DOFTextureE) + linear(DOFTextureF);
    average = sum / 16.0;
  } else {
    vec3 sum = linearScaled(diffuseTexture);
    if (DOFSamples > 1) sum += linearScaled(DOFTexture1);
    if (DOFSamples > 2) sum += linearScaled(DOFTexture2);
    if (DOFSamples > 3) sum += linearScaled(DOFTexture3);
    if (DOFSamples > 4) sum += linearScaled(DOFTexture4);
    if (DOFSamples > 5) sum += linearScaled(DOFTexture5);
    if (DOFSamples > 6) sum += linearScaled(DOFTexture6);
    if (DOFSamples > 7) sum += linearScaled(DOFTexture7);
    if (DOFSamples > 8) sum += linearScaled(DOFTexture8);
    if (DOFSamples > 9) sum += linearScaled(DOFTexture9);
    if (DOFSamples > 10) sum += linearScaled(DOFTextureA);
    if (DOFSamples > 11) sum += linearScaled(DOFTextureB);
    if (DOFSamples > 12) sum += linearScaled(DOFTextureC);
    if (DOFSamples > 13) sum += linearScaled(DOFTextureD);
    if (DOFSamples > 14) sum += linearScaled(DOFTextureE);
    if (DOFSamples > 15) sum += linearScaled(DOFTextureF);
    average = sum / float(clamp(DOFSamples, 1, 16));
  }
  // Half a step of noise before the 8-bit window hides bands in dark gradients.
  float noise = fract(sin(dot(gl_FragCoord.xy, vec2(12.9898, 78.233))) * 43758.5453) - 0.5;
  color = sqrt(average) + noise / 255.0;
}
