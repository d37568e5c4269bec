#version 330 core

// Corner in normalised device coordinates; the sprite faces the screen.
layout(location = 0) in vec2 cornerPosition_ndc;
layout(location = 1) in vec2 vertexUV;

out vec2 UV;

void main() {
  gl_Position = vec4(cornerPosition_ndc, 0.0, 1.0);
  UV = vertexUV;
}
