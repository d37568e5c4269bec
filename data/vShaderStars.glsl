#version 330 core
// The catalogue's stars: each a direction and the light it brings, drawn as a
// sprite of a fixed size in pixels.
layout(location = 0) in vec3 starDirection;
layout(location = 1) in vec3 starLight;

uniform mat4 skyViewProjection;
uniform float spriteSize;

flat out vec3 light;

void main() {
  // A direction is a point at infinity (w = 0), beyond the far plane: the
  // depth is set inside the clip volume, and the passes draw the stars
  // without a depth test. Stars behind the eye (w < 0) are clipped.
  vec4 clip = skyViewProjection * vec4(starDirection, 0.0);
  gl_Position = vec4(clip.xy, 0.0, clip.w);
  gl_PointSize = spriteSize;
  light = starLight;
}
