// rand() and srand() with glibc's sequence in place of the C library's own,
// so that a seed jitters the depth of field as on the desktop.
#include <cstdlib>

#include "base/classicrandom.h"

namespace {
// rand() and srand() carry one sequence for the whole process.
ClassicRandom generator;
}

extern "C" {
int rand(void) { return generator.next(); }
void srand(unsigned seed) { generator.reseed(seed); }
}
