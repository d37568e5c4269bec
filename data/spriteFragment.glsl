// The texture tinted: for a sprite, its alpha scales what the additive blend
// adds; for text, the font's alpha cuts the glyph out of its cell.
in vec2 UV;

out vec4 color;

uniform sampler2D textureSampler;
uniform vec4 colorSampler;
// How far the texture's colour is turned to grey first (0: as it is; the
// text never sets it). The sun glow's sprites are blue-white: a reddened
// sun colours their grey.
uniform float greying;

void main() {
  vec4 texel = texture(textureSampler, UV);
  float grey = dot(texel.rgb, vec3(0.2126, 0.7152, 0.0722));
  color = colorSampler * vec4(mix(texel.rgb, vec3(grey), greying), texel.a);
}
