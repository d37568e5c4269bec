#include "tests/skyreference.h"

#include <algorithm>
#include <cmath>

namespace skyref {

namespace {

constexpr int kTopSteps = 160;  // per side of the lowest point, the eye's ray
constexpr int kPathSteps = 32;  // the same on the rays of the paths
constexpr int kMaxDepth = 24;

// Entry and exit distances of o + t d on a sphere about the origin; false
// when it misses.
bool sphereHits(glm::dvec3 o, glm::dvec3 d, double radius, double& t0, double& t1) {
  const double b = glm::dot(o, d);
  const glm::dvec3 closest = o - d * b;
  const double disc = radius * radius - glm::dot(closest, closest);
  if (disc < 0.0) return false;
  const double s = std::sqrt(disc);
  t0 = -b - s;
  t1 = -b + s;
  return true;
}

glm::dvec3 anyPerpendicular(glm::dvec3 d) {
  const glm::dvec3 a = std::fabs(d.x) < 0.9 ? glm::dvec3(1, 0, 0) : glm::dvec3(0, 1, 0);
  return glm::normalize(glm::cross(d, a));
}

// The direction at angle cosine c from axis, at azimuth phi.
glm::dvec3 around(glm::dvec3 axis, double c, double phi) {
  const glm::dvec3 u = anyPerpendicular(axis), v = glm::cross(axis, u);
  const double s = std::sqrt(std::max(1.0 - c * c, 0.0));
  return glm::normalize(axis * c + (u * std::cos(phi) + v * std::sin(phi)) * s);
}

double mean(const Rgb& c) { return (c[0] + c[1] + c[2]) / 3.0; }

}  // namespace

Rgb Light::single() const { return air; }

Rgb Light::all() const {
  return {air[0] + airHigher[0] + ground[0], air[1] + airHigher[1] + ground[1], air[2] + airHigher[2] + ground[2]};
}

Reference::Reference(const AtmosphereModel& model, glm::dvec3 sun) : m_(model), sun_(glm::normalize(sun)) {
  // The sun's transmittance on a fine grid of radius and zenith cosine from
  // the horizon up, each entry a 400-step quadrature.
  tableMu_ = 384;
  tableR_ = 96;
  table_.resize(static_cast<size_t>(tableMu_) * tableR_);
  for (int j = 0; j < tableR_; ++j) {
    const double y = double(j) / (tableR_ - 1);
    const double r = 1.0 + (m_.shellRadius - 1.0) * y * y;
    const double horizon = -std::sqrt(std::max(1.0 - 1.0 / (r * r), 0.0));
    for (int i = 0; i < tableMu_; ++i) {
      const double x = double(i) / (tableMu_ - 1);
      const double mu = horizon + (1.0 - horizon) * x * x;
      const glm::dvec3 o(0.0, r, 0.0), d(std::sqrt(std::max(1.0 - mu * mu, 0.0)), mu, 0.0);
      double a = 0.0, b = 0.0;
      sphereHits(o, d, m_.shellRadius, a, b);
      const double end = std::max(b, 0.0), low = std::clamp(-glm::dot(o, d), 0.0, end);
      double cr = 0.0, cm = 0.0, co = 0.0;
      constexpr int n = 200;
      for (int side = 0; side < 2; ++side) {
        const double span = side == 0 ? low : end - low;
        for (int k = 0; k < n; ++k) {
          const double u = (k + 0.5) / n;
          const double t = side == 0 ? low - span * u * u : low + span * u * u;
          const double h = std::max(glm::length(o + d * t), 1.0);
          cr += airDensity(h, m_.rayleighHeight, m_.shellRadius) * 2.0 * span * u / n;
          cm += airDensity(h, m_.mieHeight, m_.shellRadius) * 2.0 * span * u / n;
          co += ozoneDensity(m_, h) * 2.0 * span * u / n;
        }
      }
      Rgb& t = table_[static_cast<size_t>(j) * tableMu_ + i];
      for (int c = 0; c < 3; ++c)
        t[c] = std::exp(-(m_.rayleighScattering[c] * cr + m_.mieExtinction * cm + m_.ozoneAbsorption[c] * co));
    }
  }
}

Rgb Reference::transmittanceTable(double r, double mu) const {
  const double horizon = -std::sqrt(std::max(1.0 - 1.0 / (r * r), 0.0));
  const double x = std::sqrt(std::clamp((mu - horizon) / (1.0 - horizon), 0.0, 1.0)) * (tableMu_ - 1);
  const double y = std::sqrt(std::clamp((r - 1.0) / (m_.shellRadius - 1.0), 0.0, 1.0)) * (tableR_ - 1);
  const int x0 = std::min(int(x), tableMu_ - 2), y0 = std::min(int(y), tableR_ - 2);
  const double fx = x - x0, fy = y - y0;
  Rgb out;
  for (int c = 0; c < 3; ++c) {
    auto at = [&](int i, int j) { return table_[static_cast<size_t>(j) * tableMu_ + i][c]; };
    out[c] = (1 - fy) * ((1 - fx) * at(x0, y0) + fx * at(x0 + 1, y0)) +
             fy * ((1 - fx) * at(x0, y0 + 1) + fx * at(x0 + 1, y0 + 1));
  }
  return out;
}

Rgb Reference::sunlight(glm::dvec3 p) const {
  const double r = glm::length(p);
  const double along = glm::dot(p, sun_);
  const double closest = along >= 0.0 ? 2.0 : glm::length(p - sun_ * along);
  const double visible = sunVisibility(m_, closest);
  if (visible <= 0.0) return {0.0, 0.0, 0.0};
  Rgb t = transmittanceTable(std::max(r, 1.0), along / r);
  for (double& c : t) c *= visible;
  return t;
}

Reference::March Reference::march(glm::dvec3 origin, glm::dvec3 dir, int steps, glm::dvec3 /*from*/) const {
  March out;
  double t0 = 0.0, t1 = 0.0;
  if (!sphereHits(origin, dir, m_.shellRadius, t0, t1) || t1 <= 0.0) return out;
  t0 = std::max(t0, 0.0);
  double g0 = 0.0, g1 = 0.0;
  if (sphereHits(origin, dir, 1.0, g0, g1) && g1 > 0.0 && g0 >= -1e-9) {
    out.hitsGround = true;
    t1 = std::max(g0, t0);
  }
  const double low = std::clamp(-glm::dot(origin, dir), t0, t1);
  const double nu = glm::dot(dir, sun_);
  const double pR = rayleighPhase(nu), pM = miePhase(m_.mieG, nu);
  double cr = 0.0, cm = 0.0, co = 0.0;  // columns from the start, midpoint rule
  out.steps.reserve(2 * steps);
  for (int side = 0; side < 2; ++side) {
    const double span = side == 0 ? low - t0 : t1 - low;
    if (span <= 0.0) continue;
    for (int j = 0; j < steps; ++j) {
      const int k = side == 0 ? steps - 1 - j : j;
      const double u = (k + 0.5) / steps;
      const double t = side == 0 ? low - span * u * u : low + span * u * u;
      const double dt = 2.0 * span * u / steps;
      Step s;
      s.p = origin + dir * t;
      s.dt = dt;
      const double h = std::max(glm::length(s.p), 1.0);
      s.rayleigh = airDensity(h, m_.rayleighHeight, m_.shellRadius);
      s.mie = airDensity(h, m_.mieHeight, m_.shellRadius);
      const double ozone = ozoneDensity(m_, h);
      // Half this step's own column: the light scattered here comes from
      // its middle on average.
      for (int c = 0; c < 3; ++c) {
        s.view[c] = std::exp(-(m_.rayleighScattering[c] * (cr + 0.5 * s.rayleigh * dt) +
                               m_.mieExtinction * (cm + 0.5 * s.mie * dt) + m_.ozoneAbsorption[c] * (co + 0.5 * ozone * dt)));
        s.scatter[c] = m_.rayleighScattering[c] * s.rayleigh + m_.mieScattering * s.mie;
      }
      cr += s.rayleigh * dt;
      cm += s.mie * dt;
      co += ozone * dt;
      const Rgb sun = sunlight(s.p);
      for (int c = 0; c < 3; ++c)
        out.single[c] +=
            s.view[c] * (m_.rayleighScattering[c] * s.rayleigh * pR + m_.mieScattering * s.mie * pM) * sun[c] * dt;
      out.steps.push_back(s);
    }
  }
  if (out.hitsGround) {
    out.groundPoint = origin + dir * t1;
    for (int c = 0; c < 3; ++c)
      out.groundView[c] = std::exp(-(m_.rayleighScattering[c] * cr + m_.mieExtinction * cm + m_.ozoneAbsorption[c] * co));
  }
  return out;
}

glm::dvec3 Reference::samplePhase(glm::dvec3 dir, std::mt19937& rng, double& pdfMix, double& pR, double& pM) const {
  std::uniform_real_distribution<double> uniform(0.0, 1.0);
  const double g = m_.mieG;
  double c = 0.0;
  // Either lobe, each by rejection from a simpler one: (1 + c^2) / 2 takes
  // uniform to Rayleigh and Henyey-Greenstein to Cornette-Shanks.
  const bool mie = uniform(rng) < 0.5;
  for (;;) {
    if (mie) {
      const double s = (1.0 - g * g) / (1.0 - g + 2.0 * g * uniform(rng));
      c = (1.0 + g * g - s * s) / (2.0 * g);
    } else {
      c = 2.0 * uniform(rng) - 1.0;
    }
    c = std::clamp(c, -1.0, 1.0);
    if (uniform(rng) * 2.0 <= 1.0 + c * c) break;
  }
  const glm::dvec3 out = around(dir, c, 2.0 * M_PI * uniform(rng));
  pR = rayleighPhase(c);
  pM = miePhase(g, c);
  pdfMix = 0.5 * (pR + pM);
  return out;
}

Rgb Reference::higherOrders(const March& march, glm::dvec3 dir, int depth, std::mt19937& rng) const {
  Rgb out{0.0, 0.0, 0.0};
  if (depth >= kMaxDepth) return out;
  // Pick the next event with probability equal to its (channel-mean) weight:
  // a scattering at one step, a reflection at the ground, or the end of the
  // path (the weights of a ray add up to less than one).
  std::uniform_real_distribution<double> uniform(0.0, 1.0);
  double pick = uniform(rng);
  for (const Step& s : march.steps) {
    Rgb w;
    for (int c = 0; c < 3; ++c) w[c] = s.view[c] * s.scatter[c] * s.dt;
    const double p = mean(w);
    if (pick >= p) {
      pick -= p;
      continue;
    }
    double mix = 0.0, pR = 0.0, pM = 0.0;
    const glm::dvec3 next = samplePhase(dir, rng, mix, pR, pM);
    // The light arrives from `next`, travelling along -next, and leaves
    // along -dir: the scattering cosine is dot(dir, next).
    const Rgb in = incoming(s.p, next, depth + 1, rng);
    for (int c = 0; c < 3; ++c) {
      const double phase = (m_.rayleighScattering[c] * s.rayleigh * pR + m_.mieScattering * s.mie * pM) / s.scatter[c];
      out[c] = w[c] / p * phase / mix * in[c];
    }
    return out;
  }
  if (!march.hitsGround) return out;
  Rgb w;
  for (int c = 0; c < 3; ++c) w[c] = march.groundView[c] * m_.groundAlbedo;
  const double p = mean(w);
  if (pick >= p) return out;
  // Cosine-weighted over the sky above the ground point: the mean of what
  // arrives is the irradiance over pi.
  const glm::dvec3 n = glm::normalize(march.groundPoint);
  const double c2 = uniform(rng);
  const glm::dvec3 next = around(n, std::sqrt(c2), 2.0 * M_PI * uniform(rng));
  const Rgb in = incoming(march.groundPoint * (1.0 + 1e-9), next, depth + 1, rng);
  for (int c = 0; c < 3; ++c) out[c] = w[c] / p * in[c];
  return out;
}

Rgb Reference::incoming(glm::dvec3 p, glm::dvec3 dir, int depth, std::mt19937& rng) const {
  const March mr = march(p, dir, kPathSteps, p);
  Rgb out = mr.single;
  if (mr.hitsGround) {
    const glm::dvec3 n = glm::normalize(mr.groundPoint);
    const double nl = std::max(glm::dot(n, sun_), 0.0);
    const Rgb sun = sunlight(mr.groundPoint);
    for (int c = 0; c < 3; ++c) out[c] += mr.groundView[c] * m_.groundAlbedo / M_PI * nl * sun[c];
  }
  const Rgb more = higherOrders(mr, dir, depth, rng);
  for (int c = 0; c < 3; ++c) out[c] += more[c];
  return out;
}

Light Reference::trace(glm::dvec3 eye, glm::dvec3 dir, int paths, unsigned seed) const {
  dir = glm::normalize(dir);
  Light light;
  const March mr = march(eye, dir, kTopSteps, eye);
  light.air = mr.single;
  light.hitsGround = mr.hitsGround;
  Rgb groundSun{0.0, 0.0, 0.0};
  if (mr.hitsGround) {
    const glm::dvec3 n = glm::normalize(mr.groundPoint);
    const double nl = std::max(glm::dot(n, sun_), 0.0);
    const Rgb sun = sunlight(mr.groundPoint);
    for (int c = 0; c < 3; ++c) groundSun[c] = mr.groundView[c] * m_.groundAlbedo / M_PI * nl * sun[c];
  }
  light.ground = groundSun;
  if (paths > 0) {
    std::mt19937 rng(seed);
    // The air's higher orders and the ground's sky light apart: every path
    // starts with one event of each kind.
    March airOnly = mr;
    airOnly.hitsGround = false;
    Rgb air{0.0, 0.0, 0.0}, sky{0.0, 0.0, 0.0};
    double airWeight = 0.0;
    for (const Step& s : mr.steps) {
      Rgb w;
      for (int c = 0; c < 3; ++c) w[c] = s.view[c] * s.scatter[c] * s.dt;
      airWeight += mean(w);
    }
    for (int i = 0; i < paths; ++i) {
      // Scale the air's events so one is always picked.
      if (airWeight > 0.0) {
        March scaled = airOnly;
        for (Step& s : scaled.steps) s.dt /= airWeight;
        // Undo the scaling in the result: w / p is unchanged, but the weights
        // w carry dt / airWeight.
        Rgb a = higherOrders(scaled, dir, 0, rng);
        for (int c = 0; c < 3; ++c) air[c] += a[c] * airWeight;
      }
      if (mr.hitsGround) {
        const glm::dvec3 n = glm::normalize(mr.groundPoint);
        std::uniform_real_distribution<double> uniform(0.0, 1.0);
        const double c2 = uniform(rng);
        const glm::dvec3 next = around(n, std::sqrt(c2), 2.0 * M_PI * uniform(rng));
        const Rgb in = incoming(mr.groundPoint * (1.0 + 1e-9), next, 1, rng);
        for (int c = 0; c < 3; ++c) sky[c] += mr.groundView[c] * m_.groundAlbedo * in[c];
      }
    }
    for (int c = 0; c < 3; ++c) {
      light.airHigher[c] = air[c] / paths;
      light.ground[c] += sky[c] / paths;
    }
  }
  for (Rgb* part : {&light.air, &light.airHigher, &light.ground})
    for (double& c : *part) c *= m_.sunIntensity;
  return light;
}

Rgb tablesAlong(const AtmosphereModel& m, const SkyTables& tables, const Reference& reference, glm::dvec3 eye,
                glm::dvec3 dir) {
  const glm::dvec3 sun = reference.sun();
  Rgb out = reference.trace(eye, dir, 0, 0).all();
  const glm::dvec3 o = eye, d = glm::normalize(dir);
  const double b = glm::dot(o, d);
  const double c2 = glm::dot(o, o) - b * b;
  if (c2 > m.shellRadius * m.shellRadius) return out;
  const double t0 = std::max(-b - std::sqrt(m.shellRadius * m.shellRadius - c2), 0.0);
  double t1 = -b + std::sqrt(m.shellRadius * m.shellRadius - c2);
  const bool ground = c2 < 1.0 && -b - std::sqrt(1.0 - c2) > 0.0;
  if (ground) t1 = -b - std::sqrt(1.0 - c2);
  if (t1 <= t0) return out;
  constexpr int n = 4000;
  Rgb column{0.0, 0.0, 0.0};
  const double dt = (t1 - t0) / n;
  for (int i = 0; i < n; ++i) {
    const glm::dvec3 p = o + d * (t0 + (i + 0.5) * dt);
    const double r = std::max(glm::length(p), 1.0);
    const Rgb e = extinctionAt(m, r), s = scatteringAt(m, r);
    const Rgb psi =
        tables.multipleScattering.at(sunCoordinate(glm::dot(p, sun) / r), altitudeCoordinate(r, m.shellRadius));
    for (int c = 0; c < 3; ++c) {
      out[c] += m.sunIntensity * std::exp(-(column[c] + 0.5 * e[c] * dt)) * s[c] * psi[c] * dt;
      column[c] += e[c] * dt;
    }
  }
  if (ground) {
    const glm::dvec3 g = o + d * t1;
    const Rgb sky = tables.groundIrradiance.at(sunCoordinate(glm::dot(glm::normalize(g), sun)), 0.0);
    for (int c = 0; c < 3; ++c) out[c] += m.sunIntensity * std::exp(-column[c]) * m.groundAlbedo / M_PI * sky[c];
  }
  return out;
}

}  // namespace skyref
