#include "tools/film/filmplan.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "cli/commandline.h"
#include "cli/shotoptions.h"

namespace {

const char* kSynopsis =
    "usage: orbisk-film --out FILE.mp4|FOLDER/ [--size WxH] [--fps N]\n"
    "                   [--from SECONDS] [--to SECONDS] | [--frames A:B]\n"
    "                   [--step-rate N] [--seed N] [--lossless | --crf N]\n"
    "                   [--quality NAME] [--passes N] [--scale F] [--verbose]\n"
    "                   [--utc INSTANT|now] [--time-rate R]\n"
    "Renders the scripted camera flight, one full frame per film frame, as an H.264\n"
    "MP4 or, when --out names a folder, as PNG files frame-000000.png, ... numbered\n"
    "by frame.\n"
    "Frame k shows the flight at k/fps seconds after k*step-rate/fps animation steps,\n"
    "whatever range it was rendered in. Run in the run-time folder, like orbisk.\n";

bool endsWith(const std::string& text, const std::string& tail) {
  if (text.size() < tail.size()) return false;
  for (size_t i = 0; i < tail.size(); ++i)
    if (tolower(static_cast<unsigned char>(text[text.size() - tail.size() + i])) != tail[i]) return false;
  return true;
}

// "A:B", "A:" or ":B" with whole numbers; B above A.
bool parseFrameRange(const std::string& text, long& first, long& end) {
  const size_t colon = text.find(':');
  if (colon == std::string::npos) return false;
  const std::string a = text.substr(0, colon), b = text.substr(colon + 1);
  auto number = [](const std::string& s, long& out) {
    if (s.empty() || !isdigit(static_cast<unsigned char>(s[0]))) return false;
    errno = 0;
    char* stop = nullptr;
    const long v = strtol(s.c_str(), &stop, 10);
    if (*stop != '\0' || errno == ERANGE || v > maxFilmFrames) return false;
    out = v;
    return true;
  };
  first = 0;
  end = -1;
  if (!a.empty() && !number(a, first)) return false;
  if (!b.empty() && !number(b, end)) return false;
  return a.empty() && b.empty() ? false : (end < 0 || end > first);
}

}  // namespace

bool outputIsFolder(const std::string& out) {
  struct stat st {};
  return (!out.empty() && out.back() == '/') || (stat(out.c_str(), &st) == 0 && S_ISDIR(st.st_mode));
}

namespace {

struct FilmCommandLine {
  CLI::App app{"", "orbisk-film"};
  CLI::Option *from = nullptr, *to = nullptr, *frames = nullptr;
};

void describeOptions(FilmCommandLine& cli, FilmOptions& out) {
  CLI::App& app = cli.app;
  setUpCommandLine(app, kSynopsis);
  app.add_option("--out", out.out, "the MP4 file, or a folder for PNG frames")->required()->type_name("PATH");
  addSizeOption(app, out.width, out.height, "picture size in pixels (default 1280x720)");
  app.add_option("--fps", out.fps, "film frames per second (default 30)")->check(within(1, maxFilmFps))->type_name("N");
  auto* from = app.add_option("--from", out.from, "flight time of the first frame in seconds (default 0); not with --frames")
                   ->check(within(0.0, 1.0e7))->type_name("SECONDS");
  auto* to = app.add_option("--to", out.to, "flight time where the film ends, not included (default: the flight's end); not with --frames")
                 ->check(within(0.0, 1.0e7))->type_name("SECONDS");
  auto* frames = app.add_option_function<std::string>(
                        "--frames",
                        [&out](const std::string& text) {
                          if (!parseFrameRange(text, out.firstFrame, out.endFrame))
                            throw CLI::ValidationError("--frames", "wants A:B (A included, B not, B above A), A: or :B with whole frame numbers, not '" + text + "'");
                        },
                        "frame range A:B, A included, B not; A: runs to the flight's end")
                     ->type_name("A:B");
  from->excludes(frames);
  to->excludes(frames);
  app.add_option("--step-rate", out.stepRate,
                 "animation steps per second of flight: the program at a steady N frames/s (default 60)")
      ->check(within(0, maxStepRate))->type_name("N");
  app.add_option("--seed", out.seed, "seed of the depth-of-field jitter, the same for every frame (default 1)")
      ->check(within(0LL, 4294967295LL))->type_name("N");
  auto* lossless = app.add_flag("--lossless", out.lossless, "exact RGB frames (H.264 4:4:4, quantiser 0); not with --crf");
  app.add_option("--crf", out.crf, "H.264 quality, 0 (best) to 51 (default 18)")->check(within(0, 51))->type_name("N")->excludes(lossless);
  addSkyOptions(app, out.utc, out.hasTimeRate, out.timeRate,
                "sky seconds per film second (over config.ini's timeRate)");
  addQualityOptions(app, out.quality);
  addVerboseOption(app, out.verbose);
  cli.from = from;
  cli.to = to;
  cli.frames = frames;
}

}  // namespace

std::string filmUsage() {
  FilmCommandLine cli;
  FilmOptions unused;
  describeOptions(cli, unused);
  return cli.app.help();
}

