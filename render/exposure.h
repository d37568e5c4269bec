// The camera's exposure: a factor on the scene's light before the tone curve,
// set by config.ini's `exposure` (a fixed number, or `auto`: from the frame's
// measured brightness, eased over about a second), and the stars' own
// response to it. The plain maths here; the meter that reads a reduced copy
// of the frame back is the GL shell at the end of this file.
#pragma once
#include <GL/glew.h>

#include <string>
#include <vector>

struct ExposureSetting {
  bool automatic = true;
  double fixed = 1.0;  // when not automatic
};

// config.ini's (or an address's) text: "auto" or a number above 0 and up to
// kMaxExposure. Anything else gives auto, with a WARNING line in warnings.
inline constexpr double kMaxExposure = 1000.0;
ExposureSetting parseExposureSetting(const std::string& text, std::vector<std::string>& warnings);

// Automatic exposure stays between these. Never darker than the design's
// look, which is exposed for the sunlit Earth; at most four times brighter,
// so that the night side stays black between its lights and the lights do
// not blow out.
inline constexpr double kMinAutoExposure = 1.0;
inline constexpr double kMaxAutoExposure = 4.0;
// The frame's brightness (before exposure, in the tone curve's units: the
// mean light of its brightest sixty-fourth, see meteredBrightness) that the
// design's look is exposed for. A sunlit body over a few per cent of the
// view reaches it; the night side's lights and twilight stay far below.
inline constexpr double kExposureKey = 0.1;
// The exposure for a frame of this brightness: key / brightness, within the
// automatic bounds; the longest for a frame with no light at all.
double exposureForBrightness(double brightness);

// The exposure eased from `current` towards `target` over `seconds` of the
// scene clock: a first-order lag in stops with kExposureSeconds as its time
// constant, the same at any frame rate. A negative or non-finite span
// changes nothing.
inline constexpr double kExposureSeconds = 0.4;
double easeExposure(double current, double target, double seconds);

// The stars' share of their design brightness at an exposure. The night
// side's lights are drawn as a night exposure shows them, so the frame's
// exposure spans two stops where a camera's spans many more between the
// sunlit Earth and the stars: the stars get kStarStops over the automatic
// range, full at its longest exposure, 2^-22 at the design's, where the
// brightest (magnitude -1.5) stays under half a step of an 8-bit display
// (the display's gamma lifts faint light: 2^-13 would still show it at 8 of
// 255). Beyond the automatic range they brighten with the exposure.
inline constexpr double kStarStops = 22.0;
double starGain(double exposure);

// The meter: the frame reduced to kMeterWidth x kMeterHeight cells, each
// the mean of its own grid of taps in the light before the tone curve
// (display value decoded, the shoulder undone), stored as the square root
// of its share of kMeterRange in an 8-bit red channel.
inline constexpr int kMeterWidth = 32;
inline constexpr int kMeterHeight = 24;
inline constexpr int kMeterTaps = 8;  // a side of each cell's grid
inline constexpr double kMeterRange = 2.0;
// The frame's brightness before exposure from the meter's cells read back
// as RGBA bytes (kMeterWidth * kMeterHeight * 4 of them), at the exposure
// the frame was drawn with: the mean light of its brightest 1/kBrightShare
// of cells, as a camera's metering weighs the subject and not the black
// around it. 0 for a read-back of the wrong size.
inline constexpr int kBrightShare = 64;
double meteredBrightness(const std::vector<unsigned char>& rgba, double exposureUsed);

// The exposure a frame is drawn with and how it follows the picture.
struct Exposure {
  ExposureSetting setting;
  double value = 1.0;
  // The scene clock at the last reading; negative before the first.
  double lastReading = -1.0;
};
// The stars' share of their design light for the exposure in force: their
// own response under the automatic exposure; a fixed exposure is a plain
// factor on all the light, so that `exposure 1` is the design's picture,
// stars and all.
double starGainOf(const Exposure& exposure);
// A reading of the meter at scene time `now`: the automatic exposure eases
// towards the one the brightness asks for, or takes it outright on the first
// reading or when `now` is negative; a fixed one stays.
void takeExposureReading(Exposure& exposure, double brightness, double now);
// "exposure 1.00" or "exposure 2.37 auto", for the F3 read-out.
std::string exposureReadout(const Exposure& exposure);

// The GL side: a small target and the program that reduces a frame into it.
struct ExposureMeter {
  GLuint framebuffer = 0, texture = 0, program = 0;
  GLint source = -1, sourceSize = -1;
};
// The meter program's defines: the tap grid and the stored range are the
// shader's too, from the one definition above.
std::string exposureMeterDefines();
// False, with nothing made, when GL refused the target or the program.
bool makeExposureMeter(ExposureMeter& meter, const char* vertexShader, const char* fragmentShader);
void destroyExposureMeter(ExposureMeter& meter);
// Reduces the image (width x height) into the meter and reads the cells back;
// the frame's mean light before exposure, as meteredBrightness. Leaves the
// meter's framebuffer bound and the viewport at its size.
double meterImage(const ExposureMeter& meter, GLuint image, int width, int height, double exposureUsed);
