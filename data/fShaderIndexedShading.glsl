#version 330 core
#extension GL_ARB_texture_query_levels : enable
// One program shades the Earth, the Moon and the missile. The Earth is the one
// with specular and night textures; the Moon and the missile differ by size
// (model scale 0.3 and 0.01).
in vec2 UV;
in vec3 position_modelspace;
in vec3 position_worldspace;
in vec3 normal_worldspace;
flat in vec3 eye_worldspace;
in vec3 skylight;

uniform mat4 M;
uniform vec3 lightPos_worldspace;
uniform vec2 validityChecker;  // x: specular texture bound, y: night texture bound
uniform sampler2D diffuseTexture;
uniform sampler2D specularTexture;
uniform sampler2D diffuseNightTexture;

out vec3 color;

#include "atmosphere.glsl"

// The Earth's layers (scene/earthlayers.h), each compiled in only when
// switched on, each a two-channel texture (the files' green and alpha). The
// relief holds the slope east in red and north in green, each stored as the
// signed square root of its share of 1 (the generator's encodeSlope); the
// clouds hold July's opacity in red and December's in green, mixed by
// cloudSeason.
#ifdef EARTH_RELIEF
uniform sampler2D reliefTexture;
// Slopes a pixel of the map wide are gentler than the ridges they average:
// steepened so the mountains read at the sun's heights of a day.
const float reliefSteepening = 2.5;
#endif
#ifdef EARTH_CLOUDS
uniform sampler2D cloudTexture;
uniform float cloudSeason;
// The layer's height above the ground in the air's scale heights (the tops
// of low and middle cloud, some 5 km on the real Earth), so that it stays
// inside the air however thick the air is drawn; the albedo of a thick deck;
// the share of the direct sun a thick deck's shadow takes, the rest of the
// shadow's light being the sky's blue.
const float cloudHeightInScaleHeights = 0.6;
const float cloudAlbedo = 0.85;
const float cloudShadowDepth = 0.85;
#endif

// Sunlight left on the ground with the sun at zenith cosine mu, by the
// Chapman depth as the composite has it (below the horizon along the grazing
// ray, as the tables have it); zero once the Earth hides the sun,
// with a soft edge just below the horizon. On a software rasteriser a table
// read costs more than the Chapman depth and its exponentials.
vec3 sunOnGround(float mu) {
  return sunVisibility(1.0, mu) * extinction(scaleHeight * chapman(1.0, max(mu, 0.0)), ozoneToSpace(1.0, max(mu, 0.0)));
}

// Fraction of the sun's disc that the Earth's sphere leaves visible from p.
float earthShadow(vec3 p, vec3 l) {
  float along = dot(-p, l);  // distance along the sun ray to the closest approach
  if (along <= 0.0) return 1.0;
  float miss = length(p + l * along);
  float penumbra = max(along * 0.0093, 0.002);  // the sun's disc seen from p
  return smoothstep(1.0 - penumbra, 1.0 + penumbra, miss);
}

float ggx(float nh, float alpha) {
  float a2 = alpha * alpha;
  float d = nh * nh * (a2 - 1.0) + 1.0;
  return a2 / (PI * d * d);
}

float smithVisibility(float nv, float nl, float alpha) {
  float k = alpha * 0.5;
  return 0.25 / ((nv * (1.0 - k) + k) * (nl * (1.0 - k) + k));
}

float schlick(float f0, float vh) { return f0 + (1.0 - f0) * pow(1.0 - vh, 5.0); }

// The ocean glint's roughness (GGX alpha) on calm water.
const float glintRoughness = 0.07;

// Gusts over the sea, in [-1, 1]: slanted, bent waves about 200 km long,
// fixed on the sphere (d: the model-space point, of length 1 within the
// mesh's sag, small beside these waves), so the glint's pattern
// neither crawls nor shimmers between the frame's passes.
float wind(vec3 d) {
  // One wave, its phase bent by a longer one: two waves summed would cross
  // as a lattice, and each sine costs a software rasteriser dearly.
  return sin(dot(d, vec3(151.0, 83.0, -117.0)) + 3.1 * sin(dot(d, vec3(-43.0, 71.0, 59.0))));
}

// The night map's light as the lamps' own colour: its luminance only (the
// map's colours are JPEG noise), black below the noise floor, sodium amber
// (a 2000 K lamp) where a town is dim, warming to white in the brightest
// cores. Linear in, linear out; 8 keeps the lights' former brightness.
const float lightsFloor = 0.0025;
vec3 cityLights(vec3 map) {
  float luminance = dot(map, vec3(0.2126, 0.7152, 0.0722));
  float level = max(luminance - lightsFloor, 0.0) / (1.0 - lightsFloor);
  vec3 hue = mix(vec3(1.0, 0.30, 0.04), vec3(1.0, 0.66, 0.40), smoothstep(0.04, 0.5, level));
  return hue * (8.0 * level);
}

