#include "tools/assetgen/clouds.h"

#include <algorithm>
#include <cmath>
#include <thread>

#include "tools/assetgen/procedural.h"

namespace {
constexpr float kPi = 3.14159265358979f;

float smooth(float a, float b, float x) {
  const float t = std::clamp((x - a) / (b - a), 0.0f, 1.0f);
  return t * t * (3 - 2 * t);
}

glm::vec3 unitAt(float lonDeg, float latDeg) {
  const float lon = lonDeg * kPi / 180, lat = latDeg * kPi / 180;
  return glm::vec3(std::sin(lon) * std::cos(lat), std::sin(lat), std::cos(lon) * std::cos(lat));
}

// 3-D value noise on the lattice, in [-1, 1]: evaluated on the sphere's
// points, so that nothing pinches at the poles or breaks at the seam.
uint32_t hash3(int x, int y, int z, uint32_t seed) {
  uint32_t h = static_cast<uint32_t>(x) * 0x8da6b343u ^ static_cast<uint32_t>(y) * 0xd8163841u ^
               static_cast<uint32_t>(z) * 0xcb1ab31fu ^ seed * 0x165667b1u;
  h ^= h >> 15;
  h *= 0x2c1b3c6du;
  h ^= h >> 12;
  h *= 0x297a2d39u;
  h ^= h >> 15;
  return h;
}

float lattice(int x, int y, int z, uint32_t seed) { return static_cast<float>(hash3(x, y, z, seed) >> 8) / 8388607.5f - 1.0f; }

float noise3(glm::vec3 p, uint32_t seed) {
  const glm::vec3 f = glm::floor(p);
  const int x = static_cast<int>(f.x), y = static_cast<int>(f.y), z = static_cast<int>(f.z);
  glm::vec3 t = p - f;
  t = t * t * (3.0f - 2.0f * t);
  auto lerp = [](float a, float b, float s) { return a + (b - a) * s; };
  const float c00 = lerp(lattice(x, y, z, seed), lattice(x + 1, y, z, seed), t.x);
  const float c10 = lerp(lattice(x, y + 1, z, seed), lattice(x + 1, y + 1, z, seed), t.x);
  const float c01 = lerp(lattice(x, y, z + 1, seed), lattice(x + 1, y, z + 1, seed), t.x);
  const float c11 = lerp(lattice(x, y + 1, z + 1, seed), lattice(x + 1, y + 1, z + 1, seed), t.x);
  return lerp(lerp(c00, c10, t.y), lerp(c01, c11, t.y), t.z);
}

float fbm(glm::vec3 p, int octaves, uint32_t seed, float gain = 0.5f) {
  float sum = 0, amplitude = 1, norm = 0;
  for (int i = 0; i < octaves; ++i) {
    sum += amplitude * noise3(p, seed + static_cast<uint32_t>(i) * 101u);
    norm += amplitude;
    amplitude *= gain;
    p = p * 2.03f + glm::vec3(17.1f, -5.3f, 9.7f);
  }
  return sum / norm;
}

struct Cyclone {
  glm::vec3 centre;
  float radius;
  float twist;
};

// Lows along the storm tracks of both hemispheres, a dozen each, at random
// longitudes and latitudes between 38 and 66 degrees.
std::vector<Cyclone> stormTrackCyclones(uint32_t seed) {
  Random random(seed);
  std::vector<Cyclone> lows;
  for (int hemisphere = 0; hemisphere < 2; ++hemisphere)
    for (int i = 0; i < 13; ++i) {
      const float lon = -180.0f + 360.0f * (i + 0.2f + 0.6f * random.uniform()) / 13.0f;
      const float lat = (38.0f + 28.0f * random.uniform()) * (hemisphere == 0 ? 1.0f : -1.0f);
      lows.push_back({unitAt(lon, lat), 0.16f + 0.1f * random.uniform(), 2.2f + 1.6f * random.uniform()});
    }
  return lows;
}

// The regimes' noises, each mapped to [0, 1] with a flat histogram by its
// quantiles over the globe, so that a cover of p leaves a share p of any
// regime's texels cloudy.
struct Quantiles {
  std::vector<float> edges;  // 256 values, ascending
  float rank(float v) const {
    const auto it = std::lower_bound(edges.begin(), edges.end(), v);
    const size_t i = static_cast<size_t>(it - edges.begin());
    if (i == 0) return 0.0f;
    if (i >= edges.size()) return 1.0f;
    const float a = edges[i - 1], b = edges[i];
    const float t = b > a ? (v - a) / (b - a) : 0.5f;
    return (static_cast<float>(i - 1) + t) / static_cast<float>(edges.size() - 1);
  }
};

enum Regime { kStorm, kTrade, kTower, kSheet, kRegimes };

struct Weather {
  std::vector<Cyclone> lows;
  uint32_t seed;

