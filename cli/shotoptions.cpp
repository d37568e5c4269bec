#include "cli/shotoptions.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <type_traits>

#include "cli/commandline.h"
#include "scene/skyclock.h"

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

bool parseFloat(const std::string& text, float& out) {
  double value = 0.0;
  if (!parseDouble(text, value) || std::fabs(value) > 3.0e38) return false;
  out = static_cast<float>(value);
  return true;
}

}  // namespace

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

bool parseAbove(const std::string& text, double& latitude, double& longitude, double& altitudeKm, std::string& error) {
  static const char* kNames[] = {"latitude", "longitude", "altitude"};
  double v[3] = {0.0, 0.0, 0.0};
  size_t start = 0;
  for (int i = 0; i < 3; ++i) {
    const size_t comma = text.find(',', start);
    if ((i < 2) != (comma != std::string::npos)) {
      error = "wants LAT,LON,ALT_KM (three numbers), not '" + text + "'";
      return false;
    }
    const std::string part = text.substr(start, i < 2 ? comma - start : std::string::npos);
    if (!parseDouble(part, v[i])) {
      error = std::string("the ") + kNames[i] + " '" + part + "' of '" + text + "' is not a number";
      return false;
    }
    start = comma + 1;
  }
  if (v[0] < -90.0 || v[0] > 90.0) {
    error = "the latitude " + plainNumber(v[0]) + " is outside -90 to 90 degrees";
    return false;
  }
  if (v[1] < -180.0 || v[1] > 360.0) {
    error = "the longitude " + plainNumber(v[1]) + " is outside -180 to 360 degrees";
    return false;
  }
  if (!(v[2] > 0.0) || v[2] > maxAboveKm) {
    error = "the altitude " + plainNumber(v[2]) + " km is not above the surface and up to " +
            plainNumber(maxAboveKm) + " km";
    return false;
  }
  latitude = v[0];
  longitude = v[1];
  altitudeKm = v[2];
  return true;
}

bool checkUtcOption(const std::string& text, std::string& error) {
  if (text == "now") return true;
  double tai = 0.0;
  if (parseUtcInstant(text, tai, error)) return true;
  error = "'" + text + "' is not an instant (" + error + "); --utc wants now or " + kTimeForm;
  return false;
}

bool checkTimeRateOption(const std::string& text, double& rate, std::string& error) {
  if (parseTimeRate(text, rate) == RateStatus::Ok) return true;
  error = "wants sky seconds per second from -10000000 to 10000000, not '" + text + "'";
  return false;
}

void addSkyOptions(CLI::App& app, std::string& utc, bool& hasTimeRate, double& timeRate, const std::string& rateHelp) {
  app.add_option_function<std::string>(
         "--utc",
         [&utc](const std::string& text) {
           std::string error;
           if (!checkUtcOption(text, error)) throw CLI::ValidationError("--utc", error);
           utc = text;
         },
         "the sky of now or of a UTC instant YYYY-MM-DDTHH:MM:SSZ (over config.ini's time)")
      ->type_name("INSTANT|now");
  app.add_option_function<std::string>(
         "--time-rate",
         [&hasTimeRate, &timeRate](const std::string& text) {
           std::string error;
           if (!checkTimeRateOption(text, timeRate, error)) throw CLI::ValidationError("--time-rate", error);
           hasTimeRate = true;
         },
         rateHelp)
      ->type_name("R");
}

