// The atmosphere's constants read from arbitrary GLSL text: never crashes or
// recurses without bound, and a model it accepts is one the sky's tables
// can be built from.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "loaders/atmospheremodel.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  AtmosphereModel model;
  std::string problem;
  if (!parseAtmosphereModel(std::string_view(reinterpret_cast<const char*>(data), size), model, problem)) {
    if (problem.empty()) abort();
    return 0;
  }
  if (!(model.rayleighHeight > 0.0) || !(model.mieHeight > 0.0) || !(std::fabs(model.mieG) < 1.0) ||
      !(model.shadowInner < model.shadowOuter) || !std::isfinite(model.sunIntensity) || !(model.shellRadius > 1.0) ||
      !(model.ozoneBottom < model.ozonePeak && model.ozonePeak < model.ozoneTop))
    abort();
  return 0;
}
