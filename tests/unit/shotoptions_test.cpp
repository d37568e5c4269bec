#include "cli/shotoptions.h"

#include <gtest/gtest.h>

namespace {

bool parse(const std::vector<std::string>& args, ShotOptions& o, std::string* error = nullptr) {
  std::string e;
  bool ok = parseShotOptions(args, o, e);
  if (error) *error = e;
  if (!ok) {
    EXPECT_FALSE(e.empty());
  }
  return ok;
}

TEST(ShotOptions, DefaultsFillWhatIsNotGiven) {
  ShotOptions o;
  ASSERT_TRUE(parse({"--eye", "0,0,3", "--at", "0,0,0", "--out", "a.png"}, o));
  EXPECT_EQ(glm::vec3(0, 0, 3), o.eye);
  EXPECT_EQ(glm::vec3(0, 0, 0), o.at);
  EXPECT_EQ(glm::vec3(0, 1, 0), o.up);
  EXPECT_FLOAT_EQ(65.0f, o.fov);
  EXPECT_EQ(1024, o.width);
  EXPECT_EQ(768, o.height);
  EXPECT_EQ(0, o.steps);
  EXPECT_FALSE(o.hasSeed);
  EXPECT_FALSE(o.usePathTime);
  EXPECT_EQ("a.png", o.out);
}

TEST(ShotOptions, EveryOptionIsRead) {
  ShotOptions o;
  ASSERT_TRUE(parse({"--eye", "1.5,-2,3e1", "--at=0,0,0", "--up", "0,0,1", "--fov", "30.5", "--size", "320x240",
                     "--steps", "1200", "--seed", "4294967295", "--out", "dir/shot.png"},
                    o));
  EXPECT_EQ(glm::vec3(1.5f, -2.0f, 30.0f), o.eye);
  EXPECT_EQ(glm::vec3(0, 0, 1), o.up);
  EXPECT_FLOAT_EQ(30.5f, o.fov);
  EXPECT_EQ(320, o.width);
  EXPECT_EQ(240, o.height);
  EXPECT_EQ(1200, o.steps);
  EXPECT_TRUE(o.hasSeed);
  EXPECT_EQ(4294967295u, o.seed);
}

TEST(ShotOptions, PathTimeReplacesTheCamera) {
  ShotOptions o;
  ASSERT_TRUE(parse({"--path-time", "12.25", "--out", "p.png"}, o));
  EXPECT_TRUE(o.usePathTime);
  EXPECT_DOUBLE_EQ(12.25, o.pathTime);
  // The flight sets the camera; a second placement is a contradiction.
  EXPECT_FALSE(parse({"--path-time", "1", "--eye", "0,0,3", "--at", "0,0,0", "--out", "p.png"}, o));
  EXPECT_FALSE(parse({"--path-time", "1", "--fov", "30", "--out", "p.png"}, o));
  EXPECT_FALSE(parse({"--path-time", "-1", "--out", "p.png"}, o));
  EXPECT_FALSE(parse({"--path-time", "nan", "--out", "p.png"}, o));
}

TEST(ShotOptions, MissingOrContradictoryCameraIsRefused) {
  ShotOptions o;
  std::string error;
  EXPECT_FALSE(parse({"--eye", "0,0,3", "--out", "a.png"}, o));
  EXPECT_FALSE(parse({"--at", "0,0,3", "--out", "a.png"}, o));
  EXPECT_FALSE(parse({"--eye", "0,0,3", "--at", "0,0,0"}, o, &error));
  EXPECT_NE(std::string::npos, error.find("--out"));
  EXPECT_FALSE(parse({"--eye", "1,2,3", "--at", "1,2,3", "--out", "a.png"}, o));
  // Looking straight along up leaves the roll undefined.
  EXPECT_FALSE(parse({"--eye", "0,5,0", "--at", "0,0,0", "--out", "a.png"}, o, &error));
  EXPECT_NE(std::string::npos, error.find("--up"));
  EXPECT_TRUE(parse({"--eye", "0,5,0", "--at", "0,0,0", "--up", "0,0,-1", "--out", "a.png"}, o));
  EXPECT_FALSE(parse({"--eye", "0,0,3", "--at", "0,0,0", "--up", "0,0,0", "--out", "a.png"}, o));
}

TEST(ShotOptions, MalformedValuesAreRefused) {
  ShotOptions o;
  const std::vector<std::pair<std::string, std::string>> bad = {
      {"--eye", "1,2"},       {"--eye", "1,2,3,4"},  {"--eye", "1,,3"},     {"--eye", "a,b,c"},
      {"--eye", "1,2,3x"},    {"--eye", " 1,2,3"},   {"--eye", "1e39,0,0"}, {"--eye", "inf,0,0"},
      {"--fov", "0"},         {"--fov", "180"},      {"--fov", "-5"},       {"--fov", "65deg"},
      {"--size", "320"},      {"--size", "0x240"},   {"--size", "320x"},    {"--size", "-320x240"},
      {"--size", "9000x100"}, {"--size", "32.5x24"}, {"--steps", "-1"},     {"--steps", "1.5"},
      {"--steps", "99999999999999999999"},           {"--seed", "-3"},      {"--seed", "4294967296"},
      {"--out", ""},          {"--quality", "best"}, {"--quality", "Fast"}, {"--passes", "0"},
      {"--passes", "17"},     {"--passes", "4.5"},   {"--scale", "0.2"},    {"--scale", "1.01"},
      {"--scale", "nan"},     {"--scale", "0.5x"}};
  for (const auto& [name, value] : bad) {
    std::vector<std::string> args = {"--eye", "0,0,3", "--at", "0,0,0", "--out", "a.png"};
    if (name == "--eye") args[1] = value;
    else if (name == "--out") args[5] = value;
    else args.insert(args.end(), {name, value});
    EXPECT_FALSE(parse(args, o)) << name << " " << value;
  }
}

TEST(ShotOptions, UnknownRepeatedOrDanglingArgumentsAreRefused) {
  ShotOptions o;
  std::string error;
  EXPECT_FALSE(parse({"--eye", "0,0,3", "--at", "0,0,0", "--out", "a.png", "--zoom", "2"}, o, &error));
  EXPECT_NE(std::string::npos, error.find("--zoom"));
  EXPECT_FALSE(parse({"--eye", "0,0,3", "--eye", "0,0,4", "--at", "0,0,0", "--out", "a.png"}, o));
  EXPECT_FALSE(parse({"--eye", "0,0,3", "--at", "0,0,0", "--out"}, o));
  EXPECT_FALSE(parse({"stray", "--eye", "0,0,3", "--at", "0,0,0", "--out", "a.png"}, o));
}

TEST(ShotOptions, QualityFlagsOverConfig) {
  ShotOptions o;
  ASSERT_TRUE(parse({"--path-time", "2", "--quality", "balanced", "--passes", "2", "--scale", "0.75", "--out", "q.png"}, o));
  EXPECT_EQ("balanced", o.quality.preset);
  EXPECT_EQ(2, o.quality.passes);
  EXPECT_FLOAT_EQ(0.75f, o.quality.scale);
  ASSERT_TRUE(parse({"--path-time", "2", "--out", "q.png"}, o));
  EXPECT_TRUE(o.quality.preset.empty());
  EXPECT_EQ(0, o.quality.passes);
  for (const std::vector<std::string>& bad : {std::vector<std::string>{"--quality", "best"}, {"--passes", "17"},
                                             {"--passes", "0"}, {"--scale", "0.1"}, {"--scale", "nan"}}) {
    std::vector<std::string> args = {"--path-time", "2", "--out", "q.png"};
    args.insert(args.end(), bad.begin(), bad.end());
    EXPECT_FALSE(parse(args, o)) << bad[0] << " " << bad[1];
  }
}

TEST(ShotOptions, HelpNeedsNothingElse) {
  ShotOptions o;
  ASSERT_TRUE(parse({"--help"}, o));
  EXPECT_TRUE(o.help);
  EXPECT_NE(std::string::npos, shotUsage().find("--path-time"));
  std::string error;
  EXPECT_EQ(0, parseShotCommandLine({"--version"}, o, &error, false));
}

}  // namespace
