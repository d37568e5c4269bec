#include "tools/film/filmplan.h"

#include <gtest/gtest.h>

#include <sstream>
#include <tuple>

#include "cli/shotoptions.h"

namespace {

int parse(const std::vector<std::string>& args, FilmOptions& o, std::string* error = nullptr) {
  std::string e;
  const int status = parseFilmOptions(args, o, &e, false);
  if (error) *error = e;
  if (status == 2) {
    EXPECT_FALSE(e.empty());
  }
  return status;
}

TEST(FilmOptions, DefaultsAndEveryOption) {
  FilmOptions o;
  ASSERT_EQ(-1, parse({"--out", "f.mp4"}, o));
  EXPECT_EQ(1280, o.width);
  EXPECT_EQ(720, o.height);
  EXPECT_EQ(30, o.fps);
  EXPECT_EQ(60, o.stepRate);
  EXPECT_EQ(1u, o.seed);
  EXPECT_FALSE(o.hasFrom || o.hasTo || o.hasFrames || o.lossless);

  ASSERT_EQ(-1, parse({"--out", "F.MP4", "--size", "321x241", "--fps", "8", "--frames", "12:", "--step-rate", "100",
                       "--seed", "4294967295", "--lossless", "--quality", "fast", "--passes", "4", "--scale", "0.5"},
                      o));
  EXPECT_EQ(321, o.width);
  EXPECT_EQ(8, o.fps);
  EXPECT_TRUE(o.hasFrames);
  EXPECT_EQ(12, o.firstFrame);
  EXPECT_EQ(-1, o.endFrame);
  EXPECT_EQ(4294967295u, o.seed);
  EXPECT_TRUE(o.lossless);
  EXPECT_EQ("fast", o.quality.preset);
  EXPECT_EQ(4, o.quality.passes);
  EXPECT_FLOAT_EQ(0.5f, o.quality.scale);

  ASSERT_EQ(-1, parse({"--out=frames/", "--from", "1.5", "--to=3", "--size", "33x17"}, o));
  EXPECT_TRUE(o.hasFrom && o.hasTo);
  EXPECT_DOUBLE_EQ(1.5, o.from);
  EXPECT_EQ(0, parse({"--help"}, o));
  EXPECT_EQ(0, parse({"--version"}, o));
}

TEST(FilmOptions, BadCommandLinesAreUsageErrors) {
  const std::vector<std::vector<std::string>> bad = {
      {},
      {"--out"},
      {"--out", "f.mp4", "--zoom", "2"},
      {"--out", "f.mp4", "stray"},
      {"--out", "f.avi"},
      {"--out", "f.mp4", "--size", "321x240"},  // odd side in 4:2:0
      {"--out", "f.mp4", "--size", "0x240"},
      {"--out", "f.mp4", "--fps", "0"},
      {"--out", "f.mp4", "--fps", "241"},
      {"--out", "f.mp4", "--fps", "2.5"},
      {"--out", "f.mp4", "--frames", "5:5"},
      {"--out", "f.mp4", "--frames", "5:3"},
      {"--out", "f.mp4", "--frames", ":"},
      {"--out", "f.mp4", "--frames", "7"},
      {"--out", "f.mp4", "--frames", "-1:4"},
      {"--out", "f.mp4", "--frames", "1:x"},
      {"--out", "f.mp4", "--frames", "0:4", "--from", "1"},
      {"--out", "f.mp4", "--from", "3", "--to", "3"},
      {"--out", "f.mp4", "--from", "-1"},
      {"--out", "f.mp4", "--step-rate", "101"},
      {"--out", "f.mp4", "--seed", "4294967296"},
      {"--out", "f.mp4", "--lossless", "--crf", "10"},
      {"--out", "f.mp4", "--crf", "52"},
      {"--out", "f.mp4", "--quality", "ultra"},
      {"--out", "f.mp4", "--passes", "0"},
      {"--out", "f.mp4", "--scale", "2"},
      {"--out", "f.mp4", "--fps", "30", "--fps", "25"},
  };
  for (const auto& args : bad) {
    FilmOptions o;
    std::string joined;
    for (const auto& a : args) joined += a + " ";
    EXPECT_EQ(2, parse(args, o)) << joined;
  }
}

// The reason names what is wrong: the unknown flag before a missing --out.
TEST(FilmOptions, ReasonNamesTheFault) {
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
      {{"--bogus"}, "unknown option '--bogus'"},
      {{"--size", "64x64", "--bogus", "3"}, "unknown option '--bogus'"},
      {{"stray", "--out", "f.mp4"}, "unexpected argument 'stray'"},
      {{"--size", "64x64"}, "--out is required"},
      {{"--out", "f.mp4", "--to", "2e7"}, "wants 0 to 10000000, not '2e7'"},
  };
  for (const auto& [args, reason] : cases) {
    FilmOptions o;
    std::string error;
    EXPECT_EQ(2, parse(args, o, &error)) << reason;
    EXPECT_NE(std::string::npos, error.find(reason)) << error;
  }
}

// What a user reads first: every line within 80 columns, in plain words.
TEST(FilmOptions, HelpReadsPlainly) {
  for (const std::string& help : {filmUsage(), shotUsage()}) {
    std::istringstream lines(help);
    for (std::string line; std::getline(lines, line);) EXPECT_LE(line.size(), 80u) << line;
    for (const char* jargon : {"REQUIRED", "Excludes", "Needs", "e+0"})
      EXPECT_EQ(std::string::npos, help.find(jargon)) << jargon << " in\n" << help;
  }
}

