// The sky's tables against a brute-force reference of every order of
// scattering, and the reference against what is known of the sky today.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <fstream>
#include <sstream>

#include "loaders/atmospheremodel.h"
#include "render/skytables.h"
#include "render/skytextures.h"
#include "tests/skyreference.h"

namespace {

std::string readData(const char* name) {
  std::ifstream in(std::string(ORBISK_SOURCE_DIR "/data/") + name);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

AtmosphereModel shippedModel() {
  AtmosphereModel model;
  std::string problem;
  const std::string glsl = readData("atmosphere.glsl");
  EXPECT_TRUE(parseAtmosphereModel(glsl, model, problem)) << problem;
  return model;
}

const glm::dvec3 kSun = glm::normalize(glm::dvec3(1.0, 1.0, 1.0));

using skyref::Ray;
using skyref::tangentRay;

// Lines of rays like the issue's: across the day limb, across the terminator
// into the Earth's shadow, from inside the shell above the horizon, and down
// onto the ground.
struct Line {
  const char* name;
  std::vector<Ray> rays;
};

std::vector<Line> testLines() {
  const glm::dvec3 across = glm::cross(kSun, glm::dvec3(0, 0, 1));
  const glm::dvec3 day = glm::normalize(glm::dvec3(2.0, 2.35, 1.55));
  const glm::dvec3 dayLimb = glm::cross(day, glm::cross(day, glm::dvec3(0, 0, 1)));
  std::vector<Line> lines(4);
  lines[0].name = "day limb";
  for (double r0 : {1.002, 1.006, 1.012, 1.02, 1.035, 1.05, 1.065})
    lines[0].rays.push_back(tangentRay(dayLimb, -day, r0));
  lines[1].name = "shadow";
  for (double angle : {93.0, 96.0, 100.0})
    for (double r0 : {1.006, 1.02}) {
      const double a = angle * M_PI / 180.0;
      lines[1].rays.push_back(tangentRay(kSun * std::cos(a) + glm::cross(across, kSun) * std::sin(a), across, r0));
    }
  lines[2].name = "inside";
  const glm::dvec3 inside(0.6, 0.6, 0.6);
  const glm::dvec3 up = glm::normalize(inside), look = glm::normalize(glm::dvec3(0.2, 0.9, 0.5) - inside);
  const glm::dvec3 level = glm::normalize(look - up * glm::dot(look, up));
  const double horizon = -std::acos(1.0 / glm::length(inside));
  for (double elevation : {0.01, 0.03, 0.06, 0.12, 0.3, 0.7}) {
    const double e = horizon + elevation;
    lines[2].rays.push_back({inside, level * std::cos(e) + up * std::sin(e)});
  }
  lines[3].name = "ground";
  for (double r0 : {0.3, 0.8, 0.97}) lines[3].rays.push_back(tangentRay(dayLimb, -day, r0));
  for (double elevation : {-0.3, -0.05}) {
    const double e = horizon + elevation;
    lines[3].rays.push_back({inside, level * std::cos(e) + up * std::sin(e)});
  }
  return lines;
}

struct Errors {
  double mean = 0.0, max = 0.0;
};

TEST(AtmosphereModel, ReadsTheShippedConstants) {
  const AtmosphereModel m = shippedModel();
  EXPECT_DOUBLE_EQ(m.sunIntensity, 4.0);
  EXPECT_NEAR(m.rayleighHeight, 0.006, 1e-12);
  EXPECT_NEAR(m.mieHeight, 0.0009, 1e-12);
  EXPECT_NEAR(m.rayleighScattering[2], 33.1e-3 / (0.006 / 8.0), 1e-9);
  EXPECT_NEAR(m.mieExtinction, 44.0, 1e-9);
  EXPECT_DOUBLE_EQ(m.mieG, 0.76);
}

TEST(AtmosphereModel, ReadsOnlyWhatItUnderstands) {
  const std::string full =
      "const float sunIntensity = 4.0;\nconst vec2 scaleHeight = vec2(8.0, 1.2) * (0.006 / 8.0);\n"
      "const vec3 rayleighScattering = vec3(1.0, 2.0, -(-3.0)) / 2.0;\nconst float mieScattering = 1e1;\n"
      "const float mieExtinction = 11.0f;\nconst float mieG = 0.5 + 0.25;\nconst float groundAlbedo = 0.3;\n"
      "const float shoulderStart = 0.8;\nconst float displayGamma = 2.2;\nconst vec2 shadowEdge = vec2(0.994, 1.0);\n";
  struct Case {
    const char* what;
    std::string glsl;
    const char* problem;  // nullptr: reads
  };
  const Case cases[] = {
      {"everything", full, nullptr},
      {"a constant missing", "const float sunIntensity = 4.0;\n", "scaleHeight"},
      {"the wrong type", full + "const float mieG = vec2(1.0);\n", nullptr},  // unreadable line ignored
      {"a later line wins", full + "const float mieG = 2.0;\n", "mieG"},
      {"inside a function", std::string(full).replace(full.find("const float mieG"), 0, "void f() {\n") + "}\n",
       "mieG"},
      {"an unknown name", std::string(full).replace(full.find("0.5 + 0.25"), 10, "g * 2.0"), "mieG"},
      {"unbalanced", std::string(full).replace(full.find("(0.006 / 8.0)"), 13, "(0.006 / 8.0"), "scaleHeight"},
      {"no air", full + "const vec2 scaleHeight = vec2(0.0);\n", "scaleHeight"},
      {"deep nesting", full + "const float mieG = " + std::string(100, '(') + "0.1" + std::string(100, ')') + ";\n",
       nullptr},
  };
  for (const Case& c : cases) {
    AtmosphereModel m;
    std::string problem;
    const bool read = parseAtmosphereModel(c.glsl, m, problem);
    EXPECT_EQ(read, c.problem == nullptr) << c.what;
    if (c.problem != nullptr) {
      EXPECT_EQ(problem, c.problem) << c.what;
    }
  }
  AtmosphereModel m;
  std::string problem;
  ASSERT_TRUE(parseAtmosphereModel(full, m, problem));
  EXPECT_NEAR(m.rayleighScattering[2], 1.5, 1e-12);
  EXPECT_NEAR(m.mieG, 0.75, 1e-12);
  EXPECT_NEAR(m.mieHeight, 0.0009, 1e-12);
}

TEST(AtmosphereModel, PhaseFunctionsAreNormalisedAndTheAirEndsAtTheShell) {
  for (double g : {0.0, 0.5, 0.76}) {
    double sumR = 0.0, sumM = 0.0;
    constexpr int n = 200000;
    for (int i = 0; i < n; ++i) {
      const double nu = -1.0 + 2.0 * (i + 0.5) / n;
      sumR += rayleighPhase(nu) * 2.0 * M_PI * 2.0 / n;
      sumM += miePhase(g, nu) * 2.0 * M_PI * 2.0 / n;
    }
    EXPECT_NEAR(sumR, 1.0, 1e-6);
    EXPECT_NEAR(sumM, 1.0, 1e-4) << g;
  }
  EXPECT_NEAR(airDensity(1.0, 0.006, 1.07), 1.0, 1e-5);
  EXPECT_EQ(airDensity(1.07, 0.006, 1.07), 0.0);
  EXPECT_EQ(airDensity(1.2, 0.006, 1.07), 0.0);
  EXPECT_GT(airDensity(1.069, 0.006, 1.07), 0.0);
}

// The display-unit errors of an estimate against the reference along a line.
template <typename F>
Errors compare(const AtmosphereModel& m, const std::vector<Ray>& rays, const std::vector<skyref::Light>& reference,
               F&& estimate) {
  Errors e;
  int n = 0;
  for (size_t i = 0; i < rays.size(); ++i) {
    const Rgb a = estimate(i), b = reference[i].all();
    for (int c = 0; c < 3; ++c) {
      const double d = std::fabs(displayValue(m, a[c]) - displayValue(m, b[c]));
      e.mean += d;
      e.max = std::max(e.max, d);
      ++n;
    }
  }
  e.mean /= n;
  return e;
}

// The reference and the tables, along every line: single scattering alone
// falls short of every order by several display units (the reference is
// worth having), the tables' account of every order stays within a unit or
// two of it.
TEST(SkyTables, AgreeWithTheReferenceOfEveryOrderWhereSingleScatteringFallsShort) {
  const AtmosphereModel m = shippedModel();
  const SkyTables tables = buildSkyTables(m);
  const skyref::Reference reference(m, kSun);
  struct Expect {
    double singleMeanAbove;  // the single-scattering sky's mean error is above this
    double tablesMean, tablesMax;
  };
  const Expect expects[] = {{1.5, 1.0, 2.5}, {1.5, 1.2, 3.0}, {5.0, 1.5, 5.0}, {10.0, 1.5, 3.0}};
  const std::vector<Line> lines = testLines();
  for (size_t k = 0; k < lines.size(); ++k) {
    const Line& line = lines[k];
    std::vector<skyref::Light> all;
    for (size_t i = 0; i < line.rays.size(); ++i)
      all.push_back(reference.trace(line.rays[i].eye, line.rays[i].dir, 1500, unsigned(11 + i)));
    const Errors single = compare(m, line.rays, all, [&](size_t i) {
      const skyref::Light l = reference.trace(line.rays[i].eye, line.rays[i].dir, 0, 0);
      return l.all();
    });
    const Errors table = compare(m, line.rays, all, [&](size_t i) {
      return skyref::tablesAlong(m, tables, reference, line.rays[i].eye, line.rays[i].dir);
    });
    EXPECT_GT(single.mean, expects[k].singleMeanAbove) << line.name;
    EXPECT_LT(table.mean, expects[k].tablesMean) << line.name;
    EXPECT_LT(table.max, expects[k].tablesMax) << line.name;
    printf("%-8s single scattering off by %.1f on average, %.1f at most; the tables by %.2f and %.2f\n", line.name,
           single.mean, single.max, table.mean, table.max);
  }
}

// The sky's light raises the limb by the most in blue, as the issue's own
// reference measured it: about +6.5, +9.4 and +14.8 % in R, G and B at the
// limb's brightest, less higher up.
TEST(SkyReference, BlueGainsTheMostFromHigherOrders) {
  const AtmosphereModel m = shippedModel();
  const skyref::Reference reference(m, kSun);
  const glm::dvec3 day = glm::normalize(glm::dvec3(2.0, 2.35, 1.55));
  const glm::dvec3 dayLimb = glm::cross(day, glm::cross(day, glm::dvec3(0, 0, 1)));
  auto gain = [&](double r0) {
    const Ray ray = tangentRay(dayLimb, -day, r0);
    const skyref::Light l = reference.trace(ray.eye, ray.dir, 3000, 5);
    Rgb g;
    for (int c = 0; c < 3; ++c) g[c] = l.airHigher[c] / l.air[c];
    return g;
  };
  const Rgb low = gain(1.01), high = gain(1.04);
  const double expected[3] = {0.065, 0.094, 0.148};
  for (int c = 0; c < 3; ++c) {
    EXPECT_NEAR(low[c], expected[c], 0.03) << c;
    EXPECT_LT(high[c], low[c]) << c;
  }
  EXPECT_LT(low[0], low[1]);
  EXPECT_LT(low[1], low[2]);
}

TEST(SkyTables, ReadBackWhatTheirCoordinatesPromise) {
  const AtmosphereModel m = shippedModel();
  const SkyTables t = buildSkyTables(m);
  ASSERT_EQ(t.transmittance.rgba.size(), size_t(kTransmittanceWidth * kTransmittanceHeight * 4));
  // Straight up from the ground: Rayleigh column = one scale height, Mie too.
  const Rgb zenith = sunTransmittance(t, 1.0, 1.0);
  for (int c = 0; c < 3; ++c)
    EXPECT_NEAR(zenith[c], std::exp(-(m.rayleighScattering[c] * m.rayleighHeight + m.mieExtinction * m.mieHeight)),
                2e-3);
  // At the shell nothing is left to cross; a sun below the horizon sends the
  // grazing ray's light.
  EXPECT_NEAR(sunTransmittance(t, 1.07, 0.3)[2], 1.0, 1e-4);
  EXPECT_EQ(sunTransmittance(t, 1.03, -0.5), sunTransmittance(t, 1.03, horizonCosine(1.03)));
  // The sky is blue and brightest with the sun high; it lingers past sunset.
  const Rgb noon = t.groundIrradiance.at(sunCoordinate(1.0), 0.0);
  const Rgb dusk = t.groundIrradiance.at(sunCoordinate(-0.05), 0.0);
  const Rgb night = t.groundIrradiance.at(sunCoordinate(-0.5), 0.0);
  EXPECT_GT(noon[2], noon[0]);
  EXPECT_GT(noon[2], dusk[2]);
  EXPECT_GT(dusk[2], 0.0);
  EXPECT_NEAR(night[2], 0.0, 1e-4);
}

// The multiple-scattering table goes to the GPU as bytes of square roots: a
// value comes back within a small share of itself down to a thousandth of the
// largest (the dim air at the terminator), and a broken value comes back dark.
TEST(SkyTables, SquareRootBytesKeepDimValuesFine) {
  const SkyTable& table = buildSkyTables(shippedModel()).multipleScattering;
  float scale = 0.0f;
  const std::vector<uint8_t> bytes = encodeSquareRoots(table, scale);
  ASSERT_EQ(bytes.size(), table.rgba.size());
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (i % 4 == 3) {
      EXPECT_EQ(bytes[i], 255);
      continue;
    }
    const double e = bytes[i] / 255.0, back = e * e * scale, value = table.rgba[i];
    EXPECT_LE(std::fabs(back - value), std::max(0.02 * value, 1e-3 * scale)) << "value " << i;
  }

  SkyTable odd;
  odd.width = 2;
  odd.height = 1;
  odd.rgba = {std::nanf(""), -1.0f, 4.0f, 1.0f, 1.0f, 0.0f, INFINITY, 1.0f};
  const std::vector<uint8_t> oddBytes = encodeSquareRoots(odd, scale);
  EXPECT_EQ(scale, 4.0f) << "the largest finite value";
  EXPECT_EQ(oddBytes, (std::vector<uint8_t>{0, 0, 255, 255, 128, 0, 255, 255}));
  SkyTable dark = odd;
  dark.rgba.assign(8, 0.0f);
  encodeSquareRoots(dark, scale);
  EXPECT_EQ(scale, 1.0f);
}

}  // namespace
