// The atmosphere model the Earth's shading and the atmosphere composite
// share: the Earth's profile and coefficients, its heights stretched by
// airScale (1: the Earth's own, 8 km of Rayleigh scale height 0.00126 of the
// planet radius; 4.8: the design's look, 0.006). The design's 1.07 shell
// bounds the rays whatever the scale. Included by both; it has no #version
// line of its own.

// Programs are built with AIR_SCALE from config.ini's airScale (the tables
// read the same line, loaders/atmospheremodel.h); a program built without it
// gets the Earth's air.
#ifndef AIR_SCALE
#define AIR_SCALE 1.0
#endif

const float PI = 3.14159265;
// Sunlight in the units the 8-bit images show: a white surface facing the sun
// reaches 4/pi, a little past white, which the shoulder rolls off.
const float sunIntensity = 4.0;

const float airScale = AIR_SCALE;
const float earthRadiusKm = 6371.0;
// A km of the Earth's air in planet radii, stretched. Every coefficient per
// km is divided by the same stretch, so that a vertical column through the
// air keeps the Earth's optical depth at any scale; only the limb's width
// and the slant paths change.
const float sceneUnitsPerKm = airScale / earthRadiusKm;
const vec2 scaleHeight = vec2(8.0, 1.2) * sceneUnitsPerKm;  // Rayleigh, Mie
const vec3 rayleighScattering = vec3(5.8e-3, 13.5e-3, 33.1e-3) / sceneUnitsPerKm;
const float mieScattering = 30.0e-3 / sceneUnitsPerKm;
const float mieExtinction = 33.0e-3 / sceneUnitsPerKm;
// The air ends this many Rayleigh scale heights up, or at the shell if that
// is lower (the design's air): a thin air then gets the rays' samples and
// the tables' rows, which a shell 55 of its scale heights high would
// spread over nothing. Its density there is e^-15 of the ground's.
const float airTopHeights = 15.0;
// Ozone absorbs and scatters nothing: its absorption at the layer's peak
// density, and the layer's altitudes (bottom, peak, top), the density rising
// linearly from nothing at the bottom to the peak and falling to nothing at
// the top.
const vec3 ozoneAbsorption = vec3(0.65e-3, 1.88e-3, 0.085e-3) / sceneUnitsPerKm;
const vec3 ozoneLayer = vec3(10.0, 25.0, 40.0) * sceneUnitsPerKm;
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

// The radius where the air ends inside a shell of radius shell.
float airTop(float shell) { return min(shell, 1.0 + airTopHeights * scaleHeight.x); }

// Air density at radius r relative to sea level, for the two scale heights;
// lowered by its value where the air ends (shellDensity, from
// densityAtShell(airTop(...)) once per pixel), so that the air fades to
// nothing there and the halo has no edge.
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
// the air (shell: airTop's), so the dense air low down gets most rows.
float altitudeCoordinate(float r, float shell) { return sqrt(clamp((r - 1.0) / (shell - 1.0), 0.0, 1.0)); }

// Ozone's density at radius r against its peak: the tent.
float ozoneDensity(float r) {
  float h = r - 1.0;
  return max(min((h - ozoneLayer.x) / (ozoneLayer.y - ozoneLayer.x), (ozoneLayer.z - h) / (ozoneLayer.z - ozoneLayer.y)),
             0.0);
}

// The ozone column (length times the peak density) along a straight ray
// from its along-ray coordinate s0 to space. The ray is given by xLow, the
// value at its closest approach to the centre of x = (r*r - 1) / 2, which
// grows exactly as s*s/2 along the ray from there (s0: the signed distance
// from that point). The layer is drawn linear in x between its corners
// (within 5 m of linear in altitude at airScale 1, 150 m at 5.5), so each
// corner's ramp integrates exactly to a cubic: no steps to take, and none
// to miss a layer a few km thin.
const vec3 ozoneCorners = ozoneLayer + 0.5 * ozoneLayer * ozoneLayer;
const vec3 ozoneSlopes = vec3(1.0 / (ozoneCorners.y - ozoneCorners.x),
                              -1.0 / (ozoneCorners.y - ozoneCorners.x) - 1.0 / (ozoneCorners.z - ozoneCorners.y),
                              1.0 / (ozoneCorners.z - ozoneCorners.y));
