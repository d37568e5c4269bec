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
};

// Limits that keep a shot finite: a picture the GL can allocate, a step count
// that ends in seconds.
constexpr int maxShotSide = 8192;
constexpr long maxShotSteps = 10000000;

const char* shotUsage();

// Parses the arguments after the program name. On failure returns false with
// a one-line reason in error; out is then unspecified. "--help" sets help and
// succeeds without the required options.
bool parseShotOptions(const std::vector<std::string>& args, ShotOptions& out, std::string& error);

// The tools' quality flags: "--quality" a preset name, "--passes" a whole
// number from 1 to 16, "--scale" a number from 0.25 to 1. False for another
// name (quality untouched) or, with a one-line reason, for a bad value.
bool isQualityFlag(const std::string& name);
bool parseQualityFlag(const std::string& name, const std::string& value, QualityOverrides& quality,
                      std::string& error);

// "X,Y,Z" with three finite numbers and nothing else.
bool parseVec3(const std::string& text, glm::vec3& out);
// "WxH" with two positive integers up to maxShotSide.
bool parseSize(const std::string& text, int& width, int& height);
