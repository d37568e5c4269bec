// orbisk-check's reports on DDS textures, MTL libraries, config.ini and
// compiler logs, the scene's file and program lists, and the printed form of
// a report.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "base/configfile.h"
#include "gpu/texturefiltering.h"
#include "loaders/ddstexture.h"
#include "platform/platform.h"
#include "render/airtable.h"
#include "render/depthoffield.h"
#include "render/exposure.h"
#include "scene/scene.h"
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

  // An equals sign takes the value's place; the setting on the next line
  // still starts a pair of its own.
  Report equals = check::checkConfig("config.ini", "width = 800\nheight 600\n");
  EXPECT_TRUE(mentions(equals, "'=' is read as the value of 'width'"));
  EXPECT_TRUE(mentions(equals, "'800' has no value"));
  EXPECT_EQ(checktest::linesOf(equals, Severity::Warning), (std::vector<size_t>{1, 1}));

  Report clean = check::checkConfig("config.ini", "width 640\nheight 480\nearthFilename models/e.obj\n");
  EXPECT_TRUE(clean.problems.empty());
  EXPECT_TRUE(hasFact(clean, "settings: 3"));
  EXPECT_EQ(check::checkConfig("config.ini", "width 0\n").problems.size(), 1u);
}

// A key left without its value: the checker reads the pairs as the program
// does, and its first warning is the line that lost the value.
TEST(CheckConfig, AMissingValueIsTheFirstCause) {
  struct Case {
    const char* text;
    std::vector<size_t> lines;
    const char* first;
  } cases[] = {
      {"width 800\nquality\nheight 600\nfullscreen 0\nmouseSpeed 3\n", {2}, "'quality' has no value"},
      {"quality\nrenderScale\nwidth 800\n", {1, 2}, "'quality' has no value"},
      // The next line starts with no setting: the pairs are one off until
      // a line starts with one, and the line that lost its value comes first.
      {"width 800\nquality\nbogus 1\nheight 600\n", {2, 3, 3}, "'quality' takes its value 'bogus' from line 3"},
      {"quality\na 1\nb 2\nc 3\nd 4\ne 5\nf 6\n", {}, "'quality' takes its value 'a' from line 2"},
  };
  for (const Case& c : cases) {
    Report r = check::checkConfig("config.ini", c.text);
    if (!c.lines.empty()) {
      EXPECT_EQ(checktest::linesOf(r, Severity::Warning), c.lines) << c.text;
    }
    ASSERT_FALSE(r.problems.empty());
    EXPECT_EQ(r.problems.front().line, c.lines.empty() ? 1u : c.lines.front());
    EXPECT_EQ(r.problems.front().text.rfind(c.first, 0), 0u) << r.problems.front().text;
  }
}

// A file named alone is looked for in the scene's shaders' includes, also
// through another include and under another spelling of its path.
TEST(CheckShaders, IncludersAreFoundWithTheirBuilds) {
  const std::map<std::string, std::string> files = {
      {"v.glsl", "#version 330 core\n#include \"common.glsl\"\nvoid main() {}\n"},
      {"v2.glsl", "#version 330 core\nvoid main() {}\n"},
      {"f.glsl", "#version 330 core\n#include \"sub/a.glsl\"\nvoid main() {}\n"},
      {"common.glsl", "float common_() { return 1.0; }\n"},
      {"sub/a.glsl", "#include \"b.glsl\"\n"},
      {"sub/b.glsl", "float b() { return 2.0; }\n"},
  };
  auto read = [&](const std::string& path, std::string& source, std::string& problem) {
    const auto it = files.find(path);
    if (it == files.end()) {
      problem = "no such file";
      return false;
    }
    source = "\n" + it->second;  // assembled, as the loader gives it
    return true;
  };
  const std::vector<check::ProgramFiles> programs = {
      {"v.glsl", "f.glsl", {"the Earth"}, {"", "#define X 1\n"}},
      {"v2.glsl", "f.glsl", {"the Moon"}, {""}},
      {"missing.glsl", "f.glsl", {"the missile"}, {"#define Y 1\n"}},
  };
  struct Case {
    const char* path;
    std::vector<std::string> includers;
    std::vector<std::vector<std::string>> defineSets, users;
  } cases[] = {
      {"common.glsl", {"v.glsl"}, {{"", "#define X 1\n"}}, {{"the Earth"}}},
      {"./common.glsl", {"v.glsl"}, {{"", "#define X 1\n"}}, {{"the Earth"}}},
      {"sub/b.glsl", {"f.glsl"}, {{"", "#define X 1\n", "#define Y 1\n"}}, {{"the Earth", "the Moon", "the missile"}}},
      {"sub/../sub/a.glsl", {"f.glsl"}, {{"", "#define X 1\n", "#define Y 1\n"}}, {{"the Earth", "the Moon", "the missile"}}},
      {"v.glsl", {}, {}, {}},  // a program's own file is built as it is
      {"b.glsl", {}, {}, {}},  // not the one beside a.glsl
      {"nothing.glsl", {}, {}, {}},
  };
  for (const Case& c : cases) {
    const std::vector<check::Includer> found = check::includersOf(c.path, programs, read);
    ASSERT_EQ(found.size(), c.includers.size()) << c.path;
    for (size_t i = 0; i < found.size(); ++i) {
      EXPECT_EQ(found[i].path, c.includers[i]) << c.path;
      EXPECT_EQ(found[i].stage, found[i].path[0] == 'v' ? check::ShaderStage::Vertex : check::ShaderStage::Fragment);
      EXPECT_EQ(found[i].defineSets, c.defineSets[i]) << c.path;
      EXPECT_EQ(found[i].users, c.users[i]) << c.path;
    }
  }
}

