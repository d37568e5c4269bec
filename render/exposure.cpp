#include "render/exposure.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

#include "gpu/passstate.h"
#include "gpu/shaderbuild.h"

namespace {
// "%#g" keeps the point: GLSL ES reads a number without one as an int.
std::string numberText(double v, const char* format = "%g") {
  char text[32];
  snprintf(text, sizeof text, format, v);
  return text;
}
}  // namespace

ExposureSetting parseExposureSetting(const std::string& text, std::vector<std::string>& warnings) {
  ExposureSetting setting;
  if (text == "auto") return setting;
  char* end = nullptr;
  const double value = std::strtod(text.c_str(), &end);
  if (!text.empty() && end == text.c_str() + text.size() && std::isfinite(value) && value > 0.0 &&
      value <= kMaxExposure) {
    setting.automatic = false;
    setting.fixed = value;
    return setting;
  }
  warnings.push_back("WARNING: config.ini: exposure '" + text + "' is not auto or a number above 0 and up to " +
                     numberText(kMaxExposure) + "; exposure takes auto");
  return setting;
}

double exposureForBrightness(double brightness) {
  if (!(brightness > 0.0)) return kMaxAutoExposure;
  return std::clamp(kExposureKey / brightness, kMinAutoExposure, kMaxAutoExposure);
}

double easeExposure(double current, double target, double seconds) {
  if (!(seconds >= 0.0) || !std::isfinite(seconds)) return current;
  const double kept = std::exp(-seconds / kExposureSeconds);
  return std::exp2(std::log2(target) + (std::log2(current) - std::log2(target)) * kept);
}

double starGain(double exposure) {
  // Beyond the automatic range a longer exposure brightens them as it does everything.
  if (exposure >= kMaxAutoExposure) return exposure / kMaxAutoExposure;
  const double stops = std::log2(std::max(exposure, 1e-9)) / std::log2(kMaxAutoExposure) - 1.0;
  return std::exp2(kStarStops * stops);
}

double meteredBrightness(const std::vector<unsigned char>& rgba, double exposureUsed) {
  constexpr size_t cells = static_cast<size_t>(kMeterWidth) * kMeterHeight;
  if (rgba.size() != cells * 4 || !(exposureUsed > 0.0)) return 0.0;
  std::vector<unsigned char> stored(cells);
  for (size_t i = 0; i < cells; ++i) stored[i] = rgba[4 * i];
  constexpr size_t bright = cells / kBrightShare;
  std::partial_sort(stored.begin(), stored.begin() + bright, stored.end(), std::greater<unsigned char>());
  double sum = 0.0;
  for (size_t i = 0; i < bright; ++i) {
    const double value = stored[i] / 255.0;
    sum += value * value * kMeterRange;
  }
  return sum / static_cast<double>(bright) / exposureUsed;
}

double starGainOf(const Exposure& exposure) {
  return exposure.setting.automatic ? starGain(exposure.value) : exposure.value;
}

void takeExposureReading(Exposure& exposure, double brightness, double now) {
  if (!exposure.setting.automatic) {
    exposure.value = exposure.setting.fixed;
  } else {
    const double target = exposureForBrightness(brightness);
    // The first reading has nothing to ease from: the frame just drawn was
    // exposed blind.
    exposure.value = exposure.lastReading < 0.0 || now < 0.0
                         ? target
                         : easeExposure(exposure.value, target, now - exposure.lastReading);
  }
  exposure.lastReading = now;
}

std::string exposureReadout(const Exposure& exposure) {
  char text[48];
  snprintf(text, sizeof text, "exposure %.2f%s", exposure.value, exposure.setting.automatic ? " auto" : "");
  return text;
}

std::string exposureMeterDefines() {
  return "#define METER_TAPS " + std::to_string(kMeterTaps) + "\n#define METER_SIZE ivec2(" +
         std::to_string(kMeterWidth) + ", " + std::to_string(kMeterHeight) + ")\n#define METER_RANGE " +
         numberText(kMeterRange, "%#g") + "\n";
}

bool makeExposureMeter(ExposureMeter& meter, const char* vertexShader, const char* fragmentShader) {
  destroyExposureMeter(meter);
  meter.program = buildShaderProgram(vertexShader, fragmentShader, exposureMeterDefines(), ConsoleProgress::Quiet);
  GLint linked = GL_FALSE;
  if (meter.program != 0) glGetProgramiv(meter.program, GL_LINK_STATUS, &linked);
  if (linked != GL_TRUE) {
    destroyExposureMeter(meter);
    return false;
  }
  meter.source = glGetUniformLocation(meter.program, "source");
  meter.sourceSize = glGetUniformLocation(meter.program, "sourceSize");
  glGenTextures(1, &meter.texture);
  glBindTexture(GL_TEXTURE_2D, meter.texture);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, kMeterWidth, kMeterHeight, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  glGenFramebuffers(1, &meter.framebuffer);
  glBindFramebuffer(GL_FRAMEBUFFER, meter.framebuffer);
  glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, meter.texture, 0);
  const bool complete = glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
  glBindFramebuffer(GL_FRAMEBUFFER, 0);
  if (!complete) destroyExposureMeter(meter);
  return complete;
}

void destroyExposureMeter(ExposureMeter& meter) {
  glDeleteFramebuffers(1, &meter.framebuffer);
  glDeleteTextures(1, &meter.texture);
  glDeleteProgram(meter.program);
  meter = ExposureMeter();
}

double meterImage(const ExposureMeter& meter, GLuint image, int width, int height, double exposureUsed) {
  if (meter.program == 0 || width <= 0 || height <= 0) return 0.0;
  applyPassState(passstate::finalComposite);
  glBindFramebuffer(GL_FRAMEBUFFER, meter.framebuffer);
  glViewport(0, 0, kMeterWidth, kMeterHeight);
  glUseProgram(meter.program);
  glActiveTexture(GL_TEXTURE0);
  glBindTexture(GL_TEXTURE_2D, image);
  glUniform1i(meter.source, 0);
  glUniform2i(meter.sourceSize, width, height);
  // The vertex shader makes its one triangle from the vertex number.
  glDrawArrays(GL_TRIANGLES, 0, 3);
  std::vector<unsigned char> rgba(static_cast<size_t>(kMeterWidth) * kMeterHeight * 4);
  glPixelStorei(GL_PACK_ALIGNMENT, 4);
  glReadPixels(0, 0, kMeterWidth, kMeterHeight, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
  return meteredBrightness(rgba, exposureUsed);
}
