#version 330 core
// The atmosphere shell's front faces: the planet colour behind them with a
// blue rim of scattered sunlight.
in vec2 UV;
in vec3 position_worldspace;
in vec3 normal_worldspace;

uniform mat4 V;
uniform vec3 lightPos_worldspace;
uniform vec2 screenSize;
uniform sampler2D texturePlanetColor;
uniform sampler2D textureAtmosDepth;

out vec3 color;

void main() {
  vec2 uv = gl_FragCoord.xy / screenSize;
  vec3 planet = texture(texturePlanetColor, uv).rgb;
  vec3 eye = inverse(V)[3].xyz;
  vec3 n = normalize(normal_worldspace);
  vec3 v = normalize(eye - position_worldspace);
  vec3 l = normalize(lightPos_worldspace - position_worldspace);
  float rim = 1.0 - max(dot(n, v), 0.0);
  float sun = smoothstep(-0.3, 0.4, dot(n, l));
  vec3 sky = vec3(0.25, 0.5, 1.0) * pow(rim, 2.5) * sun;
  color = planet * (1.0 - 0.3 * rim * sun) + sky;
}
