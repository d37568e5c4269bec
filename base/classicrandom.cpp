#include "base/classicrandom.h"

void ClassicRandom::reseed(unsigned seed) {
  int32_t word = static_cast<int32_t>(seed == 0 ? 1u : seed);
  ring_[0] = static_cast<uint32_t>(word);
  // 16807 * r mod (2^31 - 1), by Schrage's method as the C library does it.
  for (int i = 1; i < 31; ++i) {
    const int64_t hi = word / 127773, lo = word % 127773;
    int64_t next = 16807 * lo - 2836 * hi;
    if (next < 0) next += 2147483647;
    word = static_cast<int32_t>(next);
    ring_[i] = static_cast<uint32_t>(word);
  }
  for (int i = 31; i < 34; ++i) ring_[i] = ring_[i - 31];
  index_ = 34;
  // The first 310 results are thrown away.
  for (int i = 0; i < 310; ++i) next();
}

int ClassicRandom::next() {
  const uint32_t value = ring_[(index_ + 34 - 31) % 34] + ring_[(index_ + 34 - 3) % 34];
  ring_[index_ % 34] = value;
  index_ = (index_ + 1) % 34;
  return static_cast<int>(value >> 1);
}