TEST(CheckConfig, AbsurdValuesAreWarnedAboutWithWhatTheProgramDoes) {
  platform::DisplayLimits smallGL;  // a 1920 x 1080 screen, a GL that draws up to 8192
  smallGL.screenWidth = 1920;
  smallGL.screenHeight = 1080;
  smallGL.viewportWidth = smallGL.viewportHeight = smallGL.renderbufferSize = smallGL.textureSize = 8192;
  struct Case {
    const char* text;
    const platform::DisplayLimits* limits;
    const char* expected;  // null: no problem
  };
  const Case cases[] = {
      {"keyPressSpeed 1e38\n", nullptr, "keyPressSpeed 1e38 is outside the sane range 0 to 100 (the default is 6.0)"},
      {"mouseSpeed -0.5\n", nullptr, "mouseSpeed -0.5 is outside the sane range 0 to 100"},
      {"keyPressSpeed 100\nmouseSpeed 0\n", nullptr, nullptr},  // the ends belong to the range
      {"airScale 0.5\n", nullptr, "airScale 0.5 is outside the sane range 1 to 5.5 (the default is 1)"},
      {"airScale 4.8\n", nullptr, nullptr},
      {"mouseSpeed nan\n", nullptr, "'nan' is not a finite number (nan or inf): mouseSpeed keeps its default 3.0"},
      {"keyPressSpeed -inf\n", nullptr, "'-inf' is not a finite number"},
      {"keyPressSpeed 1e39\n", nullptr, "'1e39' is beyond what a number setting holds: keyPressSpeed keeps"},
      {"height 99999999999\n", nullptr, "beyond what a whole number setting holds: height keeps its default 768"},
      {"width -3\n", nullptr, "width -3 is outside the sane range 1 to 16384: the window is 1024 x 768"},
      {"width 20000\n", nullptr, "width 20000 is outside the sane range 1 to 16384: the window is 16384 x 768"},
      {"width 10000\n", &smallGL, "width 10000 is more than this OpenGL can draw into (8192): the program uses 1920"},
      {"height 1200\n", &smallGL, "height 1200 is more than the screen's 1080: the full-screen window takes"},
      {"width 1920 height 1080\n", &smallGL, nullptr},
      {"width 3000 fullscreen 0\n", &smallGL, "width 3000 is more than the screen's 1920: the window is cut to the screen"},
      {"width 10000\n", nullptr, nullptr},  // no display known: only the sane range counts
      // The words the program takes, from its own lists.
      {"quality ultra\n", nullptr, "quality 'ultra' is not full, balanced or fast: the program warns and keeps full"},
      {"quality Fast\n", nullptr, "quality 'Fast' is not"},
      {"quality balanced\n", nullptr, nullptr},
      {"textureFiltering fancy\n", nullptr, "textureFiltering 'fancy' is not auto, unit or shader"},
      {"textureFiltering shader\n", nullptr, nullptr},
      {"time 2023-02-29T00:00:00Z\n", nullptr, "time '2023-02-29T00:00:00Z' is not an instant (day 29"},
      {"time yesterday\n", nullptr, "the program warns and shows the demo sky"},
      {"time now timeRate -600\n", nullptr, nullptr},
      {"time 2016-12-31T23:59:60Z\n", nullptr, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    Report r = check::checkConfig("config.ini", c.text, c.limits);
    EXPECT_TRUE(r.usable());
    if (c.expected == nullptr) {
      EXPECT_TRUE(r.problems.empty()) << r.problems[0].text;
    } else {
      ASSERT_EQ(r.problems.size(), 1u);
      EXPECT_EQ(r.problems[0].line, 1u);
      EXPECT_NE(r.problems[0].text.find(c.expected), std::string::npos) << r.problems[0].text;
    }
  }
}

// The window sides are judged after the other keys; their warnings still
// come first when they are on the first lines, and the later ones of the
// same kind are the ones counted.
TEST(CheckConfig, TheFirstLinesProblemsAreTheOnesKept) {
  Report r = check::checkConfig(
      "config.ini", "width 0\nmouseSpeed -1\nkeyPressSpeed -1\ndepthOfFieldPasses 99\nrenderScale 9\n");
  EXPECT_EQ(checktest::linesOf(r, Severity::Warning), (std::vector<size_t>{1, 2, 3}));
  EXPECT_NE(check::formatReport(r).find("config.ini:3: warning: keyPressSpeed -1 is outside the sane range 0 to 100 "
                                        "(the default is 6.0)\n  config.ini: warning: ... and 2 more values outside"),
            std::string::npos)
      << check::formatReport(r);
}

TEST(CheckReport, FloodsOfOneKindAreCappedWithACountAfterTheLastShown) {
  auto repeat = [](const std::string& line, int times) {
    std::string text;
    for (int i = 0; i < times; ++i) text += line;
    return text;
  };
  struct Case {
    Report report;
    const char* kind;       // empty: the same text repeated
    const char* countLine;  // printed once, after the last of the kind shown
    size_t total;           // of the kind's severity, at least
  };
  const Case cases[] = {
      {check::checkConfig("c.ini", repeat("width 800\n", 1000)), "repeated keys",
       "  c.ini: warning: ... and 996 more repeated keys\n", 999},
      {check::checkConfig("c.ini", repeat("colour 1\n", 50)), "unknown keys",
       "  c.ini: warning: ... and 47 more unknown keys\n", 50},
      {check::checkObj("m.obj", "v 0 0 0\nvn 0 0 1\n" + repeat("f 1/1/1 1/1/1\n", 100)), "malformed faces",
       "  m.obj: error: ... and 97 more malformed faces\n", 100},
      {check::checkObj("m.obj", "v 0 0 0\nvn 0 0 1\nf 1//1 1//1 1//1\n" + repeat("v 1 2\n", 10)),
       "lines with missing numbers", "  m.obj: warning: ... and 7 more lines with missing numbers\n", 10},
      {check::checkMtl("m.mtl", "newmtl a\nmap_Kd a.dds\n" + repeat("map_kd b.dds\n", 5)),
       "texture lines that are not read", "  m.mtl: warning: ... and 2 more texture lines that are not read\n", 5},
      {check::checkMtl("m.mtl", "newmtl a\n" + repeat("map_Ks a.dds\n", 7)),
       "texture lines that replace an earlier one", "  m.mtl: warning: ... and 3 more texture lines that replace an earlier one\n", 6},
      {check::checkObj("m.obj", "v 0 0 0\nvn 0 0 1\nf 1//1 1//1 1//1\n" + repeat("mtllib \n", 6)), "",
       "  m.obj: warning: ... and 3 more of the same\n", 6},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.countLine);
    const std::string printed = check::formatReport(c.report);
    const size_t count = printed.find(c.countLine);
    ASSERT_NE(count, std::string::npos) << printed;
    EXPECT_EQ(printed.find(c.countLine, count + 1), std::string::npos);
    size_t kept = 0;
    for (const check::Problem& p : c.report.problems)
      if (p.kind == c.kind && (*c.kind != '\0' || p.text == c.report.omitted[0].text)) ++kept;
    EXPECT_EQ(kept, check::kMaxReportsPerKind);
    const Severity severity = printed.substr(count).find(": error: ") < printed.substr(count).find('\n')
                                  ? Severity::Error : Severity::Warning;
    EXPECT_GE(c.report.count(severity), c.total);
  }

  // Counts follow the last shown problem of their own kind, whatever comes after.
  Report r;
  r.path = "f";
  for (size_t line = 1; line <= 5; ++line) {
    r.warning(line, "a", "as");
    r.error(line, "b", "bs");
  }
  r.warning(9, "lone");
  EXPECT_EQ(check::formatReport(r),
            "f: unknown file type\n"
            "  f:1: warning: a\n  f:1: error: b\n  f:2: warning: a\n  f:2: error: b\n"
            "  f:3: warning: a\n  f: warning: ... and 2 more as\n"
            "  f:3: error: b\n  f: error: ... and 2 more bs\n"
            "  f:9: warning: lone\n");
  EXPECT_EQ(r.count(Severity::Warning), 6u);
  EXPECT_EQ(r.count(Severity::Error), 5u);
}

