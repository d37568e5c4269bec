// The star catalogue's reader on arbitrary bytes: every star it accepts lies
// on the sky with a finite magnitude, and it accepts no more stars than the
// bytes hold.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "loaders/starcatalogue.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<CatalogueStar> stars;
  std::string error;
  if (!parseStarCatalogue(data, size, stars, error)) {
    if (error.empty() || !stars.empty()) __builtin_trap();
    return 0;
  }
  if (stars.size() * starcatalogue::kRecordSize + starcatalogue::kHeaderSize != size) __builtin_trap();
  for (const CatalogueStar& star : stars)
    if (!std::isfinite(star.ra) || !std::isfinite(star.dec) || !std::isfinite(star.magnitude) ||
        std::abs(star.dec) > 1.6)
      __builtin_trap();
  return 0;
}
