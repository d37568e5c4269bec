#version 330 core
#include "a.glsl"
void main() {}
ÿ// a
#include "b.glsl"
#include "c.glsl"
ÿvec3 b;
#include "a.glsl"
ÿ#include <x>