  glm::vec3 swirled(glm::vec3 p) const {
    for (const Cyclone& low : lows)
      if (glm::dot(p, low.centre) > std::cos(low.radius)) p = cycloneSource(p, low.centre, low.radius, low.twist);
    return p;
  }

  float raw(Regime regime, const glm::vec3& p) const {
    switch (regime) {
      case kStorm: {
        // Fronts: long bands from a strongly warped field, wound into
        // spirals about the lows.
        const glm::vec3 q = swirled(p) * 5.0f;
        const glm::vec3 warp(fbm(q + glm::vec3(3.1f), 3, seed + 1), fbm(q + glm::vec3(-7.7f), 3, seed + 2),
                             fbm(q + glm::vec3(11.3f), 3, seed + 3));
        return fbm(q + 1.6f * warp, 6, seed + 4, 0.55f);
      }
      case kTrade:
        // Fields of small cumulus, a few tens of kilometres, in patches.
        return 0.55f * fbm(p * 90.0f, 2, seed + 5, 0.5f) + 0.45f * fbm(p * 6.0f, 3, seed + 6);
      case kTower:
        // Clusters of towers some hundreds of kilometres across.
        return 0.6f * fbm(p * 16.0f, 3, seed + 7, 0.45f) + 0.4f * fbm(p * 3.5f, 2, seed + 8);
      default:
        // Stratus: wide smooth sheets with a fine cellular grain.
        return 0.85f * fbm(p * 4.0f, 3, seed + 9, 0.4f) + 0.15f * fbm(p * 70.0f, 2, seed + 10);
    }
  }

