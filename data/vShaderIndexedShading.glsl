#version 330 core
// Lit objects: world-space position and normal for the fragment stage.
layout(location = 0) in vec3 vertexPosition_modelspace;
layout(location = 1) in vec2 vertexUV;
layout(location = 2) in vec3 vertexNormal_modelspace;

uniform mat4 MVP;
uniform mat4 M;

out vec2 UV;
out vec3 position_worldspace;
out vec3 normal_worldspace;

void main() {
  gl_Position = MVP * vec4(vertexPosition_modelspace, 1.0);
  position_worldspace = (M * vec4(vertexPosition_modelspace, 1.0)).xyz;
  normal_worldspace = transpose(inverse(mat3(M))) * vertexNormal_modelspace;
  UV = vertexUV;
}
