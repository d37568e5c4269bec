#include "app/shotoptions.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <set>

#include "app/configfile.h"

namespace {

// The whole text must be the number: "1.5x" or "" are not numbers.
bool parseDouble(const std::string& text, double& out) {
  if (text.empty() || isspace(static_cast<unsigned char>(text[0]))) return false;
  errno = 0;
  char* end = nullptr;
  double value = strtod(text.c_str(), &end);
  if (end != text.c_str() + text.size() || errno == ERANGE || !std::isfinite(value)) return false;
  out = value;
  return true;
}

bool parseLong(const std::string& text, long& out) {
  if (text.empty() || !(isdigit(static_cast<unsigned char>(text[0])) || text[0] == '-' || text[0] == '+'))
    return false;
  errno = 0;
  char* end = nullptr;
  long value = strtol(text.c_str(), &end, 10);
  if (end != text.c_str() + text.size() || errno == ERANGE) return false;
  out = value;
  return true;
}

bool parseFloat(const std::string& text, float& out) {
  double value = 0.0;
  if (!parseDouble(text, value) || std::fabs(value) > 3.0e38) return false;
  out = static_cast<float>(value);
  return true;
}

}  // namespace

const char* shotUsage() {
  return "usage: orbisk-shot --eye X,Y,Z --at X,Y,Z [--up X,Y,Z] [--fov DEGREES] [--size WxH]\n"
         "                   [--steps N] [--seed N] --out FILE.png\n"
         "       orbisk-shot --path-time SECONDS [--size WxH] [--steps N] [--seed N] --out FILE.png\n"
         "       either with [--quality full|balanced|fast] [--passes N] [--scale S]\n"
         "Renders one full frame of the scene offscreen and writes it as a PNG.\n"
         "  --eye, --at     camera position and look-at point (their distance is the focus distance)\n"
         "  --up            camera up vector (default 0,1,0)\n"
         "  --fov           vertical field of view in degrees, above 0 and below 180 (default 65)\n"
         "  --size          picture size in pixels (default 1024x768)\n"
         "  --steps         animation steps applied first: Earth spin, Moon orbit, missile (default 0)\n"
         "  --seed          seed of the depth-of-field jitter (default: the calendar time)\n"
         "  --path-time     place the camera where the path flight is after SECONDS\n"
         "  --out           the PNG file to write\n"
         "  --quality       preset of passes and render scale (default: config.ini's, else full)\n"
         "  --passes        depth-of-field passes, 1 to 16, over the preset\n"
         "  --scale         render scale of the passes, 0.25 to 1, over the preset\n";
}

bool isQualityFlag(const std::string& name) {
  return name == "--quality" || name == "--passes" || name == "--scale";
}

bool parseQualityFlag(const std::string& name, const std::string& value, QualityOverrides& quality,
                      std::string& error) {
  bool ok = false;
  if (name == "--quality") {
    Quality preset;
    ok = presetQuality(value, preset);
    if (ok) quality.preset = value;
  } else if (name == "--passes") {
    long passes = 0;
    ok = parseLong(value, passes) && config::inRange(*config::find("depthOfFieldPasses"), static_cast<double>(passes));
    if (ok) quality.passes = static_cast<int>(passes);
  } else if (name == "--scale") {
    float scale = 0.0f;
    ok = parseFloat(value, scale) && config::inRange(*config::find("renderScale"), static_cast<double>(scale));
    if (ok) quality.scale = scale;
  } else {
    return false;
  }
  if (!ok) error = "bad value \"" + value + "\" for " + name;
  return ok;
}

bool parseVec3(const std::string& text, glm::vec3& out) {
  float v[3];
  size_t start = 0;
  for (int i = 0; i < 3; ++i) {
    size_t comma = text.find(',', start);
    if ((i < 2) != (comma != std::string::npos)) return false;
    std::string part = text.substr(start, i < 2 ? comma - start : std::string::npos);
    if (!parseFloat(part, v[i])) return false;
    start = comma + 1;
  }
  out = glm::vec3(v[0], v[1], v[2]);
  return true;
}

