// Key/value settings from "config.ini": whitespace-separated words, read once
// at start-up; every lookup carries its own default.
#pragma once
#include <sstream>
#include <string>
#include <vector>

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
  T setting(const char* key) const;
};

extern ConfigFile configFile;
ConfigFile getConfigFile();

// Every key the system reads, with its default: the one table of settings.
namespace config {
struct Key {
  const char* name;
  const char* type;
  const char* defaultValue;
};
extern const Key keys[];
extern const int keyCount;
// The default text of a key from the table (empty for an unknown key).
const char* defaultOf(const char* name);
}  // namespace config

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

template <typename T>
T ConfigFile::setting(const char* key) const {
  ConfigFile table;
  table.keys.push_back(key);
  table.values.push_back(config::defaultOf(key));
  T fallback = table.getValue<T>(key, T{});
  return getValue<T>(key, fallback);
}