  // The grain every regime shares: how thick the cloud is, texel by texel,
  // in cells of a few tens of kilometres gathered in patches a few hundred
  // across, so that a cloudy region is broken and thin in places and no
  // texel of it is a flat sheet.
  float grain(const glm::vec3& p) const {
    return 0.5f * fbm(p * 90.0f, 3, seed + 11, 0.55f) + 0.5f * fbm(p * 20.0f, 2, seed + 12);
  }
};

template <class Noise>
Quantiles quantilesOf(Noise noise, uint32_t seed) {
  Random random(seed);
  std::vector<float> values(20000);
  for (float& v : values) {
    // Uniform on the sphere.
    const float z = 2.0f * random.uniform() - 1.0f, a = 2.0f * kPi * random.uniform();
    const float s = std::sqrt(std::max(0.0f, 1.0f - z * z));
    v = noise(glm::vec3(s * std::cos(a), z, s * std::sin(a)));
  }
  std::sort(values.begin(), values.end());
  Quantiles q;
  for (int i = 0; i < 256; ++i) q.edges.push_back(values[static_cast<size_t>(i) * (values.size() - 1) / 255]);
  return q;
}

// Each regime's share of a point: storm tracks poleward of about 35 degrees,
// towers where the tropics are wet, stratus off the west coasts, cumulus in
// the rest of the trades.
void regimeWeights(float latDeg, float wet, float stratus, float w[kRegimes]) {
  const float storm = smooth(28.0f, 42.0f, std::fabs(latDeg));
  const float tower = smooth(0.3f, 0.55f, wet) * (1 - storm);
  const float sheet = std::min(stratus, 1.0f - storm - tower);
  w[kStorm] = storm;
  w[kTower] = tower;
  w[kSheet] = std::max(sheet, 0.0f);
  w[kTrade] = std::max(0.0f, 1.0f - storm - tower - w[kSheet]);
}

// Stratus off the west coasts: open water in the subtropics with land close
// to the east.
Field stratusField(const Field& water) {
  Field out(water.width, water.height);
  const int reach = water.width * 18 / 360;  // 18 degrees of longitude
  for (int y = 0; y < water.height; ++y) {
    const float lat = std::fabs(texelLatitude(y, water.height));
    const float band = smooth(8.0f, 15.0f, lat) * (1 - smooth(30.0f, 40.0f, lat));
    if (band <= 0) continue;
    for (int x = 0; x < water.width; ++x) {
      if (water.at(x, y) < 0.5f) continue;
      for (int d = 1; d <= reach; ++d)
        if (water.at((x + d) % water.width, y) < 0.5f) {
          const float near = static_cast<float>(d) / reach;
          out.at(x, y) = band * (1.0f - near * near);
          break;
        }
    }
  }
  return out;
}

Field resampleField(const Field& f, int width, int height) {
  Field out(width, height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) out.at(x, y) = f.sample(texelLongitude(x, width), texelLatitude(y, height));
  return out;
}

// Box blur of radius r texels, wrapping in longitude (the climatology's
// blocks soften into weather-sized gradients).
Field blurred(const Field& f, int r) {
  Field tmp(f.width, f.height), out(f.width, f.height);
  for (int y = 0; y < f.height; ++y)
    for (int x = 0; x < f.width; ++x) {
      float s = 0;
      for (int d = -r; d <= r; ++d) s += f.at((x + d + f.width) % f.width, y);
      tmp.at(x, y) = s / (2 * r + 1);
    }
  for (int y = 0; y < f.height; ++y)
    for (int x = 0; x < f.width; ++x) {
      float s = 0;
      for (int d = -r; d <= r; ++d) s += tmp.at(x, std::clamp(y + d, 0, f.height - 1));
      out.at(x, y) = s / (2 * r + 1);
    }
  return out;
}

constexpr int kClimateWidth = 720, kClimateHeight = 360;

Field wetness(const Image& precipitation) {
  return blurred(resampleField(channelField(precipitation, 1), kClimateWidth, kClimateHeight), 3);
}

// A texel's cloud, 0 clear to 1 opaque, from how far its weather's rank
// passes the clear share (margin) and its grain's rank. The optical depth is
// log-normal, as measured cloud depths are: it grows by a factor e every
// 1/kContrast of rank, so the weather's whole structure shows at any cover,
// thick cores white, their surroundings thinning through broken and partial
// cloud to clear, the grain moving each texel's depth up or down. The
// faintest haze is taken off, so that the dry regions are clear.
constexpr float kContrast = 3.2f, kGrainDepth = 1.6f, kHaze = 0.1f;
float opacity(float margin, float grain) {
  const float depth = std::exp(kContrast * margin + kGrainDepth * (grain - 0.5f)) - kHaze;
  return depth > 0 ? 1.0f - std::exp(-depth) : 0.0f;
}

// The clear share to set for a cover p: where the weather's rank u and the
// grain's rank g (both uniform) give opacity(u - t, g), the mean of that
// over both must come to p. A table over p, each entry by bisection.
struct Thresholds {
  float t[257];
  Thresholds() {
    constexpr int kU = 128, kG = 32;
    for (int i = 0; i <= 256; ++i) {
      const float p = static_cast<float>(i) / 256;
      float low = -2.0f, high = 2.0f;
      for (int k = 0; k < 24; ++k) {
        const float mid = 0.5f * (low + high);
        float mean = 0;
        for (int j = 0; j < kU; ++j)
          for (int g = 0; g < kG; ++g)
            mean += opacity((static_cast<float>(j) + 0.5f) / kU - mid, (static_cast<float>(g) + 0.5f) / kG);
        (mean / (kU * kG) > p ? low : high) = mid;
      }
      t[i] = 0.5f * (low + high);
    }
  }
  float forCover(float p) const {
    const float f = std::clamp(p, 0.0f, 1.0f) * 256;
    const int i = std::min(static_cast<int>(f), 255);
    return t[i] + (t[i + 1] - t[i]) * (f - static_cast<float>(i));
  }
};

// Even the cloudiest places of the climatology show breaks on a day.
constexpr float kWettestCover = 0.9f;

Field coverFrom(const Field& wet, const Field& stratus, float level) {
  Field out(wet.width, wet.height);
  for (int y = 0; y < wet.height; ++y) {
    const float lat = std::fabs(texelLatitude(y, wet.height));
    // Cold air rains little, yet the storm tracks and the polar seas are
    // among the cloudiest places: poleward the rain counts for less and the
    // latitude for more.
    const float cold = smooth(30.0f, 50.0f, lat);
    const float base = 0.05f + 0.62f * cold - 0.1f * smooth(75.0f, 88.0f, lat);
    const float weight = 0.95f - 0.6f * cold;
    for (int x = 0; x < wet.width; ++x) {
      const float rain = smooth(0.03f, 0.45f, wet.at(x, y));
      const float c = level + base + weight * rain + 1.1f * stratus.at(x, y);
      out.at(x, y) = std::clamp(c, 0.02f, kWettestCover);
    }
  }
  return out;
}
// The cover is monotonic in the level: bisection.
float levelForMean(const Field& wet, const Field& stratus, float mean) {
  float low = -1.0f, high = 1.0f;
  for (int i = 0; i < 24; ++i) {
    const float mid = 0.5f * (low + high);
    (bandMean(coverFrom(wet, stratus, mid), -90, 90) < mean ? low : high) = mid;
  }
  return 0.5f * (low + high);
}
}  // namespace