// n: the sphere's normal; ground: the normal tilted by the relief, which
// only the diffuse sunlight sees; sunThroughAir: sunOnGround at n, which
// the cloud tops share; shade: the sunlight the clouds leave.
vec3 shadeEarth(vec3 n, vec3 ground, vec3 l, vec3 v, vec3 albedo, float water, vec3 nightLights, vec3 sunThroughAir,
                float shade) {
  float muSun = dot(n, l);
  vec3 sunlight = sunIntensity * sunThroughAir * shade;
  float nl = max(dot(n, l), 0.0);

  // Lambert under the reddened sun and the sky's light on level ground
  // (every order of scattering, from the table, per vertex), which lingers
  // past sunset. The relief cannot light what the Earth's own shadow holds.
  vec3 result = albedo * (sunlight * (nl > 0.0 ? max(dot(ground, l), 0.0) : 0.0) + skylight) / PI;

  if (validityChecker.x > 0.5 && nl > 0.0) {
    // Sun glint: a microfacet lobe on water only, with water's Fresnel,
    // under the sun as the air leaves it (white at noon, red at sunset).
    // The lobe is isotropic in the facets' slopes, so on the sphere it
    // stretches along the plane of incidence as the angles graze. Calm water
    // is a sharp lobe whose core clips; the wind roughens it in patches.
    vec3 h = normalize(l + v);
    float nv = max(dot(n, v), 1e-3);
    float alpha = glintRoughness * (1.0 + 0.5 * wind(position_modelspace));
    float spec = ggx(max(dot(n, h), 0.0), alpha) * smithVisibility(nv, nl, alpha) * schlick(0.02, max(dot(v, h), 0.0));
    result += water * sunlight * spec * nl;
  }
  if (validityChecker.y > 0.5) {
    // City lights where the ground is dark, fading in across the terminator.
    float night = 1.0 - smoothstep(-0.25, 0.05, muSun);
    result += nightLights * night;
  }
  return result;
}

// The Moon's map holds the generator's mean grey (0.55), 0.44 decoded for
// the Clementine mosaic; the Moon's mean reflectance is 0.12, against about
// 0.3 for the Earth, whose map is read as its reflectance.
const float moonAlbedoScale = 0.12 / 0.44;
// Earthshine on the Moon from a full Earth, as a share of sunlight: far above
// the real 1e-4, which no exposure for the sunlit disc would show; enough for
// the ashen glow of photographs exposed for it.
const vec3 fullEarthshine = vec3(0.0045, 0.0060, 0.0090);

// Lommel-Seeliger: flat-bright at full phase instead of darkening towards
// the limb, as regolith is.
float lommelSeeliger(float nl, float nv) { return nl > 0.0 ? 2.0 * nl / (nl + nv + 1e-4) : 0.0; }

// Lunar regolith under the sun, with a mild opposition surge near full; on
// its night side only the light of the Earth's lit face. The Earth is the
// scene's unit sphere at the origin; the Moon's centre is M's translation.
vec3 shadeMoon(vec3 n, vec3 l, vec3 v, vec3 albedo) {
  vec3 reflectance = albedo * moonAlbedoScale;
  float nl = max(dot(n, l), 0.0);
  float nv = max(dot(n, v), 0.0);
  float phase = acos(clamp(dot(l, v), -1.0, 1.0));
  float surge = 1.0 + 0.4 * exp(-phase / 0.1);
  float shadow = earthShadow(position_worldspace, l);
  vec3 sunlit = reflectance * (sunIntensity / PI) * lommelSeeliger(nl, nv) * surge * shadow;
  // In the umbra only light bent through the Earth's atmosphere arrives: red.
  vec3 eclipse = albedo * vec3(0.06, 0.018, 0.006) * (1.0 - shadow) * nl;
  // The Earth's phase seen from the Moon: the lit share of the face it turns
  // to the Moon (full when the Moon is new from the Earth).
  vec3 toEarth = normalize(-position_worldspace);
  float earthLit = 0.5 + 0.5 * dot(normalize(lightPos_worldspace), normalize(M[3].xyz));
  vec3 earthshine = reflectance * (sunIntensity / PI) * fullEarthshine * earthLit *
                    lommelSeeliger(max(dot(n, toEarth), 0.0), nv);
  return sunlit + eclipse + earthshine;
}

