#include "render/quality.h"

#include <gtest/gtest.h>

#include <limits>

#include "base/configfile.h"
#include "gpu/rendertargets.h"

namespace {

ConfigFile configOf(const std::vector<std::pair<std::string, std::string>>& pairs) {
  ConfigFile config;
  for (const auto& [key, value] : pairs) {
    config.keys.push_back(key);
    config.values.push_back(value);
  }
  return config;
}

struct Case {
  std::vector<std::pair<std::string, std::string>> config;
  QualityOverrides overrides;
  Quality expected;
  std::vector<std::string> warnedKeys;  // each named in one warning line, in order
};

TEST(Quality, PresetsKeysAndOverridesResolveInOrderOfStrength) {
  const Case cases[] = {
      // Nothing set: the full frame.
      {{}, {}, {"full", 16, 1.0f}, {}},
      {{{"quality", "fast"}}, {}, {"fast", 1, 0.5f}, {}},
      // An explicit key beats the preset, whichever comes first in the file.
      {{{"depthOfFieldPasses", "8"}, {"quality", "balanced"}}, {}, {"balanced", 8, 0.75f}, {}},
      {{{"quality", "fast"}, {"renderScale", "1"}}, {}, {"fast", 1, 1.0f}, {}},
      // The command line beats config.ini: its preset over the file's keys,
      // its explicit values over its preset.
      {{{"quality", "full"}, {"depthOfFieldPasses", "2"}}, {"fast", 0, 0.0f}, {"fast", 1, 0.5f}, {}},
      {{{"renderScale", "0.3"}}, {"balanced", 12, 0.0f}, {"balanced", 12, 0.75f}, {}},
      {{}, {"", 3, 0.25f}, {"full", 3, 0.25f}, {}},
      // Bad values keep what was there, one warning each naming the key.
      {{{"quality", "ultra"}}, {}, {"full", 16, 1.0f}, {"quality"}},
      {{{"quality", "fast"}, {"depthOfFieldPasses", "0"}}, {}, {"fast", 1, 0.5f}, {"depthOfFieldPasses"}},
      {{{"depthOfFieldPasses", "17"}}, {}, {"full", 16, 1.0f}, {"depthOfFieldPasses"}},
      {{{"depthOfFieldPasses", "4x"}}, {}, {"full", 16, 1.0f}, {"depthOfFieldPasses"}},
      {{{"depthOfFieldPasses", "2.5"}}, {}, {"full", 16, 1.0f}, {"depthOfFieldPasses"}},
      {{{"renderScale", "0.2"}}, {}, {"full", 16, 1.0f}, {"renderScale"}},
      {{{"renderScale", "nan"}}, {}, {"full", 16, 1.0f}, {"renderScale"}},
      {{{"renderScale", "half"}}, {}, {"full", 16, 1.0f}, {"renderScale"}},
      {{{"quality", "fast"}, {"renderScale", "2"}, {"depthOfFieldPasses", "-1"}},
       {},
       {"fast", 1, 0.5f},
       {"depthOfFieldPasses", "renderScale"}},
  };
  for (const Case& c : cases) {
    std::vector<std::string> warnings;
    const Quality q = resolveQuality(configOf(c.config), c.overrides, warnings);
    const std::string label = c.config.empty() ? "(empty)" : c.config[0].first + " " + c.config[0].second;
    EXPECT_EQ(c.expected.preset, q.preset) << label;
    EXPECT_EQ(c.expected.passes, q.passes) << label;
    EXPECT_EQ(c.expected.scale, q.scale) << label;
    ASSERT_EQ(c.warnedKeys.size(), warnings.size()) << label;
    for (size_t i = 0; i < warnings.size(); ++i) {
      EXPECT_EQ(0u, warnings[i].rfind("WARNING: ", 0)) << warnings[i];
      EXPECT_NE(std::string::npos, warnings[i].find(" " + c.warnedKeys[i] + " ")) << warnings[i];
      EXPECT_EQ(std::string::npos, warnings[i].find('\n')) << warnings[i];
    }
  }
}

TEST(Quality, OnlyAQualityKeyInConfigMakesTheProgramSayIt) {
  EXPECT_FALSE(configSetsQuality(configOf({{"width", "640"}, {"mouseSpeed", "2"}})));
  for (const char* key : {"quality", "depthOfFieldPasses", "renderScale"})
    EXPECT_TRUE(configSetsQuality(configOf({{"width", "640"}, {key, "nonsense"}}))) << key;
}

TEST(Quality, FastIsCheaperThanBalancedIsCheaperThanFull) {
  // Per-frame pass work is about passes x scale squared.
  auto cost = [](const char* name) {
    Quality q;
    EXPECT_TRUE(presetQuality(name, q)) << name;
    EXPECT_EQ(name, q.preset);
    return q.passes * q.scale * q.scale;
  };
  EXPECT_LT(cost("fast"), cost("balanced"));
  EXPECT_LT(cost("balanced"), cost("full"));
  Quality q;
  EXPECT_FALSE(presetQuality("Full", q));
}

TEST(Quality, TargetSidesRoundAndStayAtLeastOnePixel) {
  const struct {
    int window;
    float scale;
    int side;
  } cases[] = {
      {1024, 1.0f, 1024}, {1024, 0.5f, 512}, {768, 0.75f, 576}, {37, 0.5f, 19},  {1, 0.25f, 1},
      {3, 0.25f, 1},      {0, 0.5f, 1},      {640, 0.0f, 640},  {640, 2.0f, 640}, {640, -1.0f, 640},
  };
  for (const auto& c : cases) EXPECT_EQ(c.side, scaledSide(c.window, c.scale)) << c.window << " x " << c.scale;
  EXPECT_EQ(640, scaledSide(640, std::numeric_limits<float>::quiet_NaN()));
}

}  // namespace
