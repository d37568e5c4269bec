#version 330 core
// The atmosphere composite: the planet-colour image seen through the air, plus
// the sunlight the air scatters towards the eye along each pixel's view ray
// (ozone only absorbs, on the way in and on the way out),
// from where it enters the shell to the Earth's surface or the shell's far
// side: light scattered once (Rayleigh and Mie, the Earth's shadow cut from
// each sample's stretch of the ray) marched along the ray, and every further
// order from the multiple-scattering table, read where the air the eye sees
// lies.
//
// Built three ways. Plain, every pass computes its own air. With
// AIR_TABLE_BUILD it fills, once a frame, the air table: the same
// computation for the rays from the frame's central eye, one texel a ray,
// by the ray's azimuth about the eye's line to the Earth's centre (columns)
// and its closest approach to that centre (rows: the rays onto the ground,
// then the rays through the limb). With AIR_TABLE_READ each pass reads its
// pixel's air from the table instead: the passes' eyes differ by a turn of
// a twentieth of a degree about the focus, so a ray of a pass and the
// central eye's ray with the same closest point cross the same air.
uniform mat4 M;
uniform vec3 lightPos_worldspace;

#ifdef AIR_TABLE_BUILD
// The central eye, and two unit vectors across its line to the centre: the
// azimuth's zero and its quarter turn.
uniform vec3 airTableEye;
uniform vec3 airTableRight;
uniform vec3 airTableUp;
// The table's rows: ground rows, limb rows, the height above the ground the
// limb rows reach, and the texture's height; its columns: on the limb rows,
// on the ground rows (each holding one more, the first again), and the
// texture's width.
uniform vec4 airTableLayout;
uniform vec3 airTableColumns;
layout(location = 0) out vec4 tableInscatter;
layout(location = 1) out vec4 tableTransmittance;
#else
flat in vec3 eye_worldspace;
flat in vec2 focalLength;
flat in vec2 depthRow;

uniform mat4 V;
uniform vec2 screenSize;
uniform sampler2D texturePlanetColor;

out vec3 color;
#endif

#include "atmosphere.glsl"



