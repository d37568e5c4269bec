#version 330 core
#include "spriteFragment.glsl"