TEST(CheckShaders, CompilerLogsLandOnTheFilesLines) {
  // The driver formats are the shader loader's parser's to read (its own
  // table); here, what the report makes of them.
  struct Case {
    const char* log;
    bool compiled;
    const char* printed;  // the first problem line
  };
  const Case cases[] = {
      {"0:12(3): error: `colour' undeclared\n", false, "s.glsl:11: error: `colour' undeclared"},
      {"ERROR: 0:12: 'colour' : undeclared identifier\nERROR: 1 compilation errors.  No code generated.\n", false,
       "s.glsl:11: error: 'colour' : undeclared identifier\n"},
      {"0:12(3): warning: `x' used uninitialized\n", true, "s.glsl:11: warning: `x' used uninitialized"},
      {"something the driver says\n", false, "s.glsl: error: something the driver says"},
      {"", false, "s.glsl: error: the compiler refused it without a message"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.log);
    Report r;
    r.path = "s.glsl";
    check::addCompilerLog(r, c.log, c.compiled);
    EXPECT_EQ(r.usable(), c.compiled);
    ASSERT_EQ(r.problems.size(), 1u);  // the summary line is left out
    const std::string printed = check::formatReport(r);
    EXPECT_NE(printed.find(c.printed), std::string::npos) << printed;
  }
  // A clean compile's chatter is no problem.
  Report clean;
  check::addCompilerLog(clean, "0:0(0): info: optimised\n", true);
  EXPECT_TRUE(clean.problems.empty());
}

