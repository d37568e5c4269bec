#include "base/configfile.h"

#include <filesystem>
#include <fstream>
#include <iostream>

ConfigFile configFile;

ConfigFile getConfigFile() { return configFile; }

bool ConfigFile::read(const char* fileName) {
  if (fileName == nullptr) return false;
  std::error_code error;
  const auto type = std::filesystem::status(fileName, error).type();
  // A directory or a device (/dev/zero) is not a configuration file.
  const bool readable = !error && type != std::filesystem::file_type::directory &&
                        type != std::filesystem::file_type::character && type != std::filesystem::file_type::block;
  std::ifstream file;
  if (readable) file.open(fileName);
  if (!file.is_open()) {
    std::cerr << "ERROR: Could not read file '" << fileName << "'!" << std::endl;
    return false;
  }
  std::string key, value;
  while (file >> key) {
    if (!(file >> value)) {
      // A trailing word is dropped; when it names a setting, the user left
      // its value out (a bare "quality" line) and would wonder why it had no effect.
      if (config::find(key))
        std::cerr << "WARNING: config.ini: " << key << " has no value; the line is ignored" << std::endl;
      break;
    }
    keys.push_back(key);
    values.push_back(value);
    std::cout << "DEBUG: key: " << key << "  | value: " << value << std::endl;
  }
  return true;
}

namespace config {
void notAKeyOfTheSettingsTable() {}

void warnOutOfRange(const Key& key, const std::string& value) {
  std::cerr << "WARNING: config.ini: " << key.name << " " << value << " is outside " << key.minimum << " to "
            << key.maximum << "; using the default " << key.defaultValue << std::endl;
}
}  // namespace config