// Where the ray reaches each corner's level (0 where its lowest point is
// above it); past the top corner's the layer is behind it.
vec3 ozoneReach(float xLow) { return sqrt(max(2.0 * (ozoneCorners - xLow), 0.0)); }
// The column from the ray's lowest point to distance q along it, per corner
// (the integral of max(xLow + u*u/2 - corner, 0) over u from 0 to q).
float ozoneRamps(float xLow, vec3 reach, float s) {
  vec3 q = max(vec3(min(abs(s), reach.z)), reach);
  return dot(ozoneSlopes, (q - reach) * (xLow - ozoneCorners + (q * q + q * reach + reach * reach) / 6.0));
}
// With the ray's reach and its whole column beyond the lowest point
// (ozoneRamps at reach.z) worked out once for many points of one ray.
float ozoneColumn(float xLow, vec3 reach, float beyondLowest, float s0) {
  return max(beyondLowest - sign(s0) * ozoneRamps(xLow, reach, s0), 0.0);
}
float ozoneColumn(float xLow, float s0) {
  vec3 reach = ozoneReach(xLow);
  return ozoneColumn(xLow, reach, ozoneRamps(xLow, reach, reach.z), s0);
}
// The ozone column from radius r to space at zenith cosine mu; a ray into
// the ground is taken through its closest approach as if that lay on the
// ground, as opticalDepth has it.
float ozoneToSpace(float r, float mu) {
  float xLow = 0.5 * (r * r * (1.0 - mu * mu) - 1.0);
  bool grounded = mu < 0.0 && xLow < 0.0;
  return ozoneColumn(grounded ? 0.0 : xLow, grounded ? -sqrt(max(r * r - 1.0, 0.0)) : r * mu);
}
// The same for a mu no lower than the horizon's, whose ray never meets the
// ground.
float ozoneToSunAbove(float r, float mu) { return ozoneColumn(0.5 * (r * r * (1.0 - mu * mu) - 1.0), r * mu); }

vec3 extinction(vec2 depth) { return exp(-(rayleighScattering * depth.x + mieExtinction * depth.y)); }
vec3 extinction(vec2 depth, float ozone) {
  return exp(-(rayleighScattering * depth.x + mieExtinction * depth.y + ozoneAbsorption * ozone));
}

// The samples the composite marches along a ray: SAMPLES, fewer on a ray
// onto the ground by its steepness there (a steep one crosses little air),
// from ten at a cosine of 0.1 to three from 0.4.
const int SAMPLES = 10;
int groundSamples(float muGround) { return int(ceil(mix(float(SAMPLES), 3.0, clamp((muGround - 0.1) / 0.3, 0.0, 1.0)))); }

// The depth of the thin air beyond the Earth's disc: just short of the far
// plane, so that the Moon behind it stays visible, and one a depth buffer
// of 24 bits tells from the far plane when the shell is rasterised at it;
// the sun glow takes it as open sky (render/sunglow.h, kDepthBeyondEarth).
const float depthBeyondEarth = 1.0 - 1.0 / 2097152.0;

// Half a display unit of noise either way, so that smooth gradients of the
// air do not band in 8 bits.
// (pixel: gl_FragCoord.xy, which a vertex stage including this file lacks)
float dither(vec2 pixel) { return fract(sin(dot(pixel, vec2(12.9898, 78.233))) * 43758.5453) - 0.5; }

#ifdef AIR_TABLE_READ
uniform vec3 airTableEye;
uniform vec3 airTableRight;
uniform vec3 airTableUp;
uniform vec4 airTableLayout;
uniform vec3 airTableColumns;
uniform sampler2D airInscatterTable;
uniform sampler2D airTransmittanceTable;

// The air table (the composite's, fShaderIndexedAtmosFinal.glsl): the
// pass's ray read from the table: the texel of the central eye's ray
// through the same closest point, between its neighbours. The ground's rows
// and the limb's are read apart (a ray onto the ground and one that misses
// it by a hair see different air).
bool airFromTable(vec3 eye, vec3 dir, float shellRadius, out vec3 inscatter, out vec3 transmittance) {
  inscatter = vec3(0.0);
  transmittance = vec3(1.0);
  float along = dot(eye, dir);
  vec3 closestPoint = eye - dir * along;
  float closest = length(closestPoint);
  if (along >= 0.0 || closest >= shellRadius) return false;
  vec3 towards = closestPoint - airTableEye;
  float turn = atan(dot(towards, airTableUp), dot(towards, airTableRight)) * (0.5 / PI);
  float groundRows = airTableLayout.x, limbRows = airTableLayout.y;
  bool onGround = closest < 1.0;
  float row = onGround ? clamp(asin(closest) * (2.0 / PI) * groundRows, 0.5, groundRows - 0.5)
                       : groundRows + clamp(sqrt((closest - 1.0) / airTableLayout.z) * limbRows, 0.5, limbRows - 0.5);
  // Between two ground rows marched with different counts of samples the
  // read takes the row of the pass's own count: the step the passes show
  // where their count changes stays where they put it. (At the ground a ray
  // meets it at the cosine sqrt(1 - closest^2), whatever the eye.)
  float below = floor(row - 0.5);
  vec2 rowClosest = sin((0.5 * PI / groundRows) * (vec2(below, below + 1.0) + 0.5));
  vec2 rowMu = sqrt(max(1.0 - rowClosest * rowClosest, 0.0));
  int own = groundSamples(sqrt(max(1.0 - closest * closest, 0.0)));
  int lower = groundSamples(rowMu.x), upper = groundSamples(rowMu.y);
  float snapped = below + 0.5 + (own == upper ? 1.0 : 0.0);
  row = onGround && lower != upper ? snapped : row;
  // Each block's columns end on its first again; the texture may be larger
  // than the table (airTableColumns.z wide, airTableLayout.w high).
  float column = fract(turn) * (onGround ? airTableColumns.y : airTableColumns.x) + 0.5;
  vec2 at = vec2(column / airTableColumns.z, row / airTableLayout.w);
  inscatter = texture(airInscatterTable, at).rgb;
  transmittance = texture(airTransmittanceTable, at).rgb;
  return true;
}
#endif
