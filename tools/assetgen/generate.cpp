#include "tools/assetgen/generate.h"

#include <algorithm>
#include <functional>
#include <mutex>
#include <thread>

#include "base/runfiles.h"
#include "tools/assetgen/clouds.h"
#include "tools/assetgen/dds.h"
#include "tools/assetgen/flight.h"
#include "tools/assetgen/font.h"
#include "tools/assetgen/image.h"
#include "tools/assetgen/mesh.h"
#include "tools/assetgen/output.h"
#include "tools/assetgen/procedural.h"
#include "tools/assetgen/relief.h"

namespace fs = std::filesystem;

namespace {
// The mean grey of the procedural Moon the shading was tuned on.
constexpr double kMoonMeanGrey = 0.55;

struct Job {
  std::string name;
  std::function<std::string()> run;  // the error text, empty on success
};

void runJobs(const std::vector<Job>& jobs, int workers, std::vector<std::string>& errors) {
  std::mutex lock;
  size_t next = 0;
  auto worker = [&] {
    for (;;) {
      size_t mine;
      {
        std::lock_guard<std::mutex> guard(lock);
        if (next == jobs.size()) return;
        mine = next++;
      }
      const std::string error = jobs[mine].run();
      if (!error.empty()) {
        std::lock_guard<std::mutex> guard(lock);
        errors.push_back(jobs[mine].name + ": " + error);
      }
    }
  };
  std::vector<std::thread> pool;
  for (int w = 0; w < workers; ++w) pool.emplace_back(worker);
  for (std::thread& t : pool) t.join();
}

bool isFolder(const fs::path& path) {
  std::error_code ec;
  return fs::is_directory(path, ec);
}

bool isFile(const std::string& path) {
  std::error_code ec;
  return !path.empty() && fs::is_regular_file(path, ec);
}

// The Moon's albedo at the mean brightness the shading was tuned on.
Image moonFromClementine(const Image& mosaic) {
  Image moon = resizeImage(mosaic, 2048, 1024);
  double sum = 0;
  for (size_t i = 0; i < moon.rgba.size(); i += 4) sum += moon.rgba[i + 1];
  const double mean = sum / (moon.rgba.size() / 4) / 255.0;
  const float gain = mean > 0 ? static_cast<float>(kMoonMeanGrey / mean) : 1.0f;
  for (size_t i = 0; i < moon.rgba.size(); i += 4) {
    const float grey = std::min(1.0f, moon.rgba[i + 1] / 255.0f * gain);
    moon.rgba[i] = moon.rgba[i + 1] = moon.rgba[i + 2] = toByte(grey);
    moon.rgba[i + 3] = 255;
  }
  return moon;
}
}  // namespace

EarthSourceFiles chooseEarthSources(const AssetSources& sources) {
  EarthSourceFiles files{sources.earthDay, sources.earthNight, ""};
  const fs::path maps = sources.marbleMaps;
  const std::string marbleDay = (maps / "earth/bluemarble/bluemarble.jpg").string();
  const std::string marbleNight = (maps / "earth/citylights/citylights.jpg").string();
  if (!sources.marbleMaps.empty() && !isFile(sources.earthDay) && !isFile(sources.earthNight) &&
      isFile(marbleDay) && isFile(marbleNight)) {
    files = {marbleDay, marbleNight, "the day and night images from marble-qt-data (xplanet-images is missing)"};
  }
  return files;
}

