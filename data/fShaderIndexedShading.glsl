#version 330 core
in vec2 UV;
in vec3 position_worldspace;
in vec3 normal_worldspace;

uniform mat4 V;
uniform vec3 lightPos_worldspace;
uniform vec2 validityChecker;  // x: specular texture bound, y: night texture bound
uniform sampler2D diffuseTexture;
uniform sampler2D specularTexture;
uniform sampler2D diffuseNightTexture;

out vec3 color;

void main() {
  vec3 n = normalize(normal_worldspace);
  vec3 l = normalize(lightPos_worldspace - position_worldspace);
  vec3 eye = inverse(V)[3].xyz;
  vec3 v = normalize(eye - position_worldspace);
  float cosTheta = dot(n, l);
  vec3 day = texture(diffuseTexture, UV).rgb;
  // A soft terminator instead of a hard cut at cosTheta = 0.
  float lit = smoothstep(-0.08, 0.25, cosTheta) * max(cosTheta, 0.0) + 0.02;
  color = day * lit;
  if (validityChecker.y > 0.5) {
    float darkness = 1.0 - smoothstep(-0.15, 0.1, cosTheta);
    color += texture(diffuseNightTexture, UV).rgb * darkness * 0.8;
  }
  if (validityChecker.x > 0.5 && cosTheta > 0.0) {
    vec3 h = normalize(l + v);
    float water = texture(specularTexture, UV).r;
    float fresnel = 0.02 + 0.98 * pow(1.0 - max(dot(h, v), 0.0), 5.0);
    color += vec3(1.0, 0.95, 0.85) * water * pow(max(dot(n, h), 0.0), 80.0) * (0.5 + fresnel);
  }
}
