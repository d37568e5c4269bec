#include "tools/assetgen/generate.h"

#include <functional>
#include <mutex>
#include <thread>

#include "base/runfiles.h"
#include "tools/assetgen/dds.h"
#include "tools/assetgen/flight.h"
#include "tools/assetgen/font.h"
#include "tools/assetgen/image.h"
#include "tools/assetgen/mesh.h"
#include "tools/assetgen/output.h"
#include "tools/assetgen/procedural.h"

namespace fs = std::filesystem;

namespace {
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
}  // namespace

bool generateAssets(const fs::path& out, const AssetSources& sources, std::vector<std::string>& written,
                    std::vector<std::string>& errors) {
  for (const std::string& source : {sources.earthDay, sources.earthNight, sources.font}) {
    std::error_code ec;
    if (!fs::is_regular_file(source, ec)) errors.push_back("source file missing: " + source);
  }
  if (!errors.empty()) return false;
  Image day, night, font;
  std::string error;
  if (!loadImageFile(sources.earthDay, day, error) || !loadImageFile(sources.earthNight, night, error) ||
      !renderFontAtlas(sources.font, font, error)) {
    errors.push_back(error);
    return false;
  }
  day = resizeImage(day, 2048, 1024);
  night = resizeImage(night, 2048, 1024);

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
      // Black: the catalogue's stars are points drawn over the cube.
      texture("textures/stars.DDS", [] { return Image(12, 8); }, DxtFormat::Dxt1, DxtQuality::Fast),
      texture("textures/earth_day.DDS", [&day] { return day; }, DxtFormat::Dxt1, DxtQuality::Good),
      texture("textures/earth_night.DDS", [&night] { return night; }, DxtFormat::Dxt1, DxtQuality::Fast),
      texture("textures/earth_specular.DDS", [&day] { return specularFromDay(day); }, DxtFormat::Dxt1, DxtQuality::Fast),
      texture("textures/moon.DDS", [] { return moonSurface(1024, 512, 3); }, DxtFormat::Dxt1, DxtQuality::Good),
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
