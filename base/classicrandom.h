// The sequence of glibc's rand() and srand(), for C libraries whose rand()
// differs (the browser build's): the depth of field draws its jitter from
// rand(), so a seed gives the same picture on both builds only with this.
#pragma once
#include <cstdint>

class ClassicRandom {
 public:
  explicit ClassicRandom(unsigned seed = 1) { reseed(seed); }
  // As srand(seed); 0 seeds like 1.
  void reseed(unsigned seed);
  // As rand(): 0 .. 2147483647.
  int next();

 private:
  // The additive generator's last 34 values, r[i] = r[i-31] + r[i-3].
  uint32_t ring_[34] = {};
  unsigned index_ = 0;
};
