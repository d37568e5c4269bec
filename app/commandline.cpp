#include "app/commandline.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <sstream>

#include "app/configfile.h"
#include "app/shotoptions.h"

const char* const orbiskVersion = "1.0";

namespace {

// CLI11's help with our synopsis in place of its generic usage line.
class SynopsisFormatter : public CLI::Formatter {
 public:
  explicit SynopsisFormatter(std::string synopsis) : synopsis_(std::move(synopsis)) {}
  std::string make_usage(const CLI::App*, std::string) const override { return synopsis_; }

 private:
  std::string synopsis_;
};

// The range config.ini allows a key, so that a flag and the file agree.
std::string keyRange(const config::Key& key) {
  std::ostringstream s;
  s << key.minimum << " to " << key.maximum;
  return s.str();
}

}  // namespace

void setUpCommandLine(CLI::App& app, const std::string& synopsis) {
  app.formatter(std::make_shared<SynopsisFormatter>(synopsis));
  app.set_version_flag("--version", app.get_name() + " " + orbiskVersion);
  app.get_formatter()->column_width(24);
}

int parseCommandLine(CLI::App& app, const std::vector<std::string>& args, std::string* error, bool print) {
  // CLI11 takes a vector of arguments last one first.
  std::vector<std::string> reversed(args.rbegin(), args.rend());
  try {
    app.parse(reversed);
  } catch (const CLI::CallForHelp&) {
    if (print) printf("%s", app.help().c_str());
    return 0;
  } catch (const CLI::CallForAllHelp&) {
    if (print) printf("%s", app.help("", CLI::AppFormatMode::All).c_str());
    return 0;
  } catch (const CLI::CallForVersion& e) {
    if (print) printf("%s\n", e.what());
    return 0;
  } catch (const CLI::ParseError& e) {
    if (error != nullptr) *error = e.what();
    if (print) fprintf(stderr, "ERROR: %s\n%s", e.what(), app.help().c_str());
    return 2;
  }
  return -1;
}

void addQualityOptions(CLI::App& app, QualityOverrides& overrides) {
  app.add_option("--quality", overrides.preset, "full, balanced or fast (default: config.ini's, else full)")
      ->check(CLI::Validator(
          [](std::string& text) {
            Quality unused;
            return presetQuality(text, unused) ? std::string() : "wants full, balanced or fast, not '" + text + "'";
          },
          ""))
      ->type_name("NAME");
  const config::Key* passes = config::find("depthOfFieldPasses");
  const config::Key* scale = config::find("renderScale");
  app.add_option("--passes", overrides.passes, "depth-of-field passes, " + keyRange(*passes))
      ->check(within(static_cast<int>(passes->minimum), static_cast<int>(passes->maximum)))
      ->type_name("N");
  app.add_option("--scale", overrides.scale, "pass size as a fraction of the picture, " + keyRange(*scale))
      ->check(within(static_cast<float>(scale->minimum), static_cast<float>(scale->maximum)))
      ->type_name("F");
}

CLI::Option* addSizeOption(CLI::App& app, int& width, int& height, const std::string& help) {
  return app
      .add_option_function<std::string>(
          "--size",
          [&width, &height](const std::string& text) {
            if (!parseSize(text, width, height))
              throw CLI::ValidationError("--size", "wants WxH with two positive integers up to " +
                                                       std::to_string(maxShotSide) + ", not '" + text + "'");
          },
          help)
      ->type_name("WxH");
}

int usageError(const CLI::App& app, const std::string& reason, std::string* error, bool print) {
  if (error != nullptr) *error = reason;
  if (print) fprintf(stderr, "ERROR: %s\n%s", reason.c_str(), app.help().c_str());
  return 2;
}
