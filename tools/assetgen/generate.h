// The whole run-time folder's generated content in one call.
#pragma once
#include <filesystem>
#include <string>
#include <vector>

struct AssetSources {
  std::string earthDay;    // NASA day image (2048 x 1024)
  std::string earthNight;  // NASA night lights image
  std::string font;        // Liberation Mono
  // marble-qt-data's maps folder (share/marble/data/maps): the elevation
  // tiles, the precipitation climatology, the Moon's Clementine mosaic, and
  // day and night images for when the two above are missing. Empty or
  // absent: a flat relief, no clouds, the procedural Moon.
  std::string marbleMaps;
};

// The generated textures of the Earth's relief and clouds and their sizes:
// the relief twice the day map's resolution (the chosen day map is 2048 x
// 1024). One size for both: the Earth's shader reads them at one level of detail.
constexpr int kReliefWidth = 4096, kReliefHeight = 2048;
constexpr int kCloudWidth = 4096, kCloudHeight = 2048;

// Writes every model and texture under `out`. Every source is checked and
// decoded before the first file is written, so a missing or unreadable
// source leaves the folder untouched. Returns false with the reasons in
// errors; on success lists the files written (relative to out).
// notes gets a line for every layer that fell back to a stand-in.
bool generateAssets(const std::filesystem::path& out, const AssetSources& sources, std::vector<std::string>& written,
                    std::vector<std::string>& errors, std::vector<std::string>& notes);
inline bool generateAssets(const std::filesystem::path& out, const AssetSources& sources,
                           std::vector<std::string>& written, std::vector<std::string>& errors) {
  std::vector<std::string> notes;
  return generateAssets(out, sources, written, errors, notes);
}

// The Earth's day and night images: xplanet-images' (measured sharper than
// marble-qt-data's larger ones, whose detail is that of a smaller image
// scaled up), or marble-qt-data's when xplanet-images is missing.
struct EarthSourceFiles {
  std::string day, night;
  std::string note;  // empty for the first choice
};
EarthSourceFiles chooseEarthSources(const AssetSources& sources);