vec2 opticalDepthAlong(vec3 p, vec3 d, vec2 shellDensity) {
  float r = length(p);
  return opticalDepth(r, dot(p, d) / r, densityAt(r, shellDensity), shellDensity);
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

// The light of every order beyond the first, from the table at (sun
// coordinate, altitude coordinate) xy (size: the table's).
vec3 ambientAt(vec2 xy, vec2 size) {
  vec3 encoded = readTable(multipleScatteringTable, size, xy);
  return encoded * encoded * multipleScatteringScale;
}

// The stretches of the ray o + t d inside three cylinders about the shadow's
// axis, behind the Earth, at the radii across the shadow's soft edge (none
// where y < x). The cylinders share their axis, so the closest approach to
// it is found once.
void shadowSpans(vec3 o, vec3 d, vec3 l, out vec2 inner, out vec2 middle, out vec2 outer) {
  vec3 radii = mix(vec3(shadowEdge.x), vec3(shadowEdge.y), vec3(1.0 / 6.0, 0.5, 5.0 / 6.0));
  vec3 across = d - l * dot(d, l);
  float a = dot(across, across);
  vec3 near = vec3(-1e9), far = vec3(1e9);
  bvec3 missed;
  if (a > 1e-12) {
    // From the closest approach to the axis, exact for a far eye.
    float tc = -dot(o - l * dot(o, l), across) / a;
    vec3 closest = o + d * tc;
    closest -= l * dot(closest, l);
    vec3 disc = (radii * radii - dot(closest, closest)) / a;
    missed = lessThan(disc, vec3(0.0));
    vec3 halfChord = sqrt(max(disc, 0.0));
    near = tc - halfChord;
    far = tc + halfChord;
  } else {
    missed = greaterThanEqual(vec3(dot(o, o) - dot(o, l) * dot(o, l)), radii * radii);
  }
  float ol = dot(o, l), dl = dot(d, l);
  if (dl > 0.0) far = min(far, vec3(-ol / dl));
  else if (dl < 0.0) near = max(near, vec3(-ol / dl));
  else if (ol >= 0.0) missed = bvec3(true);
  // An empty stretch for a cylinder the ray misses.
  near = mix(near, vec3(1.0), vec3(missed));
  far = mix(far, vec3(-1.0), vec3(missed));
  inner = vec2(near.x, far.x);
  middle = vec2(near.y, far.y);
  outer = vec2(near.z, far.z);
}

// The sunlit share of [t - dt/2, t + dt/2]: the soft edge of the shadow as
// three nested cylinders across it, each taking a third of the light, and
// each cut exactly, so that no sample spacing shows across the edge.
float litShare(float t, float dt, vec2 inner, vec2 middle, vec2 outer) {
  vec2 ends = vec2(t - 0.5 * dt, t + 0.5 * dt);
  vec3 overlap = min(vec3(ends.y), vec3(inner.y, middle.y, outer.y)) - max(vec3(ends.x), vec3(inner.x, middle.x, outer.x));
  vec3 shaded = clamp(overlap / max(dt, 1e-9), 0.0, 1.0);
  return 1.0 - (shaded.x + shaded.y + shaded.z) / 3.0;
}

// The light the air along eye + t dir (dir of unit length) scatters towards
// the eye, in units of sunIntensity, and the light of what lies beyond that
// reaches it; false for a ray that misses the shell.
bool airAlong(vec3 eye, vec3 dir, vec3 l, float shellRadius, out vec3 inscatter, out vec3 pathTransmittance) {
  inscatter = vec3(0.0);
  pathTransmittance = vec3(1.0);
  vec2 tableSize = vec2(textureSize(multipleScatteringTable, 0));
  vec2 shellDensity = densityAtShell(shellRadius);
  vec2 shell = sphereHits(eye, dir, shellRadius);
  vec2 ground = sphereHits(eye, dir, 1.0);
  bool hitsEarth = ground.y >= ground.x && ground.x > 0.0;
  if (shell.y < shell.x || shell.y <= 0.0) return false;
  float t0 = max(shell.x, 0.0);
  float t1 = hitsEarth ? ground.x : shell.y;

  // Optical depth from the entry point to distance t: differences of depths
  // to space, measured upwards so the formula never looks into the ground.
  vec3 entry = eye + dir * t0;
  // Towards space from every point of the path: back along the ray when it
  // ends on the ground, onwards when it leaves the shell again.
  vec3 outward = hitsEarth ? -dir : dir;
  vec2 entryDepth = opticalDepthAlong(entry, outward, shellDensity);
  // The Earth's shadow along the ray, at three radii across its soft edge.
  vec2 inner, middle, outer;
  shadowSpans(eye, dir, l, inner, middle, outer);

  float nu = dot(dir, l);
  float rayleighPhase = 3.0 / (16.0 * PI) * (1.0 + nu * nu);
  float g2 = mieG * mieG;
  float miePhase = 3.0 / (8.0 * PI) * (1.0 - g2) * (1.0 + nu * nu) /
                   ((2.0 + g2) * pow(1.0 + g2 - 2.0 * mieG * nu, 1.5));

  // One loop for rays onto the ground and rays through the limb: a software
  // rasteriser runs both sides of a branch, and a loop at least once, for
  // every pixel of a block.
  float muGround = hitsEarth ? dot(normalize(eye + dir * t1), -dir) : 0.0;
  // Steep rays cross little air and need few samples; grazing ones all.
  int groundCount = hitsEarth ? groundSamples(muGround) : 0;

  // Crowded quadratically towards the closest approach to the planet.
  // When the lowest point lies in the Earth's shadow, the sunlit air that
  // matters most starts where the ray leaves the shadow nearest to it: the
  // samples crowd there instead (the same point as the lowest one leaves the
  // shadow, so nothing jumps).
  // A ray onto the ground is the same with its end as the lowest point:
  // every sample before it, crowded towards the ground, where the air is
  // densest.
  float tLow = clamp(-dot(eye, dir), t0, t1);
  if (tLow > middle.x && tLow < middle.y) tLow = clamp(tLow - middle.x < middle.y - tLow ? middle.x : middle.y, t0, t1);
  if (hitsEarth) tLow = t1;
  float before = max(tLow - t0, 0.0), after = max(t1 - tLow, 0.0);
  float split = before / max(before + after, 1e-6);
  // The path's end looks up: from the ground back along the ray, or out of
  // the shell. (A software rasteriser would pay for the branch below the
  // horizon in opticalDepth whether or not a pixel took it.)
  vec3 end = eye + dir * t1;
  float endR = length(end);
  vec2 endDepth = scaleHeight * densityAt(endR, shellDensity) * chapman(endR, max(dot(end, outward) / endR, 0.0));
  vec2 pathDepth = hitsEarth ? endDepth - entryDepth : entryDepth - endDepth;
  // Ozone along the view ray, from its own closest approach to the centre
  // (exact for a far eye): the column from the entry to any point is a
  // difference of columns to space.
  float tClosest = -dot(eye, dir);
  vec3 closestPoint = eye + dir * tClosest;
  float xLowView = 0.5 * (dot(closestPoint, closestPoint) - 1.0);
  vec3 reachView = ozoneReach(xLowView);
  float beyondView = ozoneRamps(xLowView, reachView, reachView.z);
  float entryOzone = ozoneColumn(xLowView, reachView, beyondView, t0 - tClosest);
  float pathOzone = max(entryOzone - ozoneColumn(xLowView, reachView, beyondView, t1 - tClosest), 0.0);
  // The higher orders: every bit of air scatters its share of the light
  // about it towards the eye, and the shares seen from the eye add up to
  // the light the whole path takes out, 1 - T, times the part of it that is
  // scattering (Mie and ozone absorb; the samples weigh it, below), times
  // the table's light where that air lies.
  pathDepth = max(pathDepth, 0.0);
  vec3 pathExtinction = rayleighScattering * pathDepth.x + mieExtinction * pathDepth.y + ozoneAbsorption * pathOzone;
  pathTransmittance = exp(-pathExtinction);
  vec3 takenOut = 1.0 - pathTransmittance;

  float lowestR = length(eye + dir * clamp(-dot(eye, dir), t0, t1));
  vec2 lowestDensity = densityAt(lowestR, shellDensity);
  // The density-weighted column through the ray's lowest point, as
  // opticalDepth has it below the horizon. Only samples before the lowest
  // point use it, so only rays whose lowest point lies between their ends:
  // the point above.
  vec2 lowestColumn = 2.0 * scaleHeight * lowestDensity * chapman(lowestR, 0.0);
  // A limb ray opaque in blue (the foot of a thin air's limb crosses an
  // optical depth near 20) takes its light from the first stretch of air it
  // meets, which samples crowded towards the lowest point leave too sparse:
  // twice the samples. Only a ring of pixels a few wide pays for them.
  bool opaque = !hitsEarth && rayleighScattering.b * pathDepth.x > 4.0;
  int count = opaque ? 2 * SAMPLES : hitsEarth ? groundCount : SAMPLES;
  // Where the air the eye sees lies, per colour: the table coordinates of
  // the samples weighted by the light each scatters towards the eye (its
  // scattering, dimmed by the view's transmittance). Blue is dimmed sooner,
  // so it sees nearer air than red.
  vec3 seen = vec3(0.0), seenX = vec3(0.0), seenY = vec3(0.0), seenExtinction = vec3(0.0);
  for (int i = 0; i < count; ++i) {
    float u = (float(i) + 0.5) / float(count);
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
    dt /= float(count);
    vec3 p = eye + dir * t;
    float r = length(p);
    vec2 density = densityAt(r, shellDensity);
    // Before the lowest point the depth to space looks back through it: the
    // column through the lowest point, the same for every sample, less the
    // depth upwards.
    float muView = dot(p, dir) / r;
    vec2 upward = scaleHeight * density * chapman(r, abs(muView));
    // A ray onto the ground descends all the way: looking back up it from a
    // sample never meets the ground.
    vec2 viewDepth = hitsEarth ? upward - entryDepth : entryDepth - (muView >= 0.0 ? upward : lowestColumn - upward);
    // Sunlight by the Chapman depth, below the horizon along the grazing
    // ray; the view's transmittance apart, as the higher orders below weigh
    // each sample by it.
    float muSun = max(dot(p, l) / r, -sqrt(max(1.0 - 1.0 / (r * r), 0.0)));
    float viewOzone = entryOzone - ozoneColumn(xLowView, reachView, beyondView, t - tClosest);
    vec3 viewed = extinction(max(viewDepth, 0.0), max(viewOzone, 0.0));
    vec3 transmitted = litShare(t, dt, inner, middle, outer) * viewed *
                       extinction(opticalDepth(r, muSun, density, shellDensity), ozoneToSunAbove(r, muSun));
    inscatter += (rayleighScattering * (density.x * rayleighPhase) + mieScattering * density.y * miePhase) *
                 transmitted * dt;
    vec3 weight = (rayleighScattering * density.x + mieScattering * density.y) * viewed * dt;
    seen += weight;
    seenExtinction += (rayleighScattering * density.x + mieExtinction * density.y + ozoneAbsorption * ozoneDensity(r)) *
                      viewed * dt;
    seenX += weight * (0.5 + 0.5 * dot(p, l) / r);
    seenY += weight * altitudeCoordinate(r, shellRadius);
  }
  // Three reads, one a colour, every pixel alike (a branch would spare a
  // software rasteriser nothing).
  seenX /= max(seen, 1e-30);
  seenY /= max(seen, 1e-30);
  vec3 seenAmbient = vec3(ambientAt(vec2(seenX.r, seenY.r), tableSize).r, ambientAt(vec2(seenX.g, seenY.g), tableSize).g,
                          ambientAt(vec2(seenX.b, seenY.b), tableSize).b);

  vec3 ambientLight = seenAmbient * takenOut;
  // The share of the light the path takes out that its air scatters, from
  // the samples as the eye sees them: ozone between the eye and the dense
  // air below (a view from above the layer) takes its share before the air
  // scatters, where the path's totals would mix it in.
  inscatter += ambientLight * seen / max(seenExtinction, 1e-30);
  return true;
}

#ifdef AIR_TABLE_BUILD
void main() {
  vec2 texel = gl_FragCoord.xy;
  float groundRows = airTableLayout.x, limbRows = airTableLayout.y;
  // The ground rows are even in the angle whose sine is the closest
  // approach, crowding towards the limb where the slant path grows fast;
  // the limb rows are even in the root of the height, crowding where the
  // air is dense.
  float closest, azimuth;
  if (texel.y < groundRows) {
    closest = sin(0.5 * PI * texel.y / groundRows);
    azimuth = 2.0 * PI * (texel.x - 0.5) / airTableColumns.y;
  } else {
    float s = (texel.y - groundRows) / limbRows;
    closest = 1.0 + airTableLayout.z * s * s;
    azimuth = 2.0 * PI * (texel.x - 0.5) / airTableColumns.x;
  }
  float distance = length(airTableEye);
  vec3 axis = -airTableEye / distance;
  float across = min(closest / distance, 1.0);
  vec3 dir = sqrt(1.0 - across * across) * axis + across * (cos(azimuth) * airTableRight + sin(azimuth) * airTableUp);
  vec3 inscatter, transmittance;
  airAlong(airTableEye, normalize(dir), normalize(lightPos_worldspace), airTop(length(M[0].xyz)), inscatter,
           transmittance);
  tableInscatter = vec4(inscatter, 1.0);
  tableTransmittance = vec4(transmittance, 1.0);
}
#else


void main() {
  vec2 uv = gl_FragCoord.xy / screenSize;
  ivec2 pixel = ivec2(gl_FragCoord.xy);
  vec3 planet = decode(texelFetch(texturePlanetColor, pixel, 0).rgb);
  vec2 ndc = uv * 2.0 - 1.0;
  vec3 viewRay = vec3(ndc / focalLength, -1.0);
  float viewRayLength = length(viewRay);
  vec3 dir = transpose(mat3(V)) * (viewRay / viewRayLength);
  vec3 eye = eye_worldspace;
  float shellRadius = airTop(length(M[0].xyz));
  vec2 ground = sphereHits(eye, dir, 1.0);
  bool hitsEarth = ground.y >= ground.x && ground.x > 0.0;
  // The depth of the ground's point from the projection: the same as the
  // Earth's own draw gives, to within its facets' sag, without reading an
  // image of it.
  float viewZ = -ground.x / viewRayLength;
#ifndef AIR_TABLE_READ
  // (Reading the table, the Earth is drawn over this pass already with its
  // air, and the shell's depth, depthBeyondEarth, leaves its pixels alone.)
  gl_FragDepth = hitsEarth ? 0.5 - 0.5 * (depthRow.x * viewZ + depthRow.y) / viewZ : depthBeyondEarth;
#endif
  vec3 inscatter, transmittance;
#ifdef AIR_TABLE_READ
  bool inAir = airFromTable(eye, dir, shellRadius, inscatter, transmittance);
#else
  // The sun is far: one direction.
  bool inAir = airAlong(eye, dir, normalize(lightPos_worldspace), shellRadius, inscatter, transmittance);
#endif
  if (!inAir) {
    color = encode(planet);
    return;
  }
  vec3 radiance = unexposed(planet) * transmittance + sunIntensity * inscatter;
  color = encode(shoulder(radiance)) + dither(gl_FragCoord.xy) / 255.0;
}
#endif
