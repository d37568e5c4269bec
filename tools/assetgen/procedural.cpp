#include "tools/assetgen/procedural.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include <glm/glm.hpp>

#include "tools/assetgen/mesh.h"

namespace {
constexpr float pi = 3.14159265358979f;

float smoothstep(float edge0, float edge1, float x) {
  const float t = std::clamp((x - edge0) / (edge1 - edge0), 0.0f, 1.0f);
  return t * t * (3 - 2 * t);
}

uint32_t hash(uint32_t x) {
  x ^= x >> 16;
  x *= 0x7feb352dU;
  x ^= x >> 15;
  x *= 0x846ca68bU;
  x ^= x >> 16;
  return x;
}

float lattice(int x, int y, uint32_t seed) {
  return hash(static_cast<uint32_t>(x) * 73856093U ^ hash(static_cast<uint32_t>(y) * 19349663U ^ seed)) / 4294967295.0f;
}

// Fractal noise: octaves of value noise, each twice the frequency of the last.
float fbm(float x, float y, int period, int octaves, uint32_t seed) {
  float sum = 0, amplitude = 0.5f, norm = 0;
  for (int o = 0; o < octaves; ++o) {
    sum += amplitude * valueNoise(x, y, period, seed + o * 1013);
    norm += amplitude;
    x *= 2;
    y *= 2;
    period *= 2;
    amplitude *= 0.5f;
  }
  return sum / norm;
}

float lattice3(int x, int y, int z, uint32_t seed) {
  return hash(static_cast<uint32_t>(x) * 73856093U ^ hash(static_cast<uint32_t>(y) * 19349663U ^
                                                           hash(static_cast<uint32_t>(z) * 83492791U ^ seed))) /
         4294967295.0f;
}

// Value noise in space: sampled on the sphere it has no seam and no pinch at
// the poles.
float valueNoise3(const glm::vec3& p, uint32_t seed) {
  const glm::vec3 f = glm::floor(p);
  const glm::vec3 t = p - f;
  const glm::vec3 s = t * t * (3.0f - 2.0f * t);
  const int x = static_cast<int>(f.x), y = static_cast<int>(f.y), z = static_cast<int>(f.z);
  float c[2][2][2];
  for (int i = 0; i < 2; ++i)
    for (int j = 0; j < 2; ++j)
      for (int k = 0; k < 2; ++k) c[i][j][k] = lattice3(x + i, y + j, z + k, seed);
  auto lerp = [](float a, float b, float w) { return a + (b - a) * w; };
  return lerp(lerp(lerp(c[0][0][0], c[1][0][0], s.x), lerp(c[0][1][0], c[1][1][0], s.x), s.y),
              lerp(lerp(c[0][0][1], c[1][0][1], s.x), lerp(c[0][1][1], c[1][1][1], s.x), s.y), s.z);
}

float fbm3(glm::vec3 p, int octaves, uint32_t seed) {
  float sum = 0, amplitude = 0.5f, norm = 0;
  for (int o = 0; o < octaves; ++o) {
    sum += amplitude * valueNoise3(p, seed + o * 1013);
    norm += amplitude;
    p *= 2.0f;
    amplitude *= 0.5f;
  }
  return sum / norm;
}

// Sprite coordinates: (x, y) in [-1, 1] across the square, and a window that
// reaches 0 before the border so that no sprite shows its square edge.
template <typename Shade>
Image makeSprite(int size, Shade shade) {
  Image image(size, size);
  for (int py = 0; py < size; ++py) {
    for (int px = 0; px < size; ++px) {
      const float x = (px + 0.5f) / size * 2 - 1, y = (py + 0.5f) / size * 2 - 1;
      const float r = std::sqrt(x * x + y * y);
      glm::vec4 c = shade(x, y, r);
      c.a *= 1 - smoothstep(0.82f, 0.98f, r);
      image.set(px, py, c.r, c.g, c.b, c.a);
    }
  }
  return image;
}

// A thin streak through the centre at `angle`, fading towards `length`.
float streak(float x, float y, float angle, float width, float length) {
  const float along = std::fabs(x * std::cos(angle) + y * std::sin(angle));
  const float across = x * -std::sin(angle) + y * std::cos(angle);
  const float fade = std::max(0.0f, 1 - along / length);
  return std::exp(-(across * across) / (width * width)) * fade * fade;
}
}  // namespace

uint32_t Random::next() {
  state = state * 6364136223846793005ull + 1442695040888963407ull;
  return static_cast<uint32_t>(state >> 33);
}

float Random::uniform() { return (next() & 0xffffff) / 16777216.0f; }

