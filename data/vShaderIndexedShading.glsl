#version 330 core
// Lit objects (Earth, Moon, missile), the atmosphere shell's depth pass and the
// atmosphere composite.
layout(location = 0) in vec3 vertexPosition_modelspace;
layout(location = 1) in vec2 vertexUV;
layout(location = 2) in vec3 vertexNormal_modelspace;

uniform mat4 MVP;
uniform mat4 M;
uniform mat4 V;
// Set only for the atmosphere composite; zero in every other program.
uniform vec2 screenSize;

out vec2 UV;
// The Earth and the Moon read their maps from the direction of this point
// (per pixel), not from UV, which the pole fans smear.
out vec3 position_modelspace;
out vec3 position_worldspace;
out vec3 normal_worldspace;
flat out vec3 eye_worldspace;
// The projection's focal lengths (x, y): the composite rebuilds each pixel's
// view ray from them.
flat out vec2 focalLength;
// The projection's depth row (P[2][2], P[3][2]): the composite writes the
// depth of each pixel's point on the ground from it.
flat out vec2 depthRow;
// The sky's light on level ground here (the Earth's shading): a function of
// the sun's height alone, smooth, so read per vertex and interpolated; per
// pixel the read cost a software rasteriser more than the rest of the
// Earth's lighting.
out vec3 skylight;

uniform vec3 lightPos_worldspace;

#include "atmosphere.glsl"

void main() {
  vec4 clip = MVP * vec4(vertexPosition_modelspace, 1.0);
  mat3 viewToWorld = transpose(mat3(V));
  eye_worldspace = -(viewToWorld * V[3].xyz);
  position_worldspace = (M * vec4(vertexPosition_modelspace, 1.0)).xyz;
  normal_worldspace = transpose(inverse(mat3(M))) * vertexNormal_modelspace;
  UV = vertexUV;
  position_modelspace = vertexPosition_modelspace;
  float muSun = dot(normalize(position_worldspace), normalize(lightPos_worldspace - position_worldspace));
  skylight = sunIntensity * readTable(groundIrradianceTable, vec2(textureSize(groundIrradianceTable, 0)),
                                     vec2(0.5 + 0.5 * muSun, 0.0));
  focalLength = vec2(1.0);
  depthRow = vec2(0.0);

  if (screenSize.x > 0.0) {
    // The composite shades every pixel from its own ray, so the shell only has
    // to cover the pixels. P = (P V M) M^-1 V^-1, V being rigid.
    mat4 invV = mat4(vec4(viewToWorld[0], 0.0), vec4(viewToWorld[1], 0.0), vec4(viewToWorld[2], 0.0),
                     vec4(eye_worldspace, 1.0));
    mat4 P = MVP * inverse(M) * invV;
    focalLength = vec2(P[0][0], P[1][1]);
    depthRow = vec2(P[2][2], P[3][2]);
    // From inside the shell every face points away and is culled; mirrored,
    // the far side faces the camera and still covers the whole view.
    float shellRadius = length(M[0].xyz);
    if (dot(eye_worldspace, eye_worldspace) < shellRadius * shellRadius * 0.996) clip.x = -clip.x;
    // No near-plane hole when the eye grazes the shell: only w > 0 clips.
    // The fragment stage writes the real depth.
    clip.z = 0.0;
#ifdef AIR_TABLE_READ
    // Reading the air table, the Earth is on the pass already, with its air
    // and its depth: the shell lies just short of the far plane, so that
    // the depth test leaves the Earth's pixels before they are shaded.
    clip.z = clip.w * (2.0 * depthBeyondEarth - 1.0);
#endif
  }
  gl_Position = clip;
}
