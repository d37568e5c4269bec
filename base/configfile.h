// Key/value settings from "config.ini": whitespace-separated words, read once
// at start-up; every lookup carries its own default.
#pragma once
#include <functional>
#include <sstream>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

// Every key the system reads, with its default: the one table of settings.
namespace config {
struct Key {
  const char* name;
  const char* type;
  const char* defaultValue;
  // The sane range of a numeric key (both ends included); minimum > maximum
  // for keys without one. A value outside it is warned about where it is read.
  double minimum = 1.0;
  double maximum = 0.0;
  // Written into the run-time folder's config.ini. Keys added beyond the
  // first set are not, so that a default run prints what it always printed.
  bool shipped = true;
};
// Widest window or image side the program asks for, whatever the screen.
inline constexpr int maxWindowSide = 16384;
inline constexpr Key keys[] = {
    {"width", "int", "1024", 1, maxWindowSide},
    {"height", "int", "768", 1, maxWindowSide},
    {"keyPressSpeed", "float", "6.0", 0, 100},
    {"mouseSpeed", "float", "3.0", 0, 100},
    {"invertMouseX", "bool", "0"},
    {"invertMouseY", "bool", "0"},
    {"enableAnisotropicFilteringOverridecheck", "int", "0"},
    {"earthFilename", "string", "models\\earth.obj"},
    {"earthVShader", "string", "vShaderIndexedShading.glsl"},
    {"earthFShader", "string", "fShaderIndexedShading.glsl"},
    {"moonFilename", "string", "models\\moon.obj"},
    {"moonVShader", "string", "vShaderIndexedShading.glsl"},
    {"moonFShader", "string", "fShaderIndexedShading.glsl"},
    {"missileFilename", "string", "models\\missile.obj"},
    {"missileVShader", "string", "vShaderIndexedShading.glsl"},
    {"missileFShader", "string", "fShaderIndexedShading.glsl"},
    {"atmosphereFilename", "string", "models\\atmosphere.obj"},
    {"atmosphereVShader", "string", "vShaderIndexedShading.glsl"},
    {"atmosphereFShader", "string", "fShaderIndexedAtmosphere.glsl"},
    {"atmosphereFShaderFinal", "string", "fShaderIndexedAtmosFinal.glsl"},
    {"shadowModelFilename", "string", "models\\shadowCone.obj"},
    {"eyePathFilename", "string", "models\\eyePath.obj"},
    {"lookAtPathFilename", "string", "models\\lookAtPath.obj"},
    // How the scene shaders filter textures: auto, unit or shader.
    {"textureFiltering", "string", "auto", 1, 0, false},
    // 1: the full-screen window; 0: a window the user can resize.
    {"fullscreen", "bool", "1", 1, 0, false},
    // Picture against time: a named preset, and the two keys it sets.
    {"quality", "string", "full", 1, 0, false},
    {"depthOfFieldPasses", "int", "16", 1, 16, false},
    {"renderScale", "float", "1", 0.25, 1, false},
    // The sky: demo (the design's scene), now, or a UTC instant
    // YYYY-MM-DDTHH:MM:SSZ; and sky seconds per wall second.
    {"time", "string", "demo", 1, 0, false},
    {"timeRate", "float", "1", -1.0e7, 1.0e7, false},
    // The Earth's layers: 1 on, 0 off.
    {"clouds", "bool", "1", 1, 0, false},
    {"relief", "bool", "1", 1, 0, false},
    // The air's heights against the Earth's: 1 the Earth's own, 4.8 the
    // design's look. Up to 5.5 the 1.07 shell holds ten Rayleigh scale
    // heights (8 km each, of 6371), so its edge cuts nothing that shows.
    {"airScale", "float", "1", 1, 5.5, false},
    // The camera's exposure: auto (from the frame's brightness) or a fixed
    // factor on the light, 1 the design's look.
    {"exposure", "string", "auto", 1, 0, false},
    // The air the depth-of-field passes share: auto (made once a frame
    // where the view allows) or off (every pass computes its own).
    {"airTable", "string", "auto", 1, 0, false},
};
inline constexpr int keyCount = static_cast<int>(sizeof(keys) / sizeof(keys[0]));

// The table's entry for a name, or null.
constexpr const Key* find(std::string_view name) {
  for (const Key& k : keys)
    if (name == k.name) return &k;
  return nullptr;
}
// The default text of a key from the table (empty for an unknown key).
constexpr const char* defaultOf(std::string_view name) {
  const Key* k = find(name);
  return k ? k->defaultValue : "";
}
constexpr bool hasRange(const Key& key) { return key.minimum <= key.maximum; }
// False for a nan, and for a value outside the key's range.
constexpr bool inRange(const Key& key, double value) {
  return !hasRange(key) || (value >= key.minimum && value <= key.maximum);
}

// A word of config.ini and the line it is on (from 1).
struct Word {
  std::string_view text;
  size_t line = 0;
};
// config.ini's words as the program pairs them: white space separates words,
// and words alternate key, value, also across lines. A word that starts a
// later line than its key and names a setting is the next key, never that
// key's value: the key has no value, so that a line that lost its value does
// not shift every pair after it. onValueless gets such keys, and a last word
// without a value.
void forEachPair(std::string_view text, const std::function<void(const Word& key, const Word& value)>& onPair,
                 const std::function<void(const Word& key)>& onValueless);

// Reached only while compiling a lookup of a name the table does not hold.
void notAKeyOfTheSettingsTable();

// A key of the table. A string literal is checked while compiling, so a
// misspelt key cannot silently read a default of zero.
struct KeyName {
  const Key* key;
  // By index: gcc's sanitizers refuse comparing a table address with null
  // while compiling.
  consteval KeyName(const char* name) : key(keys) {
    int i = 0;
    while (i < keyCount && std::string_view(name) != keys[i].name) ++i;
    if (i == keyCount) notAKeyOfTheSettingsTable();
    key = &keys[i];
  }
  constexpr KeyName(const Key& k) : key(&k) {}
};
}  // namespace config

