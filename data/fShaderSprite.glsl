#version 330 core

in vec2 UV;

out vec4 color;

uniform sampler2D textureSampler;
// Tint of the sprite; its alpha scales what the additive blend adds.
uniform vec4 colorSampler;

void main() {
  color = colorSampler * texture(textureSampler, UV);
}