// Metallic paint: a base coat tinted by the texture with metallic flakes, under
// a clear coat.
vec3 shadeMissile(vec3 n, vec3 l, vec3 v, vec3 base) {
  float nl = max(dot(n, l), 0.0);
  float nv = max(dot(n, v), 1e-3);
  vec3 h = normalize(l + v);
  float nh = max(dot(n, h), 0.0);
  float vh = max(dot(v, h), 0.0);
  vec3 sunlight = vec3(sunIntensity * earthShadow(position_worldspace, l));
  vec3 flakeF0 = mix(vec3(0.55), base, 0.6);
  vec3 flakes = (flakeF0 + (1.0 - flakeF0) * pow(1.0 - vh, 5.0)) * ggx(nh, 0.35) * smithVisibility(nv, nl, 0.35);
  float coat = schlick(0.04, vh) * ggx(nh, 0.06) * smithVisibility(nv, nl, 0.06);
  vec3 diffuse = base * 0.35 / PI;
  vec3 ambient = base * vec3(0.015, 0.02, 0.03);  // earthshine from below
  return sunlight * nl * (diffuse + 0.6 * flakes + coat) + ambient;
}

// Texture reads. On hardware the texture unit filters, with the anisotropy
// the textures were given (the program defines TEXTURE_UNIT_FILTERING there).
// On a software rasteriser the textures' own filtering costs several times
// what the same filter costs built from texel fetches, so where the mipmap
// levels can be queried it is built here: trilinear from level 0 of the
// texture's own chain, repeating at the edges as the textures do. Fetches
// stay out of branches that differ from pixel to pixel: that rasteriser runs
// them for every pixel anyway, at a higher price.
#if defined(GL_ARB_texture_query_levels) && !defined(TEXTURE_UNIT_FILTERING)
// One level, bilinear; size0 is the size of level 0.
vec4 fetchBilinear(sampler2D s, vec2 uv, ivec2 size0, int level) {
  ivec2 levelSize = max(size0 >> level, ivec2(1));
  vec2 size = vec2(levelSize);
  vec2 t = fract(uv) * size - 0.5;
  vec2 cell = floor(t);
  vec2 f = t - cell;
  // Wrapped into the level; the clamp keeps a broken model's NaN texture
  // coordinates from fetching outside it.
  ivec2 a = clamp(ivec2(cell + size * vec2(lessThan(cell, vec2(0.0)))), ivec2(0), levelSize - 1);
  ivec2 b = a + 1;
  b.x = b.x < levelSize.x ? b.x : 0;
  b.y = b.y < levelSize.y ? b.y : 0;
  vec4 c00 = texelFetch(s, a, level);
  vec4 c10 = texelFetch(s, ivec2(b.x, a.y), level);
  vec4 c01 = texelFetch(s, ivec2(a.x, b.y), level);
  vec4 c11 = texelFetch(s, b, level);
  return mix(mix(c00, c10, f.x), mix(c01, c11, f.x), f.y);
}

// The level of detail from the footprint's longer side, within the chain.
float levelOfDetail(sampler2D s, ivec2 size0, vec2 dx, vec2 dy, out int last) {
  vec2 size = vec2(size0);
  last = max(textureQueryLevels(s) - 1, 0);
  float lod = log2(max(length(dx * size), length(dy * size)));
  // Magnified, empty and undefined (NaN) footprints read level 0.
  return lod > 0.0 ? min(lod, float(last)) : 0.0;
}

vec4 sampleTrilinear(sampler2D s, vec2 uv, vec2 dx, vec2 dy) {
  ivec2 size0 = textureSize(s, 0);
  int last;
  float lod = levelOfDetail(s, size0, dx, dy, last);
  int level = int(lod);
  return mix(fetchBilinear(s, uv, size0, level), fetchBilinear(s, uv, size0, min(level + 1, last)), lod - float(level));
}

// Bilinear from the nearest level, at half the fetches: for the water mask and
// the city lights, where the step between levels only changes how sharp a
// coastline or a light is.
vec4 sampleNearestLevel(sampler2D s, vec2 uv, vec2 dx, vec2 dy) {
  ivec2 size0 = textureSize(s, 0);
  int last;
  float lod = levelOfDetail(s, size0, dx, dy, last);
  return fetchBilinear(s, uv, size0, min(int(lod + 0.5), last));
}

