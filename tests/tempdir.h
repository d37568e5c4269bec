// Temporary folders for the GL and end-to-end tests, removed when the test
// program ends (they hold copies, links and console files, nothing a failure
// report needs afterwards).
#pragma once
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace testtmp {

inline std::vector<std::string>& made() {
  static std::vector<std::string> dirs;
  return dirs;
}

inline void removeAll() {
  std::error_code ignored;
  for (const std::string& dir : made()) std::filesystem::remove_all(dir, ignored);
}

// A new folder /tmp/<prefix>-XXXXXX; empty when none could be made.
inline std::string makeDir(const std::string& prefix) {
  std::string pattern = "/tmp/" + prefix + "-XXXXXX";
  if (mkdtemp(pattern.data()) == nullptr) return std::string();
  if (made().empty()) atexit(removeAll);
  made().push_back(pattern);
  return pattern;
}

}  // namespace testtmp
