// orbisk-bench: runs the real scene (the program's own start-up, frame and
// passes) in a hidden window and prints where the frame time goes, one figure
// a line. Run in the run-time folder, like orbisk.
//
//   orbisk-bench [--size WxH] [--frames N] [--quality NAME] [--passes N] [--scale F]
#include <GL/glew.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "app/orbisk.h"
#include "base/configfile.h"
#include "cli/commandline.h"
#include "gpu/stagetimer.h"
#include "platform/platform.h"
#include "render/quality.h"
#include "scene/animation.h"

namespace {

constexpr int kWarmUpFrames = 2;
constexpr int kMaxFrames = 100000;

const char* kSynopsis =
    "usage: orbisk-bench [--size WxH] [--frames N] [--quality NAME] [--passes N] [--scale F]\n"
    "  Renders the scene of the current directory in a hidden window and prints\n"
    "  the frame time, its split by stage, start-up time and peak memory.\n";

struct BenchOptions {
  int width = 1024;
  int height = 768;
  int frames = 20;
  QualityOverrides quality;
};

// -1 to go on, else the exit status (help and version 0, usage errors 2).
int parseOptions(int argc, char** argv, BenchOptions& options) {
  CLI::App app("", "orbisk-bench");
  setUpCommandLine(app, kSynopsis);
  addSizeOption(app, options.width, options.height, "window size (default 1024x768)");
  app.add_option("--frames", options.frames, "measured frames after two warm-up frames (default 20)")
      ->check(within(1, kMaxFrames))
      ->type_name("N");
  addQualityOptions(app, options.quality);
  return parseCommandLine(app, std::vector<std::string>(argv + 1, argv + argc));
}

// Seconds since this process was started by the kernel, so that loading the
// program and its libraries counts too (10 ms resolution).
double secondsSinceProcessStart() {
  FILE* stat = fopen("/proc/self/stat", "r");
  if (stat == nullptr) return -1.0;
  char buffer[1024] = {};
  const size_t n = fread(buffer, 1, sizeof(buffer) - 1, stat);
  fclose(stat);
  buffer[n] = '\0';
  // The command name may hold spaces and parentheses: fields count from the last ')'.
  const char* p = strrchr(buffer, ')');
  if (p == nullptr) return -1.0;
  unsigned long long startTicks = 0;
  // Field 22 is the start time; after ')' come fields 3, 4, ...
  if (sscanf(p + 1, " %*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %*u %*u %*d %*d %*d %*d %*d %*d %llu",
             &startTicks) != 1)
    return -1.0;
  timespec now{};
  clock_gettime(CLOCK_BOOTTIME, &now);
  const double ticks = static_cast<double>(sysconf(_SC_CLK_TCK));
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9 -
         static_cast<double>(startTicks) / ticks;
}

double peakResidentMegabytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;  // kilobytes on Linux
}

// CPU time of all the process's threads (the renderer's own included).
double processCpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

double nowSeconds() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// GL_TIME_ELAPSED queries around each stage of one frame. The query names are
// made once; a frame's results are summed per stage after the frame.
class StageTimer {
 public:
  explicit StageTimer(size_t capacity) : queries(capacity), stages(capacity) {
    glGenQueries(static_cast<GLsizei>(capacity), queries.data());
    recorder.begin = [](void* self, FrameStage stage) { static_cast<StageTimer*>(self)->begin(stage); };
    recorder.end = [](void* self, FrameStage stage) { static_cast<StageTimer*>(self)->end(stage); };
    recorder.context = this;
  }
  ~StageTimer() { glDeleteQueries(static_cast<GLsizei>(queries.size()), queries.data()); }

  void install() { stageRecorder = &recorder; }
  void uninstall() { stageRecorder = nullptr; }
  void startFrame() {
    used = 0;
    overflow = false;
  }
  bool overflowed() const { return overflow; }

  // Milliseconds per stage of the frame just finished (waits for the results).
  std::array<double, kFrameStageCount> collect() {
    std::array<double, kFrameStageCount> ms{};
    for (size_t i = 0; i < used; ++i) {
      GLuint64 ns = 0;
      glGetQueryObjectui64v(queries[i], GL_QUERY_RESULT, &ns);
      ms[static_cast<size_t>(stages[i])] += static_cast<double>(ns) * 1e-6;
    }
    return ms;
  }

 private:
  void begin(FrameStage stage) {
    if (used >= queries.size()) {
      overflow = true;
      return;
    }
    stages[used] = stage;
    glBeginQuery(GL_TIME_ELAPSED, queries[used]);
    open = true;
  }
  void end(FrameStage) {
    if (!open) return;
    glEndQuery(GL_TIME_ELAPSED);
    open = false;
    ++used;
  }

  std::vector<GLuint> queries;
  std::vector<FrameStage> stages;
  size_t used = 0;
  bool open = false;
  bool overflow = false;
  StageRecorder recorder;
};

double median(std::vector<double> values) {
  if (values.empty()) return 0.0;
  std::sort(values.begin(), values.end());
  const size_t n = values.size();
  return n % 2 == 1 ? values[n / 2] : 0.5 * (values[n / 2 - 1] + values[n / 2]);
}

