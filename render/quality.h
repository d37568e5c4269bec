// Picture against time: how many depth-of-field passes a frame renders and
// how large their targets are, from a named preset, config.ini and the
// command line of the tools.
#pragma once
#include <string>
#include <vector>

class ConfigFile;

struct Quality {
  std::string preset = "full";
  int passes = 16;     // jittered passes rendered and averaged, 1..16
  float scale = 1.0f;  // pass targets' size as a fraction of the window, 0.25..1
};

// What a tool's command line asks for; empty or zero leaves config.ini's.
struct QualityOverrides {
  std::string preset;
  int passes = 0;
  float scale = 0.0f;
};

// The named presets: "full" (the design's frame), "balanced" and "fast".
// False for any other name.
bool presetQuality(const std::string& name, Quality& out);
// The presets' names, in that order, for messages and checkers.
std::vector<std::string> qualityPresetNames();
// "a, b or c".
std::string orList(const std::vector<std::string>& words);

// config.ini's preset, then its explicit keys (an explicit key beats the
// preset), then the overrides. A malformed or out-of-range value keeps what
// was there before it and adds one WARNING line (without line end) naming
// the key.
Quality resolveQuality(const ConfigFile& config, const QualityOverrides& overrides,
                       std::vector<std::string>& warnings);

// Whether config.ini sets quality, depthOfFieldPasses or renderScale.
bool configSetsQuality(const ConfigFile& config);

// The settings in force by name: a preset's name when they are that preset's,
// else "custom (8 passes, render scale 0.5)".
std::string qualityName(const Quality& quality);

// One line for the console, with the same name: "quality: full (16 passes,
// render scale 1)", "quality: custom (8 passes, render scale 0.5)".
std::string describeQuality(const Quality& quality);
