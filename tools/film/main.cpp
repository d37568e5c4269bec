// orbisk-film: renders the scripted camera flight (what P flies), one full
// frame of the scene per film frame, offscreen, and writes it as an H.264 MP4
// or a numbered PNG sequence. Run in the run-time folder, like orbisk.
#include <GL/glew.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "cli/commandline.h"
#include "base/configfile.h"
#include "render/framecapture.h"
#include "cli/toolconsole.h"
#include "app/orbisk.h"
#include "platform/platform.h"
#include "render/quality.h"
#include "scene/animation.h"
#include "scene/camera.h"
#include "scene/object.h"
#include "scene/scene.h"
#include "tools/film/filmplan.h"
#include "tools/film/videoencoder.h"

namespace {

// A signal handler reaches only process-wide state.
volatile sig_atomic_t stopRequested = 0;
void requestStop(int) { stopRequested = 1; }

// Fails before the scene loads, not after a long render, when the output
// cannot be written. Leaves no empty file behind.
bool outputWritable(const std::string& path, bool folder) {
  if (folder) {
    if (mkdir(path.c_str(), 0777) != 0 && errno != EEXIST) {
      fprintf(stderr, "ERROR: cannot make the folder '%s': %s\n", path.c_str(), strerror(errno));
      return false;
    }
    if (access(path.c_str(), W_OK) != 0) {
      fprintf(stderr, "ERROR: cannot write into '%s': %s\n", path.c_str(), strerror(errno));
      return false;
    }
    return true;
  }
  return ::outputWritable(path);
}

std::string framePath(const std::string& folder, long k) {
  char name[32];
  snprintf(name, sizeof name, "frame-%06ld.png", k);
  return folder + (folder.back() == '/' ? "" : "/") + name;
}

// Frames done on stderr: one line rewritten in place on a terminal, a plain
// line every few seconds into a file or pipe.
class Progress {
 public:
  Progress(long total, double start) : total_(total), start_(start), terminal_(isatty(fileno(stderr)) != 0) {}
  void show(long done, double now) {
    const bool last = done == total_;
    if (terminal_) {
      fprintf(stderr, "\r%s\033[K%s", progressLine(done, total_, now - start_).c_str(), last ? "\n" : "");
    } else if (last || done == 1 || now - lastLine_ >= 10.0) {
      fprintf(stderr, "%s\n", progressLine(done, total_, now - start_).c_str());
      lastLine_ = now;
    }
  }
  // Ends a line left open on a terminal.
  void interrupt(long done, double now) {
    if (terminal_) fprintf(stderr, "\n");
    else fprintf(stderr, "%s\n", progressLine(done, total_, now - start_).c_str());
  }

 private:
  long total_;
  double start_;
  bool terminal_;
  double lastLine_ = 0.0;
};

}  // namespace

// "frames 3 to 7 (5 frames)", "frame 3 (1 frame)".
std::string framesText(long first, long count) {
  if (count <= 0) return "no frames";
  if (count == 1) return "frame " + std::to_string(first) + " (1 frame)";
  return "frames " + std::to_string(first) + " to " + std::to_string(first + count - 1) + " (" +
         std::to_string(count) + " frames)";
}

