#include "render/skytables.h"

#include <algorithm>
#include <cmath>
#include <thread>

namespace {

struct Vec3 {
  double x, y, z;
};
double dot(Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

// Gauss-Legendre nodes and weights on [-1, 1].
constexpr double kGauss8Nodes[8] = {-0.9602898564975363, -0.7966664774136267, -0.5255324099163290, -0.1834346424956498,
                                    0.1834346424956498,  0.5255324099163290,  0.7966664774136267,  0.9602898564975363};
constexpr double kGauss8Weights[8] = {0.1012285362903763, 0.2223810344533745, 0.3137066458778873, 0.3626837833783620,
                                      0.3626837833783620, 0.3137066458778873, 0.2223810344533745, 0.1012285362903763};
constexpr double kGauss4Nodes[4] = {-0.8611363115940526, -0.3399810435848563, 0.3399810435848563, 0.8611363115940526};
constexpr double kGauss4Weights[4] = {0.3478548451374538, 0.6521451548625461, 0.6521451548625461, 0.3478548451374538};

// Distance along the ray from radius r at zenith cosine mu to the sphere of
// the given radius (outwards), or -1 when it misses the sphere ahead.
double exitDistance(double r, double mu, double radius) {
  const double disc = radius * radius - r * r * (1.0 - mu * mu);
  if (disc < 0.0) return -1.0;
  return -r * mu + std::sqrt(disc);
}
// Distance to the ground, or -1 when the ray misses it.
double groundDistance(double r, double mu) {
  if (mu >= 0.0) return -1.0;
  const double disc = 1.0 - r * r * (1.0 - mu * mu);
  if (disc < 0.0) return -1.0;
  return std::max(-r * mu - std::sqrt(disc), 0.0);
}

// Sample positions along [0, end] crowded quadratically towards the ray's
// lowest point, where the air is densest: n midpoints on each side of it,
// visited in order along the ray.
template <typename F>
void crowdedSteps(double lowest, double end, int n, F&& visit) {
  const double before = std::clamp(lowest, 0.0, end), after = end - before;
  for (int side = 0; side < 2; ++side) {
    const double span = side == 0 ? before : after;
    if (span <= 0.0) continue;
    for (int j = 0; j < n; ++j) {
      const int i = side == 0 ? n - 1 - j : j;
      const double u = (i + 0.5) / n;
      const double t = side == 0 ? before - span * u * u : before + span * u * u;
      visit(t, 2.0 * span * u / n);
    }
  }
}

void storeRgb(SkyTable& table, int x, int y, const Rgb& value) {
  float* texel = &table.rgba[4 * (static_cast<size_t>(y) * table.width + x)];
  for (int c = 0; c < 3; ++c) texel[c] = static_cast<float>(value[c]);
  texel[3] = 1.0f;
}

SkyTable makeTable(int width, int height) {
  SkyTable table;
  table.width = width;
  table.height = height;
  table.rgba.assign(static_cast<size_t>(width) * height * 4, 0.0f);
  return table;
}

// The model in the form the loops below want: single precision, the
// shell's density offsets worked out once.
struct Air {
  float rayleigh[3], mieScattering, mieExtinction, invHeightR, invHeightM, topR, topM, shell, albedo;
  float inner, outer;
  float ozoneAbsorption[3], ozoneBottom, ozonePeak, ozoneTop;
  explicit Air(const AtmosphereModel& m)
      : rayleigh{float(m.rayleighScattering[0]), float(m.rayleighScattering[1]), float(m.rayleighScattering[2])},
        mieScattering(float(m.mieScattering)),
        mieExtinction(float(m.mieExtinction)),
        invHeightR(float(1.0 / m.rayleighHeight)),
        invHeightM(float(1.0 / m.mieHeight)),
        topR(float(std::exp((1.0 - m.shellRadius) / m.rayleighHeight))),
        topM(float(std::exp((1.0 - m.shellRadius) / m.mieHeight))),
        shell(float(m.shellRadius)),
        albedo(float(m.groundAlbedo)),
        inner(float(m.shadowInner)),
        outer(float(m.shadowOuter)),
        ozoneAbsorption{float(m.ozoneAbsorption[0]), float(m.ozoneAbsorption[1]), float(m.ozoneAbsorption[2])},
        ozoneBottom(float(m.ozoneBottom)),
        ozonePeak(float(m.ozonePeak)),
        ozoneTop(float(m.ozoneTop)) {}
  // The same as ozoneDensity.
  float ozone(float h) const {
    const float a = h - 1.0f;
    if (a <= ozoneBottom || a >= ozoneTop) return 0.0f;
    return a < ozonePeak ? (a - ozoneBottom) / (ozonePeak - ozoneBottom) : (ozoneTop - a) / (ozoneTop - ozonePeak);
  }
  // Extinction of colour c of the columns of Rayleigh, Mie and ozone.
  float depth(int c, float columnR, float columnM, float columnO) const {
    return rayleigh[c] * columnR + mieExtinction * columnM + ozoneAbsorption[c] * columnO;
  }
  // The same density as airDensity.
  void density(float h, float& r, float& m) const {
    r = std::max(std::exp((1.0f - h) * invHeightR) - topR, 0.0f);
    m = std::max(std::exp((1.0f - h) * invHeightM) - topM, 0.0f);
  }
  float visibility(float closest) const {
    const float t = std::clamp((closest - inner) / (outer - inner), 0.0f, 1.0f);
    return t * t * (3.0f - 2.0f * t);
  }
};

// Bilinear read of a table in single precision; coordinates already in [0, 1].
void readTable(const SkyTable& table, float x, float y, float out[3]) {
  const float fx = x * (table.width - 1), fy = y * (table.height - 1);
  const int x0 = std::min(static_cast<int>(fx), table.width - 1), y0 = std::min(static_cast<int>(fy), table.height - 1);
  const int x1 = std::min(x0 + 1, table.width - 1), y1 = std::min(y0 + 1, table.height - 1);
  const float ax = fx - x0, ay = fy - y0;
  const float* a = &table.rgba[4 * (static_cast<size_t>(y0) * table.width + x0)];
  const float* b = &table.rgba[4 * (static_cast<size_t>(y0) * table.width + x1)];
  const float* c = &table.rgba[4 * (static_cast<size_t>(y1) * table.width + x0)];
  const float* d = &table.rgba[4 * (static_cast<size_t>(y1) * table.width + x1)];
  for (int k = 0; k < 3; ++k) out[k] = (1 - ay) * (a[k] + ax * (b[k] - a[k])) + ay * (c[k] + ax * (d[k] - c[k]));
}

// Rayleigh, Mie and ozone density columns from radius r along zenith cosine
// mu to the shell.
void columnToShell(const Air& air, double r, double mu, double& rayleigh, double& mie, double& ozone) {
  rayleigh = mie = ozone = 0.0;
  const double end = std::max(exitDistance(r, mu, air.shell), 0.0);
  crowdedSteps(-r * mu, end, 48, [&](double t, double dt) {
    const double h = std::max(std::sqrt(r * r + t * t + 2.0 * r * mu * t), 1.0);
    float dR, dM;
    air.density(float(h), dR, dM);
    rayleigh += dR * dt;
    mie += dM * dt;
    ozone += air.ozone(float(h)) * dt;
  });
}

// Radius of a texel row and zenith cosine of a texel column.
double rowRadius(int row, int rows, double shellRadius) {
  const double y = static_cast<double>(row) / (rows - 1);
  return 1.0 + (shellRadius - 1.0) * y * y;
}
double columnSunCosine(int column, int columns) { return -1.0 + 2.0 * column / (columns - 1); }

// Sunlight per unit irradiance reaching the point p (radius r), with the
// soft edge of the Earth's shadow.
void sunlightAt(const Air& air, const SkyTable& transmittance, float px, float py, float pz, float r, float lx,
                float lz, float out[3]) {
  const float along = px * lx + pz * lz;
  float visible = 1.0f;
  if (along < 0.0f) {
    const float ox = px - lx * along, oy = py, oz = pz - lz * along;
    visible = air.visibility(std::sqrt(ox * ox + oy * oy + oz * oz));
  }
  if (visible <= 0.0f) {
    out[0] = out[1] = out[2] = 0.0f;
    return;
  }
  const float mu = along / r;
  const float horizon = -std::sqrt(std::max(1.0f - 1.0f / (r * r), 0.0f));
  const float x = std::sqrt(std::clamp((mu - horizon) / (1.0f - horizon), 0.0f, 1.0f));
  const float y = std::sqrt(std::clamp((r - 1.0f) / (air.shell - 1.0f), 0.0f, 1.0f));
  readTable(transmittance, x, y, out);
  for (int c = 0; c < 3; ++c) out[c] *= visible;
}

// The light arriving at point x (radius r, zenith +z) from direction w, the
// sun in the xz plane: single scattering of the sunlight along the ray and,
// when it ends on the ground, the ground's reflection of the sun; plus the
// air's scattering of `ambient` light (the multiple-scattering table, when
// given). Also the transfer factor: the light the ray gathers from a uniform
// unit radiance scattered once more (air, and ground by its albedo).
void gatherAlong(const AtmosphereModel& m, const Air& air, const SkyTables& tables, const SkyTable* ambient, double r,
                 Vec3 w, Vec3 l, int steps, Rgb& light, Rgb& transfer) {
  float sumLight[3] = {0, 0, 0}, sumTransfer[3] = {0, 0, 0};
  const double mu = w.z;
  const double ground = groundDistance(r, mu);
  const double end = ground >= 0.0 ? ground : std::max(exitDistance(r, mu, m.shellRadius), 0.0);
  const double nu = dot(w, l);
  const float phaseR = float(rayleighPhase(nu)), phaseM = float(miePhase(m.mieG, nu));
  const float lx = float(l.x), lz = float(l.z);
  float columnR = 0.0f, columnM = 0.0f, columnO = 0.0f;  // from x to the sample, accumulated
  float lastT = 0.0f, lastR = 0.0f, lastM = 0.0f, lastO = air.ozone(float(r));
  air.density(float(r), lastR, lastM);
  crowdedSteps(-r * mu, end, steps, [&](double td, double dtd) {
    const float t = float(td), dt = float(dtd);
    const float px = float(w.x) * t, py = float(w.y) * t, pz = float(r) + float(w.z) * t;
    const float h = std::max(std::sqrt(px * px + py * py + pz * pz), 1.0f);
    float dR, dM;
    air.density(h, dR, dM);
    // Trapezoid from the previous sample; the steps come in order along the ray.
    const float dO = air.ozone(h);
    columnR += 0.5f * (lastR + dR) * (t - lastT);
    columnM += 0.5f * (lastM + dM) * (t - lastT);
    columnO += 0.5f * (lastO + dO) * (t - lastT);
    lastT = t;
    lastR = dR;
    lastM = dM;
    lastO = dO;
    float sun[3], source[3] = {0, 0, 0};
    sunlightAt(air, tables.transmittance, px, py, pz, h, lx, lz, sun);
    if (ambient != nullptr)
      readTable(*ambient, std::clamp(0.5f + 0.5f * (px * lx + pz * lz) / h, 0.0f, 1.0f),
                std::sqrt(std::clamp((h - 1.0f) / (air.shell - 1.0f), 0.0f, 1.0f)), source);
    for (int c = 0; c < 3; ++c) {
      const float view = std::exp(-air.depth(c, columnR, columnM, columnO));
      const float scatterR = air.rayleigh[c] * dR, scatterM = air.mieScattering * dM;
      sumLight[c] += view * dt * ((scatterR * phaseR + scatterM * phaseM) * sun[c] + (scatterR + scatterM) * source[c]);
      sumTransfer[c] += view * (scatterR + scatterM) * dt;
    }
  });
  if (ground >= 0.0) {
    float dR, dM;
    air.density(1.0f, dR, dM);
    columnR += 0.5f * (lastR + dR) * (float(ground) - lastT);
    columnM += 0.5f * (lastM + dM) * (float(ground) - lastT);
    columnO += 0.5f * lastO * (float(ground) - lastT);
    const float gx = float(w.x * ground), gy = float(w.y * ground), gz = float(r + w.z * ground);
    const float nl = std::max(gx * lx + gz * lz, 0.0f);
    float sun[3];
    sunlightAt(air, tables.transmittance, gx, gy, gz, 1.0f, lx, lz, sun);
    for (int c = 0; c < 3; ++c) {
      const float view = std::exp(-air.depth(c, columnR, columnM, columnO));
      sumLight[c] += view * air.albedo / float(M_PI) * nl * sun[c];
      sumTransfer[c] += view * air.albedo;
    }
  }
  for (int c = 0; c < 3; ++c) {
    light[c] = sumLight[c];
    transfer[c] = sumTransfer[c];
  }
}

Vec3 sunAt(double muSun) { return {std::sqrt(std::max(1.0 - muSun * muSun, 0.0)), 0.0, muSun}; }

}  // namespace

Rgb SkyTable::at(double x, double y) const {
  if (width <= 0 || height <= 0) return {0.0, 0.0, 0.0};
  const double fx = std::clamp(std::isnan(x) ? 0.0 : x, 0.0, 1.0) * (width - 1);
  const double fy = std::clamp(std::isnan(y) ? 0.0 : y, 0.0, 1.0) * (height - 1);
  const int x0 = static_cast<int>(fx), y0 = static_cast<int>(fy);
  const int x1 = std::min(x0 + 1, width - 1), y1 = std::min(y0 + 1, height - 1);
  const double ax = fx - x0, ay = fy - y0;
  Rgb out;
  for (int c = 0; c < 3; ++c) {
    auto texel = [&](int tx, int ty) {
      return static_cast<double>(rgba[4 * (static_cast<size_t>(ty) * width + tx) + c]);
    };
    out[c] = (1.0 - ay) * ((1.0 - ax) * texel(x0, y0) + ax * texel(x1, y0)) +
             ay * ((1.0 - ax) * texel(x0, y1) + ax * texel(x1, y1));
  }
  return out;
}

double horizonCosine(double r) { return -std::sqrt(std::max(1.0 - 1.0 / (r * r), 0.0)); }

double altitudeCoordinate(double r, double shellRadius) {
  return std::sqrt(std::clamp((r - 1.0) / (shellRadius - 1.0), 0.0, 1.0));
}

double transmittanceCoordinate(double r, double mu) {
  const double horizon = horizonCosine(r);
  return std::sqrt(std::clamp((mu - horizon) / (1.0 - horizon), 0.0, 1.0));
}

double sunCoordinate(double muSun) { return std::clamp(0.5 + 0.5 * muSun, 0.0, 1.0); }

Rgb sunTransmittance(const SkyTables& tables, double r, double mu) {
  return tables.transmittance.at(transmittanceCoordinate(r, mu), altitudeCoordinate(r, tables.shellRadius));
}

SkyTables buildSkyTables(const AtmosphereModel& m) {
  SkyTables tables;
  tables.shellRadius = m.shellRadius;
  const Air air(m);

  tables.transmittance = makeTable(kTransmittanceWidth, kTransmittanceHeight);
  for (int row = 0; row < kTransmittanceHeight; ++row) {
    const double r = rowRadius(row, kTransmittanceHeight, m.shellRadius);
    const double horizon = horizonCosine(r);
    for (int column = 0; column < kTransmittanceWidth; ++column) {
      const double x = static_cast<double>(column) / (kTransmittanceWidth - 1);
      const double mu = horizon + (1.0 - horizon) * x * x;
      double rayleigh = 0.0, mie = 0.0, ozone = 0.0;
      columnToShell(air, r, mu, rayleigh, mie, ozone);
      Rgb t;
      for (int c = 0; c < 3; ++c)
        t[c] = std::exp(-(m.rayleighScattering[c] * rayleigh + m.mieExtinction * mie + m.ozoneAbsorption[c] * ozone));
      storeRgb(tables.transmittance, column, row, t);
    }
  }

  // Every order beyond the first: the light scattered once that reaches a
  // point, averaged over directions, grows by the transfer factor f with each
  // further order if every order is spread as evenly as the one before:
  // second / (1 - f).
  tables.multipleScattering = makeTable(kMultipleScatteringWidth, kMultipleScatteringHeight);
  constexpr int kAzimuths = 6;
  // Rows are independent: two threads, one for the even rows, halve the
  // start-up's wait on a machine with two cores.
  auto rows = [&](int first) {
    for (int row = first; row < kMultipleScatteringHeight; row += 2) {
      const double r = rowRadius(row, kMultipleScatteringHeight, m.shellRadius);
      const double horizon = horizonCosine(r);
      for (int column = 0; column < kMultipleScatteringWidth; ++column) {
        const Vec3 l = sunAt(columnSunCosine(column, kMultipleScatteringWidth));
        Rgb second{0.0, 0.0, 0.0}, transfer{0.0, 0.0, 0.0};
        // Zenith cosines in two Gauss rules, below and above the horizon,
        // whose light differs abruptly; azimuths on one side of the sun's
        // plane count twice.
        for (int part = 0; part < 2; ++part) {
          const double lo = part == 0 ? -1.0 : horizon, hi = part == 0 ? horizon : 1.0;
          const int count = part == 0 ? 4 : 8;
          for (int k = 0; k < count; ++k) {
            const double node = part == 0 ? kGauss4Nodes[k] : kGauss8Nodes[k];
            const double weight = (part == 0 ? kGauss4Weights[k] : kGauss8Weights[k]) * 0.5 * (hi - lo);
            const double mu = 0.5 * (lo + hi) + 0.5 * (hi - lo) * node;
            const double s = std::sqrt(std::max(1.0 - mu * mu, 0.0));
            for (int a = 0; a < kAzimuths; ++a) {
              const double phi = M_PI * (a + 0.5) / kAzimuths;
              const Vec3 w{s * std::cos(phi), s * std::sin(phi), mu};
              Rgb light, gathered;
              gatherAlong(m, air, tables, nullptr, r, w, l, 10, light, gathered);
              const double dOmega = weight * 2.0 * M_PI / kAzimuths / (4.0 * M_PI);
              for (int c = 0; c < 3; ++c) {
                second[c] += light[c] * dOmega;
                transfer[c] += gathered[c] * dOmega;
              }
            }
          }
        }
        Rgb all;
        for (int c = 0; c < 3; ++c) all[c] = second[c] / std::max(1.0 - transfer[c], 1e-3);
        storeRgb(tables.multipleScattering, column, row, all);
      }
    }
  };
#ifdef __EMSCRIPTEN__
  // The page's build has no threads.
  rows(0);
  rows(1);
#else
  std::thread odd(rows, 1);
  rows(0);
  odd.join();
#endif

  // The sky over level ground, every order: cosine-weighted over the upper
  // hemisphere.
  tables.groundIrradiance = makeTable(kGroundIrradianceWidth, 1);
  constexpr int kGroundAzimuths = 8;
  for (int column = 0; column < kGroundIrradianceWidth; ++column) {
    const Vec3 l = sunAt(columnSunCosine(column, kGroundIrradianceWidth));
    Rgb irradiance{0.0, 0.0, 0.0};
    for (int k = 0; k < 8; ++k) {
      const double mu = 0.5 + 0.5 * kGauss8Nodes[k];
      const double s = std::sqrt(std::max(1.0 - mu * mu, 0.0));
      for (int a = 0; a < kGroundAzimuths; ++a) {
        const double phi = M_PI * (a + 0.5) / kGroundAzimuths;
        const Vec3 w{s * std::cos(phi), s * std::sin(phi), mu};
        Rgb light, gathered;
        gatherAlong(m, air, tables, &tables.multipleScattering, 1.0, w, l, 12, light, gathered);
        for (int c = 0; c < 3; ++c)
          irradiance[c] += light[c] * mu * 0.5 * kGauss8Weights[k] * 2.0 * M_PI / kGroundAzimuths;
      }
    }
    storeRgb(tables.groundIrradiance, column, 0, irradiance);
  }
  return tables;
}
