// The sky of an instant against events whose answers are known: equinox and
// solstice, the equation of time, Moon phases, the 2024 eclipse; the parsing
// of instants and rates; the clock's keys; the camera over a point.
#include "scene/skyclock.h"

#include <gtest/gtest.h>

#include <cmath>
#include <glm/gtc/matrix_transform.hpp>

#include "cli/shotoptions.h"
#include "tools/film/filmplan.h"
#include "loaders/skyframe.h"
#include "scene/skyscene.h"

namespace {

double taiOf(const char* text) {
  double tai = 0.0;
  std::string error;
  EXPECT_TRUE(parseUtcInstant(text, tai, error)) << text << ": " << error;
  return tai;
}

SkyState skyOf(const char* text) { return skyStateAt(taiOf(text)); }

double degreesBetween(const glm::dvec3& a, const glm::dvec3& b) {
  return glm::degrees(std::acos(std::fmax(-1.0, std::fmin(1.0, glm::dot(glm::normalize(a), glm::normalize(b))))));
}

TEST(SkyFrame, EquatorialAxesLandOnTheWorldAxes) {
  const double h = glm::radians(90.0);
  struct Case {
    double ra, dec;
    glm::dvec3 world;
  } cases[] = {
      {0.0, 0.0, {1, 0, 0}},       // the March equinox
      {h, 0.0, {0, 0, -1}},        // RA 6h
      {2 * h, 0.0, {-1, 0, 0}},    // the September equinox
      {1.234, h, {0, 1, 0}},       // the north celestial pole, whatever the RA
      {0.5, -h, {0, -1, 0}},
  };
  for (const Case& c : cases) {
    const glm::dvec3 w = raDecToWorld(c.ra, c.dec);
    EXPECT_NEAR(0.0, glm::length(w - c.world), 1e-12) << c.ra << " " << c.dec;
  }
  // +Z = X x Y: a right-handed world, so the sky is not mirrored.
  const glm::dvec3 x = equatorialToWorld({1, 0, 0}), y = equatorialToWorld({0, 0, 1});
  EXPECT_NEAR(0.0, glm::length(glm::cross(x, y) - glm::dvec3(0, 0, 1)), 1e-12);
  EXPECT_NEAR(1.0, glm::determinant(glm::dmat3(equatorialToWorld({1, 0, 0}), equatorialToWorld({0, 1, 0}),
                                               equatorialToWorld({0, 0, 1}))),
              1e-12);
}

TEST(SkyState, SubsolarLatitudeAtTheEquinoxAndTheSolstice) {
  // The March equinox of 2024 fell at 03:06 UTC, the June solstice at 20:51.
  EXPECT_NEAR(0.0, subpointOf(skyOf("2024-03-20T03:06:00Z"), skyOf("2024-03-20T03:06:00Z").sunDirection).latitude,
              0.01);
  const SkyState before = skyOf("2024-03-20T00:00:00Z"), after = skyOf("2024-03-20T06:00:00Z");
  EXPECT_LT(subpointOf(before, before.sunDirection).latitude, -0.03);
  EXPECT_GT(subpointOf(after, after.sunDirection).latitude, 0.03);
  const SkyState solstice = skyOf("2024-06-20T20:51:00Z");
  EXPECT_NEAR(23.44, subpointOf(solstice, solstice.sunDirection).latitude, 0.01);
  // The September equinox of 2024: 12:44 UTC, the Sun crossing southward.
  const SkyState september = skyOf("2024-09-22T12:44:00Z");
  EXPECT_NEAR(0.0, subpointOf(september, september.sunDirection).latitude, 0.01);
  const SkyState december = skyOf("2024-12-21T09:21:00Z");
  EXPECT_NEAR(-23.44, subpointOf(december, december.sunDirection).latitude, 0.01);
}

TEST(SkyState, SubsolarLongitudeFollowsTheEquationOfTime) {
  // At 12:00 UTC the Sun stands over longitude -(equation of time): in
  // mid-February it runs 14.2 minutes slow, in early November 16.4 fast.
  struct Case {
    const char* instant;
    double longitude;
  } cases[] = {
      {"2024-02-11T12:00:00Z", 14.23 / 4.0},
      {"2024-11-03T12:00:00Z", -16.43 / 4.0},
      {"2024-04-15T12:00:00Z", 0.0},  // the equation of time crosses zero
      {"2024-03-20T03:06:00Z", (12.0 - 3.1) * 15.0 + 7.4 / 4.0},
  };
  for (const Case& c : cases) {
    const SkyState s = skyOf(c.instant);
    EXPECT_NEAR(c.longitude, subpointOf(s, s.sunDirection).longitude, 0.12) << c.instant;
  }
}

TEST(SkyState, EarthMeshCarriesTheMapWhereTheSkySaysItIs) {
  for (const char* instant : {"2024-03-20T12:00:00Z", "2024-06-20T20:51:00Z", "1900-01-01T00:00:00Z",
                              "2100-12-31T23:59:59Z"}) {
    const SkyState s = skyOf(instant);
    EXPECT_NEAR(1.0, glm::determinant(s.earthModel), 1e-9) << instant;
    const glm::dmat3 gram = glm::transpose(s.earthModel) * s.earthModel;
    for (int i = 0; i < 3; ++i)
      for (int j = 0; j < 3; ++j) EXPECT_NEAR(i == j ? 1.0 : 0.0, gram[i][j], 1e-9) << instant;
    // The mesh's point under the Sun, read as assetgen lays the map on the
    // sphere (longitude from +Z toward +X, latitude toward +Y).
    const glm::dvec3 m = glm::inverse(s.earthModel) * s.sunDirection;
    const Geographic g = subpointOf(s, s.sunDirection);
    EXPECT_NEAR(g.latitude, glm::degrees(std::asin(m.y)), 1e-6) << instant;
    EXPECT_NEAR(g.longitude, glm::degrees(std::atan2(m.x, m.z)), 1e-6) << instant;
    // The mesh's north pole within a degree of the world's pole (precession
    // moves it about 0.36 degrees a century from J2000's).
    EXPECT_LT(degreesBetween(s.earthModel * glm::dvec3(0, 1, 0), {0, 1, 0}), 0.6) << instant;
  }
}

TEST(SkyState, MoonPhases) {
  // Full Moon 2024-04-23 23:49 UTC, first quarter 2024-04-15 19:13, last
  // quarter 2024-05-01 11:27: the elongation from the Sun, and on which side.
  const glm::dvec3 eclipticNorth = equatorialToWorld({0.0, -std::sin(glm::radians(23.44)), std::cos(glm::radians(23.44))});
  const SkyState full = skyOf("2024-04-23T23:49:00Z");
  EXPECT_GT(degreesBetween(full.sunDirection, full.moonDirection), 175.0);
  const SkyState first = skyOf("2024-04-15T19:13:00Z");
  EXPECT_NEAR(90.0, degreesBetween(first.sunDirection, first.moonDirection), 1.0);
  // East of the Sun: counter-clockwise from it seen from the north.
  EXPECT_GT(glm::dot(glm::cross(first.sunDirection, first.moonDirection), eclipticNorth), 0.9);
  const SkyState last = skyOf("2024-05-01T11:27:00Z");
  EXPECT_NEAR(90.0, degreesBetween(last.sunDirection, last.moonDirection), 1.0);
  EXPECT_LT(glm::dot(glm::cross(last.sunDirection, last.moonDirection), eclipticNorth), -0.9);
  EXPECT_NEAR(384400.0, first.moonDistanceKm, 30000.0);
  EXPECT_NEAR(149.6e6, first.sunDistanceKm, 3.0e6);
}

TEST(SkyState, TheEclipseOf2024April8) {
  // Seen from the Earth's centre the Moon passes 0.35 degrees from the Sun
  // (the eclipse's gamma, 0.343 Earth radii, at the Moon's distance) close
  // to 18:17 UTC.
  double closest = 180.0, when = 0.0;
  const double start = taiOf("2024-04-08T17:47:00Z");
  for (int s = 0; s <= 3600; s += 10) {
    const SkyState st = skyStateAt(start + s);
    const double d = degreesBetween(st.sunDirection, st.moonDirection);
    if (d < closest) closest = d, when = start + s;
  }
  EXPECT_NEAR(0.35, closest, 0.02);
  EXPECT_NEAR(taiOf("2024-04-08T18:17:00Z"), when, 240.0);
  // Over the path of totality: the Sun stands high over Mexico and Texas.
  const SkyState s = skyStateAt(when);
  const Geographic sub = subpointOf(s, s.sunDirection);
  EXPECT_NEAR(7.5, sub.latitude, 0.3);
  EXPECT_NEAR(-94.7, sub.longitude, 1.0);
}

TEST(UtcInstant, ParsesTheCalendarAndItsLeapSeconds) {
  struct Case {
    const char* text;
    bool ok;
    const char* named;  // what the error must name
  } cases[] = {
      {"2024-04-08T18:17:16Z", true, ""},
      {"2024-02-29T12:00:00Z", true, ""},
      {"2000-02-29T00:00:00Z", true, ""},
      {"1900-01-01T00:00:00Z", true, ""},
      {"2100-12-31T23:59:59Z", true, ""},
      {"2016-12-31T23:59:60Z", true, ""},  // a leap second was inserted here
      {"2023-02-29T00:00:00Z", false, "day 29"},
      {"1900-02-29T00:00:00Z", false, "day 29"},
      {"2100-02-29T00:00:00Z", false, "day 29"},
      {"2024-04-31T00:00:00Z", false, "April"},
      {"2024-13-01T00:00:00Z", false, "month 13"},
      {"2024-00-01T00:00:00Z", false, "month 00"},
      {"2024-01-00T00:00:00Z", false, "day 00"},
      {"2024-01-01T24:00:00Z", false, "hour 24"},
      {"2024-01-01T12:60:00Z", false, "minute 60"},
      {"2024-01-01T12:00:61Z", false, "second 61"},
      {"2023-06-30T23:59:60Z", false, "leap second"},
      {"2024-01-01T12:00:00", false, "YYYY-MM-DDTHH:MM:SSZ"},
      {"2024-01-01 12:00:00Z", false, "YYYY-MM-DDTHH:MM:SSZ"},
      {"2024-1-01T12:00:00Z", false, "YYYY-MM-DDTHH:MM:SSZ"},
      {"", false, "YYYY-MM-DDTHH:MM:SSZ"},
      {"2024-01-01T12:00:00Z ", false, "YYYY-MM-DDTHH:MM:SSZ"},
  };
  for (const Case& c : cases) {
    double tai = 0.0;
    std::string error;
    EXPECT_EQ(c.ok, parseUtcInstant(c.text, tai, error)) << c.text;
    if (!c.ok) {
      EXPECT_NE(std::string::npos, error.find(c.named)) << c.text << ": " << error;
    }
    if (c.ok) {
      EXPECT_EQ(c.text, formatUtc(tai)) << c.text;
    }
  }
}

TEST(UtcInstant, CountsLeapSecondsAsSeconds) {
  EXPECT_DOUBLE_EQ(2.0, taiOf("2017-01-01T00:00:00Z") - taiOf("2016-12-31T23:59:59Z"));
  EXPECT_DOUBLE_EQ(1.0, taiOf("2017-01-01T00:00:01Z") - taiOf("2017-01-01T00:00:00Z"));
  EXPECT_DOUBLE_EQ(86400.0, taiOf("2024-03-01T00:00:00Z") - taiOf("2024-02-29T00:00:00Z"));
  EXPECT_EQ("1970-01-01T00:00:00Z", formatUtc(taiFromUnixSeconds(0.0)));
  EXPECT_EQ("2024-01-01T00:00:00Z", formatUtc(taiFromUnixSeconds(1704067200.0)));
  EXPECT_EQ("2017-01-01T00:00:00Z", formatUtc(taiFromUnixSeconds(1483228800.0)));
}

TEST(UtcInstant, DayOfTheYearForTheClimateSeason) {
  const struct {
    const char* instant;
    double day;
  } cases[] = {
      {"2024-01-01T00:00:00Z", 1.0},
      {"2023-07-15T12:00:00Z", 196.5},
      {"2024-12-31T18:00:00Z", 366.75},  // a leap year has 366 days
      {"2023-12-31T23:59:59Z", 365.0 + 86399.0 / 86400.0},
  };
  for (const auto& c : cases) EXPECT_NEAR(c.day, dayOfYearAt(taiOf(c.instant)), 1e-6) << c.instant;
}

TEST(TimeRate, ParsesAndClamps) {
  struct Case {
    const char* text;
    RateStatus status;
    double rate;
  } cases[] = {
      {"1", RateStatus::Ok, 1.0},         {"600", RateStatus::Ok, 600.0},
      {"-60", RateStatus::Ok, -60.0},     {"0", RateStatus::Ok, 0.0},
      {"1e7", RateStatus::Ok, 1e7},       {"-10000000", RateStatus::Ok, -1e7},
      {"1e8", RateStatus::Clamped, 1e7},  {"-2e9", RateStatus::Clamped, -1e7},
      {"inf", RateStatus::Clamped, 1e7},  {"1e999", RateStatus::Clamped, 1e7},
      {"", RateStatus::Bad, 5.0},         {"fast", RateStatus::Bad, 5.0},
      {"nan", RateStatus::Bad, 5.0},      {"60s", RateStatus::Bad, 5.0},
      {" 60", RateStatus::Bad, 5.0},
  };
  for (const Case& c : cases) {
    double rate = 5.0;
    EXPECT_EQ(c.status, parseTimeRate(c.text, rate)) << c.text;
    EXPECT_EQ(c.rate, rate) << c.text;
  }
}

TEST(SkyClock, SettingsGiveTheDemoSkyWithAWarningWhenMalformed) {
  const struct {
    const char *time, *rate;  // config.ini's two settings
    SkyMode mode;
    double wantRate;
    std::vector<std::string> warned;  // words the one warning holds; none: no warning
  } cases[] = {
      {"demo", "1", SkyMode::Demo, 1.0, {}},
      {"2024-02-30T00:00:00Z", "1", SkyMode::Demo, 1.0, {"2024-02-30T00:00:00Z", "YYYY-MM-DDTHH:MM:SSZ", "demo sky"}},
      {"2024-04-08T18:17:16Z", "3e7", SkyMode::Instant, 1e7, {"3e7"}},
      {"now", "quick", SkyMode::Now, 1.0, {"quick"}},
  };
  for (const auto& c : cases) {
    std::vector<std::string> warnings;
    const SkyClock clock = skyClockFromSettings(c.time, c.rate, warnings);
    EXPECT_EQ(c.mode, clock.mode) << c.time;
    EXPECT_EQ(c.mode != SkyMode::Demo, clock.active()) << c.time;
    if (c.mode != SkyMode::Demo) {
      EXPECT_EQ(c.wantRate, clock.rate) << c.rate;
    }
    ASSERT_EQ(c.warned.empty() ? 0u : 1u, warnings.size()) << c.time << " " << c.rate;
    for (const std::string& word : c.warned) EXPECT_NE(std::string::npos, warnings[0].find(word)) << word;
  }
}

TEST(SkyClock, KeysChangeTheRateWithoutAJumpInTheSky) {
  std::vector<std::string> warnings;
  SkyClock c = skyClockFromSettings("2024-04-08T18:17:16Z", "1", warnings);
  startSkyClock(c, 100.0);
  const double t0 = taiOf("2024-04-08T18:17:16Z");
  EXPECT_DOUBLE_EQ(t0 + 10.0, c.taiAt(110.0));
  skyFaster(c, 110.0);
  EXPECT_EQ(10.0, c.rate);
  EXPECT_DOUBLE_EQ(t0 + 10.0, c.taiAt(110.0));
  EXPECT_DOUBLE_EQ(t0 + 20.0, c.taiAt(111.0));
  for (int i = 0; i < 9; ++i) skyFaster(c, 111.0);
  EXPECT_EQ(maxTimeRate, c.rate);
  skyReverse(c, 111.0);
  EXPECT_EQ(-maxTimeRate, c.rate);
  EXPECT_DOUBLE_EQ(t0 + 20.0, c.taiAt(111.0));
  c.rate = -10.0;
  skySlower(c, 111.0);
  EXPECT_EQ(-1.0, c.rate);
  skySlower(c, 111.0);
  EXPECT_EQ(0.0, c.rate);  // held
  EXPECT_DOUBLE_EQ(c.taiAt(111.0), c.taiAt(500.0));
  skySlower(c, 111.0);
  EXPECT_EQ(0.0, c.rate);
  skyFaster(c, 111.0);
  EXPECT_EQ(-1.0, c.rate);  // runs again the way it ran
  const std::string line = skyBackToNow(c, 200.0);
  EXPECT_EQ(SkyMode::Now, c.mode);
  EXPECT_EQ(1.0, c.rate);
  EXPECT_NEAR(taiNow(), c.taiAt(200.0), 5.0);
  EXPECT_NE(std::string::npos, line.find("1 sky seconds a second"));
}

TEST(SkyClock, DemoSkyIgnoresRateKeysButTakesNow) {
  SkyClock c;
  skyFaster(c, 1.0);
  skyReverse(c, 1.0);
  EXPECT_FALSE(c.active());
  EXPECT_EQ(1.0, c.rate);
  skyBackToNow(c, 1.0);
  EXPECT_TRUE(c.active());
}

TEST(ViewAbove, StandsOverThePointWithNorthUp) {
  const glm::dmat4 demoEarth(1.0);
  struct Case {
    double lat, lon;
    glm::dvec3 outward, up;
  } cases[] = {
      {0, 0, {0, 0, 1}, {0, 1, 0}},   // Greenwich on the equator: the mesh's +Z
      {0, 90, {1, 0, 0}, {0, 1, 0}},  // 90 east: +X
      {0, -90, {-1, 0, 0}, {0, 1, 0}},
      {45, 180, {0, std::sqrt(0.5), -std::sqrt(0.5)}, {0, std::sqrt(0.5), std::sqrt(0.5)}},
      {90, 0, {0, 1, 0}, {0, 0, -1}},  // over the pole, Greenwich runs down
      {-90, 0, {0, -1, 0}, {0, 0, 1}},
  };
  for (const Case& c : cases) {
    const AboveView v = viewAbove(c.lat, c.lon, earthRadiusKm, demoEarth);
    EXPECT_NEAR(0.0, glm::length(v.eye - 2.0 * c.outward), 1e-9) << c.lat << " " << c.lon;
    EXPECT_NEAR(0.0, glm::length(v.up - c.up), 1e-9) << c.lat << " " << c.lon;
    EXPECT_NEAR(0.0, glm::length(v.at), 1e-12);
  }
  // The Earth as turned by demo steps: the camera turns with it.
  const glm::dmat4 turned = glm::rotate(glm::dmat4(1.0), glm::radians(30.0), glm::dvec3(0, 1, 0));
  const AboveView v = viewAbove(0, 0, earthRadiusKm, turned);
  EXPECT_NEAR(0.0, glm::length(v.eye - 2.0 * glm::dvec3(std::sin(glm::radians(30.0)), 0, std::cos(glm::radians(30.0)))),
              1e-9);
}

TEST(ViewAbove, OverTheSubsolarPointLooksDownTheSunsRay) {
  const SkyState s = skyOf("2024-04-08T18:17:16Z");
  const Geographic sub = subpointOf(s, s.sunDirection);
  const AboveView v = viewAbove(sub.latitude, sub.longitude, 1000.0, glm::dmat4(s.earthModel));
  EXPECT_LT(degreesBetween(v.eye, s.sunDirection), 1e-6);
  // North up: the view's up leans toward the world's pole.
  EXPECT_GT(v.up.y, 0.9);
  EXPECT_NEAR(0.0, glm::dot(v.up, glm::normalize(v.eye)), 1e-9);
}

TEST(SkyPlacement, MoonAndLightAlongTheirDirections) {
  const SkyState s = skyOf("2024-04-15T19:13:00Z");
  const SkyPlacement p = skyPlacementOf(s);
  EXPECT_NEAR(moonSceneDistance, glm::length(glm::vec3(p.moon[3])), 1e-4);
  EXPECT_LT(degreesBetween(glm::dvec3(glm::vec3(p.moon[3])), s.moonDirection), 1e-4);
  // The Moon's mesh keeps the scene's size and turns its near side (the
  // map's longitude 0, the mesh's +Z) to the Earth, north up.
  EXPECT_NEAR(0.3, glm::length(glm::vec3(p.moon[2])), 1e-6);
  EXPECT_LT(degreesBetween(glm::dvec3(glm::vec3(p.moon[2])), -s.moonDirection), 1e-4);
  EXPECT_GT(glm::vec3(p.moon[1]).y, 0.0f);
  EXPECT_GT(glm::determinant(glm::mat3(p.moon)), 0.0f) << "a mirrored Moon";
  EXPECT_NEAR(glm::length(glm::vec3(40000.0f)), glm::length(p.light), 0.05);
  EXPECT_LT(degreesBetween(glm::dvec3(p.light), s.sunDirection), 1e-4);
}

TEST(AboveOption, NamesTheBadPart) {
  struct Case {
    const char* text;
    bool ok;
    const char* named;
  } cases[] = {
      {"45,10,100", true, ""},      {"-90,-180,0.5", true, ""},   {"0,359.5,35786", true, ""},
      {"91,0,100", false, "latitude 91"}, {"0,400,100", false, "longitude 400"},
      {"0,0,0", false, "altitude 0"},     {"0,0,-5", false, "altitude -5"},
      {"north,0,1", false, "latitude 'north'"}, {"0,,1", false, "longitude ''"},
      {"0,0", false, "LAT,LON,ALT_KM"},   {"0,0,1,2", false, "LAT,LON,ALT_KM"},
      {"0,0,1e9", false, "altitude 1000000000"},
  };
  for (const Case& c : cases) {
    double lat = 0, lon = 0, alt = 0;
    std::string error;
    EXPECT_EQ(c.ok, parseAbove(c.text, lat, lon, alt, error)) << c.text;
    if (!c.ok) {
      EXPECT_NE(std::string::npos, error.find(c.named)) << c.text << ": " << error;
    }
  }
}

TEST(ShotSkyOptions, UtcRateAndAboveOnTheCommandLine) {
  ShotOptions o;
  std::string error;
  ASSERT_TRUE(parseShotOptions({"--above", "52.5,13.4,400", "--utc", "2024-04-08T18:17:16Z", "--time-rate", "-600",
                                "--out", "a.png"},
                               o, error))
      << error;
  EXPECT_TRUE(o.useAbove);
  EXPECT_DOUBLE_EQ(52.5, o.aboveLatitude);
  EXPECT_EQ("2024-04-08T18:17:16Z", o.utc);
  EXPECT_TRUE(o.hasTimeRate);
  EXPECT_EQ(-600.0, o.timeRate);
  EXPECT_FALSE(parseShotOptions({"--above", "0,0,1", "--eye", "1,0,0", "--out", "a.png"}, o, error));
  EXPECT_NE(std::string::npos, error.find("--above"));
  EXPECT_FALSE(parseShotOptions({"--above", "0,0,1", "--utc", "2023-02-29T00:00:00Z", "--out", "a.png"}, o, error));
  EXPECT_NE(std::string::npos, error.find("day 29"));
  EXPECT_FALSE(parseShotOptions({"--above", "0,0,1", "--utc", "demo", "--out", "a.png"}, o, error));
  EXPECT_FALSE(parseShotOptions({"--above", "0,0,1", "--time-rate", "2e7", "--out", "a.png"}, o, error));
  EXPECT_NE(std::string::npos, error.find("2e7"));
}

TEST(FilmSkyOptions, ResumeSpellsOutTheSky) {
  FilmOptions o;
  ASSERT_EQ(-1, parseFilmOptions({"--out", "f/", "--utc", "2024-06-20T00:00:00Z", "--time-rate", "3600"}, o, nullptr,
                                 false));
  EXPECT_EQ("2024-06-20T00:00:00Z", o.utc);
  EXPECT_EQ(3600.0, o.timeRate);
  Quality fast;
  ASSERT_TRUE(presetQuality("fast", fast));
  const std::string resume = resumeCommand("orbisk-film", o, fast, true, 10, 20);
  EXPECT_NE(std::string::npos, resume.find(" --utc 2024-06-20T00:00:00Z --time-rate 3600")) << resume;
  std::string error;
  EXPECT_EQ(2, parseFilmOptions({"--out", "f/", "--utc", "yesterday"}, o, &error, false));
  EXPECT_NE(std::string::npos, error.find("yesterday")) << error;
}

}  // namespace
