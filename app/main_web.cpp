// The browser build's shell: the page hands over its canvas size and address,
// config.ini is written with the address's settings, the scene loads one
// object an animation frame, then one frame per animation frame. With
// ?path-time=T (and seed, steps) the page renders the one picture orbisk-shot
// renders and holds still. A lost WebGL context releases everything; its
// restoration loads it all again and puts the view back where it was.
#include <emscripten.h>
#include <emscripten/html5.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <exception>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/canvasfit.h"
#include "app/hotkeys.h"
#include "app/inputhandler.h"
#include "app/loadingscreen.h"
#include "app/orbisk.h"
#include "base/configfile.h"
#include "cli/pageaddress.h"
#include "cli/shotoptions.h"
#include "cli/urlsettings.h"
#include "platform/platform.h"
#include "platform/platform_web.h"
#include "render/framecapture.h"
#include "render/quality.h"
#include "render/sunglow.h"
#include "scene/animation.h"
#include "scene/camera.h"
#include "scene/scene.h"
#include "scene/sceneclock.h"

extern "C" {
void orbisk_offer_download(const char* path);
void orbisk_picture_complete();
int orbisk_context_is_lost();
void orbisk_enable_extensions();
}

namespace {

// Ended: the still picture is complete or the program failed; Lost: the
// WebGL context is gone and nothing can be drawn until it comes back.
enum class Phase { Loading, Running, Still, Lost, Ended };

// What a lost context must not take away: where the camera is (its flight
// among it) and where the moving objects are.
struct SavedView {
  bool valid = false;
  Camera camera;
  std::vector<glm::mat4> matrices;
};

struct Page {
  Application app;
  Phase phase = Phase::Loading;
  Phase beforeLoss = Phase::Loading;  // where a restored context returns to
  bool restoring = false;             // the loading remakes a lost context's resources
  bool looping = false;
  SceneLoading loading;
  bool software = false;
  bool startFast = false;  // a software renderer: fast, as F2 gives it
  bool shot = false;       // ?path-time: one picture, then still
  int stillFrames = 0;     // frames since the shot's picture was drawn
  ShotOptions shotOptions;
  platform::DisplayLimits limits;  // the context's, read by the page before start
  std::string reportedQuality;
  SavedView saved;
};
// The browser calls back through emscripten with no receiver of ours.
Page page;

std::vector<Object**> movingObjects() {
  Scene& s = page.app.scene;
  return {&s.envCube, &s.earth, &s.moon, &s.missile, &s.atmosphere, &s.shadowCone};
}

std::string readText(const char* path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

bool writeText(const char* path, const std::string& text) {
  FILE* f = fopen(path, "wb");
  if (f == nullptr) return false;
  const bool written = fwrite(text.data(), 1, text.size(), f) == text.size();
  return fclose(f) == 0 && written;
}

// The page's buttons and note follow the state: "loading", "running",
// "still", "lost" or "error".
void tellPage(const char* state) {
  EM_ASM({ if (Module['orbiskState']) Module['orbiskState'](UTF8ToString($0)); }, state);
}

void guardedFrame();

// The loop ends after the still picture; a restored context starts it again.
void startLoop() {
  if (page.looping) return;
  page.looping = true;
  emscripten_set_main_loop(guardedFrame, 0, false);
}

void stopLoop() {
  if (!page.looping) return;
  page.looping = false;
  emscripten_cancel_main_loop();
}

void end(bool failed) {
  page.phase = Phase::Ended;
  stopLoop();
  if (failed) tellPage("error");
}

// Nothing may be thrown into the page's JavaScript: it would end the
// program with a bare number on the page.
template <typename F>
void guarded(const char* where, F&& call) {
  try {
    call();
  } catch (const std::exception& e) {
    fprintf(stderr, "ERROR: the program stopped (%s): %s\n", where, e.what());
    end(true);
  } catch (...) {
    fprintf(stderr, "ERROR: the program stopped (%s)\n", where);
    end(true);
  }
}

// F12 writes its picture into the working folder; the page downloads it.
void offerSavedPictures() {
  DIR* dir = opendir(".");
  if (dir == nullptr) return;
  std::vector<std::string> names;
  while (dirent* entry = readdir(dir)) {
    const std::string name = entry->d_name;
    if (name.rfind("orbisk-", 0) == 0 && name.size() > 4 && name.compare(name.size() - 4, 4, ".png") == 0)
      names.push_back(name);
  }
  closedir(dir);
  for (const std::string& name : names) orbisk_offer_download(name.c_str());
}

// Progress for the page's bar: steps done of all, and what comes next.
void reportProgress(int done, const std::string& next) {
  const int total = SceneLoading::kSteps + 1;  // the objects, then the sun glow and the targets
  EM_ASM({ if (Module['orbiskLoading']) Module['orbiskLoading']($0, $1, UTF8ToString($2)); }, done, total, next.c_str());
}

// The page's note names the quality in force and what F2 gives instead.
void reportQuality() {
  const std::string now = describeQuality(page.app.currentQuality);
  if (now == page.reportedQuality) return;
  page.reportedQuality = now;
  Quality other = page.app.configuredQuality;
  if (!page.app.fastSwitched) presetQuality("fast", other);
  const std::string f2 = describeQuality(other).substr(std::string("quality: ").size());
  EM_ASM({ if (Module['orbiskQuality']) Module['orbiskQuality'](UTF8ToString($0), UTF8ToString($1)); }, now.c_str(),
         f2.c_str());
}

// The drawing size for a canvas of width x height device pixels, and the
// page's line when it is smaller.
CanvasFit fitToContext(int width, int height) {
  const CanvasFit fit = fitCanvas(width, height, page.limits);
  const std::string note = canvasFitNote(fit, width, height);
  if (fit.reduced) fprintf(stderr, "WARNING: %s\n", note.c_str());
  EM_ASM({ if (Module['orbiskCanvasNote']) Module['orbiskCanvasNote'](UTF8ToString($0)); }, note.c_str());
  return fit;
}

void saveView() {
  page.saved = SavedView();
  if (page.app.scene.earth == nullptr) return;  // lost while loading: the loading starts over
  page.saved.valid = true;
  page.saved.camera = camera;
  for (Object** object : movingObjects()) page.saved.matrices.push_back(*object ? (*object)->modelMatrix : glm::mat4(1.0f));
}

void restoreView() {
  if (!page.saved.valid) return;
  Object* eyePath = camera.getEyePath();
  Object* lookAtPath = camera.getLookAtPath();
  camera = page.saved.camera;
  camera.setEyePath(eyePath);
  camera.setLookAtPath(lookAtPath);
  const std::vector<Object**> objects = movingObjects();
  for (size_t i = 0; i < objects.size(); ++i)
    if (*objects[i]) (*objects[i])->modelMatrix = page.saved.matrices[i];
}

// The context is gone: every GL name the program holds is dead. They are
// released now, while the browser ignores the calls, so that a restored
// context starts from nothing.
void contextLost() {
  if (page.phase == Phase::Lost || (page.phase == Phase::Ended && !(page.shot && page.stillFrames > 0))) return;
  printf("DEBUG: the WebGL context was lost; waiting for the browser to restore it\n");
  pauseSceneClock(page.app.scene.clock);
  // Lost again while restoring: what was saved the first time still holds.
  if (!(page.phase == Phase::Loading && page.restoring)) {
    page.beforeLoss = page.phase == Phase::Ended ? Phase::Still : page.phase;
    if (page.beforeLoss != Phase::Loading) saveView();
  }
  releaseResources(page.app);
  page.phase = Phase::Lost;
  tellPage("lost");
}

void contextRestored() {
  if (page.phase != Phase::Lost) return;
  printf("DEBUG: the WebGL context is back; loading the scene again\n");
  orbisk_enable_extensions();
  platform::getWindowSize(&windowWidth, &windowHeight);
  if (!makeContextState(page.app)) {
    end(true);
    return;
  }
  beginSceneLoading(page.app.configFile, page.app.currentQuality, page.loading);
  // Lost during the first loading: that loading starts over as it was.
  page.restoring = page.beforeLoss != Phase::Loading;
  page.phase = Phase::Loading;
  tellPage("loading");
  const std::string first = page.loading.status();
  if (!first.empty()) showLoadingScreen(page.app.textOverlay, first.c_str());
  reportProgress(0, first);
  startLoop();
}

// One step of the loading a frame: each object in a frame of its own, the
// loading screen (and the page's bar) showing the next between them.
void loadingFrame() {
  if (!page.loading.done()) {
    loadSceneStep(page.app.scene, page.loading);
    const std::string next = page.loading.done() ? sunGlowLoadingLine() : page.loading.status();
    if (!next.empty()) showLoadingScreen(page.app.textOverlay, next.c_str());
    reportProgress(page.loading.step, next);
    return;
  }
  if (finishStartUp(page.app, page.loading) != 0) {
    end(true);
    return;
  }
  reportProgress(SceneLoading::kSteps + 1, "");
  if (page.restoring) {
    page.restoring = false;
    restoreView();
    page.phase = page.beforeLoss;
    page.stillFrames = 0;
    printf("DEBUG: the picture is restored\n");
    tellPage(page.phase == Phase::Still ? "still" : "running");
    return;
  }
  if (page.startFast && !toggleFastQuality(page.app)) {
    end(true);
    return;
  }
  page.phase = Phase::Running;
  tellPage(page.shot ? "still" : "running");
  if (!page.shot) return;
  Scene& scene = page.app.scene;
  for (long i = 0; i < page.shotOptions.steps; ++i) stepSceneObjects(scene.earth, scene.moon, scene.missile);
  if (!placeCameraOnPath(page.shotOptions.pathTime)) {
    end(true);
    return;
  }
  // The sky as orbisk-shot shows it at this flight time.
  const SkyClock& sky = page.app.sky;
  if (sky.active()) placeSky(page.app.scene, sky.anchorTai + page.shotOptions.pathTime * sky.rate);
  page.phase = Phase::Still;
}

// The read-out's glyphs in drawing pixels per CSS pixel, so that a high
// pixel ratio does not shrink them (the drawing size may be clamped).
void followPixelScale() {
  double cssWidth = 0.0, cssHeight = 0.0;
  if (emscripten_get_element_css_size("#canvas", &cssWidth, &cssHeight) == EMSCRIPTEN_RESULT_SUCCESS && cssWidth > 0.0)
    page.app.hotKeys.pixelScale = static_cast<float>(windowWidth / cssWidth);
}

void frame() {
  // The browser tells of a lost context by an event some frames later;
  // until then every call would draw nothing and read zeros.
  if (page.phase != Phase::Lost && page.phase != Phase::Ended && orbisk_context_is_lost()) contextLost();
  switch (page.phase) {
    case Phase::Loading:
      loadingFrame();
      return;
    case Phase::Still:
      // The picture drawn on the frame before has been shown; nothing is
      // drawn again, so it stays.
      if (page.stillFrames++ == 0) {
        exposeForView(page.app);
        renderFrame(page.app);
        return;
      }
      printf("DEBUG: the picture is complete (%d x %d)\n", windowWidth, windowHeight);
      orbisk_picture_complete();
      page.phase = Phase::Ended;
      stopLoop();
      return;
    case Phase::Running:
      followPixelScale();
      // Escape only releases the pointer here; the page ends when it is
      // closed, or when the targets cannot be made (after their ERROR).
      if (!runOneFrame(page.app) && page.app.exitStatus != 0) {
        end(true);
        return;
      }
      reportQuality();
      offerSavedPictures();
      return;
    case Phase::Lost:
    case Phase::Ended:
      return;
  }
}

void guardedFrame() {
  guarded("a frame", frame);
}

int startPage(int argc, char** argv) {
  int width = 1024, height = 768;
  std::string query;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--size" && i + 2 < argc) {
      width = atoi(argv[i + 1]);
      height = atoi(argv[i + 2]);
      i += 2;
    } else if (a == "--limits" && i + 4 < argc) {
      page.limits.viewportWidth = atoi(argv[i + 1]);
      page.limits.viewportHeight = atoi(argv[i + 2]);
      page.limits.renderbufferSize = atoi(argv[i + 3]);
      page.limits.textureSize = atoi(argv[i + 4]);
      i += 4;
    } else if (a == "--software") {
      page.software = true;
    } else if (a == "--query" && i + 1 < argc) {
      query = argv[++i];
    }
  }
  const CanvasFit fit = fitToContext(width, height);
  width = fit.width;
  height = fit.height;
  EM_ASM({ Module['orbiskScreen'] = Array.of($0, $1); }, width, height);

