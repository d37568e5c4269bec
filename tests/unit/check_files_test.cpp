// orbisk-check's reports on DDS textures, MTL libraries and config.ini, the
// scene's file list, and the printed form of a report.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "app/configfile.h"
#include "loaders/ddstexture.h"
#include "tests/ddsbytes.h"
#include "tests/unit/checkreport.h"
#include "tools/check/checkcore.h"

using check::Report;
using check::Severity;
using checktest::hasFact;
using checktest::mentions;

namespace {

constexpr uint32_t kMaxSize = 16384;


std::vector<uint8_t> makeDds(uint32_t width, uint32_t height, uint32_t linearSize, uint32_t levels, size_t dataBytes,
                             uint32_t fourCC = dds::kFourCCDXT1) {
  return ddstest::bytes({width, height, linearSize, levels, fourCC}, dataBytes);
}

Report checkBytes(const std::vector<uint8_t>& bytes, uint32_t maxSize = kMaxSize) {
  return check::checkDds("t.dds", bytes.data(), bytes.size(), maxSize);
}

}  // namespace

TEST(CheckDds, FullChainListsEveryLevelWithItsBytes) {
  // 8 x 4 DXT1: 16, 8, 8, 8 bytes.
  Report r = checkBytes(makeDds(8, 4, 16, 4, 40));
  EXPECT_TRUE(r.usable());
  EXPECT_TRUE(r.problems.empty());
  EXPECT_TRUE(hasFact(r, "DXT1, 8 x 4, linear size 16, 4 levels declared"));
  EXPECT_TRUE(hasFact(r, "level 0: 8 x 4, 16 bytes"));
  EXPECT_TRUE(hasFact(r, "level 3: 1 x 1, 8 bytes"));
  EXPECT_TRUE(hasFact(r, "levels present: 4, 40 bytes of 40 after the header"));
}

TEST(CheckDds, HostileHeadersAreUnusableWithTheirReason) {
  struct Case {
    std::vector<uint8_t> bytes;
    const char* reason;
  };
  std::vector<uint8_t> notDds = makeDds(4, 4, 8, 1, 8);
  notDds[3] = 'X';
  std::vector<uint8_t> odd = makeDds(4, 4, 8, 1, 8, 0x20202020 | 0x01);
  std::vector<uint8_t> cut = makeDds(4, 4, 8, 1, 8);
  cut.resize(60);
  const Case cases[] = {
      {{'D', 'D'}, "shorter than its 4-byte signature"},
      {notDds, "does not begin with \"DDS \""},
      {cut, "header cut short: 60 bytes"},
      {makeDds(4, 4, 64, 1, 64, 0), "uncompressed pixels"},
      {odd, "format '!   '"},
      {makeDds(32768, 4, 8, 1, 8), "larger than 16384 pixels"},
      {makeDds(0, 4, 0, 1, 8), "width or height is 0"},
      {makeDds(4, 4, 8, 0, 8), "declares 0 levels"},
      {makeDds(16, 16, 128, 1, 100), "no level fits: the top level needs 128 bytes, the file holds 100"},
      {makeDds(16, 16, 0, 5, 4096), "no level fits"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.reason);
    Report r = checkBytes(c.bytes);
    EXPECT_FALSE(r.usable());
    EXPECT_TRUE(mentions(r, c.reason)) << (r.problems.empty() ? "" : r.problems[0].text);
  }
}

TEST(CheckDds, ShortChainsAndOddHeadersStillLoadWithAWarning) {
  Report cut = checkBytes(makeDds(8, 8, 32, 4, 40));  // 32 + 8 of 32 + 8 + 8 + 8
  EXPECT_TRUE(cut.usable());
  EXPECT_TRUE(mentions(cut, "holds only 2 of its 4 levels"));

  Report tooMany = checkBytes(makeDds(4, 4, 8, 9, 8 * 9));
  EXPECT_TRUE(tooMany.usable());
  EXPECT_TRUE(mentions(tooMany, "declares 9 levels, but a 4 x 4 chain has only 3"));

  Report smallLinear = checkBytes(makeDds(8, 8, 16, 1, 64));
  EXPECT_TRUE(mentions(smallLinear, "linear size 16 is not the top level's 32 bytes"));
  Report bigLinear = checkBytes(makeDds(4, 4, 9, 1, 16));
  EXPECT_TRUE(bigLinear.usable());
  EXPECT_TRUE(mentions(bigLinear, "linear size 9 is not the top level's 8 bytes"));
}

TEST(CheckDds, SidesNearTwoToTheThirtyTwoNeitherWrapNorCrash) {
  std::vector<uint8_t> bytes = makeDds(0xFFFFFFFFu, 0xFFFFFFFFu, 0, 0x44000000u, 160, dds::kFourCCDXT5);
  Report r = checkBytes(bytes, 0xFFFFFFFFu);
  EXPECT_FALSE(r.usable());
  EXPECT_TRUE(mentions(r, "no level fits"));
  EXPECT_EQ(ddsLevelSize(0xFFFFFFFFu, 0xFFFFFFFFu, 16), UINT64_MAX);
  EXPECT_EQ(ddsLevelSize(0xFFFFFFFFu, 0xFFFFFFFFu, 8), (uint64_t{1} << 60) * 8);
}

