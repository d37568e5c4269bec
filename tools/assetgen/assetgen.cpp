// Writes every model and texture of the run-time folder: run by the build
// whenever this program or one of its source files changes.
//
//   assetgen <output folder> <earth day image> <earth night image> <font file> [<marble maps folder>]
#include <chrono>
#include <cstdio>

#include "tools/assetgen/generate.h"

int main(int argc, char** argv) {
  if (argc != 5 && argc != 6) {
    std::fprintf(stderr,
                 "assetgen: ERROR: usage: assetgen <output folder> <earth day image> <earth night image> <font file> "
                 "[<marble maps folder>]\n");
    return 1;
  }
  const auto started = std::chrono::steady_clock::now();
  std::vector<std::string> written, errors, notes;
  const bool done = generateAssets(argv[1], AssetSources{argv[2], argv[3], argv[4], argc == 6 ? argv[5] : ""}, written,
                                   errors, notes);
  for (const std::string& n : notes) std::printf("assetgen: %s\n", n.c_str());
  if (!done) {
    for (const std::string& e : errors) std::fprintf(stderr, "assetgen: ERROR: %s\n", e.c_str());
    return 1;
  }
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  std::printf("assetgen: wrote %zu files to %s in %.1f s\n", written.size(), argv[1], seconds);
  return 0;
}