int main(int argc, char** argv) {
  setvbuf(stdout, nullptr, _IOLBF, 0);
  FilmOptions options;
  const int parsed = parseFilmOptions(std::vector<std::string>(argv + 1, argv + argc), options);
  if (parsed >= 0) return parsed;
  const bool folder = outputIsFolder(options.out);
  if (!outputWritable(options.out, folder)) return 1;
  QuietConsole quiet(!options.verbose);

  // One seed for every frame: frame k matches orbisk-shot with the same --seed.
  const StartOptions start = toolStartOptions(options, true);
  Application app;
  if (startUp(start, app) != 0) return 1;
  if (!options.verbose) fprintf(toolOut(), "%s\n", describeQuality(app.currentQuality).c_str());
  if (windowWidth != options.width || windowHeight != options.height) {
    fprintf(stderr, "ERROR: asked for %d x %d, the window has %d x %d\n", options.width, options.height,
            windowWidth, windowHeight);
    shutDown(app);
    return 1;
  }
  const Object* eyePath = camera.getEyePath();
  if (eyePath == nullptr || camera.getLookAtPath() == nullptr) {
    fprintf(stderr, "ERROR: the film needs both camera paths, and they did not load\n");
    shutDown(app);
    return 1;
  }
  const unsigned int points = eyePath->lineMesh.pointCount();
  const double flightSeconds = points > 1 ? points - 1.0 : 0.0;
  FrameRange range;
  std::string error;
  if (!planFrames(options, flightSeconds, range, error)) {
    fprintf(stderr, "ERROR: %s\n%s", error.c_str(), filmUsage().c_str());
    shutDown(app);
    return 2;
  }
  fprintf(toolOut(), "flight %.0f s: frames %ld to %ld of 0 to %ld at %d frames/s, %d animation steps/s\n",
          flightSeconds, range.first, range.end - 1, flightFrames(flightSeconds, options.fps) - 1, options.fps,
          options.stepRate);
  // The quality in force now, before anything could change it.
  const Quality quality = app.currentQuality;
  // Frame k shows the sky of the film's first instant plus its flight time
  // at the rate; a resumed run gets that instant and rate spelt out.
  const SkyClock sky = app.sky;
  if (sky.active()) {
    options.utc = formatUtc(sky.anchorTai);
    options.hasTimeRate = true;
    options.timeRate = sky.rate;
    fprintf(toolOut(), "sky from %s at %s sky seconds a film second\n", options.utc.c_str(),
            plainNumber(sky.rate).c_str());
  }

  VideoEncoder video;
  if (!folder) {
    VideoSettings settings;
    settings.width = windowWidth;
    settings.height = windowHeight;
    settings.fps = options.fps;
    settings.lossless = options.lossless;
    settings.crf = options.crf;
    settings.plannedFrames = range.end - range.first;
    if (!video.open(options.out, settings, error)) {
      fprintf(stderr, "ERROR: %s\n", error.c_str());
      shutDown(app);
      return 1;
    }
  }
  // Ctrl-C (or a TERM from a job runner) ends the film after the frame in hand.
  struct sigaction stop {};
  stop.sa_handler = requestStop;
  sigemptyset(&stop.sa_mask);
  sigaction(SIGINT, &stop, nullptr);
  sigaction(SIGTERM, &stop, nullptr);

  // The objects stand where frame k's steps put them, counted from the start
  // of the flight, so a range starting anywhere sees the same scene.
  long stepsTaken = 0;
  const long total = range.end - range.first;
  Progress progress(total, platform::getTime());
  bool failed = false;
  long k = range.first;
  for (; k < range.end && !stopRequested; ++k) {
    for (const long steps = frameSteps(k, options.fps, options.stepRate); stepsTaken < steps; ++stepsTaken)
      stepSceneObjects(app.scene.earth, app.scene.moon, app.scene.missile);
    placeCameraOnPath(frameTime(k, options.fps));
    if (sky.active()) placeSky(app.scene, sky.anchorTai + frameTime(k, options.fps) * sky.rate);
    // Each frame exposed for itself, as orbisk-shot exposes it: a resumed
    // film matches the one run whole.
    exposeForView(app);
    renderFrame(app);
    std::vector<unsigned char> pixels = readWindowPixels(windowWidth, windowHeight);
    // A GL error means a draw did not happen (a shader that failed to build
    // leaves its program 0): the frame would be wrong, often black.
    if (const GLenum glError = glGetError(); glError != GL_NO_ERROR) {
      fprintf(stderr, "ERROR: GL error 0x%x in frame %ld; it is not written\n", glError, k);
      failed = true;
      break;
    }
    // The first frame that cannot be written ends the film (writePng names
    // the file and the reason).
    if (folder ? !writePng(framePath(options.out, k), windowWidth, windowHeight, pixels)
               : !video.addFrame(pixels.data(), error)) {
      if (!folder) fprintf(stderr, "ERROR: %s\n", error.c_str());
      failed = true;
      break;
    }
    progress.show(k - range.first + 1, platform::getTime());
  }
  const bool interrupted = !failed && k < range.end;
  if (failed || interrupted) progress.interrupt(k - range.first, platform::getTime());
  // Frames that are in the output: all rendered and written in a folder; in
  // an MP4 those whose packets reached the file.
  long done = k - range.first;
  bool kept = true;
  if (!folder) {
    const bool complete = video.close(error);
    if (!complete && !failed) fprintf(stderr, "ERROR: %s\n", error.c_str());
    failed = failed || !complete;
    kept = video.fileKept();
    done = kept ? video.framesInFile() : 0;
  }
  shutDown(app);
  quiet.release();

  const std::string resume = resumeCommand(argv[0], options, quality, folder, range.first + done, range.end);
  if (failed) {
    if (done == 0 || !kept)
      fprintf(stderr, "stopped: no frame was written; render them with: %s\n", resume.c_str());
    else
      fprintf(stderr, "stopped: %s holds %s%s; render the rest with: %s\n", options.out.c_str(),
              framesText(range.first, done).c_str(), folder ? "" : ", playable", resume.c_str());
    return 1;
  }
  fprintf(toolOut(), "wrote %s: %s, %dx%d, %d frames/s\n", options.out.c_str(),
          framesText(range.first, done).c_str(), options.width, options.height, options.fps);
  if (interrupted) {
    fprintf(stderr, "interrupted: %s holds %s; resume with: %s\n", options.out.c_str(),
            framesText(range.first, done).c_str(), resume.c_str());
    return 130;
  }
  return 0;
}
