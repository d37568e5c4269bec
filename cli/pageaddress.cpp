#include "cli/pageaddress.h"

#include <algorithm>

#include "base/configfile.h"
#include "render/quality.h"

namespace {

// The address's own parameters, as orbisk-shot's options of the same names.
const char* const kShotParameters[] = {"path-time", "seed", "steps"};

bool isShotParameter(const std::string& key) {
  for (const char* k : kShotParameters)
    if (key == k) return true;
  return false;
}

bool isQualityKey(const std::string& key) {
  return key == "quality" || key == "depthOfFieldPasses" || key == "renderScale";
}

// Whether the program takes the value as config.ini would, without a warning.
bool acceptedQuality(const UrlParameter& p) {
  if (p.value.empty()) return false;
  ConfigFile alone;
  alone.keys = {p.key};
  alone.values = {p.value};
  std::vector<std::string> warnings;
  resolveQuality(alone, QualityOverrides(), warnings);
  return warnings.empty();
}

std::string listed(const std::vector<UrlParameter>& parameters) {
  std::string out;
  for (const UrlParameter& p : parameters) out += (out.empty() ? "" : "&") + p.key + "=" + p.value;
  return out;
}

// The picture settings, or a reason they are refused.
bool readShot(const std::vector<UrlParameter>& given, int width, int height, ShotOptions& options,
              std::string& reason) {
  std::vector<std::string> args;
  for (const UrlParameter& p : given) {
    if (p.value.empty()) {
      reason = p.key + " has no value";
      return false;
    }
    for (const UrlParameter& q : given)
      if (&q != &p && q.key == p.key) {
        reason = p.key + " is given more than once";
        return false;
      }
    args.insert(args.end(), {"--" + p.key, p.value});
  }
  if (std::find(args.begin(), args.end(), "--path-time") == args.end()) {
    reason = "seed and steps need path-time";
    return false;
  }
  args.insert(args.end(), {"--size", std::to_string(width) + "x" + std::to_string(height), "--out", "x.png"});
  return parseShotOptions(args, options, reason);
}

}  // namespace

PageAddress readPageAddress(const std::string& query, int width, int height) {
  PageAddress address;
  std::vector<UrlParameter> shot;
  for (const UrlParameter& p : parseQueryString(query)) {
    if (isShotParameter(p.key)) {
      shot.push_back(p);
    } else if (p.key == "s3tc") {
      // The page's own: it hides the compressed texture extension.
    } else if (p.key == "width" || p.key == "height" || p.key == "fullscreen") {
      // The page decides these: the canvas fills the window.
      address.warnings.push_back("WARNING: the address sets " + p.key + "; the page's size serves");
    } else {
      address.qualityGiven = address.qualityGiven || (isQualityKey(p.key) && acceptedQuality(p));
      address.settings.push_back(p);
    }
  }
  if (!shot.empty()) {
    std::string reason;
    address.shot = readShot(shot, width, height, address.shotOptions, reason);
    if (!address.shot)
      address.warnings.push_back("WARNING: the address's picture settings " + listed(shot) + " are refused (" +
                                 reason + "); the page runs as usual");
  }
  return address;
}