// With includes a log's line names its file in its millions (or its source
// string); a place beyond the files stays in the text.
TEST(CheckShaders, IncludedFilesGetTheirOwnLines) {
  const std::vector<check::PlacedMessage> messages = check::compilerMessages(
      "0:2000007(3): error: a\n1:5(1): error: b\n7:9(1): error: c\n0:4(2): warning: d\n", false, 3);
  ASSERT_EQ(messages.size(), 4u);
  EXPECT_EQ(messages[0].file, 2u);
  EXPECT_EQ(messages[0].line, 6u);
  EXPECT_EQ(messages[1].file, 1u);
  EXPECT_EQ(messages[1].line, 4u);
  EXPECT_EQ(messages[2].file, 0u);
  EXPECT_EQ(messages[2].line, 0u);
  EXPECT_EQ(messages[2].text, "(source string 7, line 8) c");
  EXPECT_EQ(messages[3].severity, Severity::Warning);
  EXPECT_EQ(messages[3].line, 3u);
}

TEST(CheckShaders, BuildsAreNamedByTheirDefinesAndNotedWhenNotAll) {
  const std::vector<std::string> composite = check::buildNames({"", "#define PASSES 1\n", "#define PASSES 2\n",
                                                                "#define PASSES 3\n", "#define PASSES 4\n"});
  EXPECT_EQ(composite, (std::vector<std::string>{"without PASSES", "PASSES 1", "PASSES 2", "PASSES 3", "PASSES 4"}));
  EXPECT_EQ(check::buildNames({""}), (std::vector<std::string>{"as it is"}));
  EXPECT_EQ(check::buildNames({"#define A 1\n#define B 2\n"}), (std::vector<std::string>{"A 1, B 2"}));
  struct Case {
    std::vector<std::string> seenIn;
    const char* note;
  };
  const Case cases[] = {
      {composite, ""},
      {{"PASSES 1", "PASSES 2", "PASSES 3", "PASSES 4"}, " (only in the builds PASSES 1 to 4)"},
      {{"without PASSES", "PASSES 2", "PASSES 4"}, " (only in the builds without PASSES; PASSES 2; PASSES 4)"},
      {{"PASSES 3", "PASSES 4"}, " (only in the builds PASSES 3, PASSES 4)"},
      {{"PASSES 3"}, " (only in the build PASSES 3)"},
  };
  for (const Case& c : cases) EXPECT_EQ(check::buildsNote(c.seenIn, composite), c.note);
}