// The Earth's layers share one size, so one level of detail serves every
// read of them: bilinear from the nearest level, or (for the soft cloud
// shadows) bilinear a level coarser. (The one nearest texel there drew the
// shadows of small clouds as grey squares on the desert.)
// The layers are plain bytes (scene/earthlayers.cpp), where the texture unit's
// bilinear read of one level costs less than four fetches.
struct LayerLevel {
  ivec2 size0;
  int level, coarser;
};
LayerLevel layerLevel(sampler2D s, vec2 dx, vec2 dy) {
  LayerLevel l;
  l.size0 = textureSize(s, 0);
  int last;
  float lod = levelOfDetail(s, l.size0, dx, dy, last);
  l.level = min(int(lod + 0.5), last);
  l.coarser = min(l.level + 1, last);
  return l;
}
vec4 sampleLayer(sampler2D s, vec2 uv, LayerLevel l, vec2 dx, vec2 dy) { return textureLod(s, uv, float(l.level)); }
vec4 sampleLayerCoarse(sampler2D s, vec2 uv, LayerLevel l, vec2 dx, vec2 dy) {
  return textureLod(s, uv, float(l.coarser));
}
#else
struct LayerLevel {
  float unused;
};
LayerLevel layerLevel(sampler2D s, vec2 dx, vec2 dy) { return LayerLevel(0.0); }
vec4 sampleLayer(sampler2D s, vec2 uv, LayerLevel l, vec2 dx, vec2 dy) { return textureGrad(s, uv, dx, dy); }
vec4 sampleLayerCoarse(sampler2D s, vec2 uv, LayerLevel l, vec2 dx, vec2 dy) { return textureGrad(s, uv, dx * 2.0, dy * 2.0); }
vec4 sampleTrilinear(sampler2D s, vec2 uv, vec2 dx, vec2 dy) { return textureGrad(s, uv, dx, dy); }
vec4 sampleNearestLevel(sampler2D s, vec2 uv, vec2 dx, vec2 dy) { return textureGrad(s, uv, dx, dy); }
#endif

// The map's coordinates of direction p in the model's frame, as the sphere
// meshes lay the map out: u from 180 degrees west eastwards (longitude 0 on
// +Z, 90 degrees east on +X), v down from the north pole (+Y), the loader
// having flipped the file's v.
vec2 sphereMapCoordinates(vec3 p) {
  return vec2(atan(p.x, p.z) * (0.5 / PI) + 0.5, 0.5 - atan(p.y, length(p.xz)) * (1.0 / PI));
}

#if defined(EARTH_CLOUDS)
// A distance along the ground (world units, on the unit sphere) as texture
// coordinates at a point cosLat from the axis.
vec2 groundToUv(vec3 d, vec3 east, vec3 north, float cosLat) {
  return vec2(dot(d, east) / (2.0 * PI * max(cosLat, 0.05)), dot(d, north) / PI);
}

// Where along the ground a ray from direction dir (unit, from the ground
// point with zenith up) crosses the cloud layer: the offset, tangent to the
// ground. Grazing rays are held at twenty layer heights.
vec3 layerOffset(vec3 dir, vec3 up) {
  float mu = dot(dir, up);
  return (dir - up * mu) * (cloudHeightInScaleHeights * scaleHeight.x / max(mu, 0.05));
}

float cloudCover(vec2 uv, LayerLevel level, vec2 dx, vec2 dy) {
  vec4 c = sampleLayer(cloudTexture, uv, level, dx, dy);
  return mix(c.r, c.g, cloudSeason);
}
float cloudShadowCover(vec2 uv, LayerLevel level, vec2 dx, vec2 dy) {
  vec4 c = sampleLayerCoarse(cloudTexture, uv, level, dx, dy);
  return mix(c.r, c.g, cloudSeason);
}
#endif

