#version 330 core
// The shell's far side is drawn for its depth only.
out vec3 color;

void main() { color = vec3(0.0); }
