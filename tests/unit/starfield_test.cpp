// The star catalogue's reader on good, truncated and garbled bytes; the world
// frame; named stars of the shipped catalogue against the almanac; and the
// light and colour of a star from its magnitude and B-V.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <limits>
#include <string>
#include <vector>

#include "loaders/skyframe.h"
#include "loaders/starcatalogue.h"
#include "render/exposure.h"
#include "scene/starfield.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kHour = kPi / 12.0, kDegree = kPi / 180.0, kArcminute = kDegree / 60.0;

void put32(std::string& out, uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<char>(v >> shift & 0xFF));
}
void putDouble(std::string& out, double v) {
  uint64_t bits;
  std::memcpy(&bits, &v, sizeof bits);
  put32(out, static_cast<uint32_t>(bits >> 32));
  put32(out, static_cast<uint32_t>(bits));
}
std::string record(int32_t number, double ra, double dec, double magnitude, int32_t colourClass) {
  std::string out;
  put32(out, static_cast<uint32_t>(number));
  putDouble(out, ra);
  putDouble(out, dec);
  putDouble(out, magnitude);
  put32(out, static_cast<uint32_t>(colourClass));
  return out;
}
std::string header(int32_t version = 4) {
  std::string out = "star";
  put32(out, static_cast<uint32_t>(version));
  return out;
}

bool parse(const std::string& bytes, std::vector<CatalogueStar>& stars, std::string& error) {
  return parseStarCatalogue(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), stars, error);
}

TEST(StarCatalogue, ReadsEveryRecordOfAGoodFile) {
  std::vector<CatalogueStar> stars;
  std::string error;
  ASSERT_TRUE(parse(header() + record(2491, 1.7677, -0.2917, -1.46, 1) + record(424, 0.6624, 1.5579, 2.02, 3), stars,
                    error))
      << error;
  ASSERT_EQ(stars.size(), 2u);
  EXPECT_EQ(stars[0].number, 2491);
  EXPECT_DOUBLE_EQ(stars[0].ra, 1.7677);
  EXPECT_DOUBLE_EQ(stars[0].dec, -0.2917);
  EXPECT_DOUBLE_EQ(stars[0].magnitude, -1.46);
  EXPECT_EQ(stars[1].colourClass, 3);
  // A header alone is a catalogue without stars.
  ASSERT_TRUE(parse(header(), stars, error));
  EXPECT_TRUE(stars.empty());
}

TEST(StarCatalogue, RefusesTruncatedOrGarbledBytesSayingWhy) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const std::string good = record(1, 1.0, 0.5, 4.0, 2);
  struct Case {
    const char* what;
    std::string bytes;
    const char* says;
  };
  const Case cases[] = {
      {"empty", "", "too short"},
      {"half a header", header().substr(0, 6), "too short"},
      {"another file", "DDS " + header().substr(4) + good, "not a star catalogue"},
      {"another version", header(5) + good, "version 5"},
      {"a record cut short", header() + good + good.substr(0, 31), "truncated: star 2 has 31 of 32"},
      {"one byte over", header() + good + "x", "truncated: star 2 has 1 of 32"},
      {"right ascension not a number", header() + record(7, nan, 0.1, 3.0, 1), "star 1 (number 7): right ascension"},
      {"right ascension negative", header() + good + record(8, -0.1, 0.1, 3.0, 1), "star 2 (number 8): right ascension"},
      {"declination past the pole", header() + record(9, 1.0, 1.6, 3.0, 1), "declination"},
      {"declination not a number", header() + record(9, 1.0, nan, 3.0, 1), "declination"},
      {"magnitude absurd", header() + record(10, 1.0, 0.1, 1e300, 1), "magnitude"},
      {"magnitude infinite", header() + record(10, 1.0, 0.1, -std::numeric_limits<double>::infinity(), 1),
       "magnitude"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<CatalogueStar> stars = {CatalogueStar()};
    std::string error;
    EXPECT_FALSE(parse(c.bytes, stars, error));
    EXPECT_NE(error.find(c.says), std::string::npos) << error;
    EXPECT_TRUE(stars.empty());
  }
}

