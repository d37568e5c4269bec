// The atmosphere model the Earth's shading and the atmosphere composite
// share: Earth's profile and coefficients with its 8 km Rayleigh scale
// height mapped onto 0.006 of the planet radius (planet radius 1), a limb
// about as thin as seen from orbit, with eleven scale heights inside the
// 1.07 shell. Included by both; it has no #version line of its own.

const float PI = 3.14159265;
// Sunlight in the units the 8-bit images show: a white surface facing the sun
// reaches 4/pi, a little past white, which the shoulder rolls off.
const float sunIntensity = 4.0;

const float sceneUnitsPerKm = 0.006 / 8.0;
const vec2 scaleHeight = vec2(8.0, 1.2) * sceneUnitsPerKm;  // Rayleigh, Mie
const vec3 rayleighScattering = vec3(5.8e-3, 13.5e-3, 33.1e-3) / sceneUnitsPerKm;
const float mieScattering = 30.0e-3 / sceneUnitsPerKm;
const float mieExtinction = 33.0e-3 / sceneUnitsPerKm;
const float mieG = 0.76;
// The Earth as the tables' light of higher orders sees it: grey.
const float groundAlbedo = 0.3;
// The tone curve: linear up to shoulderStart, then rolling off towards 1;
// then the display's gamma.
const float shoulderStart = 0.8;
const float displayGamma = 2.2;
// The sun sets over this range of its ray's closest approach to the centre.
const vec2 shadowEdge = vec2(0.994, 1.0);

// The tables built at start-up from the constants above (render/skytables.h):
// the light of every order of scattering beyond the first, and the sky's
// light on the ground.
uniform sampler2D multipleScatteringTable;
uniform float multipleScatteringScale;
uniform sampler2D groundIrradianceTable;

// The images hold gamma-encoded colour; light adds up in linear.
vec3 decode(vec3 c) { return pow(max(c, 0.0), vec3(displayGamma)); }
vec3 encode(vec3 c) { return pow(max(c, 0.0), vec3(1.0 / displayGamma)); }

// The camera's exposure less one (render/exposure.h): a program that never
// sets it shows the design's look. One multiply-add a pixel.
uniform float exposureAboveOne;

// The exposure, then linear up to shoulderStart, then an exponential
// roll-off towards 1: highlights keep their hue instead of clipping.
vec3 shoulder(vec3 light) {
  const float a = shoulderStart;
  vec3 x = light + light * exposureAboveOne;
  vec3 over = max(x - a, 0.0);
  return min(x, vec3(a)) + (1.0 - a) * (1.0 - exp(-over / (1.0 - a)));
}
// Light from an image drawn through shoulder, back before its exposure, for
// a shader that puts it through shoulder again.
vec3 unexposed(vec3 shown) { return shown / (1.0 + exposureAboveOne); }

// Air density at radius r relative to sea level, for the two scale heights;
// lowered by its value at the shell's radius (shellDensity, from
// densityAtShell once per pixel), so that the air fades to nothing there and
// the halo has no edge.
vec2 densityAtShell(float shell) { return exp((1.0 - shell) / scaleHeight); }
vec2 densityAt(float r, vec2 shellDensity) { return max(exp((1.0 - r) / scaleHeight) - shellDensity, 0.0); }
// Chapman function for rays at zenith cosine mu >= 0: the density-weighted
// path to space in scale heights, from exp(y*y)erfc(y) ~ 2 / (sqrt(pi)
// (y + sqrt(y*y + 4/pi))) with y = mu sqrt(r / 2H).
vec2 chapman(float r, float mu) { return 2.0 / (mu + sqrt(mu * mu + 8.0 * scaleHeight / (PI * r))); }
// Density-weighted length from radius r, where the density is
// densityAt(r, shellDensity) (the caller has it at hand), to space at zenith cosine
// mu; a ray below the horizon passes its closest approach and climbs back out.
vec2 opticalDepth(float r, float mu, vec2 density, vec2 shellDensity) {
  vec2 upward = scaleHeight * density * chapman(r, abs(mu));
  if (mu >= 0.0) return upward;
  float r0 = max(r * sqrt(max(1.0 - mu * mu, 0.0)), 1.0);
  return 2.0 * scaleHeight * densityAt(r0, shellDensity) * chapman(r0, 0.0) - upward;
}

// How much of the sun a point at radius r sees at sun-zenith cosine mu: all
// of it above the horizon, none once the Earth hides it, with a soft edge.
float sunVisibility(float r, float mu) {
  float closest = mu >= 0.0 ? 2.0 : r * sqrt(max(1.0 - mu * mu, 0.0));
  return smoothstep(shadowEdge.x, shadowEdge.y, closest);
}

// The tables are small and linearly filtered (half floats filter everywhere):
// texel i of n lies at coordinate i / (n - 1), so the ends of each range are
// exact. size: the table's, taken once per pixel.
vec3 readTable(sampler2D table, vec2 size, vec2 xy) {
  return textureLod(table, (clamp(xy, 0.0, 1.0) * (size - 1.0) + 0.5) / size, 0.0).rgb;
}

// The tables' row of radius r: the square root of the altitude's share of
// the shell, so the dense air low down gets most rows.
float altitudeCoordinate(float r, float shell) { return sqrt(clamp((r - 1.0) / (shell - 1.0), 0.0, 1.0)); }

vec3 extinction(vec2 depth) { return exp(-(rayleighScattering * depth.x + mieExtinction * depth.y)); }
