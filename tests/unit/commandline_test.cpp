// The tools' shared option parsing: refused values named in one plain line,
// and "--" ending the options.
#include "cli/commandline.h"

#include <gtest/gtest.h>

#include "cli/shotoptions.h"
#include "tools/film/filmplan.h"

namespace {

// Every refused value is answered with the option and the value in the
// tool's own words, never CLI11's ("Could not convert", "required ...
// missing"), and an empty or blank value is refused rather than read as 0.
struct RefusedCase {
  std::vector<std::string> args;
  const char* reason;
};

// Each case's arguments with "--out out" after them are refused with status
// 2 and exactly the case's reason.
template <typename Options, typename Parse, size_t N>
void expectRefused(const RefusedCase (&cases)[N], const char* out, Parse parse) {
  for (const RefusedCase& c : cases) {
    std::vector<std::string> args = c.args;
    args.insert(args.end(), {"--out", out});
    Options o;
    std::string error;
    EXPECT_EQ(2, parse(args, o, &error, false)) << c.reason;
    EXPECT_EQ(c.reason, error);
  }
}

TEST(ToolOptions, EmptyAndPartialValuesAreRefusedByName) {
  const RefusedCase shotCases[] = {
      {{"--path-time", ""}, "--path-time: wants a value, not ''"},
      {{"--path-time", " "}, "--path-time: wants a value, not ' '"},
      {{"--path-time="}, "--path-time: wants a value, not ''"},
      {{"--path-time", "abc"}, "--path-time: wants a number from 0 to 10000000, not 'abc'"},
      {{"--path-time", "5x"}, "--path-time: wants a number from 0 to 10000000, not '5x'"},
      {{"--path-time", "1e9"}, "--path-time: wants a number from 0 to 10000000, not '1e9'"},
      {{"--path-time", "2", "--seed", ""}, "--seed: wants a value, not ''"},
      {{"--path-time", "2", "--seed", "12a"}, "--seed: wants a whole number from 0 to 4294967295, not '12a'"},
      {{"--path-time", "2", "--seed", "1e3"}, "--seed: wants a whole number from 0 to 4294967295, not '1e3'"},
      {{"--path-time", "2", "--steps", ""}, "--steps: wants 0 to 10000000, not ''"},
      {{"--path-time", "2", "--scale", ""}, "--scale: wants 0.25 to 1, not ''"},
      {{"--path-time", "2", "--quality", ""}, "--quality: wants full, balanced or fast, not ''"},
      {{"--path-time", "2", "--size", ""}, "--size: wants a value, not ''"},
      {{"--eye", "0,0,3", "--at", "0,0,0", "--fov", ""}, "--fov: wants a value, not ''"},
      {{"--eye", "0,0,3", "--at", "0,0,0", "--fov", "180"}, "--fov: wants a number above 0 and below 180, not '180'"},
      {{"--eye", "", "--at", "0,0,0"}, "--eye: wants a value, not ''"},
  };
  expectRefused<ShotOptions>(shotCases, "a.png", parseShotCommandLine);
  const RefusedCase filmCases[] = {
      {{"--from", ""}, "--from: wants 0 to 10000000, not ''"},
      {{"--fps", " "}, "--fps: wants 1 to 240, not ' '"},
      {{"--seed", ""}, "--seed: wants 0 to 4294967295, not ''"},
      {{"--to="}, "--to: wants a value, not ''"},
      {{"--frames", ""}, "--frames: wants a value, not ''"},
  };
  expectRefused<FilmOptions>(filmCases, "f.mp4", parseFilmOptions);
  // An option that ends the line.
  ShotOptions last;
  std::string lastError;
  EXPECT_EQ(2, parseShotCommandLine({"--out", "a.png", "--path-time"}, last, &lastError, false));
  EXPECT_EQ("--path-time wants a value (SECONDS)", lastError);

  // Values the parser took before still read the same.
  ShotOptions o;
  std::string error;
  ASSERT_EQ(-1, parseShotCommandLine({"--path-time", "0", "--seed", "0", "--out", "a.png"}, o, &error, false)) << error;
  EXPECT_TRUE(o.usePathTime);
  EXPECT_EQ(0.0, o.pathTime);
  EXPECT_TRUE(o.hasSeed);
}

TEST(ToolOptions, ParserWordingBecomesOneLine) {
  const std::pair<const char*, const char*> cases[] = {
      {"Could not convert: --path-time = abc", "--path-time: cannot read 'abc'"},
      {"--path-time: 1 required SECONDS missing", "--path-time wants a value (SECONDS)"},
      {"--crf excludes --lossless", "--crf excludes --lossless"},
  };
  for (const auto& [parser, plain] : cases) EXPECT_EQ(plain, plainParseError(parser));
}

// As orbisk-check's command line: files, and "--" before names that start
// with '-'.
TEST(ToolOptions, DoubleDashEndsTheOptions) {
  struct Case {
    std::vector<std::string> args;
    int status;
    std::vector<std::string> files;
    bool verbose;
  } cases[] = {
      {{"--", "-weird.glsl"}, -1, {"-weird.glsl"}, false},
      {{"--verbose", "--", "-a.obj", "--verbose"}, -1, {"-a.obj", "--verbose"}, true},
      {{"a.obj", "--", "--"}, -1, {"a.obj", "--"}, false},
      {{"--"}, -1, {}, false},
      {{"-weird.glsl"}, 2, {}, false},
  };
  for (const Case& c : cases) {
    bool verbose = false;
    std::vector<std::string> files;
    CLI::App app("", "orbisk-check");
    setUpCommandLine(app, "usage: orbisk-check [--verbose] [FILE...]\n");
    app.add_flag("-v,--verbose", verbose, "");
    app.add_option("FILE", files, "");
    std::string error;
    EXPECT_EQ(c.status, parseCommandLine(app, c.args, &error, false)) << error;
    if (c.status != -1) continue;
    EXPECT_EQ(c.files, files);
    EXPECT_EQ(c.verbose, verbose);
  }
}

}  // namespace
