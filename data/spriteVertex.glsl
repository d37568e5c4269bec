// Textured quads laid out on the CPU: the sun glow's sprites and the text
// overlay's glyphs. The corner comes in normalised device coordinates (the
// quad faces the screen); the texture coordinate passes through.
layout(location = 0) in vec2 cornerPosition_ndc;
layout(location = 1) in vec2 vertexUV;

out vec2 UV;

void main() {
  gl_Position = vec4(cornerPosition_ndc, 0.0, 1.0);
  UV = vertexUV;
}