  PageAddress address = readPageAddress(query, width, height);
  std::vector<std::string>& warnings = address.warnings;
  page.shot = address.shot;
  page.shotOptions = address.shotOptions;
  // Without a GPU the full look costs seconds a frame: fast unless asked.
  // As F2 does it, so that F2 gives the configured look back.
  page.startFast = page.software && !address.qualityGiven && !page.shot;
  if (page.startFast) printf("DEBUG: software WebGL renderer: starting in fast (F2 or ?quality=full gives the full look)\n");
  std::vector<UrlParameter> settings = address.settings;
  settings.push_back({"width", std::to_string(width)});
  settings.push_back({"height", std::to_string(height)});
  settings.push_back({"fullscreen", "0"});
  const std::string ini = applyUrlSettings(readText("config.ini"), settings, warnings);
  for (const std::string& w : warnings) fprintf(stderr, "%s\n", w.c_str());
  if (!writeText("config.ini", ini)) fprintf(stderr, "ERROR: could not write config.ini in the page's memory\n");

  StartOptions options;
  if (page.shot) {
    options.fixedSeed = page.shotOptions.hasSeed;
    options.seed = page.shotOptions.seed;
    options.announceQuality = true;
  }
  if (beginStartUp(options, page.app, page.loading) != 0) {
    tellPage("error");
    return 1;
  }
  tellPage("loading");
  const std::string first = page.loading.status();
  if (!first.empty()) showLoadingScreen(page.app.textOverlay, first.c_str());
  reportProgress(0, first);
  startLoop();
  return 0;
}

}  // namespace

