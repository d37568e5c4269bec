#version 330 core
#include "spriteVertex.glsl"