bool generateAssets(const fs::path& out, const AssetSources& sources, std::vector<std::string>& written,
                    std::vector<std::string>& errors, std::vector<std::string>& notes) {
  const EarthSourceFiles earthFiles = chooseEarthSources(sources);
  if (!earthFiles.note.empty()) notes.push_back(earthFiles.note);
  for (const std::string& source : {earthFiles.day, earthFiles.night, sources.font}) {
    if (!isFile(source)) errors.push_back("source file missing: " + source);
  }
  if (!errors.empty()) return false;
  Image day, night, font;
  std::string error;
  if (!loadImageFile(earthFiles.day, day, error) || !loadImageFile(earthFiles.night, night, error) ||
      !renderFontAtlas(sources.font, font, error)) {
    errors.push_back(error);
    return false;
  }
  day = resizeImage(day, 2048, 1024);
  night = resizeImage(night, 2048, 1024);

  // marble-qt-data's layers; each one missing leaves its plain stand-in.
  const fs::path maps = sources.marbleMaps;
  const bool haveMarble = !sources.marbleMaps.empty() && isFolder(maps);
  Image moonMap, precipJuly, precipDecember;
  HeightGrid heights;
  if (haveMarble) {
    const std::string clementine = (maps / "moon/clementine/clementine.jpg").string();
    if (isFile(clementine) && !loadImageFile(clementine, moonMap, error)) errors.push_back(error);
    const fs::path srtm = maps / "earth/srtm/3";
    // The folder present but a tile missing or broken is an error: a package
    // half installed should not pass for a flat Earth.
    if (isFolder(srtm) &&
        !loadSrtmTiles(srtm.string(), SrtmLayout(), heights, error))
      errors.push_back(error);
    const std::string july = (maps / "earth/precip-july/precip-july.jpg").string();
    const std::string december = (maps / "earth/precip-dec/precip-dec.jpg").string();
    if (isFile(july) && isFile(december) &&
        (!loadImageFile(july, precipJuly, error) || !loadImageFile(december, precipDecember, error)))
      errors.push_back(error);
  }
  if (!errors.empty()) return false;
  if (heights.width == 0) notes.push_back("no elevation tiles under " + sources.marbleMaps + ": the relief is flat");
  if (precipJuly.width == 0) notes.push_back("no precipitation maps under " + sources.marbleMaps + ": no clouds");

  std::error_code ec;
  fs::create_directories(out / "models", ec);
  if (!ec) fs::create_directories(out / "textures", ec);
  if (ec) {
    errors.push_back("cannot create " + out.string() + ": " + ec.message());
    return false;
  }
  const int workers = std::max(1u, std::thread::hardware_concurrency());
  auto texture = [&](const std::string& file, std::function<Image()> make, DxtFormat format, DxtQuality quality) {
    return Job{file, [=, &out] { return writeFileAtomic(out / file, encodeDds(make(), format, quality, 1)); }};
  };
  auto text = [&](const std::string& file, std::function<std::string()> make) {
    return Job{file, [=, &out] { return writeFileAtomic(out / file, make()); }};
  };
  const FlightPaths flight = buildFlight();

  // Largest jobs first, so that the two workers finish together.
  std::vector<Job> jobs = {
      texture("textures/earth_clouds.DDS",
              [&] {
                if (precipJuly.width == 0) return Image(kCloudWidth, kCloudHeight);
                return cloudLayers(precipJuly, precipDecember, waterField(day), kCloudWidth, kCloudHeight, 29, workers);
              },
              DxtFormat::Dxt5, DxtQuality::Fast),
      texture("textures/earth_relief.DDS",
              [&] {
                if (heights.width == 0) {
                  Image flat(kReliefWidth, kReliefHeight);
                  for (size_t i = 0; i < flat.rgba.size(); ++i) flat.rgba[i] = 128;
                  return flat;
                }
                return slopeMap(heights, kReliefWidth, kReliefHeight);
              },
              DxtFormat::Dxt5, DxtQuality::Fast),
      // Black: the catalogue's stars are points drawn over the cube.
      texture("textures/stars.DDS", [] { return Image(12, 8); }, DxtFormat::Dxt1, DxtQuality::Fast),
      texture("textures/earth_day.DDS", [&day] { return day; }, DxtFormat::Dxt1, DxtQuality::Good),
      texture("textures/earth_night.DDS", [&night] { return night; }, DxtFormat::Dxt1, DxtQuality::Fast),
      texture("textures/earth_specular.DDS", [&day] { return specularFromDay(day); }, DxtFormat::Dxt1, DxtQuality::Fast),
      texture("textures/moon.DDS",
              [&moonMap] { return moonMap.width > 0 ? moonFromClementine(moonMap) : moonSurface(1024, 512, 3); },
              DxtFormat::Dxt1, DxtQuality::Good),
      texture(runfiles::font, [&font] { return font; }, DxtFormat::Dxt5, DxtQuality::Fast),
      texture(runfiles::streaks, [] { return spriteStreaks(512); }, DxtFormat::Dxt5, DxtQuality::Fast),
      texture(runfiles::specialStreaks, [] { return spriteSpecialStreaks(512); }, DxtFormat::Dxt5, DxtQuality::Good),
      texture(runfiles::bigGlow, [] { return spriteBigGlow(512); }, DxtFormat::Dxt5, DxtQuality::Fast),
      texture(runfiles::hardGlow, [] { return spriteHardGlow(256); }, DxtFormat::Dxt5, DxtQuality::Fast),
      texture(runfiles::halo, [] { return spriteHalo(256); }, DxtFormat::Dxt5, DxtQuality::Good),
      texture("textures/missile.DDS", [] { return missilePaint(512, 256); }, DxtFormat::Dxt1, DxtQuality::Good),
      text("models/earth.obj", [] { return objText(uvSphere(128, 64, true), "earth.mtl"); }),
      text("models/earth.mtl", [] {
        return mtlText("earth", "textures/earth_day.DDS", "textures/earth_specular.DDS", "textures/earth_night.DDS");
      }),
      text("models/moon.obj", [] { return objText(uvSphere(64, 32, true), "moon.mtl"); }),
      text("models/moon.mtl", [] { return mtlText("moon", "textures/moon.DDS", "", ""); }),
      text("models/missile.obj", [] { return objText(missile(), "missile.mtl"); }),
      text("models/missile.mtl", [] { return mtlText("missile", "textures/missile.DDS", "", ""); }),
      text("models/envcube.obj", [] { return objText(insideCube(), "envcube.mtl"); }),
      text("models/envcube.mtl", [] { return mtlText("stars", "textures/stars.DDS", "", ""); }),
      // The shell only marks the pixels the atmosphere composite shades, and
      // that shader finds the exact sphere from each pixel's ray: fewer, larger
      // triangles mean fewer pixel blocks shaded twice along shared edges. The
      // 32 x 16 hull still reaches past radius 1.059, where the air is too thin
      // to show.
      text("models/atmosphere.obj", [] { return objText(uvSphere(32, 16, false), ""); }),
      text("models/shadowCone.obj", [] { return objText(shadowCone(64, 11.0f, 0.85f), ""); }),
      text("models/eyePath.obj", [&flight] { return pathObjText(flight.eye); }),
      text("models/lookAtPath.obj", [&flight] { return pathObjText(flight.lookAt); }),
  };
  runJobs(jobs, workers, errors);
  if (!errors.empty()) return false;
  for (const Job& job : jobs) written.push_back(job.name);
  return true;
}
