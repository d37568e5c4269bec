#version 330 core
// The atmosphere composite: the planet-colour image seen through the air, plus
// the sunlight the air scatters towards the eye (single scattering, Rayleigh
// and Mie, with the Earth's shadow), along each pixel's view ray from where it
// enters the shell to the Earth's surface or the shell's far side.
flat in vec3 eye_worldspace;
flat in vec2 focalLength;

uniform mat4 M;
uniform mat4 V;
uniform vec3 lightPos_worldspace;
uniform vec2 screenSize;
uniform sampler2D texturePlanetColor;
uniform sampler2D textureAtmosDepth;

out vec3 color;

#include "atmosphere.glsl"

const int SAMPLES = 10;

// The nearest depth the buffer can hold short of the far plane: the Moon and
// the sun's glow stay visible behind the thin air beyond the Earth's disc.
const float depthBeyondEarth = 1.0 - 1.0 / 16777216.0;

vec2 opticalDepthAlong(vec3 p, vec3 d) {
  float r = length(p);
  return opticalDepth(r, dot(p, d) / r, densityAt(r));
}

// Entry and exit distances of the ray o + t d on a sphere about the origin;
// none when exit < entry.
vec2 sphereHits(vec3 o, vec3 d, float radius) {
  float b = dot(o, d);
  // From the closest approach rather than b*b - (o.o - r*r): stays exact for
  // an eye far from the planet.
  vec3 closest = o - d * b;
  float disc = radius * radius - dot(closest, closest);
  if (disc < 0.0) return vec2(1.0, -1.0);
  float s = sqrt(disc);
  return vec2(-b - s, -b + s);
}

// Light scattered towards the eye per unit length at p: the sun's light that
// reaches p (none in the Earth's shadow, tested exactly against the sphere),
// weakened on its way from p to the eye by the view depth.
vec3 scattered(vec3 p, float r, vec2 density, vec2 viewDepth, vec3 l, float rayleighPhase, float miePhase) {
  float muSun = dot(p, l) / r;
  float visible = sunVisibility(r, muSun);
  vec2 sunDepth = opticalDepth(r, muSun, density);
  vec3 transmitted = visible * extinction(max(viewDepth, 0.0) + sunDepth);
  return (rayleighScattering * (density.x * rayleighPhase) + mieScattering * density.y * miePhase) * transmitted;
}

float dither() {
  return fract(sin(dot(gl_FragCoord.xy, vec2(12.9898, 78.233))) * 43758.5453) - 0.5;
}

void main() {
  vec2 uv = gl_FragCoord.xy / screenSize;
  ivec2 pixel = ivec2(gl_FragCoord.xy);
  vec3 planet = decode(texelFetch(texturePlanetColor, pixel, 0).rgb);
  vec2 ndc = uv * 2.0 - 1.0;
  vec3 dir = normalize(transpose(mat3(V)) * vec3(ndc / focalLength, -1.0));
  vec3 eye = eye_worldspace;
  vec3 l = normalize(lightPos_worldspace);  // the sun is far: one direction

  float shellRadius = length(M[0].xyz);
  vec2 shell = sphereHits(eye, dir, shellRadius);
  vec2 ground = sphereHits(eye, dir, 1.0);
  bool hitsEarth = ground.y >= ground.x && ground.x > 0.0;
  gl_FragDepth = hitsEarth ? texelFetch(textureAtmosDepth, pixel, 0).r : depthBeyondEarth;
  if (shell.y < shell.x || shell.y <= 0.0) {
    color = encode(planet);
    return;
  }
  float t0 = max(shell.x, 0.0);
  float t1 = hitsEarth ? ground.x : shell.y;

  // Optical depth from the entry point to distance t: differences of depths
  // to space, measured upwards so the formula never looks into the ground.
  vec3 entry = eye + dir * t0;
  // Towards space from every point of the path: back along the ray when it
  // ends on the ground, onwards when it leaves the shell again.
  vec3 outward = hitsEarth ? -dir : dir;
  vec2 entryDepth = opticalDepthAlong(entry, outward);

  float nu = dot(dir, l);
  float rayleighPhase = 3.0 / (16.0 * PI) * (1.0 + nu * nu);
  float g2 = mieG * mieG;
  float miePhase = 3.0 / (8.0 * PI) * (1.0 - g2) * (1.0 + nu * nu) /
                   ((2.0 + g2) * pow(1.0 + g2 - 2.0 * mieG * nu, 1.5));
  vec3 inscatter = vec3(0.0);

  // Loops rather than branches: a software rasteriser runs both sides of a
  // branch that splits a block of pixels, but leaves a loop as soon as no
  // pixel of the block has iterations left. Rays that end on the ground take
  // the first loop, rays through the limb the second.
  float length0 = t1 - t0;
  float muGround = hitsEarth ? dot(normalize(eye + dir * t1), -dir) : 0.0;
  // Steep rays cross little air and need few samples; grazing ones all.
  int groundCount = hitsEarth ? int(ceil(mix(float(SAMPLES), 4.0, clamp((muGround - 0.1) / 0.3, 0.0, 1.0)))) : 0;
  for (int i = 0; i < groundCount; ++i) {
    // Crowded quadratically towards the ground, where the air is densest.
    float s = 1.0 - (float(i) + 0.5) / float(groundCount);
    float t = t1 - length0 * s * s;
    float dt = 2.0 * length0 * s / float(groundCount);
    vec3 p = eye + dir * t;
    float r = length(p);
    vec2 density = densityAt(r);
    // Looking back up the ray from a point before the ground never meets it.
    vec2 viewDepth = scaleHeight * density * chapman(r, max(dot(p, -dir) / r, 0.0)) - entryDepth;
    inscatter += scattered(p, r, density, viewDepth, l, rayleighPhase, miePhase) * dt;
  }

  // Crowded quadratically towards the closest approach to the planet.
  float tLow = clamp(-dot(eye, dir), t0, t1);
  float before = max(tLow - t0, 0.0), after = max(t1 - tLow, 0.0);
  float split = before / max(before + after, 1e-6);
  int limbCount = hitsEarth ? 0 : SAMPLES;
  for (int i = 0; i < limbCount; ++i) {
    float u = (float(i) + 0.5) / float(SAMPLES);
    float t, dt;
    if (u < split) {
      float s = 1.0 - u / split;
      t = tLow - before * s * s;
      dt = 2.0 * before * s / split;
    } else {
      float s = (u - split) / max(1.0 - split, 1e-6);
      t = tLow + after * s * s;
      dt = 2.0 * after * s / max(1.0 - split, 1e-6);
    }
    dt /= float(SAMPLES);
    vec3 p = eye + dir * t;
    float r = length(p);
    vec2 density = densityAt(r);
    vec2 viewDepth = entryDepth - opticalDepth(r, dot(p, dir) / r, density);
    inscatter += scattered(p, r, density, viewDepth, l, rayleighPhase, miePhase) * dt;
  }

  vec2 endDepth = opticalDepthAlong(eye + dir * t1, outward);
  vec2 pathDepth = hitsEarth ? endDepth - entryDepth : entryDepth - endDepth;
  vec3 radiance = planet * extinction(max(pathDepth, 0.0)) + sunIntensity * inscatter;
  color = encode(shoulder(radiance)) + dither() / 255.0;
}