TEST(CheckShaders, StageFromTheName) {
  using check::ShaderStage;
  const std::vector<ShaderStage> vertex{ShaderStage::Vertex}, fragment{ShaderStage::Fragment},
      both{ShaderStage::Vertex, ShaderStage::Fragment};
  const std::pair<const char*, std::vector<ShaderStage>> cases[] = {
      {"vShaderIndexed.glsl", vertex},     {"fShaderQuad.glsl", fragment},
      {"vertexShader.glsl", vertex},       {"fragmentShaderToTexture.glsl", fragment},
      {"shaders/FShaderX.GLSL", fragment}, {"dir.v/sky.vert", vertex},
      {"vfragment.glsl", fragment},        {"common.glsl", both},
  };
  for (const auto& [path, stages] : cases) {
    std::string why;
    EXPECT_EQ(check::stagesFromName(path, &why), stages) << path;
    EXPECT_FALSE(why.empty());
  }
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

TEST(CheckScene, ProgramsPairTheConfiguredAndTheFixedShaders) {
  ConfigFile defaults;
  auto programs = check::scenePrograms(defaults);
  ASSERT_EQ(programs.size(), 11u);  // Earth, Moon and missile share theirs
  EXPECT_EQ(programs[0].vertex, "vShaderIndexed.glsl");
  EXPECT_EQ(check::listOf(programs[1].users), "the Earth, the Moon, the missile and the Earth with its air");
  EXPECT_EQ(programs[3].fragment, "fShaderIndexedAtmosFinal.glsl");
  EXPECT_EQ(programs[7].fragment, "fShaderText.glsl");
  EXPECT_EQ(programs[8].fragment, "fShaderStars.glsl");
  EXPECT_EQ(programs[9].fragment, "fShaderExposureMeter.glsl");
  EXPECT_EQ(programs[9].defineSets, std::vector<std::string>{exposureMeterDefines()});
  // Every build the program can make: both texture-filtering paths of the
  // configured objects' programs, each bare and with the Earth's layers,
  // built for the Earth alone and for the bodies without it, and the
  // Earth's and the atmosphere composite's each again reading the air
  // table; every composite; the air table's own; one of the others.
  EXPECT_EQ(programs[0].defineSets, std::vector<std::string>{""});
  EXPECT_EQ(programs[1].defineSets.size(), 6 * std::size(kTextureFilteringPaths));
  for (const char* body : {kEarthOnlyDefine, kWithoutEarthDefine})
    EXPECT_EQ(std::count_if(programs[1].defineSets.begin(), programs[1].defineSets.end(),
                            [&](const std::string& d) { return d.find(body) != std::string::npos; }),
              body == kEarthOnlyDefine ? 4 * std::ssize(kTextureFilteringPaths) : 2 * std::ssize(kTextureFilteringPaths))
        << body;
  EXPECT_EQ(check::listOf(programs[3].users), "the atmosphere composite and the limb through the air table");
  EXPECT_EQ(programs[5].defineSets, compositeVariants());
  EXPECT_EQ(programs[10].fragment, "fShaderIndexedAtmosFinal.glsl");
  EXPECT_EQ(programs[10].defineSets, std::vector<std::string>{kAirTableBuildDefine});

  ConfigFile config;
  config.keys = {"moonFShader", "atmosphereVShader"};
  config.values = {"moon.glsl", "vAir.glsl"};
  programs = check::scenePrograms(config);
  ASSERT_EQ(programs.size(), 12u);
  EXPECT_EQ(check::listOf(programs[1].users), "the Earth, the missile and the Earth with its air");
  EXPECT_EQ(programs[2].fragment, "moon.glsl");
  EXPECT_EQ(programs[3].vertex, "vAir.glsl");
  EXPECT_EQ(programs[4].vertex, "vAir.glsl");
}

TEST(CheckScene, FileKinds) {
  const uint8_t magic[] = {'D', 'D', 'S', ' '};
  EXPECT_EQ(check::kindOf("X.OBJ", nullptr, 0), check::FileKind::Obj);
  EXPECT_EQ(check::kindOf("a.Dds", nullptr, 0), check::FileKind::Dds);
  EXPECT_EQ(check::kindOf("texture", magic, 4), check::FileKind::Dds);
  EXPECT_EQ(check::kindOf("notes.txt", nullptr, 0), check::FileKind::Unknown);
  EXPECT_EQ(check::kindOf("a.frag", nullptr, 0), check::FileKind::Glsl);
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
