// The application shell: start-up, the frame and shutdown.
#pragma once
#include <GL/glew.h>

#include "app/frameglobals.h"
#include "render/depthoffield.h"
#include "render/quality.h"

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
};

struct Application {
  GLuint VertexArrayID = 0;
  DepthOfField dof;
  // What config.ini and the overrides asked for; F2 returns to it from fast.
  Quality configuredQuality;
  bool fastSwitched = false;  // F2 put the frame on fast
};

// Everything up to "starting game loop!". Returns 0, or -1 when the window
// library, the window or GLEW failed (after the message).
int startUp(const StartOptions& options, Application& app);
// The passes of currentQuality and the composite onto the window; no buffer swap.
void renderFrame(Application& app);
// F2: between the configured quality and fast, the targets rebuilt at the
// new scale; prints the quality line.
void toggleFastQuality(Application& app);
// Everything startUp made after the window opened, released in reverse order
// and zeroed; the window and its context stay. A second call releases nothing.
void releaseResources(Application& app);
// releaseResources, then the process-wide state back to its start values and
// the window library ended: startUp may run again.
void shutDown(Application& app);

// Takes the window's current size for the targets, the viewport and the
// projection when it changed; false while the window has no area (minimised).
bool followWindowSize();

int runOrbisk();