class ConfigFile {
 public:
  std::vector<std::string> keys;
  std::vector<std::string> values;

  bool read(const char* fileName);

  // Converts the first value stored under key; a missing key, or a value that
  // does not begin with a valid T, gives the default.
  template <typename T>
  T getValue(const std::string& key, const T& defaultValue, bool* found = nullptr) const;
  std::string getValue(const std::string& key, const char* defaultValue, bool* found = nullptr) const {
    return getValue<std::string>(key, std::string(defaultValue), found);
  }
  // A setting of the system, with its default from the one table below.
  template <typename T>
  T setting(config::KeyName key) const;
  // A numeric setting checked against its sane range: a value outside it
  // gives the default, with one WARNING line naming config.ini and the key.
  template <typename T>
  T checkedSetting(config::KeyName key) const;
};


template <typename T>
T ConfigFile::getValue(const std::string& key, const T& defaultValue, bool* found) const {
  if (!key.empty()) {
    for (size_t i = 0; i < keys.size(); ++i) {
      if (keys[i] != key) continue;
      T value{};
      if constexpr (std::is_same_v<T, std::string>) {
        value = values[i];
      } else {
        std::istringstream stream(values[i]);
        stream >> value;
        if (stream.fail()) break;  // not a T at all: the default serves
      }
      if (found) *found = true;
      return value;
    }
  }
  if (found) *found = false;
  return defaultValue;
}

namespace config {
// A key's default converted to T.
template <typename T>
T defaultValue(const Key& key) {
  ConfigFile table;
  table.keys.push_back(key.name);
  table.values.push_back(key.defaultValue);
  return table.getValue<T>(key.name, T{});
}
// Prints the warning for a value outside its key's range.
void warnOutOfRange(const Key& key, const std::string& value);
}  // namespace config

template <typename T>
T ConfigFile::setting(config::KeyName key) const {
  return getValue<T>(key.key->name, config::defaultValue<T>(*key.key));
}

template <typename T>
T ConfigFile::checkedSetting(config::KeyName key) const {
  static_assert(std::is_arithmetic_v<T>, "only numbers have ranges");
  const T value = setting<T>(key);
  if (config::inRange(*key.key, static_cast<double>(value))) return value;
  config::warnOutOfRange(*key.key, getValue(key.key->name, ""));
  return config::defaultValue<T>(*key.key);
}
