#include "base/configfile.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <iostream>

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
  const std::string text{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
  config::forEachPair(
      text,
      [this](const config::Word& key, const config::Word& value) {
        keys.emplace_back(key.text);
        values.emplace_back(value.text);
        std::cout << "DEBUG: key: " << key.text << "  | value: " << value.text << std::endl;
      },
      [](const config::Word& key) {
        // When it names a setting, the user left its value out (a bare
        // "quality" line) and would wonder why it had no effect.
        if (config::find(key.text))
          std::cerr << "WARNING: config.ini: " << key.text << " has no value; the line is ignored" << std::endl;
      });
  return true;
}

namespace config {
void notAKeyOfTheSettingsTable() {}

void forEachPair(std::string_view text, const std::function<void(const Word& key, const Word& value)>& onPair,
                 const std::function<void(const Word& key)>& onValueless) {
  // The white space of stream extraction in the classic locale.
  auto blank = [](char c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
  Word key;
  bool haveKey = false;
  size_t line = 1;
  for (size_t i = 0; i < text.size();) {
    if (blank(text[i])) {
      if (text[i] == '\n') ++line;
      ++i;
      continue;
    }
    const size_t start = i;
    while (i < text.size() && !blank(text[i])) ++i;
    const Word word{text.substr(start, i - start), line};
    if (!haveKey) {
      key = word;
      haveKey = true;
    } else if (word.line > key.line && find(word.text) != nullptr) {
      onValueless(key);
      key = word;
    } else {
      onPair(key, word);
      haveKey = false;
    }
  }
  if (haveKey) onValueless(key);
}

void warnOutOfRange(const Key& key, const std::string& value) {
  std::cerr << "WARNING: config.ini: " << key.name << " " << value << " is outside " << key.minimum << " to "
            << key.maximum << "; using the default " << key.defaultValue << std::endl;
}
}  // namespace config