float valueNoise(float x, float y, int period, uint32_t seed) {
  const int x0 = static_cast<int>(std::floor(x)), y0 = static_cast<int>(std::floor(y));
  const float tx = x - x0, ty = y - y0;
  const float sx = tx * tx * (3 - 2 * tx), sy = ty * ty * (3 - 2 * ty);
  auto wrap = [&](int v) { return period > 0 ? ((v % period) + period) % period : v; };
  const float a = lattice(wrap(x0), y0, seed), b = lattice(wrap(x0 + 1), y0, seed);
  const float c = lattice(wrap(x0), y0 + 1, seed), d = lattice(wrap(x0 + 1), y0 + 1, seed);
  return (a + (b - a) * sx) + ((c + (d - c) * sx) - (a + (b - a) * sx)) * sy;
}

float waterLikeness(uint8_t r, uint8_t g, uint8_t b) {
  const float blueOverRed = static_cast<float>(b) - r;
  const float blueOverGreen = static_cast<float>(b) - 0.85f * g;
  const float brightest = std::max({r, g, b});
  return smoothstep(4, 22, blueOverRed) * smoothstep(-6, 8, blueOverGreen) * (1 - smoothstep(150, 200, brightest));
}

Image specularFromDay(const Image& day) {
  std::vector<float> mask(static_cast<size_t>(day.width) * day.height);
  for (int y = 0; y < day.height; ++y)
    for (int x = 0; x < day.width; ++x) {
      const uint8_t* p = day.at(x, y);
      mask[static_cast<size_t>(y) * day.width + x] = waterLikeness(p[0], p[1], p[2]);
    }
  // A 3 x 3 blur softens the coastlines (wrapping across the seam).
  Image out(day.width, day.height);
  for (int y = 0; y < day.height; ++y)
    for (int x = 0; x < day.width; ++x) {
      float sum = 0;
      for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx) {
          const int sx = (x + dx + day.width) % day.width, sy = std::clamp(y + dy, 0, day.height - 1);
          sum += mask[static_cast<size_t>(sy) * day.width + sx];
        }
      const float v = 0.06f + 0.86f * sum / 9;
      out.set(x, y, v, v, v, 1);
    }
  return out;
}

Image moonSurface(int width, int height, uint32_t seed) {
  std::vector<float> albedo(static_cast<size_t>(width) * height);
  std::vector<glm::vec3> direction(albedo.size());
  std::vector<float> mare(albedo.size());
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const float u = (x + 0.5f) / width, v = 1 - (y + 0.5f) / height;
      const size_t i = static_cast<size_t>(y) * width + x;
      direction[i] = spherePoint(u, v);
      // Highlands with fine grain, and dark maria from low-frequency noise.
      const float grain = fbm3(direction[i] * 24.0f, 5, seed);
      const float maria = smoothstep(0.5f, 0.6f, fbm3(direction[i] * 1.6f + 3.0f, 4, seed + 77));
      albedo[i] = 0.6f + 0.14f * (grain - 0.5f) - 0.24f * maria;
      mare[i] = maria;
    }
  Random random(seed);
  const int craterCount = 3200;
  for (int n = 0; n < craterCount; ++n) {
    const float z = random.uniform() * 2 - 1, phi = random.uniform() * 2 * pi;
    const glm::vec3 centre(std::sqrt(1 - z * z) * std::cos(phi), z, std::sqrt(1 - z * z) * std::sin(phi));
    // Many small craters, few large ones.
    const float radius = 0.004f * std::pow(30.0f, std::pow(random.uniform(), 3.5f));
    const bool young = random.uniform() < 0.03f;
    const float reach = radius * (young ? 7.0f : 2.2f);
    const float depth = 0.5f + 0.5f * random.uniform();
    float rayAngle[16], rayWidth[16], rayLength[16];
    for (int k = 0; k < 16; ++k) {
      rayAngle[k] = random.uniform() * 2 * pi;
      rayWidth[k] = 0.04f + 0.08f * random.uniform();
      rayLength[k] = radius * (2.5f + 4.5f * random.uniform());
    }
    const glm::vec3 e1 = glm::normalize(std::fabs(centre.y) < 0.99f ? glm::cross(centre, glm::vec3(0, 1, 0)) : glm::vec3(1, 0, 0));
    const glm::vec3 e2 = glm::cross(centre, e1);
    const float lat = std::asin(std::clamp(centre.y, -1.0f, 1.0f));
    const int yLow = std::max(0, static_cast<int>((0.5f - (lat + reach) / pi) * height) - 1);
    const int yHigh = std::min(height - 1, static_cast<int>((0.5f - (lat - reach) / pi) * height) + 1);
    const float cosReach = std::cos(reach);
    // Columns within reach: the whole row near the poles, else the span of
    // longitudes the crater's reach covers at its widest latitude.
    int xFirst = 0, xCount = width;
    if (std::fabs(lat) + reach < 1.4f) {
      const float halfSpan = reach / std::cos(std::fabs(lat) + reach);
      const float centreU = (std::atan2(centre.x, centre.z) + pi) / (2 * pi);
      const int halfPixels = static_cast<int>(halfSpan / (2 * pi) * width) + 2;
      xFirst = static_cast<int>(centreU * width) - halfPixels;
      xCount = std::min(width, 2 * halfPixels + 1);
    }
    for (int y = yLow; y <= yHigh; ++y) {
      for (int k = 0; k < xCount; ++k) {
        const int x = ((xFirst + k) % width + width) % width;
        const size_t i = static_cast<size_t>(y) * width + x;
        const float c = glm::dot(direction[i], centre);
        if (c < cosReach) continue;
        const float d = std::acos(std::min(1.0f, c)) / radius;  // distance in crater radii
        float change = 0;
        if (d < 0.85f) change = -0.045f * depth * (1 - 0.5f * d);                     // floor
        else if (d < 1.15f) change = 0.07f * depth * (1 - std::fabs(d - 1.0f) / 0.15f);  // rim
        else if (d < 2.2f) change = 0.025f * depth * (2.2f - d) / 1.05f;             // ejecta
        if (young && d > 1.0f) {
          const float angle = std::atan2(glm::dot(direction[i], e2), glm::dot(direction[i], e1));
          float rays = 0;
          for (int ray = 0; ray < 16; ++ray) {
            float da = std::fabs(angle - rayAngle[ray]);
            da = std::min(da, 2 * pi - da);
            const float along = d * radius / rayLength[ray];
            if (along < 1) rays += std::exp(-(da * da) / (rayWidth[ray] * rayWidth[ray])) * (1 - along);
          }
          change += 0.08f * std::min(rays, 1.0f);
        }
        albedo[i] += change * (1 - 0.65f * mare[i]);  // the maria are younger: fewer craters show
      }
    }
  }
  Image out(width, height);
  for (size_t i = 0; i < albedo.size(); ++i) {
    const float a = std::clamp(albedo[i], 0.08f, 1.0f);
    // A hint of warm grey, like the real regolith.
    out.set(static_cast<int>(i % width), static_cast<int>(i / width), a * 1.02f, a, a * 0.96f, 1);
  }
  return out;
}

