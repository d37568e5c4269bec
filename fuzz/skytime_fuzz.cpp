// config.ini's time and timeRate on arbitrary text: an instant that parses
// prints back as the same text, a rate is finite and within its limits, and
// nothing crashes or reads past the text.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>

#include "scene/skyclock.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  SkyMode mode = SkyMode::Demo;
  double tai = 0.0;
  std::string error;
  if (parseTimeSetting(text, mode, tai, error)) {
    if (mode == SkyMode::Instant && formatUtc(tai) != text) __builtin_trap();
  } else if (error.empty()) {
    __builtin_trap();
  }
  double rate = 0.0;
  if (parseTimeRate(text, rate) != RateStatus::Bad && !(std::fabs(rate) <= maxTimeRate)) __builtin_trap();
  return 0;
}