TEST(StarCatalogue, AFileThatCannotBeReadIsNamed) {
  const std::string path = testing::TempDir() + "orbisk-stars-truncated.dat";
  {
    std::ofstream out(path, std::ios::binary);
    const std::string bytes = header() + record(1, 1.0, 0.5, 4.0, 2).substr(0, 20);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }
  std::vector<CatalogueStar> stars;
  std::string error;
  EXPECT_FALSE(loadStarCatalogue(path, stars, error));
  EXPECT_EQ(error.rfind(path + ": truncated", 0), 0u) << error;
  std::remove(path.c_str());
  EXPECT_FALSE(loadStarCatalogue(path, stars, error));
  EXPECT_EQ(error, path + ": cannot be opened");
}

TEST(SkyFrame, AxesOfTheWorld) {
  struct Case {
    double ra, dec;
    glm::dvec3 world;
  };
  // The equinox +X, the pole +Y, and +Z = X x Y, which is RA 18h.
  for (const Case& c : {Case{0, 0, {1, 0, 0}}, Case{0, kPi / 2, {0, 1, 0}}, Case{6 * kHour, 0, {0, 0, -1}},
                        Case{18 * kHour, 0, {0, 0, 1}}, Case{12 * kHour, -kPi / 2, {0, -1, 0}}}) {
    const glm::dvec3 w = raDecToWorld(c.ra, c.dec);
    EXPECT_NEAR(glm::distance(w, c.world), 0.0, 1e-12) << c.ra << " " << c.dec;
  }
  EXPECT_NEAR(glm::distance(glm::cross(raDecToWorld(0, 0), raDecToWorld(0, kPi / 2)), raDecToWorld(18 * kHour, 0)),
              0.0, 1e-12);
  EXPECT_EQ(equatorialToWorld(glm::dvec3(1, 2, 3)), glm::dvec3(1, 3, -2));
}

TEST(StarCatalogue, NamedStarsStandWhereTheAlmanacPutsThem) {
  std::vector<CatalogueStar> stars;
  std::string error;
  ASSERT_TRUE(loadStarCatalogue(ORBISK_STAR_CATALOGUE, stars, error)) << error;
  // Every star to magnitude 6.
  EXPECT_GT(stars.size(), 5000u);
  struct Named {
    const char* name;
    int32_t number;  // HR
    double ra, dec, magnitude;
  };
  const Named named[] = {
      {"Sirius", 2491, (6 + 45 / 60.0 + 8.9 / 3600) * kHour, -(16 + 42 / 60.0 + 58 / 3600.0) * kDegree, -1.46},
      {"Polaris", 424, (2 + 31 / 60.0 + 49.1 / 3600) * kHour, (89 + 15 / 60.0 + 51 / 3600.0) * kDegree, 2.02},
      {"Betelgeuse", 2061, (5 + 55 / 60.0 + 10.3 / 3600) * kHour, (7 + 24 / 60.0 + 25 / 3600.0) * kDegree, 0.50},
      {"Vega", 7001, (18 + 36 / 60.0 + 56.3 / 3600) * kHour, (38 + 47 / 60.0 + 1 / 3600.0) * kDegree, 0.03},
      {"Canopus", 2326, (6 + 23 / 60.0 + 57.1 / 3600) * kHour, -(52 + 41 / 60.0 + 44 / 3600.0) * kDegree, -0.72},
  };
  for (const Named& n : named) {
    SCOPED_TRACE(n.name);
    const CatalogueStar* found = nullptr;
    for (const CatalogueStar& star : stars)
      if (star.number == n.number) found = &star;
    ASSERT_NE(found, nullptr);
    const double apart = std::acos(std::min(1.0, glm::dot(raDecToWorld(found->ra, found->dec), raDecToWorld(n.ra, n.dec))));
    EXPECT_LT(apart, 1.0 * kArcminute);
    EXPECT_NEAR(found->magnitude, n.magnitude, 0.05);
  }
}