float texelLatitude(int y, int height) { return 90.0f - 180.0f * (static_cast<float>(y) + 0.5f) / static_cast<float>(height); }
float texelLongitude(int x, int width) { return -180.0f + 360.0f * (static_cast<float>(x) + 0.5f) / static_cast<float>(width); }

float Field::sample(float lonDeg, float latDeg) const {
  const float fx = (lonDeg + 180.0f) / 360.0f * width - 0.5f;
  const float fy = std::clamp((90.0f - latDeg) / 180.0f * height - 0.5f, 0.0f, static_cast<float>(height - 1));
  const float x0f = std::floor(fx);
  const float tx = fx - x0f;
  const int x0 = ((static_cast<int>(x0f) % width) + width) % width, x1 = (x0 + 1) % width;
  const int y0 = static_cast<int>(fy), y1 = std::min(y0 + 1, height - 1);
  const float ty = fy - static_cast<float>(y0);
  const float top = at(x0, y0) * (1 - tx) + at(x1, y0) * tx;
  const float bottom = at(x0, y1) * (1 - tx) + at(x1, y1) * tx;
  return top * (1 - ty) + bottom * ty;
}

float bandMean(const Field& f, float latSouth, float latNorth, float lonWest, float lonEast) {
  double sum = 0, area = 0;
  for (int y = 0; y < f.height; ++y) {
    const float lat = texelLatitude(y, f.height);
    if (lat < latSouth || lat > latNorth) continue;
    const double w = std::cos(lat * kPi / 180);
    for (int x = 0; x < f.width; ++x) {
      const float lon = texelLongitude(x, f.width);
      const bool inside = lonWest <= lonEast ? (lon >= lonWest && lon <= lonEast) : (lon >= lonWest || lon <= lonEast);
      if (!inside) continue;
      sum += w * f.at(x, y);
      area += w;
    }
  }
  return area > 0 ? static_cast<float>(sum / area) : 0.0f;
}

Field waterField(const Image& day) {
  Field out(day.width, day.height);
  for (int y = 0; y < day.height; ++y)
    for (int x = 0; x < day.width; ++x) {
      const uint8_t* p = day.at(x, y);
      out.at(x, y) = waterLikeness(p[0], p[1], p[2]);
    }
  return out;
}

Field channelField(const Image& image, int channel) {
  Field out(image.width, image.height);
  for (int y = 0; y < image.height; ++y)
    for (int x = 0; x < image.width; ++x) out.at(x, y) = image.at(x, y)[channel] / 255.0f;
  return out;
}

