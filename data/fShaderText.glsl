#version 330 core

in vec2 UV;

out vec4 color;

uniform sampler2D textureSampler;
// The text colour; the font's alpha cuts the glyph out of its cell.
uniform vec4 colorSampler;

void main() {
  color = colorSampler * texture(textureSampler, UV);
}