Image missilePaint(int width, int height) {
  Image image(width, height);
  for (int py = 0; py < height; ++py) {
    const float v = 1 - (py + 0.5f) / height;  // OBJ v of this row
    for (int px = 0; px < width; ++px) {
      const float u = (px + 0.5f) / width;
      const float x = u * 10 - 5;  // model x: nose at -5, nozzle at +5
      const float grime = 0.94f + 0.06f * fbm(u * 40, v * 20, 40, 3, 5);
      glm::vec3 c;
      if (v >= 0.25f) {
        const float around = (v - 0.25f) / 0.75f;  // 0 .. 1 around the body
        c = glm::vec3(0.88f, 0.88f, 0.86f);  // white body
        if (x < -4.25f) c = glm::vec3(0.22f, 0.22f, 0.24f);                            // radome tip
        if (x > -2.55f && x < -2.25f) c = glm::vec3(0.92f, 0.74f, 0.1f);               // warhead band
        if (x > -0.2f && x < 0.1f) c = glm::vec3(0.75f, 0.12f, 0.08f);                 // motor band
        if (x > 3.0f && x < 3.25f) c = glm::vec3(0.1f, 0.1f, 0.1f);                    // black band
        if (x > 3.7f) c = glm::vec3(0.42f, 0.43f, 0.45f);                              // tail section
        if (x > 4.62f) c = glm::vec3(0.12f, 0.11f, 0.1f);                              // nozzle
        const bool panelLine = std::fabs(x + 1.94f) < 0.02f || std::fabs(x - 0.66f) < 0.02f ||
                               std::fabs(x - 2.2f) < 0.015f || std::fabs(x + 2.6f) < 0.015f;
        if (panelLine && x < 3.7f) c *= 0.55f;
        // A roll stripe and a row of stencil marks along one side.
        if (std::fabs(around - 0.25f) < 0.012f && x > -2.2f && x < 3.0f) c = glm::vec3(0.12f, 0.12f, 0.12f);
        if (std::fabs(around - 0.75f) < 0.03f && x > 0.8f && x < 2.0f && std::fmod(x - 0.8f, 0.2f) < 0.13f)
          c = glm::vec3(0.15f, 0.15f, 0.15f);
      } else {
        const float span = std::clamp((v - 0.02f) / 0.21f, 0.0f, 1.0f);  // root 0 .. tip 1
        c = glm::vec3(0.8f, 0.8f, 0.78f);
        if (span > 0.85f) c = glm::vec3(0.75f, 0.12f, 0.08f);  // red fin tips
        if (x < -1.0f) c = glm::vec3(0.3f, 0.3f, 0.32f);        // grey canards
      }
      c *= grime;
      image.set(px, py, c.r, c.g, c.b, 1);
    }
  }
  return image;
}

