#version 330 core
// The exposure meter: each cell of the frame reduced to the mean luminance of
// a METER_TAPS x METER_TAPS grid of its pixels, in the light before the tone
// curve (the display's gamma and the shoulder undone), stored as the square
// root of its share of METER_RANGE so that dim cells keep their steps.
uniform sampler2D source;
uniform ivec2 sourceSize;

out vec4 color;

#include "atmosphere.glsl"

// The shoulder undone. Its top is flat: a display value within a step of
// white stands for the light that reaches 99 % of the roll-off.
float unshoulder(float shaped) {
  const float a = shoulderStart;
  float rolled = clamp((shaped - a) / (1.0 - a), 0.0, 0.99);
  return min(shaped, a) - (1.0 - a) * log(1.0 - rolled);
}

void main() {
  ivec2 cell = ivec2(gl_FragCoord.xy);
  vec2 cellSize = vec2(sourceSize) / vec2(METER_SIZE);
  float sum = 0.0;
  for (int j = 0; j < METER_TAPS; ++j)
    for (int i = 0; i < METER_TAPS; ++i) {
      vec2 at = (vec2(cell) + (vec2(i, j) + 0.5) / float(METER_TAPS)) * cellSize;
      vec3 shaped = decode(texelFetch(source, clamp(ivec2(at), ivec2(0), sourceSize - 1), 0).rgb);
      vec3 light = vec3(unshoulder(shaped.r), unshoulder(shaped.g), unshoulder(shaped.b));
      sum += dot(light, vec3(0.2126, 0.7152, 0.0722));
    }
  color = vec4(sqrt(clamp(sum / float(METER_TAPS * METER_TAPS) / METER_RANGE, 0.0, 1.0)), 0.0, 0.0, 1.0);
}