void main() {
  vec3 n = normalize(normal_worldspace);
  vec3 l = normalize(lightPos_worldspace - position_worldspace);
  vec3 v = normalize(eye_worldspace - position_worldspace);
  float scale = length(M[0].xyz);
  // The Earth and the Moon read their maps at the surface's own direction:
  // the coordinates the pole fans interpolate pinch and smear there.
  bool sphere = scale > 0.05;
  vec2 uv = sphere ? sphereMapCoordinates(position_modelspace) : UV;
  // Derivatives taken in uniform control flow, before any branch.
  vec2 dx = dFdx(uv), dy = dFdy(uv);
  // Across the map's seam u jumps by one between neighbours.
  dx.x -= round(dx.x);
  dy.x -= round(dy.x);
  // A row of the map shrinks to a point at the pole: a pixel spans
  // 1/cos(latitude) as many texels along it as down a column, and the
  // level that footprint asks for blurs whole bands of latitude together,
  // radial streaks on the ice. The row's footprint is held within twice the
  // ground's (nothing changes below 60 degrees).
  float rowShare = sphere ? min(1.0, 2.0 * length(position_modelspace.xz)) : 1.0;
  dx.x *= rowShare;
  dy.x *= rowShare;
  vec3 albedo = decode(sampleTrilinear(diffuseTexture, uv, dx, dy).rgb);
  float water = validityChecker.x > 0.5 ? sampleNearestLevel(specularTexture, uv, dx, dy).r : 0.0;
  vec3 nightLights = validityChecker.y > 0.5 ? cityLights(decode(sampleNearestLevel(diffuseNightTexture, uv, dx, dy).rgb)) : vec3(0.0);
#if defined(EARTH_RELIEF) || defined(EARTH_CLOUDS)
  // East and north at the point, from the model's axis (its +Y).
  vec3 pole = normalize(M[1].xyz);
  vec3 eastRaw = cross(pole, n);
  float cosLat = length(eastRaw);
  vec3 east = eastRaw / max(cosLat, 1e-4);
  vec3 north = cross(n, east);
#endif
#if defined(EARTH_CLOUDS)
  LayerLevel layer = layerLevel(cloudTexture, dx, dy);
#elif defined(EARTH_RELIEF)
  LayerLevel layer = layerLevel(reliefTexture, dx, dy);
#endif
  vec3 ground = n;
#ifdef EARTH_RELIEF
  vec2 stored = sampleLayer(reliefTexture, uv, layer, dx, dy).rg * 2.0 - 1.0;
  vec2 slope = stored * abs(stored) * reliefSteepening;
  ground = normalize(n - slope.x * east - slope.y * north);
#endif
  float shade = 1.0, cloud = 0.0;
#ifdef EARTH_CLOUDS
  // The cloud the eye sees above this ground lies back along the view ray;
  // the one shading it lies towards the sun.
  cloud = cloudCover(uv + groundToUv(layerOffset(v, n), east, north, cosLat), layer, dx, dy);
#ifdef CLOUD_SHADOWS
  shade = 1.0 - cloudShadowDepth * cloudShadowCover(uv + groundToUv(layerOffset(l, n), east, north, cosLat), layer, dx, dy);
#endif
#endif
  // Each body's program is built for it (scene/scene.h): EARTH_ONLY for the
  // Earth's, WITHOUT_EARTH for the Moon's and the missile's, so that the
  // condition folds away with the bodies the program never draws. A software
  // rasteriser runs every side of a branch, even one that goes the same way
  // for all of a draw's pixels. Built with neither, one program draws all
  // three, told apart by their textures and size.
#if defined(EARTH_ONLY)
  const bool earth = true;
#elif defined(WITHOUT_EARTH)
  const bool earth = false;
#else
  bool earth = validityChecker.x > 0.5 || validityChecker.y > 0.5 || scale > 0.6;
#endif
  vec3 radiance;
  if (earth) {
    // The sun through the air to the ground, once for the ground and the
    // cloud tops above it.
    float muSun = dot(n, l);
    vec3 sunThroughAir = sunOnGround(muSun);
    radiance = shadeEarth(n, ground, l, v, albedo, water, nightLights, sunThroughAir, shade);
#ifdef EARTH_CLOUDS
    // The cloud tops under the sun as the ground has it (reddened towards
    // the terminator, dark beyond it) and the sky's light, over the ground,
    // its glint and its lights. Thin cloud sends back less than it stops
    // (most of the rest goes on down, scattered): the ground shows through
    // more than the opacity says, thick cloud stays white.
    vec3 tops = cloudAlbedo * (sunIntensity * sunThroughAir * max(muSun, 0.0) + skylight) / PI;
    radiance = mix(radiance, tops, cloud * sqrt(cloud));
#endif
  } else if (scale > 0.05)
    radiance = shadeMoon(n, l, v, albedo);
  else
    radiance = shadeMissile(n, l, v, albedo);
#ifdef AIR_TABLE_READ
  // The Earth drawn straight into the pass with the air before it, as the
  // atmosphere composite would put it over the planet image (through the
  // shoulder twice: once for the image, once for the composite).
  vec3 inscatter, transmittance;
  // (Every ray onto the Earth is in the air: no shell to miss.)
  airFromTable(eye_worldspace, normalize(position_worldspace - eye_worldspace), 1e30, inscatter, transmittance);
  vec3 shown = shoulder(radiance);
  color = encode(shoulder(unexposed(shown) * transmittance + sunIntensity * inscatter)) + dither(gl_FragCoord.xy) / 255.0;
#else
  color = encode(shoulder(radiance));
#endif
}
