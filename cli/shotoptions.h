// Command line of orbisk-shot, the still-image tool: where the camera stands,
// the picture's size, the animation state and the output file.
#pragma once
#include <glm/glm.hpp>
#include <string>
#include <vector>

#include "render/quality.h"

namespace CLI {
class App;
}

struct ShotOptions {
  glm::vec3 eye{0.0f};
  glm::vec3 at{0.0f};
  glm::vec3 up{0.0f, 1.0f, 0.0f};
  float fov = 65.0f;
  int width = 1024;
  int height = 768;
  long steps = 0;
  // Jitter seed; without one the calendar time seeds it, as in the program.
  bool hasSeed = false;
  unsigned int seed = 0;
  // Camera from the path flight at this time instead of eye and at.
  bool usePathTime = false;
  double pathTime = 0.0;
  std::string out;
  // The camera over a point of the Earth instead of eye and at (--above).
  bool useAbove = false;
  double aboveLatitude = 0.0, aboveLongitude = 0.0, aboveAltitudeKm = 0.0;
  // --utc ("now" or an instant) and --time-rate over config.ini's time and timeRate.
  std::string utc;
  bool hasTimeRate = false;
  double timeRate = 1.0;
  // --quality, --passes, --scale over config.ini's.
  QualityOverrides quality;
  bool help = false;
  // The program's own console lines too.
  bool verbose = false;
};

// A step count that ends in seconds (the picture's side is bounded by
// maxPictureSide).
constexpr long maxShotSteps = 10000000;

// The synopsis and option list that --help prints.
std::string shotUsage();

// Parses the arguments after the program name. Returns -1 to go on, 0 after
// --help or --version (printed when print is set; help is then set), 2 on a
// usage error with a one-line reason in *error (printed with the usage when
// print is set); out is then unspecified.
int parseShotCommandLine(const std::vector<std::string>& args, ShotOptions& out, std::string* error, bool print);
// The same without printing: false on a usage error.
bool parseShotOptions(const std::vector<std::string>& args, ShotOptions& out, std::string& error);
// Whether the camera options given fit together: --path-time alone, or --eye
// and --at apart with --up off the view direction.
bool checkShotCamera(const ShotOptions& out, bool hasEye, bool hasAt, bool hasUp, bool hasFov, std::string& error);

// --above's "LAT,LON,ALT_KM": latitude -90 to 90, longitude -180 to 360,
// kilometres above the surface, more than 0 and up to maxAboveKm. False with
// the reason, naming the bad part, in error.
constexpr double maxAboveKm = 1.0e6;
bool parseAbove(const std::string& text, double& latitude, double& longitude, double& altitudeKm, std::string& error);
// --utc's "now" or instant, and --time-rate's number (within ±maxTimeRate):
// false with the reason in error. Shared by orbisk-shot and orbisk-film.
bool checkUtcOption(const std::string& text, std::string& error);
bool checkTimeRateOption(const std::string& text, double& rate, std::string& error);
// Adds --utc and --time-rate to a tool's command line.
void addSkyOptions(CLI::App& app, std::string& utc, bool& hasTimeRate, double& timeRate, const std::string& rateHelp);

// "X,Y,Z" with three finite numbers and nothing else.
bool parseVec3(const std::string& text, glm::vec3& out);