Image spriteHardGlow(int size) {
  return makeSprite(size, [](float, float, float r) {
    const float a = 0.8f * std::exp(-(r * r) / (0.16f * 0.16f)) + 0.45f * std::pow(std::max(0.0f, 1 - r), 3.0f);
    return glm::vec4(1, 1, 1, std::min(1.0f, a));
  });
}

Image spriteBigGlow(int size) {
  return makeSprite(size, [](float, float, float r) {
    const float a = 0.8f * std::exp(-(r * r) / (0.42f * 0.42f)) + 0.2f * std::pow(std::max(0.0f, 1 - r), 2.0f);
    return glm::vec4(1, 1, 1, std::min(1.0f, a));
  });
}

Image spriteStreaks(int size) {
  // Four long main streaks, four shorter diagonal ones and a fan of faint
  // thin ones, round a small bright core.
  struct Ray {
    float angle, width, length, strength;
  };
  std::vector<Ray> rays;
  for (int k = 0; k < 4; ++k) rays.push_back({k * pi / 4, 0.012f, 0.98f, 0.9f});
  for (int k = 0; k < 4; ++k) rays.push_back({pi / 8 + k * pi / 4, 0.008f, 0.6f, 0.5f});
  Random random(4);
  for (int k = 0; k < 28; ++k)
    rays.push_back({random.uniform() * pi, 0.004f + 0.004f * random.uniform(), 0.3f + 0.6f * random.uniform(),
                    0.15f + 0.3f * random.uniform()});
  return makeSprite(size, [&](float x, float y, float r) {
    float a = 0.9f * std::exp(-(r * r) / (0.05f * 0.05f));
    for (const Ray& ray : rays) a += ray.strength * streak(x, y, ray.angle, ray.width, ray.length);
    return glm::vec4(1, 1, 1, std::min(1.0f, a));
  });
}

Image spriteSpecialStreaks(int size) {
  // Thin streaks of different hue, nearly parallel, crossing at the centre.
  const glm::vec3 hues[7] = {{1.0f, 0.45f, 0.35f}, {1.0f, 0.75f, 0.35f}, {1.0f, 1.0f, 0.5f}, {0.55f, 1.0f, 0.55f},
                             {0.45f, 0.85f, 1.0f},  {0.6f, 0.6f, 1.0f},   {0.9f, 0.55f, 1.0f}};
  const float angles[7] = {-0.09f, -0.06f, -0.03f, 0.0f, 0.03f, 0.06f, 0.09f};
  return makeSprite(size, [&](float x, float y, float r) {
    glm::vec3 colour(0);
    float a = 0;
    for (int k = 0; k < 7; ++k) {
      const float s = (k == 3 ? 0.9f : 0.55f) * streak(x, y, angles[k], 0.006f, 0.97f);
      colour += hues[k] * s;
      a += s;
    }
    a += 0.5f * std::exp(-(r * r) / (0.04f * 0.04f));
    colour += glm::vec3(0.5f * std::exp(-(r * r) / (0.04f * 0.04f)));
    if (a > 0) colour /= std::max(colour.r, std::max(colour.g, colour.b));
    else colour = glm::vec3(1);
    return glm::vec4(colour, std::min(1.0f, a));
  });
}

Image spriteHalo(int size) {
  // A thin ring with a faint inside; red a little outside, blue a little
  // inside, as in a real lens.
  return makeSprite(size, [](float, float, float r) {
    auto ring = [&](float radius) { return std::exp(-((r - radius) * (r - radius)) / (0.055f * 0.055f)); };
    const glm::vec3 rgb(ring(0.73f), ring(0.71f), ring(0.69f));
    const float fill = 0.08f * (1 - smoothstep(0.0f, 0.7f, r));
    const float a = std::min(1.0f, 0.85f * std::max(rgb.r, std::max(rgb.g, rgb.b)) + fill);
    glm::vec3 colour = rgb * 0.85f + glm::vec3(fill);
    const float peak = std::max(colour.r, std::max(colour.g, colour.b));
    colour = peak > 0 ? glm::mix(glm::vec3(1), colour / peak, 0.5f) : glm::vec3(1);
    return glm::vec4(colour, a);
  });
}