// One iteration of the program's frame loop, the buffer swap timed as a stage.
void runFrame(Application& app) {
  app.frameStartTime = platform::getTime();
  renderFrame(app);
  stageBegin(FrameStage::BufferSwap);
  platform::swapBuffers();
  stageEnd(FrameStage::BufferSwap);
  updateAnimation(app.scene);
  // The frame counts as shown once the GL has finished it.
  glFinish();
}

}  // namespace

int main(int argc, char** argv) {
  BenchOptions options;
  const int parsed = parseOptions(argc, argv, options);
  if (parsed >= 0) return parsed;

  // The program's own console lines go to standard error, so that standard
  // output holds only the figures.
  fflush(stdout);
  const int figures = dup(STDOUT_FILENO);
  if (figures < 0 || dup2(STDERR_FILENO, STDOUT_FILENO) < 0) {
    fprintf(stderr, "ERROR: cannot redirect standard output: %s\n", strerror(errno));
    return 1;
  }
  FILE* out = fdopen(figures, "w");
  if (out == nullptr) return 1;

  StartOptions start;
  start.hidden = true;
  start.width = options.width;
  start.height = options.height;
  start.fixedSeed = true;
  start.seed = 1;
  start.quality = options.quality;
  start.announceQuality = true;
  Application app;
  if (startUp(start, app) != 0) return 1;
  const double startupDone = secondsSinceProcessStart();
  if (windowWidth != options.width || windowHeight != options.height)
    fprintf(stderr, "WARNING: asked for %d x %d, the window has %d x %d\n", options.width, options.height,
            windowWidth, windowHeight);

  runFrame(app);
  const double startupToFirstFrame = secondsSinceProcessStart();
  for (int i = 1; i < kWarmUpFrames; ++i) runFrame(app);

  // Room for the sixteen passes' stage spans (eight each), the composite and the swap.
  StageTimer timer(16 * 12 + 8);
  timer.install();
  std::vector<double> frameMs;
  std::vector<std::array<double, kFrameStageCount>> stageMs;
  frameMs.reserve(static_cast<size_t>(options.frames));
  stageMs.reserve(static_cast<size_t>(options.frames));
  const double cpuBefore = processCpuSeconds();
  const long airTablesBefore = app.airTable.builds;
  for (int i = 0; i < options.frames; ++i) {
    timer.startFrame();
    const double t0 = nowSeconds();
    runFrame(app);
    frameMs.push_back((nowSeconds() - t0) * 1e3);
    stageMs.push_back(timer.collect());
  }
  const double cpuPerFrame = (processCpuSeconds() - cpuBefore) / options.frames;
  timer.uninstall();
  if (timer.overflowed()) fprintf(stderr, "WARNING: more stage spans than queries; stage figures are short\n");

  const char* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
  fprintf(out, "renderer: %s\n", renderer != nullptr ? renderer : "unknown");
  fprintf(out, "size: %dx%d\n", windowWidth, windowHeight);
  fprintf(out, "%s\n", describeQuality(app.currentQuality).c_str());
  fprintf(out, "frames: %d\n", options.frames);
  fprintf(out, "warmup_frames: %d\n", kWarmUpFrames);
  fprintf(out, "frame_ms_median: %.1f\n", median(frameMs));
  fprintf(out, "frame_ms_min: %.1f\n", *std::min_element(frameMs.begin(), frameMs.end()));
  fprintf(out, "frame_ms_max: %.1f\n", *std::max_element(frameMs.begin(), frameMs.end()));
  double stageSum = 0.0;
  for (int s = 0; s < kFrameStageCount; ++s) {
    std::vector<double> values;
    values.reserve(stageMs.size());
    for (const auto& frame : stageMs) values.push_back(frame[static_cast<size_t>(s)]);
    const double m = median(values);
    stageSum += m;
    fprintf(out, "stage_%s_ms: %.1f\n", frameStageName(static_cast<FrameStage>(s)), m);
  }
  fprintf(out, "stage_sum_ms: %.1f\n", stageSum);
  fprintf(out, "frame_cpu_ms_mean: %.1f\n", cpuPerFrame * 1e3);
  fprintf(out, "startup_ms: %.0f\n", startupDone * 1e3);
  fprintf(out, "startup_to_first_frame_ms: %.0f\n", startupToFirstFrame * 1e3);
  fprintf(out, "peak_rss_mb: %.1f\n", peakResidentMegabytes());
  // The passes' shared air: made once a frame at most, once for a view that stays.
  fprintf(out, "air_table: %s\n",
          app.airTable.inUse                          ? "read by the passes"
          : !app.airTable.enabled                     ? "off"
          : app.airTable.layout.reason.empty()        ? "not made"
                                                      : app.airTable.layout.reason.c_str());
  fprintf(out, "air_tables_made: %ld\n", app.airTable.builds - airTablesBefore);
  fflush(out);

  shutDown(app);
  fclose(out);
  return 0;
}
