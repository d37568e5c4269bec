// Command line of orbisk-shot, the still-image tool: where the camera stands,
// the picture's size, the animation state and the output file.
#pragma once
#include <glm/glm.hpp>
#include <string>
#include <vector>

#include "render/quality.h"

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

// "X,Y,Z" with three finite numbers and nothing else.
bool parseVec3(const std::string& text, glm::vec3& out);