namespace {

const char* kShotSynopsis =
    "usage: orbisk-shot --eye X,Y,Z --at X,Y,Z [--up X,Y,Z] [--fov DEGREES]\n"
    "                   [--size WxH] [--steps N] [--seed N] [--quality NAME]\n"
    "                   [--passes N] [--scale F] [--verbose] --out FILE.png\n"
    "       orbisk-shot --path-time SECONDS [--size WxH] [--steps N] [--seed N]\n"
    "                   [--quality NAME] [--passes N] [--scale F] [--verbose]\n"
    "                   --out FILE.png\n"
    "       orbisk-shot --above LAT,LON,ALT_KM [--fov DEGREES] [...] --out FILE.png\n"
    "Each takes [--utc INSTANT|now] [--time-rate R]: the sky of an instant.\n"
    "Renders one full frame of the scene offscreen and writes it as a PNG.\n";

// A number option whose value must be finite and inside (or, with open ends,
// strictly inside) a range, read whole: "5x" and "" are refused by name.
template <typename T>
CLI::Option* addNumber(CLI::App& app, const std::string& name, T& value, double low, double high, bool open,
                       const std::string& help) {
  return app
      .add_option_function<std::string>(
          name,
          [&value, name, low, high, open](const std::string& text) {
            double v = 0.0;
            const bool inside = parseDouble(text, v) && (open ? v > low && v < high : v >= low && v <= high) &&
                                (std::is_floating_point<T>::value || v == std::floor(v));
            if (!inside)
              throw CLI::ValidationError(name, std::string("wants ") +
                                                   (std::is_floating_point<T>::value ? "a number" : "a whole number") +
                                                   (open ? " above " : " from ") + plainNumber(low) +
                                                   (open ? " and below " : " to ") + plainNumber(high) + ", not '" +
                                                   text + "'");
            value = static_cast<T>(v);
          },
          help)
      ->type_name("NUMBER");
}

CLI::Option* addVec3(CLI::App& app, const std::string& name, glm::vec3& value, const std::string& help) {
  return app
      .add_option_function<std::string>(
          name,
          [&value, name](const std::string& text) {
            if (!parseVec3(text, value)) throw CLI::ValidationError(name, "wants X,Y,Z with three finite numbers, not '" + text + "'");
          },
          help)
      ->type_name("X,Y,Z");
}

struct ShotCommandLine {
  CLI::App app{"", "orbisk-shot"};
  CLI::Option *eye = nullptr, *at = nullptr, *up = nullptr, *fov = nullptr, *seed = nullptr, *pathTime = nullptr,
              *above = nullptr;
};

void describeShotOptions(ShotCommandLine& cli, ShotOptions& out) {
  CLI::App& app = cli.app;
  setUpCommandLine(app, kShotSynopsis);
  cli.eye = addVec3(app, "--eye", out.eye, "camera position (its distance to --at is the focus distance)");
  cli.at = addVec3(app, "--at", out.at, "look-at point");
  cli.up = addVec3(app, "--up", out.up, "camera up vector (default 0,1,0)");
  cli.fov = addNumber(app, "--fov", out.fov, 0.0, 180.0, true, "vertical field of view in degrees, above 0 and below 180 (default 65)");
  addSizeOption(app, out.width, out.height, "picture size in pixels (default 1024x768)");
  // Whole numbers only: strtol-style text, so "1.5" and "1e3" are refused.
  app.add_option("--steps", out.steps, "animation steps applied first: Earth spin, Moon orbit, missile (default 0)")
      ->check(within(0L, maxShotSteps))
      ->type_name("N");
  cli.seed = app.add_option_function<std::string>(
                    "--seed",
                    [&out](const std::string& text) {
                      double v = 0.0;
                      if (!parseDouble(text, v) || v < 0 || v > 4294967295.0 || v != std::floor(v) ||
                          text.find_first_not_of("0123456789") != std::string::npos)
                        throw CLI::ValidationError("--seed", "wants a whole number from 0 to 4294967295, not '" +
                                                                 text + "'");
                      out.seed = static_cast<unsigned int>(v);
                    },
                    "seed of the depth-of-field jitter (default: the calendar time)")
                 ->type_name("N");
  cli.pathTime = addNumber(app, "--path-time", out.pathTime, 0.0, 1.0e7, false,
                           "place the camera where the path flight is after SECONDS");
  cli.pathTime->type_name("SECONDS");
  cli.above = app.add_option_function<std::string>(
                     "--above",
                     [&out](const std::string& text) {
                       std::string error;
                       if (!parseAbove(text, out.aboveLatitude, out.aboveLongitude, out.aboveAltitudeKm, error))
                         throw CLI::ValidationError("--above", error);
                     },
                     "camera over a point of the Earth (degrees north and east, km above the surface), "
                     "looking at the Earth's centre, north up")
                  ->type_name("LAT,LON,ALT_KM");
  addSkyOptions(app, out.utc, out.hasTimeRate, out.timeRate,
                "sky seconds per second (over config.ini's timeRate); with --path-time the sky runs on "
                "by SECONDS times R, as in orbisk-film");
  addQualityOptions(app, out.quality);
  addVerboseOption(app, out.verbose);
  app.add_option("--out", out.out, "the PNG file to write")->required()->type_name("FILE")->check([](const std::string& v) {
    return v.empty() ? std::string("wants a file name") : std::string();
  });
}

}  // namespace

std::string shotUsage() {
  ShotCommandLine cli;
  ShotOptions unused;
  describeShotOptions(cli, unused);
  return cli.app.help();
}

int parseShotCommandLine(const std::vector<std::string>& args, ShotOptions& out, std::string* error, bool print) {
  out = ShotOptions();
  ShotCommandLine cli;
  describeShotOptions(cli, out);
  const int status = parseCommandLine(cli.app, args, error, print);
  if (status >= 0) {
    out.help = status == 0;
    return status;
  }
  out.hasSeed = cli.seed->count() > 0;
  out.usePathTime = cli.pathTime->count() > 0;
  out.useAbove = cli.above->count() > 0;
  std::string reason;
  if (out.useAbove) {
    if (out.usePathTime || cli.eye->count() > 0 || cli.at->count() > 0 || cli.up->count() > 0)
      return usageError(cli.app, "--above places the camera itself: --eye, --at, --up and --path-time do not go with it",
                        error, print);
    return -1;
  }
  if (!checkShotCamera(out, cli.eye->count() > 0, cli.at->count() > 0, cli.up->count() > 0, cli.fov->count() > 0,
                       reason))
    return usageError(cli.app, reason, error, print);
  return -1;
}

bool parseShotOptions(const std::vector<std::string>& args, ShotOptions& out, std::string& error) {
  return parseShotCommandLine(args, out, &error, false) != 2;
}

bool checkShotCamera(const ShotOptions& out, bool hasEye, bool hasAt, bool hasUp, bool hasFov, std::string& error) {
  if (!(glm::length(out.up) > 1e-6f)) {
    error = "--up must not be zero";
    return false;
  }
  if (out.usePathTime) {
    if (hasEye || hasAt || hasUp || hasFov) {
      error = "--path-time places the camera itself: --eye, --at, --up and --fov do not go with it";
      return false;
    }
    return true;
  }
  if (!hasEye || !hasAt) {
    error = "--eye and --at are required (or --path-time, or --above)";
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
