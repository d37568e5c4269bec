// Keeps the driver's queue of submitted but unfinished passes short.
//
// A software rasteriser (Mesa's llvmpipe) bins each pass on the calling
// thread while its own threads shade the passes before it; every pass in
// flight holds its binned work in a pool that grows to the deepest queue a
// run has reached and is never given back. A long frame of sixteen passes
// let that pool grow by some 20 MB over minutes (more as the camera met
// heavier frames); waiting for the pass before the one just submitted keeps
// it at two passes. A hardware driver keeps the pass just submitted busy
// while the wait returns. The browser cannot wait (WebGL's wait timeout is
// zero) and queues for itself: there the pacer does nothing.
#pragma once
#include <GL/glew.h>

struct PassPacer {
  GLsync previous = nullptr;
};

// After a pass is submitted: marks it, and waits for the pass before it.
void pacePass(PassPacer& pacer);
// At the end of the passes: drops the last mark without waiting.
void endPacing(PassPacer& pacer);