Field cloudClimate(const Image& precipitation, const Field& water, float level) {
  const Field stratus = blurred(stratusField(resampleField(water, kClimateWidth, kClimateHeight)), 4);
  return coverFrom(wetness(precipitation), stratus, level);
}

float climateLevelFor(const Image& precipitation, const Field& water, float mean) {
  const Field stratus = blurred(stratusField(resampleField(water, kClimateWidth, kClimateHeight)), 4);
  return levelForMean(wetness(precipitation), stratus, mean);
}

glm::vec3 cycloneSource(const glm::vec3& p, const glm::vec3& centre, float radius, float twist) {
  const float d = std::acos(std::clamp(glm::dot(p, centre), -1.0f, 1.0f));
  if (d >= radius) return p;
  const float f = 1.0f - d / radius;
  // Rotating the source by -a about the outward axis shows a feature a
  // further anticlockwise (seen from above); a growing towards the centre
  // winds the arms anticlockwise inwards. Southern lows turn the other way.
  const float sense = centre.y >= 0 ? -1.0f : 1.0f;
  const float a = sense * twist * f * f;
  const float c = std::cos(a), s = std::sin(a);
  // Rodrigues' rotation about the centre's axis.
  return p * c + glm::cross(centre, p) * s + centre * glm::dot(centre, p) * (1.0f - c);
}

Image cloudLayers(const Image& precipJuly, const Image& precipDecember, const Field& water, int width, int height,
                  uint32_t seed, int threads) {
  const Field stratus = blurred(stratusField(resampleField(water, kClimateWidth, kClimateHeight)), 4);
  const Field wetJuly = wetness(precipJuly), wetDecember = wetness(precipDecember);
  const Field coverJuly = coverFrom(wetJuly, stratus, levelForMean(wetJuly, stratus, kMeanCloudCover));
  const Field coverDecember = coverFrom(wetDecember, stratus, levelForMean(wetDecember, stratus, kMeanCloudCover));

  Weather weather{stormTrackCyclones(seed), seed};
  Quantiles quantiles[kRegimes];
  for (int r = 0; r < kRegimes; ++r)
    quantiles[r] = quantilesOf([&](const glm::vec3& p) { return weather.raw(static_cast<Regime>(r), p); }, seed + 77u * r);
  const Quantiles grainQuantiles = quantilesOf([&](const glm::vec3& p) { return weather.grain(p); }, seed + 991u);

  const Thresholds thresholds;
  Image out(width, height);
  auto rows = [&](int first, int step) {
    for (int y = first; y < height; y += step) {
      const float lat = texelLatitude(y, height);
      for (int x = 0; x < width; ++x) {
        const float lon = texelLongitude(x, width);
        const glm::vec3 p = unitAt(lon, lat);
        float wJuly[kRegimes], wDecember[kRegimes];
        regimeWeights(lat, wetJuly.sample(lon, lat), stratus.sample(lon, lat), wJuly);
        regimeWeights(lat, wetDecember.sample(lon, lat), stratus.sample(lon, lat), wDecember);
        float uJuly = 0, uDecember = 0;
        for (int r = 0; r < kRegimes; ++r) {
          if (wJuly[r] <= 0 && wDecember[r] <= 0) continue;
          const float u = quantiles[r].rank(weather.raw(static_cast<Regime>(r), p));
          uJuly += wJuly[r] * u;
          uDecember += wDecember[r] * u;
        }
        // A texel is cloudy where its weather's rank passes the clear share.
        const float g = grainQuantiles.rank(weather.grain(p));
        const float july = opacity(uJuly - thresholds.forCover(coverJuly.sample(lon, lat)), g);
        const float december = opacity(uDecember - thresholds.forCover(coverDecember.sample(lon, lat)), g);
        out.set(x, y, july, july, july, december);
      }
    }
  };
  std::vector<std::thread> pool;
  const int n = std::max(1, threads);
  for (int t = 1; t < n; ++t) pool.emplace_back(rows, t, n);
  rows(0, n);
  for (std::thread& t : pool) t.join();
  return out;
}
