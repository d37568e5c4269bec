#include "gpu/passpacer.h"

#ifndef __EMSCRIPTEN__
namespace {
// Long enough for any pass on the slowest renderer.
constexpr GLuint64 kPassWaitNanoseconds = 30ull * 1000 * 1000 * 1000;
}  // namespace
#endif

void pacePass(PassPacer& pacer) {
#ifndef __EMSCRIPTEN__
  GLsync submitted = glFenceSync(GL_SYNC_GPU_COMMANDS_COMPLETE, 0);
  if (pacer.previous != nullptr) {
    // The flush bit makes sure the pass just marked is on its way too. A
    // wait that times out or fails (a lost context) only leaves the queue
    // as deep as the driver lets it grow: the frame goes on either way, so
    // the result is not looked at.
    (void)glClientWaitSync(pacer.previous, GL_SYNC_FLUSH_COMMANDS_BIT, kPassWaitNanoseconds);
    glDeleteSync(pacer.previous);
  }
  pacer.previous = submitted;
#else
  (void)pacer;
#endif
}

void endPacing(PassPacer& pacer) {
#ifndef __EMSCRIPTEN__
  if (pacer.previous != nullptr) glDeleteSync(pacer.previous);
#endif
  pacer.previous = nullptr;
}
