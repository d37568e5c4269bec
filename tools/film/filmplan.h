// orbisk-film's plain-data core: its command line, which frames a run renders
// and what each frame shows, and the progress line.
#pragma once
#include <string>
#include <vector>

#include "render/quality.h"

struct FilmOptions {
  std::string out;  // FILE.mp4, or a folder for a numbered PNG sequence
  int width = 1280;
  int height = 720;
  int fps = 30;
  // Animation steps per second of flight: the film shows the program as it
  // looks at a steady stepRate frames a second (it never steps faster than
  // 100 a second).
  int stepRate = 60;
  unsigned int seed = 1;
  // Time range in seconds; the end is not included.
  bool hasFrom = false, hasTo = false;
  double from = 0.0, to = 0.0;
  // Frame range A:B, A included, B not; either end may be left out.
  bool hasFrames = false;
  long firstFrame = 0, endFrame = -1;  // -1: to the end of the flight
  // Exact RGB frames (H.264 4:4:4 at quantiser 0) instead of a small,
  // widely playable 4:2:0 film.
  bool lossless = false;
  int crf = 18;
  QualityOverrides quality;
  // --utc and --time-rate over config.ini's time and timeRate; main spells
  // out the instant and rate in force before a resume command is made.
  std::string utc;
  bool hasTimeRate = false;
  double timeRate = 1.0;
  // The program's own console lines too.
  bool verbose = false;
};

// Limits that keep a film finite.
constexpr int maxFilmFps = 240;
constexpr int maxStepRate = 100;
constexpr long maxFilmFrames = 10000000;

// Parses the arguments after the program name. Returns -1 to go on, 0 after
// --help or --version, 2 on a usage error (with the reason in *error; printed
// with the usage when print is set).
int parseFilmOptions(const std::vector<std::string>& args, FilmOptions& out, std::string* error = nullptr,
                     bool print = true);

// The synopsis and option list that --help prints.
std::string filmUsage();

// True when out names a folder (an existing one, or a name ending in '/').
bool outputIsFolder(const std::string& out);

// The frames of a run: first included, end not.
struct FrameRange {
  long first = 0;
  long end = 0;
};

// Frames of the whole flight at fps: one per 1/fps second from its start up
// to and including its end.
long flightFrames(double flightSeconds, int fps);
// The range the options ask for within a flight of flightSeconds; false with
// a reason when it is empty or reaches past the flight.
bool planFrames(const FilmOptions& options, double flightSeconds, FrameRange& range, std::string& error);

// Flight time that frame k shows.
double frameTime(long k, int fps);
// Animation steps taken before frame k: k * stepRate / fps, rounded down, the
// same whatever frame a run started at.
long frameSteps(long k, int fps, int stepRate);

// "frame 12/60 (20%), 2.31 frames/s, elapsed 0:05, remaining 0:21"; done
// counts frames finished of total.
std::string progressLine(long done, long total, double elapsedSeconds);
// "1:02:03" or "2:03".
std::string clockText(double seconds);

// Where the rest of an unfinished run goes: the same folder, or for an MP4 a
// new file beside the first, NAME-from-NEXT.mp4, to be joined with it.
std::string resumeOutput(const std::string& out, bool folder, long next);
// The command that renders frames next to end of a run that stopped: every
// option of the run, the quality it ran with spelt out (a config.ini edited
// meanwhile cannot change the rest), and --frames next:end last.
// program is the tool as it was started (argv[0]).
std::string resumeCommand(const std::string& program, const FilmOptions& options, const Quality& quality,
                          bool folder, long next, long end);
