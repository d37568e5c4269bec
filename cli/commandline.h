// One option parser for the command-line tools (orbisk-shot, orbisk-film,
// orbisk-bench, orbisk-check): --help and --version everywhere, and every bad
// or missing value answered alike, with one ERROR line naming the option and
// the value, "see --help" on stderr, and exit status 2.
#pragma once
#include <CLI/CLI.hpp>
#include <string>
#include <type_traits>
#include <vector>

#include "base/version.h"
#include "render/quality.h"

// Usage text that starts with the tool's own synopsis ("usage: orbisk-... "),
// followed by the option list; adds --version.
void setUpCommandLine(CLI::App& app, const std::string& synopsis);

// Parses the arguments after the program name. Returns -1 to go on; 0 when
// --help or --version was printed on stdout; 2 on a usage error, with a
// one-line reason in *error. Prints nothing when print is false. An unknown
// option is named before any missing required one.
int parseCommandLine(CLI::App& app, const std::vector<std::string>& args, std::string* error = nullptr,
                     bool print = true);

// A usage error found after parsing (options that do not fit together):
// *error gets the reason, and with print the ERROR line and "see --help" go
// to stderr. Returns 2, the status of every usage error.
int usageError(const CLI::App& app, const std::string& reason, std::string* error, bool print);

// CLI11's own wording of a parse error as one plain line naming the option
// and the value ("--path-time: cannot read 'abc'"); other messages as they are.
std::string plainParseError(const std::string& message);

// Refuses an empty or blank value.
CLI::Validator nonBlank();

// A number as a user writes it: "10000000", "0.25", never "1e+07".
std::string plainNumber(double value);

// A check that the value is a number from low to high, both included; unlike
// CLI11's Range it refuses NaN, and it keeps the option list plain.
template <typename T>
CLI::Validator within(T low, T high) {
  return CLI::Validator(
      [low, high](std::string& text) {
        T v{};
        if (CLI::detail::lexical_cast(text, v) && v >= low && v <= high) return std::string();
        return "wants " + plainNumber(static_cast<double>(low)) + " to " + plainNumber(static_cast<double>(high)) +
               ", not '" + text + "'";
      },
      "");
}

// --quality, --passes and --scale into overrides, checked against the same
// presets and ranges as config.ini's keys.
void addQualityOptions(CLI::App& app, QualityOverrides& overrides);

// --verbose: the program's own console lines (loaders, shader compiler) are
// shown too; without it the tools show only their errors and warnings.
void addVerboseOption(CLI::App& app, bool& verbose);

// The largest picture side the tools allocate.
constexpr int maxPictureSide = 8192;

// "WxH" with two positive integers up to maxPictureSide.
bool parseSize(const std::string& text, int& width, int& height);

// "WxH" option into width and height (parseSize).
CLI::Option* addSizeOption(CLI::App& app, int& width, int& height, const std::string& help);
