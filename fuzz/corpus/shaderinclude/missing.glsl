#include "gone.glsl"
