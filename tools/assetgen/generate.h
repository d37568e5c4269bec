// The whole run-time folder's generated content in one call.
#pragma once
#include <filesystem>
#include <string>
#include <vector>

struct AssetSources {
  std::string earthDay;    // NASA day image (2048 x 1024)
  std::string earthNight;  // NASA night lights image
  std::string font;        // Liberation Mono
};

// Writes every model and texture under `out`. Every source is checked and
// decoded before the first file is written, so a missing or unreadable
// source leaves the folder untouched. Returns false with the reasons in
// errors; on success lists the files written (relative to out).
bool generateAssets(const std::filesystem::path& out, const AssetSources& sources, std::vector<std::string>& written,
                    std::vector<std::string>& errors);
