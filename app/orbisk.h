// The application shell: start-up, the frame and shutdown.
#pragma once
#include <GL/glew.h>

#include <string>

#include "app/hotkeys.h"
#include "base/configfile.h"
#include "base/frameglobals.h"
#include "gpu/rendertargets.h"
#include "render/airtable.h"
#include "render/depthoffield.h"
#include "render/exposure.h"
#include "render/quality.h"
#include "render/skytextures.h"
#include "render/sunglow.h"
#include "render/textoverlay.h"
#include "scene/scene.h"
#include "scene/skyclock.h"

struct SceneLoading;

struct StartOptions {
  // A hidden window of the given size instead of the full-screen one
  // (offscreen tools and benchmarks).
  bool hidden = false;
  int width = 0;
  int height = 0;
  // Jitter seed; the calendar time when not fixed.
  bool fixedSeed = false;
  unsigned int seed = 0;
  // Quality asked for on a tool's command line, over config.ini's.
  QualityOverrides quality;
  // Print the quality line even when config.ini sets no quality key.
  bool announceQuality = false;
  // The sky asked for on a tool's command line, over config.ini's time and
  // timeRate: "now" or an instant (empty: config.ini's).
  std::string skyTime;
  bool hasTimeRate = false;
  double timeRate = 1.0;
};

// The hidden window a tool renders in, from the options orbisk-shot and
// orbisk-film share; fixedSeed: whether the tool's seed holds.
template <typename ToolOptions>
StartOptions toolStartOptions(const ToolOptions& options, bool fixedSeed) {
  StartOptions start;
  start.hidden = true;
  start.width = options.width;
  start.height = options.height;
  start.fixedSeed = fixedSeed;
  start.seed = options.seed;
  start.quality = options.quality;
  start.skyTime = options.utc;
  start.hasTimeRate = options.hasTimeRate;
  start.timeRate = options.timeRate;
  // Held back, the program's quality line is the tool's to print.
  start.announceQuality = options.verbose;
  return start;
}

struct Application {
  GLuint VertexArrayID = 0;
  // config.ini as read at start-up.
  ConfigFile configFile;
  // What the frame draws: the objects, the light, the stars.
  Scene scene;
  // Timer value at the top of the current frame: the scale of every input step.
  double frameStartTime = 0.0;
  DepthOfField dof;
  SunGlow sunGlow;
  // The camera's exposure, and the meter that reads the frame for it.
  Exposure exposure;
  ExposureMeter exposureMeter;
  // When the next meter reading is taken, on the scene clock: the frames
  // ease the automatic exposure by the time between readings. Negative:
  // the reading sets it outright.
  double exposureClock = -1.0;
  RenderTargets targets;
  // The hot keys' overlays and the loading screen's lines.
  TextOverlay textOverlay;
  // The sky's tables the frame reads, made at start-up.
  SkyTextures skyTextures;
  // The air the passes share, made once a frame.
  AirTable airTable;
  // The quality the frame runs at.
  Quality currentQuality;
  // What config.ini and the overrides asked for; F2 returns to it from fast.
  Quality configuredQuality;
  bool fastSwitched = false;  // F2 put the frame on fast
  HotKeys hotKeys;
  // The sky's time; in demo mode the design's animation moves the scene.
  SkyClock sky;
  // The process's status once the frames end: 1 when the render targets
  // could not be made again (a resize, F2).
  int exitStatus = 0;
};

// Everything up to "starting game loop!". Returns 0; -1 when the window
// library, the window or GLEW failed; 1 when a render target is incomplete
// (after the message naming it, with everything released and the window
// library ended).
int startUp(const StartOptions& options, Application& app);
// startUp in two halves around the scene's loading, for a caller that loads
// the scene a step a frame (the browser): beginStartUp readies `loading` for
// loadSceneStep; finishStartUp loads the sun glow and makes the targets.
// Each returns as startUp does.
int beginStartUp(const StartOptions& options, Application& app, SceneLoading& loading);
int finishStartUp(Application& app, const SceneLoading& loading);
// The parts of beginStartUp that live in the GL context (its fixed state,
// the vertex array, the text overlay) and the scene loading's start, for a
// context made again after it was lost. False after the ERROR line.
bool makeContextState(Application& app);
void beginSceneLoading(const ConfigFile& config, const Quality& quality, SceneLoading& loading);
// The passes of app.currentQuality and the composite onto the window; no buffer swap.
// The passes draw at app.exposure; the automatic exposure then reads the
// frame (at app.exposureClock) for the next.
void renderFrame(Application& app);
// For a still picture: the automatic exposure measured from one pass of the
// view as it stands and set outright, so that the frame drawn next is
// exposed for itself. A fixed exposure stays.
void exposeForView(Application& app);
// F2: between the configured quality and fast, the targets rebuilt at the
// new scale; prints the quality line. False when a target is incomplete.
bool toggleFastQuality(Application& app);
// Everything startUp made after the window opened, released in reverse order
// and zeroed; the window and its context stay. A second call releases nothing.
void releaseResources(Application& app);
// releaseResources, then the process-wide state back to its start values and
// the window library ended: startUp may run again.
void shutDown(Application& app);

enum class FollowedSize { Drawable, NoArea, TargetsFailed };
// Takes the window's current size for the targets, the viewport and the
// projection when it changed. NoArea while the window has no area;
// TargetsFailed when the targets could not be made at the new size.
FollowedSize followWindowSize(Application& app);

// One turn of the desktop loop: renders and presents one frame, runs the
// animation step and the hot keys; minimised, waits for events instead.
// False when the program is to end (Escape, the window closed, or targets
// that could not be made, with app.exitStatus 1). The desktop loop and a
// browser's animation callback both call it.
bool runOneFrame(Application& app);

// The Earth, the Moon, the light and the clouds' season as they stand at an instant.
void placeSky(Scene& scene, double tai);

// startUp, runOneFrame until it says stop, shutDown; the process status.
int runOrbisk();
