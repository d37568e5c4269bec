// Writes the run-time folder's config.ini from the settings table. Needs no
// assets, so the build runs it also when asset generation is off. A file that
// already holds the text is left alone, so that nothing downstream rebuilds.
//
//   assetgen-config <config.ini path>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <system_error>

#include "tools/assetgen/output.h"
#include "tools/assetgen/runconfig.h"

namespace {
bool holds(const std::filesystem::path& path, const std::string& text) {
  std::error_code ec;
  if (std::filesystem::file_size(path, ec) != text.size() || ec) return false;
  std::ifstream in(path, std::ios::binary);
  const std::string current((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  return current == text;  // a read that failed short differs too
}
}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "assetgen-config: ERROR: usage: assetgen-config <config.ini path>\n");
    return 1;
  }
  const std::string text = runConfigText();
  if (holds(argv[1], text)) return 0;
  const std::string error = writeFileAtomic(argv[1], text);
  if (!error.empty()) {
    std::fprintf(stderr, "assetgen-config: ERROR: %s\n", error.c_str());
    return 1;
  }
  return 0;
}