int parseFilmOptions(const std::vector<std::string>& args, FilmOptions& out, std::string* error, bool print) {
  out = FilmOptions();
  FilmCommandLine cli;
  describeOptions(cli, out);
  CLI::App& app = cli.app;
  CLI::Option *from = cli.from, *to = cli.to, *frames = cli.frames;
  int status = parseCommandLine(app, args, error, print);
  if (status >= 0) return status;
  out.hasFrom = from->count() > 0;
  out.hasTo = to->count() > 0;
  out.hasFrames = frames->count() > 0;
  std::string reason;
  if (out.hasFrom && out.hasTo && !(out.to > out.from)) reason = "--to must be later than --from";
  const bool folder = outputIsFolder(out.out);
  if (!folder && !endsWith(out.out, ".mp4")) reason = "--out wants a FILE.mp4 or a folder, not '" + out.out + "'";
  // 4:2:0 colour halves both sides.
  if (!folder && !out.lossless && (out.width % 2 != 0 || out.height % 2 != 0))
    reason = "--size must be even for a 4:2:0 film; use --lossless or a PNG folder for odd sizes";
  return reason.empty() ? -1 : usageError(app, reason, error, print);
}

long flightFrames(double flightSeconds, int fps) {
  if (!(flightSeconds >= 0.0) || fps < 1) return 1;
  return static_cast<long>(std::floor(flightSeconds * fps + 1e-9)) + 1;
}

bool planFrames(const FilmOptions& options, double flightSeconds, FrameRange& range, std::string& error) {
  const long total = flightFrames(flightSeconds, options.fps);
  // A time on a frame's boundary belongs to that frame, despite rounding.
  auto frameAt = [&](double seconds) { return static_cast<long>(std::ceil(seconds * options.fps - 1e-6)); };
  range.first = 0;
  range.end = total;
  if (options.hasFrames) {
    range.first = options.firstFrame;
    if (options.endFrame >= 0) range.end = options.endFrame;
  } else {
    if (options.hasFrom) range.first = frameAt(options.from);
    if (options.hasTo) range.end = std::min(total, frameAt(options.to));
  }
  if (range.end > total) {
    error = "the flight has frames 0 to " + std::to_string(total - 1) + " at " + std::to_string(options.fps) +
            " frames/s; frame " + std::to_string(range.end - 1) + " is past its end";
    return false;
  }
  if (range.first >= range.end) {
    error = "no frames to render: the flight has frames 0 to " + std::to_string(total - 1) + " at " +
            std::to_string(options.fps) + " frames/s";
    return false;
  }
  return true;
}

double frameTime(long k, int fps) { return static_cast<double>(k) / fps; }

long frameSteps(long k, int fps, int stepRate) {
  return static_cast<long>(static_cast<long long>(k) * stepRate / fps);
}

std::string clockText(double seconds) {
  const long s = seconds > 0.0 ? static_cast<long>(seconds + 0.5) : 0;
  char text[32];
  if (s >= 3600)
    snprintf(text, sizeof text, "%ld:%02ld:%02ld", s / 3600, s / 60 % 60, s % 60);
  else
    snprintf(text, sizeof text, "%ld:%02ld", s / 60, s % 60);
  return text;
}

std::string progressLine(long done, long total, double elapsedSeconds) {
  const double rate = elapsedSeconds > 0.0 ? done / elapsedSeconds : 0.0;
  const long percent = total > 0 ? done * 100 / total : 100;
  std::string remaining = rate > 0.0 ? clockText((total - done) / rate) : std::string("?");
  char text[160];
  snprintf(text, sizeof text, "frame %ld/%ld (%ld%%), %.2f frames/s, elapsed %s, remaining %s", done, total,
           percent, rate, clockText(elapsedSeconds).c_str(), remaining.c_str());
  return text;
}

namespace {
// A word the shell passes through unchanged.
std::string shellWord(const std::string& text) {
  bool plain = !text.empty();
  for (char c : text)
    if (!(isalnum(static_cast<unsigned char>(c)) || c == '/' || c == '.' || c == '_' || c == '-' || c == ':' ||
          c == ','))
      plain = false;
  if (plain) return text;
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}
}  // namespace

std::string resumeOutput(const std::string& out, bool folder, long next) {
  if (folder) return out;
  const std::string stem = out.substr(0, out.size() - 4);  // ".mp4", checked by the parser
  return stem + "-from-" + std::to_string(next) + out.substr(out.size() - 4);
}

std::string resumeCommand(const std::string& program, const FilmOptions& options, const Quality& quality,
                          bool folder, long next, long end) {
  Quality preset;
  std::string command = shellWord(program) + " --out " + shellWord(resumeOutput(options.out, folder, next)) + " --size " +
                        std::to_string(options.width) + "x" + std::to_string(options.height) + " --fps " +
                        std::to_string(options.fps) + " --step-rate " + std::to_string(options.stepRate) +
                        " --seed " + std::to_string(options.seed);
  if (!folder) command += options.lossless ? " --lossless" : " --crf " + std::to_string(options.crf);
  if (presetQuality(quality.preset, preset)) command += " --quality " + quality.preset;
  command += " --passes " + std::to_string(quality.passes) + " --scale " + plainNumber(quality.scale);
  if (!options.utc.empty()) command += " --utc " + shellWord(options.utc);
  if (options.hasTimeRate) command += " --time-rate " + plainNumber(options.timeRate);
  if (options.verbose) command += " --verbose";
  return command + " --frames " + std::to_string(next) + ":" + std::to_string(end);
}
