// The browser build's shell: the page hands over its canvas size and address,
// config.ini is written with the address's settings, the scene loads one
// object an animation frame, then one frame per animation frame. With ?path-time=T (and seed, steps) the page renders the
// one picture orbisk-shot renders and holds still.
#include <emscripten.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/configfile.h"
#include "app/framecapture.h"
#include "app/hotkeys.h"
#include "app/orbisk.h"
#include "app/shotoptions.h"
#include "app/urlsettings.h"
#include "camera/animation.h"
#include "camera/inputhandler.h"
#include "effects/loadingscreen.h"
#include "platform/platform.h"
#include "platform/platform_web.h"
#include "scene/scene.h"

extern "C" {
void orbisk_offer_download(const char* path);
void orbisk_picture_complete();
}

namespace {

enum class Phase { Loading, Running, Still, Ended };

struct Page {
  Application app;
  Phase phase = Phase::Loading;
  SceneLoading loading;
  bool startFast = false;  // a software renderer: fast, as F2 gives it
  bool shot = false;       // ?path-time: one picture, then still
  int stillFrames = 0;     // frames since the shot's picture was drawn
  ShotOptions shotOptions;
};
Page page;

// The address's own parameters, as orbisk-shot's options of the same names.
const char* const kShotParameters[] = {"path-time", "seed", "steps"};

bool isShotParameter(const std::string& key) {
  for (const char* k : kShotParameters)
    if (key == k) return true;
  return false;
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

// One step of the loading a frame: each object in a frame of its own, the
// loading screen (and the page's bar) showing the next between them.
void loadingFrame() {
  if (!page.loading.done()) {
    loadSceneStep(page.loading);
    const std::string next = page.loading.done() ? "loading sun glow: " : page.loading.status();
    if (!next.empty()) showLoadingScreen(next.c_str());
    reportProgress(page.loading.step, next);
    return;
  }
  if (finishStartUp(page.app) != 0) {
    page.phase = Phase::Ended;
    emscripten_cancel_main_loop();
    return;
  }
  reportProgress(SceneLoading::kSteps + 1, "");
  if (page.startFast && !toggleFastQuality(page.app)) {
    page.phase = Phase::Ended;
    emscripten_cancel_main_loop();
    return;
  }
  page.phase = Phase::Running;
  if (!page.shot) return;
  for (long i = 0; i < page.shotOptions.steps; ++i) stepSceneObjects(earth, moon, missile);
  if (!placeCameraOnPath(page.shotOptions.pathTime)) {
    page.phase = Phase::Ended;
    emscripten_cancel_main_loop();
    return;
  }
  // The sky as orbisk-shot shows it at this flight time.
  const SkyClock& sky = page.app.sky;
  if (sky.active()) placeSky(sky.anchorTai + page.shotOptions.pathTime * sky.rate);
  page.phase = Phase::Still;
}

void frame() {
  switch (page.phase) {
    case Phase::Loading:
      loadingFrame();
      return;
    case Phase::Still:
      // The picture drawn on the frame before has been shown; nothing is
      // drawn again, so it stays.
      if (page.stillFrames++ == 0) {
        renderFrame(page.app);
        return;
      }
      printf("DEBUG: the picture is complete (%d x %d)\n", windowWidth, windowHeight);
      orbisk_picture_complete();
      page.phase = Phase::Ended;
      emscripten_cancel_main_loop();
      return;
    case Phase::Running:
      // Escape only releases the pointer here; the page ends when it is
      // closed, or when the targets cannot be made (after their ERROR).
      if (!runOneFrame(page.app) && page.app.exitStatus != 0) {
        page.phase = Phase::Ended;
        emscripten_cancel_main_loop();
      }
      offerSavedPictures();
      return;
    case Phase::Ended:
      return;
  }
}

}  // namespace

extern "C" {
EMSCRIPTEN_KEEPALIVE void orbisk_resize(int width, int height) {
  if (!page.shot) platform::resizeWindow(width, height);
}
// Touch and pointer-lock motion: a turn by (dx, dy) pointer units, as a
// pointer moved that far from the centre.
EMSCRIPTEN_KEEPALIVE void orbisk_turn(int dx, int dy) {
  if (page.phase != Phase::Running) return;
  int w = 0, h = 0;
  platform::getPointerAreaSize(&w, &h);
  platform::injectMousePos(w / 2 + dx, h / 2 + dy);
}
// Wheel, touchpad and pinch, in notches (fractions add up).
EMSCRIPTEN_KEEPALIVE void orbisk_wheel(double notches) {
  if (page.phase == Phase::Running) platform::injectMouseWheel(notches);
}
// A key as the keyboard would deliver it (the page's buttons).
EMSCRIPTEN_KEEPALIVE void orbisk_key(int key, int action) {
  if (page.phase == Phase::Running) platform::injectKey(key, action);
}
EMSCRIPTEN_KEEPALIVE void orbisk_save_picture() {
  if (page.phase == Phase::Running) ++page.app.hotKeys.picturesPending;
}
}

// Arguments from the page: the canvas size in device pixels, whether the
// renderer is a software one, and the address's query string.
int main(int argc, char** argv) {
  setvbuf(stdout, nullptr, _IOLBF, 0);
  int width = 1024, height = 768;
  bool software = false;
  std::string query;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--size" && i + 2 < argc) {
      width = atoi(argv[i + 1]);
      height = atoi(argv[i + 2]);
      i += 2;
    } else if (a == "--software") {
      software = true;
    } else if (a == "--query" && i + 1 < argc) {
      query = argv[++i];
    }
  }

  std::vector<UrlParameter> settings;
  std::vector<std::string> shotArgs;
  bool qualityGiven = false;
  for (const UrlParameter& p : parseQueryString(query)) {
    if (isShotParameter(p.key)) {
      shotArgs.push_back("--" + p.key);
      shotArgs.push_back(p.value);
    } else if (p.key == "s3tc") {
      // The page's own: it hides the compressed texture extension.
    } else if (p.key == "width" || p.key == "height" || p.key == "fullscreen") {
      // The page decides these: the canvas fills the window.
      fprintf(stderr, "WARNING: the address sets %s; the page's size serves\n", p.key.c_str());
    } else {
      qualityGiven = qualityGiven || p.key == "quality" || p.key == "depthOfFieldPasses" || p.key == "renderScale";
      settings.push_back(p);
    }
  }
  std::vector<std::string> warnings;
  if (!shotArgs.empty()) {
    shotArgs.insert(shotArgs.end(), {"--size", std::to_string(width) + "x" + std::to_string(height), "--out", "x.png"});
    std::string error;
    if (std::find(shotArgs.begin(), shotArgs.end(), "--path-time") == shotArgs.end()) {
      warnings.push_back("WARNING: seed and steps in the address need path-time; the page runs as usual");
    } else if (!parseShotOptions(shotArgs, page.shotOptions, error)) {
      warnings.push_back("WARNING: the address's picture settings are refused (" + error + "); the page runs as usual");
    } else {
      page.shot = true;
    }
  }
  // Without a GPU the full look costs seconds a frame: fast unless asked.
  // As F2 does it, so that F2 gives the configured look back.
  page.startFast = software && !qualityGiven && !page.shot;
  if (page.startFast) printf("DEBUG: software WebGL renderer: starting in fast (F2 or ?quality=full gives the full look)\n");
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
  if (beginStartUp(options, page.app, page.loading) != 0) return 1;
  const std::string first = page.loading.status();
  if (!first.empty()) showLoadingScreen(first.c_str());
  reportProgress(0, first);
  emscripten_set_main_loop(frame, 0, false);
  return 0;
}
