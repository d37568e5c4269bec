#include "cli/commandline.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "base/configfile.h"

namespace {

constexpr size_t kHelpWidth = 80;
constexpr size_t kNameColumn = 24;

// CLI11's help with our synopsis in place of its generic usage line, each
// option shown with its value's name only (whether it is required or goes
// with another is the synopsis's and the description's to say), and the
// descriptions wrapped within 80 columns.
class SynopsisFormatter : public CLI::Formatter {
 public:
  explicit SynopsisFormatter(std::string synopsis) : synopsis_(std::move(synopsis)) {}
  std::string make_usage(const CLI::App*, std::string) const override { return synopsis_; }
  std::string make_option_opts(const CLI::Option* opt) const override {
    return opt->get_type_size() != 0 && !opt->get_type_name().empty() ? " " + opt->get_type_name() : "";
  }
  std::string make_option_desc(const CLI::Option* opt) const override {
    return wrap(opt->get_description(), kHelpWidth - kNameColumn);
  }

 private:
  static std::string wrap(const std::string& text, size_t width) {
    std::string out, line;
    size_t start = 0;
    while (start < text.size()) {
      size_t end = text.find(' ', start);
      if (end == std::string::npos) end = text.size();
      const std::string word = text.substr(start, end - start);
      if (!line.empty() && line.size() + 1 + word.size() > width) {
        out += line + "\n";
        line.clear();
      }
      line += (line.empty() ? "" : " ") + word;
      start = end + 1;
    }
    return out + line;
  }

  std::string synopsis_;
};

// The range config.ini allows a key, so that a flag and the file agree.
std::string keyRange(const config::Key& key) { return plainNumber(key.minimum) + " to " + plainNumber(key.maximum); }

}  // namespace

std::string plainNumber(double value) {
  char text[64];
  // Whole numbers in full; %g would turn ten million into 1e+07.
  if (std::fabs(value) < 1e15 && value == std::floor(value))
    snprintf(text, sizeof text, "%.0f", value);
  else
    snprintf(text, sizeof text, "%.6g", value);
  return text;
}

void setUpCommandLine(CLI::App& app, const std::string& synopsis) {
  app.formatter(std::make_shared<SynopsisFormatter>(synopsis));
  app.set_version_flag("--version", app.get_name() + " " + orbiskVersion);
  app.get_formatter()->column_width(kNameColumn);
}

int parseCommandLine(CLI::App& app, const std::vector<std::string>& args, std::string* error, bool print) {
  // CLI11 checks required options before unknown ones, so "--bogus" would be
  // answered with "--out is required": both are checked here instead, the
  // unknown first.
  std::vector<CLI::Option*> required;
  for (CLI::Option* option : app.get_options())
    if (option->get_required()) {
      required.push_back(option);
      option->required(false);
    }
  app.allow_extras();
  // CLI11 takes a vector of arguments last one first.
  std::vector<std::string> reversed(args.rbegin(), args.rend());
  struct Restore {
    std::vector<CLI::Option*>& options;
    ~Restore() {
      for (CLI::Option* option : options) option->required();
    }
  } restore{required};
  // CLI11 reads "--name=" as the option without a value and takes the next
  // argument for it.
  for (const std::string& arg : args) {
    if (arg == "--") break;
    if (arg.size() > 3 && arg.compare(0, 2, "--") == 0 && arg.back() == '=' && arg.find('=') == arg.size() - 1 &&
        app.get_option_no_throw(arg.substr(0, arg.size() - 1)) != nullptr)
      return usageError(app, arg.substr(0, arg.size() - 1) + ": wants a value, not ''", error, print);
  }
  // CLI11 takes an empty value for the type's zero ("--path-time ''" would
  // be time 0), so every option that takes a value refuses a blank one.
  for (CLI::Option* option : app.get_options())
    if (option->nonpositional() && option->get_type_size() != 0) option->check(nonBlank());
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
    return usageError(app, plainParseError(e.what()), error, print);
  }
  std::vector<std::string> extra = app.remaining();
  // CLI11 keeps the "--" that ends the options among the extras.
  const auto mark = std::find(extra.begin(), extra.end(), "--");
  if (mark != extra.end()) extra.erase(mark);
  if (!extra.empty()) {
    const std::string& first = extra.front();
    return usageError(app,
                      (first.size() > 1 && first[0] == '-' ? "unknown option '" : "unexpected argument '") + first + "'",
                      error, print);
  }
  for (const CLI::Option* option : required)
    if (option->count() == 0) return usageError(app, option->get_name() + " is required", error, print);
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

void addVerboseOption(CLI::App& app, bool& verbose) {
  app.add_flag("--verbose", verbose, "also show the program's own console lines (loaders, shader compiler)");
}

namespace {
bool parseWhole(const std::string& text, long& out) {
  if (text.empty() || !isdigit(static_cast<unsigned char>(text[0]))) return false;
  errno = 0;
  char* end = nullptr;
  const long value = strtol(text.c_str(), &end, 10);
  if (end != text.c_str() + text.size() || errno == ERANGE) return false;
  out = value;
  return true;
}
}  // namespace

bool parseSize(const std::string& text, int& width, int& height) {
  const size_t x = text.find_first_of("xX");
  if (x == std::string::npos) return false;
  long w = 0, h = 0;
  if (!parseWhole(text.substr(0, x), w) || !parseWhole(text.substr(x + 1), h)) return false;
  if (w < 1 || h < 1 || w > maxPictureSide || h > maxPictureSide) return false;
  width = static_cast<int>(w);
  height = static_cast<int>(h);
  return true;
}

CLI::Option* addSizeOption(CLI::App& app, int& width, int& height, const std::string& help) {
  return app
      .add_option_function<std::string>(
          "--size",
          [&width, &height](const std::string& text) {
            if (!parseSize(text, width, height))
              throw CLI::ValidationError("--size", "wants WxH with two positive integers up to " +
                                                       std::to_string(maxPictureSide) + ", not '" + text + "'");
          },
          help)
      ->type_name("WxH");
}

int usageError(const CLI::App&, const std::string& reason, std::string* error, bool print) {
  if (error != nullptr) *error = reason;
  if (print) fprintf(stderr, "ERROR: %s\nsee --help\n", reason.c_str());
  return 2;
}

std::string plainParseError(const std::string& message) {
  // "Could not convert: --path-time = abc"
  const std::string convert = "Could not convert: ";
  const size_t equals = message.find(" = ");
  if (message.compare(0, convert.size(), convert) == 0 && equals != std::string::npos)
    return message.substr(convert.size(), equals - convert.size()) + ": cannot read '" + message.substr(equals + 3) +
           "'";
  // "--path-time: 1 required SECONDS missing": the option ended the line.
  const size_t colon = message.find(": ");
  const size_t required = message.find(" required ");
  if (colon != std::string::npos && required != std::string::npos && message.size() > 8 &&
      message.compare(message.size() - 8, 8, " missing") == 0)
    return message.substr(0, colon) + " wants a value (" +
           message.substr(required + 10, message.size() - 8 - required - 10) + ")";
  return message;
}

CLI::Validator nonBlank() {
  return CLI::Validator(
      [](std::string& text) {
        if (text.find_first_not_of(" \t\r\n") != std::string::npos) return std::string();
        return "wants a value, not '" + text + "'";
      },
      "");
}