TEST(CheckMtl, TexturesInLoadOrderAndLinesTheLoaderSkips) {
  Report r = check::checkMtl("m.mtl",
                             "newmtl a\r\n"
                             "map_Kn night.dds\n"    // 2
                             "map_kd lower.dds\n"    // 3: wrong case
                             "map_Kd\tday.dds\n"     // 4: tab
                             "map_Kd day.dds \n"     // 5: trailing blank
                             "map_Kd day.dds\n"      // 6: replaces line 5
                             "map_Ks \n");           // 7: no name
  EXPECT_FALSE(r.usable());
  EXPECT_EQ(r.named, (std::vector<std::string>{"day.dds", "night.dds"}));
  EXPECT_EQ(checktest::linesOf(r, Severity::Warning), (std::vector<size_t>{3, 4, 5, 6}));
  EXPECT_TRUE(mentions(r, "texture line without a name"));

  Report none = check::checkMtl("m.mtl", "newmtl a\nKd 1 1 1\n");
  EXPECT_TRUE(none.usable());
  EXPECT_TRUE(mentions(none, "names no texture"));
}

TEST(CheckConfig, MistakesAreWarningsWithTheirLines) {
  Report r = check::checkConfig("config.ini",
                                "width 800 Height 600\n"  // 1: case
                                "keyPressSpeed fast\n"    // 2: not a number
                                "width 1024\n"            // 3: duplicate
                                "invertMouseX true\n"     // 4: not 0/1
                                "mouseSpeed 2.5x\n"       // 5: trailing text
                                "lonely");                // 6: no value
  EXPECT_TRUE(r.usable());
  EXPECT_EQ(checktest::linesOf(r, Severity::Warning), (std::vector<size_t>{1, 2, 3, 4, 5, 6}));
  EXPECT_TRUE(mentions(r, "did you mean 'height'?"));
  EXPECT_TRUE(mentions(r, "'fast' is not a number: keyPressSpeed keeps its default 6.0"));
  EXPECT_TRUE(mentions(r, "only its first value (line 1)"));
  EXPECT_TRUE(mentions(r, "'true' is not 0 or 1"));
  EXPECT_TRUE(mentions(r, "read only up to 'x'"));
  EXPECT_TRUE(mentions(r, "'lonely' has no value"));

  // An equals sign shifts every later word by one.
  Report equals = check::checkConfig("config.ini", "width = 800\n");
  EXPECT_TRUE(mentions(equals, "'=' is read as the value of 'width'"));
  EXPECT_TRUE(mentions(equals, "'800' has no value"));

  Report clean = check::checkConfig("config.ini", "width 640\nheight 480\nearthFilename models/e.obj\n");
  EXPECT_TRUE(clean.problems.empty());
  EXPECT_TRUE(hasFact(clean, "settings: 3"));
  EXPECT_EQ(check::checkConfig("config.ini", "width 0\n").problems.size(), 1u);
}

TEST(CheckScene, FilesFollowTheConfigurationAndItsDefaults) {
  ConfigFile config;
  config.keys = {"moonFilename"};
  config.values = {"other/moon2.obj"};
  auto files = check::sceneFiles(config);
  ASSERT_EQ(files.size(), 14u);
  EXPECT_EQ(files[0].path, "models\\envcube.obj");
  EXPECT_EQ(files[1].path, "models\\earth.obj");
  EXPECT_EQ(files[2].path, "other/moon2.obj");
  EXPECT_TRUE(files[5].required);
  EXPECT_FALSE(files[6].required);  // the camera paths are optional
  EXPECT_EQ(files[13].path, "couriernew.DDS");
  EXPECT_EQ(files[13].kind, check::FileKind::Dds);
}

TEST(CheckScene, FileKinds) {
  const uint8_t magic[] = {'D', 'D', 'S', ' '};
  EXPECT_EQ(check::kindOf("X.OBJ", nullptr, 0), check::FileKind::Obj);
  EXPECT_EQ(check::kindOf("a.Dds", nullptr, 0), check::FileKind::Dds);
  EXPECT_EQ(check::kindOf("texture", magic, 4), check::FileKind::Dds);
  EXPECT_EQ(check::kindOf("notes.txt", nullptr, 0), check::FileKind::Unknown);
  const std::string obj = "# model\nv 1 2 3\n", mtl = "# lib\nnewmtl a\n", prose = "hello\nworld";
  auto bytes = [](const std::string& s) { return reinterpret_cast<const uint8_t*>(s.data()); };
  EXPECT_EQ(check::kindOf("a1b2", bytes(obj), obj.size()), check::FileKind::Obj);
  EXPECT_EQ(check::kindOf("a1b2", bytes(mtl), mtl.size()), check::FileKind::Mtl);
  EXPECT_EQ(check::kindOf("a1b2", bytes(prose), prose.size()), check::FileKind::Unknown);
}

TEST(CheckReport, PrintedLikeCompilerMessages) {
  Report r;
  r.path = "models/a.obj";
  r.kind = check::FileKind::Obj;
  r.facts = {"triangles: 2"};
  r.error(7, "bad face");
  r.warning(0, "odd file");
  EXPECT_EQ(check::formatReport(r, "Earth model"),
            "models/a.obj: OBJ model (Earth model)\n"
            "  triangles: 2\n"
            "  models/a.obj:7: error: bad face\n"
            "  models/a.obj: warning: odd file\n");
  r.path = std::string("bad\x01name", 8);
  EXPECT_EQ(check::formatReport(r).substr(0, 13), "bad\\x01name: ");
}
