// The sky of an instant, without GL: the UTC instants and rates that
// config.ini, the address and the tools write, the clock that runs the sky by
// wall time, and where the Earth, the Sun and the Moon stand at an instant
// (ERFA). Instants are held as TAI seconds from 2000-01-01T12:00:00 TAI, a
// count that runs on evenly through leap seconds.
#pragma once
#include <string>
#include <string_view>
#include <vector>

#include <glm/glm.hpp>

enum class SkyMode { Demo, Now, Instant };

// "YYYY-MM-DDTHH:MM:SSZ" in UTC; 23:59:60 only where a leap second was.
// False with the reason, naming the bad part ("month 13 is not 01 to 12"),
// in error.
bool parseUtcInstant(std::string_view text, double& tai, std::string& error);
// config.ini's `time`: "demo", "now" or an instant (tai is set for an instant only).
bool parseTimeSetting(std::string_view text, SkyMode& mode, double& tai, std::string& error);
inline constexpr const char* kTimeForm = "YYYY-MM-DDTHH:MM:SSZ (UTC)";

// Sky seconds per wall second, either way.
inline constexpr double maxTimeRate = 1.0e7;
enum class RateStatus { Ok, Clamped, Bad };
// A finite number, the whole text; one beyond ±maxTimeRate is set to the
// nearest limit (Clamped).
RateStatus parseTimeRate(std::string_view text, double& rate);

// "2024-04-08T18:17:16Z", the nearest second.
std::string formatUtc(double tai);
// The UTC day of the year at a TAI instant: 1 at 1 January 0h, fractions
// through the day (the seasons of the climate maps follow it).
double dayOfYearAt(double tai);
// A POSIX time (seconds since 1970 without leap seconds) as TAI.
double taiFromUnixSeconds(double unixSeconds);
double taiNow();

struct SkyClock {
  SkyMode mode = SkyMode::Demo;
  double rate = 1.0;
  // The sky stood at anchorTai at wall time anchorWall.
  double anchorTai = 0.0;
  double anchorWall = 0.0;
  // The way the sky runs once it runs again after a hold.
  double direction = 1.0;

  bool active() const { return mode != SkyMode::Demo; }
  double taiAt(double wall) const { return anchorTai + (wall - anchorWall) * rate; }
};

// config.ini's `time` and `timeRate` texts as a clock (anchored at wall 0;
// startSkyClock anchors it). A malformed instant or rate gives the demo sky
// or a rate of 1, with a WARNING naming the value and the form expected; a
// rate beyond the limits is warned about and set to the nearest.
SkyClock skyClockFromSettings(const std::string& timeText, const std::string& rateText,
                              std::vector<std::string>& warnings);
// The sky starts running now: `now` takes the system clock's instant.
void startSkyClock(SkyClock& clock, double wall);

// The keys: a rate ten times as fast (a held sky runs at 1 again), a tenth
// as fast (down to holding), the other way, and the sky of now at 1 second a
// second. Each returns the console line that says what is in force.
std::string skyFaster(SkyClock& clock, double wall);
std::string skySlower(SkyClock& clock, double wall);
std::string skyReverse(SkyClock& clock, double wall);
std::string skyBackToNow(SkyClock& clock, double wall);
// "DEBUG: sky: 2024-04-08T18:17:16Z, 600 sky seconds a second".
std::string skyStatusLine(const SkyClock& clock, double wall);
// "2024-04-08T18:17:16Z  x600" for the read-out.
std::string skyReadout(const SkyClock& clock, double wall);

struct SkyState {
  double tai = 0.0;
  // Two-part Julian dates, as ERFA takes them.
  double utc1 = 0.0, utc2 = 0.0, tt1 = 0.0, tt2 = 0.0, ut11 = 0.0, ut12 = 0.0;
  // r_terrestrial = celestialToTerrestrial * r_celestial (GCRS to ITRS).
  glm::dmat3 celestialToTerrestrial{1.0};
  // The Earth mesh's own coordinates to the world.
  glm::dmat3 earthModel{1.0};
  // Unit vectors in the world frame, from the Earth's centre.
  glm::dvec3 sunDirection{1.0, 0.0, 0.0};
  glm::dvec3 moonDirection{1.0, 0.0, 0.0};
  double sunDistanceKm = 0.0;
  double moonDistanceKm = 0.0;
};
SkyState skyStateAt(double tai);

// The Earth mesh's axes (tools/assetgen's sphere with the day map on it):
// +Z at longitude 0 on the equator, +X at 90 degrees east, +Y the north pole.
inline glm::dvec3 terrestrialToModel(const glm::dvec3& t) { return glm::dvec3(t.y, t.z, t.x); }
inline glm::dvec3 modelToTerrestrial(const glm::dvec3& m) { return glm::dvec3(m.z, m.x, m.y); }

// Latitude and longitude in degrees (east positive) of the point of the Earth
// that has worldDirection straight overhead.
struct Geographic {
  double latitude = 0.0;
  double longitude = 0.0;
};
Geographic subpointOf(const SkyState& state, const glm::dvec3& worldDirection);
// Terrestrial unit vector of a latitude and longitude in degrees.
glm::dvec3 terrestrialOf(double latitudeDeg, double longitudeDeg);

// Mean radius: the scene's Earth is a sphere of one unit.
inline constexpr double earthRadiusKm = 6371.0;