TEST(StarLight, AMagnitudeIsAFactorOf2512InLinearLight) {
  EXPECT_DOUBLE_EQ(magnitudeToFlux(0.0), 1.0);
  EXPECT_NEAR(magnitudeToFlux(1.0) / magnitudeToFlux(2.0), 2.512, 0.001);
  EXPECT_NEAR(magnitudeToFlux(-1.46) / magnitudeToFlux(3.54), 100.0, 1e-9);
  // Through the vertices too, whatever the colour.
  std::vector<CatalogueStar> stars(2);
  stars[0].magnitude = 2.0;
  stars[1].magnitude = 3.0;
  const std::vector<StarVertex> v = starVertices(stars);
  ASSERT_EQ(v.size(), 2u);
  EXPECT_NEAR(v[0].light.g / v[1].light.g, 2.512, 0.002);
  EXPECT_NEAR(glm::length(v[0].direction), 1.0f, 1e-6f);
}

TEST(StarLight, ColourFromBVMatchesKnownStars) {
  // Ballesteros' formula puts the Sun's B-V of 0.65 at its 5772 K.
  EXPECT_NEAR(bvToTemperature(0.65), 5772.0, 60.0);
  EXPECT_NEAR(bvToTemperature(0.0), 10000.0, 400.0);  // A0, Vega-like
  EXPECT_NEAR(bvToTemperature(1.5), 3800.0, 150.0);   // early M, Betelgeuse-like
  struct Case {
    const char* what;
    double bv;
    double blueOverRed[2];
  };
  const Case cases[] = {
      {"blue-white", 0.0, {1.3, 2.0}},
      {"the Sun's yellow-white", 0.65, {0.75, 0.92}},
      {"orange-red", 1.5, {0.2, 0.45}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const glm::dvec3 rgb = bvToLinearRgb(c.bv);
    EXPECT_GT(rgb.b / rgb.r, c.blueOverRed[0]);
    EXPECT_LT(rgb.b / rgb.r, c.blueOverRed[1]);
    // Green between red and blue: no purple or green stars.
    EXPECT_GT(rgb.g, std::min(rgb.r, rgb.b));
    EXPECT_LT(rgb.g, std::max(rgb.r, rgb.b));
    // The magnitude sets the light, so every colour has luminance 1.
    EXPECT_NEAR(0.2126 * rgb.r + 0.7152 * rgb.g + 0.0722 * rgb.b, 1.0, 0.01);
  }
  // A black body near 6500 K is close to the display's white.
  const glm::dvec3 white = temperatureToLinearRgb(6504.0);
  EXPECT_NEAR(white.r / white.g, 1.0, 0.07);
  EXPECT_NEAR(white.b / white.g, 1.0, 0.07);
}

TEST(StarLight, ColourClassesOfTheCatalogueRunFromBlueToRed) {
  double previous = -1.0;
  for (int32_t colourClass = 1; colourClass <= 6; ++colourClass) {
    EXPECT_GT(colourClassBV(colourClass), previous) << colourClass;
    previous = colourClassBV(colourClass);
  }
  for (int32_t unknown : {0, 7, -1, 1 << 30}) EXPECT_DOUBLE_EQ(colourClassBV(unknown), 0.65);
}

}  // namespace

// The passes skip the stars and the star cube where the exposure leaves
// nothing of them on the picture, and only there.
TEST(StarLight, SkippedOnlyWhereTheExposureHidesThem) {
  // Sirius's light, as the catalogue's stars carry it.
  const float sirius = static_cast<float>(kZeroMagnitudeLight * magnitudeToFlux(-1.46));
  struct Case {
    const char* name;
    double starGain;
    bool starsShow, cubeShows;
  } cases[] = {
      {"the sunlit Earth in view (automatic exposure 1)", starGain(1.0), false, false},
      {"half-way (automatic exposure 2)", starGain(2.0), true, true},
      {"deep space (automatic exposure 4)", starGain(4.0), true, true},
      {"a fixed exposure of 1, the design's picture", 1.0, true, true},
      {"a fixed exposure of 0.001", 0.001, true, true},
  };
  for (const Case& c : cases) {
    const float stops = static_cast<float>(std::log2(c.starGain));
    EXPECT_EQ(starsShow(sirius, stops), c.starsShow) << c.name;
    EXPECT_EQ(starCubeShows(stops), c.cubeShows) << c.name;
  }
  // At the edge the brightest pixel is half a display step either way.
  EXPECT_FALSE(starsShow(sirius, -40.0f));
  EXPECT_FALSE(starsShow(0.0f, 0.0f)) << "an empty field";
  EXPECT_FLOAT_EQ(starCubeFade(0.0f), 0.0f);
}
