#include "render/quality.h"

#include <cmath>
#include <cstdio>
#include <sstream>

#include "base/configfile.h"


namespace {
const Quality kPresets[] = {{"full", 16, 1.0f}, {"balanced", 4, 0.75f}, {"fast", 1, 0.5f}};
}  // namespace

bool presetQuality(const std::string& name, Quality& out) {
  for (const Quality& preset : kPresets)
    if (preset.preset == name) {
      out = preset;
      return true;
    }
  return false;
}

std::vector<std::string> qualityPresetNames() {
  std::vector<std::string> names;
  for (const Quality& preset : kPresets) names.push_back(preset.preset);
  return names;
}

std::string orList(const std::vector<std::string>& words) {
  std::string out;
  for (size_t i = 0; i < words.size(); ++i) out += (i == 0 ? "" : i + 1 == words.size() ? " or " : ", ") + words[i];
  return out;
}

namespace {
std::string numberText(double v) {
  std::ostringstream s;
  s << v;
  return s.str();
}

// A whole number in the key's range, or false with a warning.
bool takePasses(const std::string& source, const std::string& text, int& passes, std::vector<std::string>& warnings) {
  const config::Key& key = *config::find("depthOfFieldPasses");
  std::istringstream in(text);
  int v = 0;
  std::string rest;
  if ((in >> v) && !(in >> rest) && config::inRange(key, v)) {
    passes = v;
    return true;
  }
  warnings.push_back("WARNING: " + source + ": depthOfFieldPasses '" + text + "' is not a whole number from " +
                     numberText(key.minimum) + " to " + numberText(key.maximum) + "; using " +
                     std::to_string(passes));
  return false;
}

bool takeScale(const std::string& source, const std::string& text, float& scale, std::vector<std::string>& warnings) {
  const config::Key& key = *config::find("renderScale");
  std::istringstream in(text);
  float v = 0;
  std::string rest;
  if ((in >> v) && !(in >> rest) && std::isfinite(v) && config::inRange(key, v)) {
    scale = v;
    return true;
  }
  warnings.push_back("WARNING: " + source + ": renderScale '" + text + "' is not a number from " +
                     numberText(key.minimum) + " to " + numberText(key.maximum) + "; using " + numberText(scale));
  return false;
}

bool takePreset(const std::string& source, const std::string& text, Quality& q, std::vector<std::string>& warnings) {
  if (presetQuality(text, q)) return true;
  warnings.push_back("WARNING: " + source + ": quality '" + text + "' is not " + orList(qualityPresetNames()) +
                     "; using " + q.preset);
  return false;
}
}  // namespace

Quality resolveQuality(const ConfigFile& config, const QualityOverrides& overrides,
                       std::vector<std::string>& warnings) {
  Quality q;
  bool found = false;
  std::string text = config.getValue("quality", "", &found);
  if (found) takePreset("config.ini", text, q, warnings);
  text = config.getValue("depthOfFieldPasses", "", &found);
  if (found) takePasses("config.ini", text, q.passes, warnings);
  text = config.getValue("renderScale", "", &found);
  if (found) takeScale("config.ini", text, q.scale, warnings);
  // The command line beats config.ini: its preset sets both keys again, and
  // its explicit values win last.
  if (!overrides.preset.empty()) takePreset("--quality", overrides.preset, q, warnings);
  if (overrides.passes != 0) takePasses("--passes", std::to_string(overrides.passes), q.passes, warnings);
  if (overrides.scale != 0.0f) takeScale("--scale", numberText(overrides.scale), q.scale, warnings);
  return q;
}

bool configSetsQuality(const ConfigFile& config) {
  for (const char* key : {"quality", "depthOfFieldPasses", "renderScale"}) {
    bool found = false;
    config.getValue(key, "", &found);
    if (found) return true;
  }
  return false;
}

namespace {
std::string settingsText(const Quality& q) {
  return "(" + std::to_string(q.passes) + (q.passes == 1 ? " pass" : " passes") + ", render scale " +
         numberText(q.scale) + ")";
}
}  // namespace

std::string qualityName(const Quality& q) {
  // By the settings, not by the name config.ini gave: "full" with
  // depthOfFieldPasses 8 is no longer the full preset.
  for (const Quality& preset : kPresets)
    if (preset.passes == q.passes && preset.scale == q.scale) return preset.preset;
  return "custom " + settingsText(q);
}

std::string describeQuality(const Quality& q) {
  const std::string name = qualityName(q);
  return "quality: " + (name.compare(0, 6, "custom") == 0 ? name : name + " " + settingsText(q));
}
