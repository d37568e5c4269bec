// The sun through the air: the transmittance along the ray to it, the share
// of its disc the Earth leaves, and the glow's tint as it sets.
#include "render/sunthroughair.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <sstream>

namespace {

// The shipped air at an air scale, as the program builds it.
AtmosphereModel shippedModel(double airScale = 1.0) {
  std::ifstream in(ORBISK_SOURCE_DIR "/data/atmosphere.glsl");
  std::stringstream s;
  s << in.rdbuf();
  AtmosphereModel model;
  std::string problem;
  EXPECT_TRUE(parseAtmosphereModel(airScaleDefines(airScale) + s.str(), model, problem)) << problem;
  return model;
}

// The eye at distance r from the centre on +Z; the sun at `angle` radians
// from the Earth's centre as the eye sees it, in the X-Z plane.
glm::dvec3 sunAtAngle(double angle) { return glm::dvec3(std::sin(angle), 0.0, -std::cos(angle)); }

TEST(SunThroughAir, StraightUpTheAirTakesWhatItsColumnsSay) {
  const AtmosphereModel model = shippedModel();
  // The column above sea level: each scale height's worth, less the shell's
  // cut-off (small), at the sea-level extinction.
  const Rgb t = transmittanceToSpace(model, 1.0, 1.0);
  for (int c = 0; c < 3; ++c) {
    // Ozone's tent holds half its width at the peak's absorption.
    const double column = model.rayleighScattering[c] * model.rayleighHeight + model.mieExtinction * model.mieHeight +
                          model.ozoneAbsorption[c] * 0.5 * (model.ozoneTop - model.ozoneBottom);
    EXPECT_NEAR(std::log(t[c]), -column, 0.02 * column) << "channel " << c;
  }
  EXPECT_LT(t[2], t[1]);
  EXPECT_LT(t[1], t[0]) << "blue goes first";
  // Rays that meet the ground, and rays that miss the shell.
  EXPECT_EQ(transmittanceToSpace(model, 1.5, -1.0), (Rgb{0.0, 0.0, 0.0}));
  EXPECT_EQ(transmittanceToSpace(model, 1.0, -0.01), (Rgb{0.0, 0.0, 0.0}));
  EXPECT_EQ(transmittanceToSpace(model, 3.0, 1.0), (Rgb{1.0, 1.0, 1.0}));
  // From outside, through the air and out again: the same as from the
  // ray's entry point.
  const double r = 3.0, closest = 1.02;
  const double mu = -std::sqrt(1.0 - closest * closest / (r * r));
  const double shell = model.shellRadius;
  const double muEntry = -std::sqrt(1.0 - closest * closest / (shell * shell));
  const Rgb outside = transmittanceToSpace(model, r, mu), entry = transmittanceToSpace(model, shell, muEntry);
  for (int c = 0; c < 3; ++c) EXPECT_NEAR(outside[c], entry[c], 1e-3) << "channel " << c;
}

TEST(SunThroughAir, TheFramesFewStepsAgreeWithTheFineQuadratureAtTheLimb) {
  // Grazing rays from low orbit and from afar, at the Earth's air and the
  // design's thick one: where the sun's light changes fastest.
  for (const double scale : {1.0, 4.8}) {
    const AtmosphereModel model = shippedModel(scale);
    for (const double r : {1.0 + 400.0 / 6371.0, 3.0}) {
      for (const double lowestKm : {0.5, 5.0, 20.0, 60.0}) {
        const double closest = 1.0 + lowestKm / 6371.0;
        if (closest >= r) continue;
        const double mu = -std::sqrt(1.0 - closest * closest / (r * r));
        const Rgb fine = transmittanceToSpace(model, r, mu), cheap = transmittanceToSpace(model, r, mu, kSunRaySteps);
        for (int c = 0; c < 3; ++c)
          EXPECT_NEAR(cheap[c], fine[c], 1e-3) << "scale " << scale << ", r " << r << ", lowest " << lowestKm
                                               << " km, channel " << c;
      }
    }
  }
}

TEST(SunThroughAir, TheDiscsShareInViewAsItSetsBehindTheLimb) {
  const AtmosphereModel model = shippedModel();
  const glm::dvec3 eye(0.0, 0.0, 3.0);
  const double limb = std::asin(1.0 / 3.0);
  struct Case {
    const char* name;
    double angle;
    double visibleLow, visibleHigh;
  };
  const Case cases[] = {
      {"clear of the Earth", limb + 0.2, 1.0, 1.0},
      {"a disc above the limb", limb + 2.0 * kSunAngularRadius, 1.0, 1.0},
      {"centre on the limb", limb, 0.4, 0.6},
      {"a sliver left", limb - 0.7 * kSunAngularRadius, 0.01, 0.2},
      {"behind", limb - 2.0 * kSunAngularRadius, 0.0, 0.0},
      {"behind the centre", 0.0, 0.0, 0.0},
  };
  for (const Case& c : cases) {
    const SunThroughAir sun = sunThroughAir(model, eye, sunAtAngle(c.angle));
    EXPECT_GE(sun.visible, c.visibleLow) << c.name;
    EXPECT_LE(sun.visible, c.visibleHigh) << c.name;
    for (int ch = 0; ch < 3; ++ch) EXPECT_LE(sun.light[ch], sun.visible + 1e-12) << c.name;
  }
  // Far from the limb the air is not in the way: the bare sun.
  const SunThroughAir clear = sunThroughAir(model, eye, sunAtAngle(limb + 0.2));
  for (int ch = 0; ch < 3; ++ch) EXPECT_NEAR(clear.light[ch], 1.0, 1e-9);
  EXPECT_EQ(glowTint(clear, model.displayGamma), glm::vec3(1.0f)) << "the glow as it always was";
  EXPECT_EQ(glowGreying(glm::vec3(1.0f)), 0.0f) << "the white sun's sprites keep their colour";
  EXPECT_EQ(glowGreying(glm::vec3(0.0f)), 0.0f) << "a hidden sun";
}

TEST(SunThroughAir, TheGlowDimsAndReddensStepByStepAsTheSunSets) {
  for (const double scale : {1.0, 4.8}) {
  SCOPED_TRACE(testing::Message() << "air scale " << scale);
  const AtmosphereModel model = shippedModel(scale);
  // From low orbit (400 km) and from afar: the sun sinks towards and behind
  // the limb in steps a tenth of its diameter.
  for (const double r : {1.0 + 400.0 / 6371.0, 3.0}) {
    const glm::dvec3 eye(0.0, 0.0, r);
    const double limb = std::asin(1.0 / r);
    // Start where the ray to the sun clears the shell, or from inside it
    // well above the horizon.
    const double start = r > model.shellRadius ? std::asin(model.shellRadius / r) : limb + 0.15;
    double previousSum = 1e9, previousRedness = 0.0, previousGreying = 0.0;
    int steps = 0, reddened = 0;
    for (double angle = std::max(start, limb) + 2.0 * kSunAngularRadius; angle > limb - 2.0 * kSunAngularRadius;
         angle -= 0.2 * kSunAngularRadius) {
      const glm::vec3 tint = glowTint(sunThroughAir(model, eye, sunAtAngle(angle)), model.displayGamma);
      const double sum = tint.r + tint.g + tint.b;
      SCOPED_TRACE(testing::Message() << "r " << r << ", " << (angle - limb) / kSunAngularRadius
                                      << " sun radii above the limb");
      EXPECT_LE(sum, previousSum + 1e-9) << "never brighter as it sinks";
      if (tint.r > 0.02f) {
        const double redness = tint.r / std::max(tint.b, 1e-6f);
        EXPECT_GE(redness, previousRedness - 1e-6) << "never bluer as it sinks";
        // The sprites turn grey as the sun reddens, never back.
        const double greying = glowGreying(tint);
        EXPECT_GE(greying, previousGreying - 1e-6) << "never less grey as it sinks";
        previousGreying = greying;
        if (redness > previousRedness + 1e-3) ++reddened;
        previousRedness = redness;
      }
      previousSum = sum;
      ++steps;
    }
    EXPECT_EQ(previousSum, 0.0) << "gone behind the Earth, r " << r;
    EXPECT_GT(steps, 10);
    EXPECT_GT(reddened, 3) << "reddens over several steps, not at once, r " << r;
  }
  }
}

TEST(SunThroughAir, RaysMeetTheEarthOnlyInFrontOfTheEye) {
  EXPECT_TRUE(rayMeetsEarth({0, 0, 3}, {0, 0, -1}));
  EXPECT_FALSE(rayMeetsEarth({0, 0, 3}, {0, 0, 1})) << "behind the eye";
  EXPECT_FALSE(rayMeetsEarth({0, 0, 3}, glm::normalize(glm::dvec3(0.5, 0, -1))));
  EXPECT_TRUE(rayMeetsEarth({0, 0, 0.5}, {0, 0, 1})) << "from inside";
  EXPECT_FALSE(rayMeetsEarth({0, 0, 1e6}, {0, 0, 1}));
  EXPECT_TRUE(rayMeetsEarth({0, 0, 1e6}, {0, 0, -1})) << "exact for a far eye";
}

}  // namespace
