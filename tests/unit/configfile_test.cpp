#include "base/configfile.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>

namespace {

std::string writeTemp(const std::string& contents) {
  char name[] = "/tmp/orbisk-config-XXXXXX";
  int fd = mkstemp(name);
  close(fd);
  std::ofstream(name) << contents;
  return name;
}

// The text read as the program reads config.ini; warnings: what it wrote to
// standard error.
ConfigFile readConfigText(const std::string& contents, std::string& warnings) {
  const std::string path = writeTemp(contents);
  ConfigFile config;
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  EXPECT_TRUE(config.read(path.c_str()));
  testing::internal::GetCapturedStdout();
  warnings = testing::internal::GetCapturedStderr();
  std::remove(path.c_str());
  return config;
}

TEST(ConfigFile, ReadsWordPairsInFileOrderAndPrintsThem) {
  std::string path = writeTemp("height 600 width\n800\n  trailing");
  ConfigFile config;
  testing::internal::CaptureStdout();
  EXPECT_TRUE(config.read(path.c_str()));
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "DEBUG: key: height  | value: 600\nDEBUG: key: width  | value: 800\n");
  EXPECT_EQ(config.getValue<int>("width", 1024), 800);
  EXPECT_EQ(config.getValue<int>("height", 768), 600);
  EXPECT_EQ(config.keys.size(), 2u) << "a trailing key without value is dropped";
}

TEST(ConfigFile, ASettingLeftWithoutItsValueIsWarnedAbout) {
  struct Case {
    const char* contents;
    const char* warning;
  } cases[] = {
      {"width 640\nquality\n", "WARNING: config.ini: quality has no value; the line is ignored\n"},
      {"quality", "WARNING: config.ini: quality has no value; the line is ignored\n"},
      {"width 640\nnotAKey\n", ""},  // a stray word, not a setting
      {"width 640\n", ""},
  };
  for (const Case& c : cases) {
    std::string warnings;
    ConfigFile config = readConfigText(c.contents, warnings);
    EXPECT_EQ(warnings, c.warning) << c.contents;
    bool found = true;
    config.getValue("quality", "", &found);
    EXPECT_FALSE(found) << c.contents;
  }
}

// A line that lost its value costs that line alone: the setting that
// starts the next line is read as a key, not as the value.
TEST(ConfigFile, AMissingValueShiftsNoLaterPair) {
  struct Case {
    const char* contents;
    std::vector<std::string> keys, values;
    const char* warning;
  } cases[] = {
      {"width 640\nquality\nheight 600\nfullscreen 0\n", {"width", "height", "fullscreen"}, {"640", "600", "0"},
       "WARNING: config.ini: quality has no value; the line is ignored\n"},
      {"quality\nrenderScale\nwidth 800", {"width"}, {"800"},
       "WARNING: config.ini: quality has no value; the line is ignored\n"
       "WARNING: config.ini: renderScale has no value; the line is ignored\n"},
      {"stray\nwidth 800\n", {"width"}, {"800"}, ""},
      // A value on the next line is still its key's, and a setting's name on
      // the key's own line is its value.
      {"earthFilename\nmodels/e.obj width 800", {"earthFilename", "width"}, {"models/e.obj", "800"}, ""},
      {"quality width\nheight 600", {"quality", "height"}, {"width", "600"}, ""},
      {"width = 800\nheight 600", {"width", "height"}, {"=", "600"}, ""},
  };
  for (const Case& c : cases) {
    std::string warnings;
    ConfigFile config = readConfigText(c.contents, warnings);
    EXPECT_EQ(warnings, c.warning) << c.contents;
    EXPECT_EQ(config.keys, c.keys) << c.contents;
    EXPECT_EQ(config.values, c.values) << c.contents;
  }
}

