// The texture tinted: for a sprite, its alpha scales what the additive blend
// adds; for text, the font's alpha cuts the glyph out of its cell.
in vec2 UV;

out vec4 color;

uniform sampler2D textureSampler;
uniform vec4 colorSampler;

void main() {
  color = colorSampler * texture(textureSampler, UV);
}