// Followed literally, the resume line renders the rest exactly as the run
// would have: every option that shapes a frame or the file, the quality in
// force spelt out, and an MP4's rest in a file of its own.
TEST(FilmResume, RepeatsEveryOptionOfTheRun) {
  FilmOptions o;
  ASSERT_EQ(-1, parse({"--out", "my film.mp4", "--size", "640x360", "--fps", "24", "--step-rate", "50", "--seed",
                       "9", "--crf", "23", "--quality", "fast", "--from", "3"},
                      o));
  Quality fast;
  ASSERT_TRUE(presetQuality("fast", fast));
  const std::string mp4 = resumeCommand("../orbisk-film", o, fast, false, 643, 780);
  EXPECT_EQ("../orbisk-film --out 'my film-from-643.mp4' --size 640x360 --fps 24 --step-rate 50 --seed 9 --crf 23 "
            "--quality fast --passes 1 --scale 0.5 --frames 643:780",
            mp4);
  // The resumed command parses to the same options, with the rest's range.
  FilmOptions again;
  std::vector<std::string> words;
  std::istringstream split(mp4.substr(mp4.find(' ') + 1));
  for (std::string w; split >> w;) words.push_back(w);
  words[1] = "rest.mp4";  // the quoted name spans two words
  words.erase(words.begin() + 2);
  ASSERT_EQ(-1, parse(words, again));
  EXPECT_EQ(std::make_tuple(640, 360, 24, 50, 9u, 23, false), std::make_tuple(again.width, again.height, again.fps,
                                                                              again.stepRate, again.seed, again.crf,
                                                                              again.lossless));
  EXPECT_EQ(643, again.firstFrame);
  EXPECT_EQ(780, again.endFrame);

  ASSERT_EQ(-1, parse({"--out", "frames/", "--lossless", "--passes", "3", "--verbose"}, o));
  Quality custom{"full", 3, 0.75f};
  EXPECT_EQ("orbisk-film --out frames/ --size 1280x720 --fps 30 --step-rate 60 --seed 1 --quality full --passes 3 "
            "--scale 0.75 --verbose --frames 10:20",
            resumeCommand("orbisk-film", o, custom, true, 10, 20));
}

TEST(FilmPlan, RangesWithinTheFlight) {
  struct Case {
    std::vector<std::string> args;
    long first, end;
  };
  // An 89-second flight at 30 frames/s: frames 0 to 2670, the last on its end.
  const std::vector<Case> cases = {
      {{}, 0, 2671},
      {{"--from", "2", "--to", "4"}, 60, 120},
      {{"--from", "0.1"}, 3, 2671},  // 0.1 * 30 is a hair above 3
      {{"--from", "0.11"}, 4, 2671},
      {{"--to", "500"}, 0, 2671},
      {{"--frames", "10:"}, 10, 2671},
      {{"--frames", ":25"}, 0, 25},
      {{"--frames", "2670:2671"}, 2670, 2671},
  };
  for (const Case& c : cases) {
    FilmOptions o;
    std::vector<std::string> args = {"--out", "f.mp4"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    ASSERT_EQ(-1, parse(args, o));
    FrameRange range;
    std::string error;
    ASSERT_TRUE(planFrames(o, 89.0, range, error)) << error;
    EXPECT_EQ(c.first, range.first) << c.args[0];
    EXPECT_EQ(c.end, range.end) << c.args[0];
  }
  for (const std::vector<std::string>& outside : {std::vector<std::string>{"--frames", "0:2672"},
                                                  {"--frames", "2671:"}, {"--from", "89.1"}}) {
    FilmOptions o;
    std::vector<std::string> args = {"--out", "f.mp4"};
    args.insert(args.end(), outside.begin(), outside.end());
    ASSERT_EQ(-1, parse(args, o));
    FrameRange range;
    std::string error;
    EXPECT_FALSE(planFrames(o, 89.0, range, error)) << outside[1];
    EXPECT_NE(std::string::npos, error.find("0 to 2670")) << error;
  }
  // A one-point flight is a single frame.
  EXPECT_EQ(1, flightFrames(0.0, 30));
}

TEST(FilmPlan, StepsDependOnTheFrameAlone) {
  // 100 steps/s at 30 frames/s: 3, 6, 10, 13, ... never drifting.
  EXPECT_EQ(0, frameSteps(0, 30, 100));
  EXPECT_EQ(3, frameSteps(1, 30, 100));
  EXPECT_EQ(10, frameSteps(3, 30, 100));
  EXPECT_EQ(8900, frameSteps(2670, 30, 100));
  EXPECT_EQ(0, frameSteps(2670, 30, 0));
  EXPECT_EQ(1000000000L, frameSteps(10000000, 1, 100));
  EXPECT_DOUBLE_EQ(0.75, frameTime(3, 4));
}

TEST(FilmProgress, LineAndClock) {
  EXPECT_EQ("frame 3/12 (25%), 0.50 frames/s, elapsed 0:06, remaining 0:18", progressLine(3, 12, 6.0));
  EXPECT_EQ("frame 0/12 (0%), 0.00 frames/s, elapsed 0:00, remaining ?", progressLine(0, 12, 0.0));
  EXPECT_EQ("frame 5/5 (100%), 1000.00 frames/s, elapsed 0:00, remaining 0:00", progressLine(5, 5, 0.005));
  const std::vector<std::pair<double, std::string>> clocks = {
      {0.0, "0:00"}, {-3.0, "0:00"}, {59.4, "0:59"}, {61.0, "1:01"}, {3723.0, "1:02:03"}};
  for (const auto& [seconds, text] : clocks) EXPECT_EQ(text, clockText(seconds)) << seconds;
}

}  // namespace