TEST(ConfigFile, SymbolsAreOrdinaryWordsAndFirstDuplicateWins) {
  std::string path = writeTemp("width = 800 key first key second\n");
  ConfigFile config;
  testing::internal::CaptureStdout();
  config.read(path.c_str());
  testing::internal::GetCapturedStdout();
  EXPECT_EQ(config.getValue<std::string>("width", "x"), "=");
  EXPECT_EQ(config.getValue<std::string>("800", "x"), "key");
  EXPECT_EQ(config.getValue<std::string>("first", ""), "key");
  ConfigFile dup;
  dup.keys = {"k", "k"};
  dup.values = {"1", "2"};
  EXPECT_EQ(dup.getValue<int>("k", 0), 1);
}

TEST(ConfigFile, TypedConversionsAndDefaults) {
  ConfigFile config;
  config.keys = {"f", "b1", "b0", "px", "abc", "btrue", "b2", "neg", "big"};
  config.values = {"2.5", "1", "0", "1024px", "abc", "true", "2", "-7", "99999999999"};
  bool found = false;
  EXPECT_FLOAT_EQ(config.getValue<float>("f", 0.0f, &found), 2.5f);
  EXPECT_TRUE(found);
  EXPECT_EQ(config.getValue<int>("f", 0), 2);
  EXPECT_TRUE(config.getValue<bool>("b1", false));
  EXPECT_FALSE(config.getValue<bool>("b0", true));
  EXPECT_EQ(config.getValue<int>("px", 0), 1024);
  EXPECT_EQ(config.getValue<int>("neg", 0), -7);
  // Words that are not the type at all give the default.
  EXPECT_EQ(config.getValue<int>("abc", 5), 5);
  EXPECT_TRUE(config.getValue<bool>("btrue", true));
  EXPECT_FALSE(config.getValue<bool>("btrue", false));
  EXPECT_TRUE(config.getValue<bool>("b2", true));
  EXPECT_EQ(config.getValue<int>("big", 3), 3);
  found = true;
  EXPECT_EQ(config.getValue<int>("", 9, &found), 9);
  EXPECT_FALSE(found);
  EXPECT_EQ(config.getValue<int>("missing", 11, &found), 11);
  EXPECT_FALSE(found);
}

TEST(ConfigFile, MissingFileReportsOnceAndKeepsEntries) {
  ConfigFile config;
  config.keys = {"a"};
  config.values = {"1"};
  testing::internal::CaptureStderr();
  EXPECT_FALSE(config.read("/nonexistent/config.ini"));
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "ERROR: Could not read file '/nonexistent/config.ini'!\n");
  EXPECT_FALSE(config.read(nullptr));
  // A device never ends and a directory holds no words: both are refused.
  testing::internal::CaptureStderr();
  EXPECT_FALSE(config.read("/dev/zero"));
  EXPECT_FALSE(config.read("/tmp"));
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "ERROR: Could not read file '/dev/zero'!\nERROR: Could not read file '/tmp'!\n");
  EXPECT_EQ(config.keys.size(), 1u);
}

TEST(ConfigFile, SettingsTakeTheirDefaultsFromTheTable) {
  ConfigFile empty;
  EXPECT_EQ(empty.setting<int>("width"), 1024);
  EXPECT_EQ(empty.setting<int>("height"), 768);
  EXPECT_FLOAT_EQ(empty.setting<float>("keyPressSpeed"), 6.0f);
  EXPECT_FLOAT_EQ(empty.setting<float>("mouseSpeed"), 3.0f);
  EXPECT_FALSE(empty.setting<bool>("invertMouseX"));
  EXPECT_EQ(empty.setting<int>("enableAnisotropicFilteringOverridecheck"), 0);
  EXPECT_EQ(empty.setting<std::string>("earthFilename"), "models\\earth.obj");
  EXPECT_EQ(empty.setting<std::string>("atmosphereFShaderFinal"), "fShaderIndexedAtmosFinal.glsl");
  ConfigFile set;
  set.keys = {"width", "mouseSpeed"};
  set.values = {"abc", "1.5"};
  EXPECT_EQ(set.setting<int>("width"), 1024);
  EXPECT_FLOAT_EQ(set.setting<float>("mouseSpeed"), 1.5f);
}

}  // namespace
