#version 330 core
in vec2 UV;

uniform sampler2D diffuseTexture;

out vec3 color;

void main() {
  // Level 0 only: stars are single texels and must not smear into grey.
  color = textureLod(diffuseTexture, UV, 0.0).rgb;
}