bool parseSize(const std::string& text, int& width, int& height) {
  size_t x = text.find_first_of("xX");
  if (x == std::string::npos) return false;
  long w = 0, h = 0;
  std::string ws = text.substr(0, x), hs = text.substr(x + 1);
  if (ws.empty() || hs.empty() || !isdigit(static_cast<unsigned char>(ws[0])) ||
      !isdigit(static_cast<unsigned char>(hs[0])))
    return false;
  if (!parseLong(ws, w) || !parseLong(hs, h)) return false;
  if (w < 1 || h < 1 || w > maxShotSide || h > maxShotSide) return false;
  width = static_cast<int>(w);
  height = static_cast<int>(h);
  return true;
}

bool parseShotOptions(const std::vector<std::string>& args, ShotOptions& out, std::string& error) {
  out = ShotOptions();
  static const std::set<std::string> known = {"--eye", "--at",   "--up",        "--fov", "--size",
                                              "--steps", "--seed", "--path-time", "--out",
                                              "--quality", "--passes", "--scale"};
  std::set<std::string> seen;
  for (size_t i = 0; i < args.size(); ++i) {
    std::string name = args[i], value;
    if (name == "--help" || name == "-h") {
      out.help = true;
      return true;
    }
    const size_t eq = name.find('=');
    const bool inlineValue = name.rfind("--", 0) == 0 && eq != std::string::npos;
    if (inlineValue) {
      value = name.substr(eq + 1);
      name = name.substr(0, eq);
    }
    if (!known.count(name)) {
      error = "unknown argument \"" + args[i] + "\"";
      return false;
    }
    if (!seen.insert(name).second) {
      error = name + " given twice";
      return false;
    }
    if (!inlineValue) {
      if (i + 1 >= args.size()) {
        error = name + " needs a value";
        return false;
      }
      value = args[++i];
    }
    bool ok = true;
    if (name == "--eye") {
      ok = parseVec3(value, out.eye);
    } else if (name == "--at") {
      ok = parseVec3(value, out.at);
    } else if (name == "--up") {
      ok = parseVec3(value, out.up) && glm::length(out.up) > 1e-6f;
    } else if (name == "--fov") {
      ok = parseFloat(value, out.fov) && out.fov > 0.0f && out.fov < 180.0f;
    } else if (name == "--size") {
      ok = parseSize(value, out.width, out.height);
    } else if (name == "--steps") {
      ok = parseLong(value, out.steps) && out.steps >= 0 && out.steps <= maxShotSteps;
    } else if (name == "--seed") {
      long seed = 0;
      ok = parseLong(value, seed) && seed >= 0 && seed <= 4294967295L;
      out.seed = static_cast<unsigned int>(seed);
      out.hasSeed = ok;
    } else if (name == "--path-time") {
      ok = parseDouble(value, out.pathTime) && out.pathTime >= 0.0 && out.pathTime < 1.0e7;
      out.usePathTime = ok;
    } else if (name == "--out") {
      ok = !value.empty();
      out.out = value;
    } else if (isQualityFlag(name)) {
      if (!parseQualityFlag(name, value, out.quality, error)) return false;
    }
    if (!ok) {
      error = "bad value \"" + value + "\" for " + name;
      return false;
    }
  }
  if (out.out.empty()) {
    error = "--out is required";
    return false;
  }
  const bool hasEye = seen.count("--eye"), hasAt = seen.count("--at");
  if (out.usePathTime) {
    if (hasEye || hasAt || seen.count("--up") || seen.count("--fov")) {
      error = "--path-time places the camera itself: --eye, --at, --up and --fov do not go with it";
      return false;
    }
    return true;
  }
  if (!hasEye || !hasAt) {
    error = "--eye and --at are required (or --path-time)";
    return false;
  }
  const glm::vec3 dir = out.at - out.eye;
  if (!(glm::length(dir) >= 1e-5f)) {
    error = "--at must differ from --eye";
    return false;
  }
  // A view along the up vector has no defined roll.
  if (glm::length(glm::cross(glm::normalize(dir), glm::normalize(out.up))) < 1e-4f) {
    error = "--up must not lie along the view direction";
    return false;
  }
  return true;
}