extern "C" {
EMSCRIPTEN_KEEPALIVE void orbisk_resize(int width, int height) {
  guarded("a resize", [&] {
    if (page.shot) return;
    const CanvasFit fit = fitToContext(width, height);
    EM_ASM({ Module['orbiskScreen'] = Array.of($0, $1); }, fit.width, fit.height);
    platform::resizeWindow(fit.width, fit.height);
  });
}
// Touch and pointer-lock motion: a turn by (dx, dy) pointer units, as a
// pointer moved that far from the centre.
EMSCRIPTEN_KEEPALIVE void orbisk_turn(int dx, int dy) {
  guarded("a turn", [&] {
    if (page.phase != Phase::Running) return;
    int w = 0, h = 0;
    platform::getPointerAreaSize(&w, &h);
    platform::injectMousePos(w / 2 + dx, h / 2 + dy);
  });
}
// Wheel, touchpad and pinch, in notches (fractions add up).
EMSCRIPTEN_KEEPALIVE void orbisk_wheel(double notches) {
  guarded("the wheel", [&] {
    if (page.phase == Phase::Running) platform::injectMouseWheel(notches);
  });
}
// A key as the keyboard would deliver it (the page's buttons).
EMSCRIPTEN_KEEPALIVE void orbisk_key(int key, int action) {
  guarded("a key", [&] {
    if (page.phase == Phase::Running) platform::injectKey(key, action);
  });
}
EMSCRIPTEN_KEEPALIVE void orbisk_save_picture() {
  guarded("saving the picture", [&] {
    if (page.phase == Phase::Running) ++page.app.hotKeys.picturesPending;
  });
}
// The page is hidden or frozen: no frame comes until it is shown, and the
// flight and the animation wait for it (the next frame resumes them).
EMSCRIPTEN_KEEPALIVE void orbisk_pause() {
  guarded("a pause", [] { pauseSceneClock(page.app.scene.clock); });
}
EMSCRIPTEN_KEEPALIVE double orbisk_scene_time() { return sceneTime(page.app.scene.clock); }
EMSCRIPTEN_KEEPALIVE void orbisk_context_lost() {
  guarded("a lost context", contextLost);
}
EMSCRIPTEN_KEEPALIVE void orbisk_context_restored() {
  guarded("a restored context", contextRestored);
}
}

// Arguments from the page: the canvas size in device pixels, the context's
// size limits, whether the renderer is a software one, and the address's
// query string.
int main(int argc, char** argv) {
  setvbuf(stdout, nullptr, _IOLBF, 0);
  int status = 1;
  guarded("the start", [&] { status = startPage(argc, argv); });
  return status;
}
