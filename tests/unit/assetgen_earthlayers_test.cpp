// The Earth's generated layers: the clouds against the climatology they
// follow, the slope map on known slopes, the elevation tiles' reader on
// broken tiles, and the switches and season the renderer takes.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>

#include "base/configfile.h"
#include "cli/urlsettings.h"
#include "scene/earthlayers.h"
#include "tools/assetgen/clouds.h"
#include "tools/assetgen/relief.h"
#include "tools/assetgen/runconfig.h"

namespace fs = std::filesystem;

namespace {
const std::string maps = "/usr/share/marble/data/maps/";

// The layers at a quarter of the shipped size, made once for every test.
struct CloudRun {
  Field july, december;
  bool ready = false;
};
const CloudRun& cloudRun() {
  static CloudRun run = [] {
    CloudRun r;
    Image pj, pd, day;
    std::string error;
    if (!loadImageFile(maps + "earth/precip-july/precip-july.jpg", pj, error) ||
        !loadImageFile(maps + "earth/precip-dec/precip-dec.jpg", pd, error) ||
        !loadImageFile("/usr/share/xplanet/images/earth.jpg", day, error))
      return r;
    const Image layers = cloudLayers(pj, pd, waterField(day), 1024, 512, 29, 2);
    r.july = channelField(layers, 1);
    r.december = channelField(layers, 3);
    r.ready = true;
    return r;
  }();
  return run;
}

struct Region {
  const char* name;
  float south, north, west, east;
  float julyLow, julyHigh, decemberLow, decemberHigh;
};

TEST(CloudLayers, NamedRegionsAreClearOrCloudyInTheirSeason) {
  const CloudRun& run = cloudRun();
  if (!run.ready) GTEST_SKIP() << "marble-qt-data or xplanet-images missing";
  const Region regions[] = {
      {"the globe", -90, 90, -180, 180, 0.55f, 0.75f, 0.55f, 0.75f},
      {"the Sahara", 18, 30, -10, 30, 0.0f, 0.25f, 0.0f, 0.25f},
      {"Arabia", 18, 28, 40, 55, 0.0f, 0.25f, 0.0f, 0.25f},
      {"the Maritime Continent", -8, 8, 95, 150, 0.7f, 1.0f, 0.7f, 1.0f},
      {"the Amazon in its wet season", -10, 2, -70, -50, 0.0f, 1.0f, 0.7f, 1.0f},
      {"the Pacific ITCZ", 4, 10, -160, -100, 0.6f, 1.0f, 0.5f, 1.0f},
      {"the Southern Ocean", -62, -45, -180, 180, 0.7f, 1.0f, 0.7f, 1.0f},
      {"India in the monsoon", 15, 28, 72, 88, 0.7f, 1.0f, 0.0f, 0.4f},
      {"the Peruvian stratus", -25, -10, -90, -78, 0.5f, 1.0f, 0.4f, 1.0f},
      // The rains follow the sun: the Sahel in July, northern Australia in
      // December; the subtropical highs of the winter hemisphere stay clear.
      {"the Sahel", 10, 17, -15, 30, 0.6f, 1.0f, 0.0f, 0.2f},
      {"northern Australia", -18, -11, 125, 145, 0.0f, 0.5f, 0.7f, 1.0f},
      {"the South Indian Ocean high", -35, -25, 60, 95, 0.0f, 0.35f, 0.0f, 0.6f},
      {"the Kalahari", -28, -18, 15, 27, 0.0f, 0.25f, 0.0f, 0.6f},
      {"the North Pacific storm track", 40, 60, 150, -140, 0.5f, 1.0f, 0.6f, 1.0f},
      {"the North Atlantic storm track", 45, 65, -50, -10, 0.5f, 1.0f, 0.6f, 1.0f},
  };
  for (const Region& r : regions) {
    const float july = bandMean(run.july, r.south, r.north, r.west, r.east);
    const float december = bandMean(run.december, r.south, r.north, r.west, r.east);
    EXPECT_GE(july, r.julyLow) << r.name << " in July";
    EXPECT_LE(july, r.julyHigh) << r.name << " in July";
    EXPECT_GE(december, r.decemberLow) << r.name << " in December";
    EXPECT_LE(december, r.decemberHigh) << r.name << " in December";
  }
}

TEST(CloudLayers, CoverFollowsTheClimatologyBandByBand) {
  const CloudRun& run = cloudRun();
  if (!run.ready) GTEST_SKIP() << "marble-qt-data or xplanet-images missing";
  Image pj, pd, day;
  std::string error;
  ASSERT_TRUE(loadImageFile(maps + "earth/precip-july/precip-july.jpg", pj, error));
  ASSERT_TRUE(loadImageFile(maps + "earth/precip-dec/precip-dec.jpg", pd, error));
  ASSERT_TRUE(loadImageFile("/usr/share/xplanet/images/earth.jpg", day, error));
  const Field water = waterField(day);
  const Field aimJuly = cloudClimate(pj, water, climateLevelFor(pj, water, kMeanCloudCover));
  const Field aimDecember = cloudClimate(pd, water, climateLevelFor(pd, water, kMeanCloudCover));
  for (float south = -70; south < 70; south += 10) {
    EXPECT_NEAR(bandMean(run.july, south, south + 10), bandMean(aimJuly, south, south + 10), 0.12f)
        << "July, " << south << " to " << south + 10;
    EXPECT_NEAR(bandMean(run.december, south, south + 10), bandMean(aimDecember, south, south + 10), 0.12f)
        << "December, " << south << " to " << south + 10;
  }
  // The dry subtropics are clearer than the storm tracks poleward of them.
  EXPECT_LT(bandMean(run.july, -30, -15), bandMean(run.july, -60, -45) - 0.1f);
  EXPECT_LT(bandMean(run.december, 15, 30), bandMean(run.december, 45, 60) - 0.1f);
}

// Seen from orbit, cloud is broken and thin in places, not sheets over
// clear ground: a fair share of the globe under partial cloud, and the thick
// cloud no more than half of it.
TEST(CloudLayers, OpacitySpreadsOverPartialValues) {
  const CloudRun& run = cloudRun();
  if (!run.ready) GTEST_SKIP() << "marble-qt-data or xplanet-images missing";
  for (const Field* month : {&run.july, &run.december}) {
    double partial = 0, thick = 0, area = 0;
    for (int y = 0; y < month->height; ++y) {
      const double w = std::cos(texelLatitude(y, month->height) * 3.14159265 / 180);
      for (int x = 0; x < month->width; ++x) {
        const float v = month->at(x, y);
        partial += w * (v > 0.1f && v < 0.9f);
        thick += w * (v >= 0.9f);
        area += w;
      }
    }
    const char* name = month == &run.july ? "July" : "December";
    EXPECT_GT(partial / area, 0.35) << name;
    EXPECT_LT(thick / area, 0.5) << name;
  }
}

// The angle, anticlockwise seen from above (outside the sphere), of point q
// about the centre c in the local frame east, north.
float angleAbout(const glm::vec3& q, const glm::vec3& c) {
  const glm::vec3 east = glm::normalize(glm::cross(glm::vec3(0, 1, 0), c));
  const glm::vec3 north = glm::cross(c, east);
  return std::atan2(glm::dot(q, north), glm::dot(q, east));
}

// Follows the arm that the source's eastward ray draws: at each radius, the
// angle at which the point whose source lies due east of the centre shows.
float armAngleAt(const glm::vec3& c, float radius, float twist, float distance) {
  const glm::vec3 east = glm::normalize(glm::cross(glm::vec3(0, 1, 0), c));
  const glm::vec3 north = glm::cross(c, east);
  float best = 0, bestMiss = 1e9f;
  for (int i = 0; i < 3600; ++i) {
    const float a = static_cast<float>(i) * 6.2831853f / 3600;
    const glm::vec3 q = glm::normalize(c * std::cos(distance) + (east * std::cos(a) + north * std::sin(a)) * std::sin(distance));
    const float miss = std::fabs(angleAbout(cycloneSource(q, c, radius, twist), c));
    if (miss < bestMiss) bestMiss = miss, best = a;
  }
  return best;
}

TEST(CloudLayers, CycloneArmsWindAnticlockwiseInwardsInTheNorthAndClockwiseInTheSouth) {
  struct Case {
    float latitude;
    float turnSign;  // of the change of angle going inwards
  } cases[] = {{50, 1}, {-50, -1}, {60, 1}, {-40, -1}};
  for (const Case& k : cases) {
    const float lat = k.latitude * 3.14159265f / 180;
    const glm::vec3 c(0, std::sin(lat), std::cos(lat));
    auto unwrap = [](float a) { return a > 3.14159265f ? a - 6.2831853f : a; };
    const float outer = unwrap(armAngleAt(c, 0.2f, 3.0f, 0.15f));
    const float inner = unwrap(armAngleAt(c, 0.2f, 3.0f, 0.05f));
    EXPECT_GT((inner - outer) * k.turnSign, 0.3f) << "low at " << k.latitude;
    // Beyond its radius a low changes nothing.
    const glm::vec3 far = glm::normalize(c + glm::vec3(0.5f, 0, 0));
    EXPECT_EQ(cycloneSource(far, c, 0.2f, 3.0f), far);
  }
}

// A grid sloping east or north by a known rise per texel reads back as that
// slope; the sea stays flat.
TEST(SlopeMap, KnownRampsReadBackAsTheirSlopes) {
  const double radius = 6371000.0;
  struct Case {
    float risePerColumn, risePerRow;  // metres
  } cases[] = {{50, 0}, {0, 80}, {-30, 20}, {200, -200}};
  for (const Case& k : cases) {
    HeightGrid grid;
    grid.width = 64;
    grid.height = 32;
    grid.metres.assign(64 * 32, 0.0f);
    // Land in the middle rows, well clear of the wrap; sea elsewhere.
    for (int y = 12; y < 20; ++y)
      for (int x = 16; x < 48; ++x) grid.metres[y * 64 + x] = 5000 + k.risePerColumn * x - k.risePerRow * y;
    const Image map = slopeMap(grid, 32, 16, radius);
    const double dLat = 3.14159265358979 / 32, dLon = 2 * 3.14159265358979 / 64;
    const int y = 8;  // source rows 16 and 17, about the equator
    const double lat = (90.0 - 180.0 * 16.5 / 32) * 3.14159265358979 / 180;
    const float east = static_cast<float>(k.risePerColumn / (radius * std::cos(lat) * dLon));
    const float north = static_cast<float>(k.risePerRow / (radius * dLat));
    const uint8_t* p = map.at(16, y);
    EXPECT_NEAR(decodeSlope(p[1] / 255.0f), east, 0.02f * std::fabs(east) + 1e-4f) << k.risePerColumn;
    EXPECT_NEAR(decodeSlope(p[3] / 255.0f), north, 0.02f * std::fabs(north) + 1e-4f) << k.risePerRow;
    const uint8_t* sea = map.at(2, 2);
    EXPECT_EQ(sea[1], 128);
    EXPECT_EQ(sea[3], 128);
  }
}

TEST(SrtmTiles, MissingTruncatedOrMisSizedTilesAreNamed) {
  const fs::path dir = fs::temp_directory_path() / ("srtm_" + std::to_string(::getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir / "000000");
  const std::string tile = srtmTilePath(dir.string(), 0, 0);
  HeightGrid grid;
  std::string error;
  const SrtmLayout one{1, 1, 675};

  EXPECT_FALSE(loadSrtmTiles(dir.string(), one, grid, error));
  EXPECT_NE(error.find(tile), std::string::npos) << error;
  EXPECT_NE(error.find("missing"), std::string::npos) << error;

  const std::string real = srtmTilePath(maps + "earth/srtm/3", 2, 11);
  if (fs::is_regular_file(real)) {
    std::ifstream in(real, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::ofstream(tile, std::ios::binary) << bytes.substr(0, bytes.size() / 2);
    error.clear();
    EXPECT_FALSE(loadSrtmTiles(dir.string(), one, grid, error));
    EXPECT_NE(error.find(tile), std::string::npos) << error;
    EXPECT_NE(error.find("truncated"), std::string::npos) << error;

    std::ofstream(tile, std::ios::binary) << bytes;
    error.clear();
    EXPECT_FALSE(loadSrtmTiles(dir.string(), SrtmLayout{1, 1, 512}, grid, error));
    EXPECT_NE(error.find(tile), std::string::npos) << error;
    ASSERT_TRUE(loadSrtmTiles(dir.string(), one, grid, error)) << error;
    // The tile holds the Himalaya and the Tibetan plateau.
    EXPECT_GT(*std::max_element(grid.metres.begin(), grid.metres.end()), 6000.0f);
  }
  fs::remove_all(dir);
}

TEST(EarthLayers, SwitchesChooseTheDefines) {
  struct Case {
    EarthLayerSwitches switches;
    const char* defines;
  } cases[] = {
      {{true, true, true}, "#define EARTH_RELIEF 1\n#define EARTH_CLOUDS 1\n#define CLOUD_SHADOWS 1\n"},
      {{false, true, true}, "#define EARTH_CLOUDS 1\n#define CLOUD_SHADOWS 1\n"},
      {{true, false, true}, "#define EARTH_RELIEF 1\n"},
      {{true, true, false}, "#define EARTH_RELIEF 1\n#define EARTH_CLOUDS 1\n"},
      {{false, false, false}, ""},
  };
  for (const Case& k : cases) EXPECT_EQ(earthLayerDefines(k.switches), k.defines);
}

// Both layers are on in the shipped config.ini, and the page's address turns
// each off as config.ini would.
TEST(EarthLayers, OnByDefaultAndOffByConfigOrAddress) {
  struct Case {
    std::vector<UrlParameter> address;
    bool relief, clouds;
  } cases[] = {{{}, true, true},
               {{{"clouds", "0"}}, true, false},
               {{{"relief", "0"}}, false, true},
               {{{"clouds", "0"}, {"relief", "0"}}, false, false}};
  const fs::path file = fs::temp_directory_path() / ("layers_" + std::to_string(::getpid()) + ".ini");
  for (const Case& k : cases) {
    std::vector<std::string> warnings;
    std::ofstream(file) << applyUrlSettings(runConfigText(), k.address, warnings);
    EXPECT_TRUE(warnings.empty());
    ConfigFile config;
    ASSERT_TRUE(config.read(file.string().c_str()));
    EXPECT_EQ(config.checkedSetting<bool>("relief"), k.relief) << k.address.size();
    EXPECT_EQ(config.checkedSetting<bool>("clouds"), k.clouds) << k.address.size();
  }
  fs::remove(file);
}

TEST(EarthLayers, SeasonRunsFromJulyToDecemberAndBack) {
  struct Case {
    double day;
    float season;
  } cases[] = {{196, 0}, {349, 1}, {272.5, 0.5f}, {196 + 365.25, 0}, {349 - 365.25, 1}, {90, 0.5f}};
  for (const Case& k : cases) EXPECT_NEAR(cloudSeasonOfDay(k.day), k.season, 0.03f) << k.day;
  float last = -1;
  for (double d = 196; d <= 349; d += 1) {
    EXPECT_GE(cloudSeasonOfDay(d), last);
    last = cloudSeasonOfDay(d);
  }
  EXPECT_EQ(cloudSeasonOfDay(std::nan("")), cloudSeasonOfDay(196));
}
}  // namespace
