#include "scene/skyclock.h"

#include <erfa.h>
#include <erfam.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "loaders/skyframe.h"

namespace {

constexpr double kTaiEpoch = 2451545.0;  // the JD that TAI seconds count from
constexpr double kSecondsPerDay = 86400.0;
constexpr double kUnixEpochJd = 2440587.5;

bool digitsAt(std::string_view text, size_t at, size_t count, int& value) {
  value = 0;
  for (size_t i = at; i < at + count; ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
    value = value * 10 + (text[i] - '0');
  }
  return true;
}

const char* kMonthNames[] = {"January", "February", "March",     "April",   "May",      "June",
                             "July",    "August",   "September", "October", "November", "December"};

std::string plain(double value) {
  char text[64];
  snprintf(text, sizeof text, "%.10g", value);
  return text;
}

}  // namespace

bool parseUtcInstant(std::string_view text, double& tai, std::string& error) {
  // Separators first, so that "2024-4-8" is told apart from a bad month.
  static constexpr std::string_view kShape = "dddd-dd-ddTdd:dd:ddZ";
  bool shaped = text.size() == kShape.size();
  for (size_t i = 0; shaped && i < kShape.size(); ++i)
    shaped = kShape[i] == 'd' ? (text[i] >= '0' && text[i] <= '9') : text[i] == kShape[i];
  if (!shaped) {
    error = std::string("not of the form ") + kTimeForm;
    return false;
  }
  int year, month, day, hour, minute, second;
  digitsAt(text, 0, 4, year);
  digitsAt(text, 5, 2, month);
  digitsAt(text, 8, 2, day);
  digitsAt(text, 11, 2, hour);
  digitsAt(text, 14, 2, minute);
  digitsAt(text, 17, 2, second);
  if (year < 1) {
    error = "year 0000 is not a year of the calendar";
    return false;
  }
  if (month < 1 || month > 12) {
    error = "month " + std::string(text.substr(5, 2)) + " is not 01 to 12";
    return false;
  }
  if (hour > 23) {
    error = "hour " + std::string(text.substr(11, 2)) + " is not 00 to 23";
    return false;
  }
  if (minute > 59) {
    error = "minute " + std::string(text.substr(14, 2)) + " is not 00 to 59";
    return false;
  }
  if (second > 60) {
    error = "second " + std::string(text.substr(17, 2)) + " is not 00 to 59 (60 in a leap second)";
    return false;
  }
  double d1 = 0.0, d2 = 0.0;
  const int status = eraDtf2d("UTC", year, month, day, hour, minute, second, &d1, &d2);
  if (status == -3 || day < 1) {
    error = "day " + std::string(text.substr(8, 2)) + " is not a day of " + kMonthNames[month - 1] + " " +
            std::string(text.substr(0, 4));
    return false;
  }
  // ERFA accepts second 60 on any day and flags it as past the day's end
  // unless a leap second was inserted there.
  if (status < 0 || status >= 2) {
    error = "there was no leap second at the end of " + std::string(text.substr(0, 10));
    return false;
  }
  double t1 = 0.0, t2 = 0.0;
  if (eraUtctai(d1, d2, &t1, &t2) < 0) {
    error = "the instant cannot be converted to TAI";
    return false;
  }
  tai = ((t1 - kTaiEpoch) + t2) * kSecondsPerDay;
  return true;
}

bool parseTimeSetting(std::string_view text, SkyMode& mode, double& tai, std::string& error) {
  if (text == "demo") {
    mode = SkyMode::Demo;
    return true;
  }
  if (text == "now") {
    mode = SkyMode::Now;
    return true;
  }
  if (!parseUtcInstant(text, tai, error)) return false;
  mode = SkyMode::Instant;
  return true;
}

RateStatus parseTimeRate(std::string_view text, double& rate) {
  const std::string s(text);
  if (s.empty() || s[0] == ' ' || s[0] == '\t') return RateStatus::Bad;
  char* end = nullptr;
  const double value = strtod(s.c_str(), &end);
  // Overflowing text ("1e999") comes back as an infinity: still a side.
  if (end != s.c_str() + s.size() || std::isnan(value)) return RateStatus::Bad;
  if (std::fabs(value) <= maxTimeRate) {
    rate = value;
    return RateStatus::Ok;
  }
  rate = value > 0 ? maxTimeRate : -maxTimeRate;
  return RateStatus::Clamped;
}

double dayOfYearAt(double tai) {
  double u1 = 0.0, u2 = 0.0, fraction = 0.0, january1 = 0.0, january2 = 0.0;
  int year = 0, month = 0, day = 0;
  if (eraTaiutc(kTaiEpoch, tai / kSecondsPerDay, &u1, &u2) < 0 || eraJd2cal(u1, u2, &year, &month, &day, &fraction) != 0 ||
      eraCal2jd(year, 1, 1, &january1, &january2) != 0)
    return 1.0;
  return 1.0 + (u1 - january1) + (u2 - january2);
}

std::string formatUtc(double tai) {
  double u1 = 0.0, u2 = 0.0;
  int ymd[3] = {0, 0, 0}, hmsf[4] = {0, 0, 0, 0};
  if (eraTaiutc(kTaiEpoch, tai / kSecondsPerDay, &u1, &u2) < 0 ||
      eraD2dtf("UTC", 0, u1, u2, &ymd[0], &ymd[1], &ymd[2], hmsf) < 0)
    return "(no calendar date)";
  char text[48];
  snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02dZ", ymd[0], ymd[1], ymd[2], hmsf[0], hmsf[1], hmsf[2]);
  return text;
}

double taiFromUnixSeconds(double unixSeconds) {
  const double days = std::floor(unixSeconds / kSecondsPerDay);
  double t1 = 0.0, t2 = 0.0;
  eraUtctai(kUnixEpochJd + days, (unixSeconds - days * kSecondsPerDay) / kSecondsPerDay, &t1, &t2);
  return ((t1 - kTaiEpoch) + t2) * kSecondsPerDay;
}

double taiNow() {
  const auto since = std::chrono::system_clock::now().time_since_epoch();
  return taiFromUnixSeconds(std::chrono::duration<double>(since).count());
}

SkyClock skyClockFromSettings(const std::string& timeText, const std::string& rateText,
                              std::vector<std::string>& warnings) {
  SkyClock clock;
  std::string error;
  if (!parseTimeSetting(timeText, clock.mode, clock.anchorTai, error)) {
    warnings.push_back("WARNING: config.ini: time '" + timeText + "' is not an instant (" + error + "); time takes " +
                       kTimeForm + ", now or demo; the demo sky serves");
    clock.mode = SkyMode::Demo;
  }
  switch (parseTimeRate(rateText, clock.rate)) {
    case RateStatus::Ok: break;
    case RateStatus::Clamped:
      warnings.push_back("WARNING: config.ini: timeRate " + rateText + " is outside -10000000 to 10000000; " +
                         plain(clock.rate) + " serves");
      break;
    case RateStatus::Bad:
      clock.rate = 1.0;
      warnings.push_back("WARNING: config.ini: timeRate '" + rateText +
                         "' is not a number (sky seconds per second, such as 1, 600 or -60); 1 serves");
      break;
  }
  if (clock.rate < 0) clock.direction = -1.0;
  return clock;
}

void startSkyClock(SkyClock& clock, double wall) {
  if (clock.mode == SkyMode::Now) clock.anchorTai = taiNow();
  clock.anchorWall = wall;
}

namespace {
void setRate(SkyClock& clock, double wall, double rate) {
  clock.anchorTai = clock.taiAt(wall);
  clock.anchorWall = wall;
  clock.rate = std::fmax(-maxTimeRate, std::fmin(maxTimeRate, rate));
  if (clock.rate != 0.0) clock.direction = clock.rate > 0 ? 1.0 : -1.0;
}

}  // namespace

std::string skyStatusLine(const SkyClock& clock, double wall) {
  if (!clock.active()) return "DEBUG: sky: the demo sky has no time; N gives the sky of now";
  return "DEBUG: sky: " + formatUtc(clock.taiAt(wall)) + ", " +
         (clock.rate == 0.0 ? std::string("held") : plain(clock.rate) + " sky seconds a second");
}

std::string skyFaster(SkyClock& clock, double wall) {
  if (clock.active()) setRate(clock, wall, clock.rate == 0.0 ? clock.direction : clock.rate * 10.0);
  return skyStatusLine(clock, wall);
}

std::string skySlower(SkyClock& clock, double wall) {
  if (clock.active()) setRate(clock, wall, std::fabs(clock.rate) <= 1.0 ? 0.0 : clock.rate / 10.0);
  return skyStatusLine(clock, wall);
}

std::string skyReverse(SkyClock& clock, double wall) {
  if (clock.active()) {
    clock.direction = -clock.direction;
    setRate(clock, wall, -clock.rate);
  }
  return skyStatusLine(clock, wall);
}

std::string skyBackToNow(SkyClock& clock, double wall) {
  clock.mode = SkyMode::Now;
  clock.rate = 1.0;
  clock.direction = 1.0;
  startSkyClock(clock, wall);
  return skyStatusLine(clock, wall);
}

std::string skyReadout(const SkyClock& clock, double wall) {
  if (!clock.active()) return "";
  return formatUtc(clock.taiAt(wall)) + "  " + (clock.rate == 0.0 ? std::string("held") : "x" + plain(clock.rate));
}

SkyState skyStateAt(double tai) {
  SkyState s;
  s.tai = tai;
  const double tai2 = tai / kSecondsPerDay;
  eraTaitt(kTaiEpoch, tai2, &s.tt1, &s.tt2);
  eraTaiutc(kTaiEpoch, tai2, &s.utc1, &s.utc2);
  // UT1 is taken as UTC: the difference stays under 0.9 s, a quarter of a
  // kilometre of the Earth's turn at the equator.
  eraUtcut1(s.utc1, s.utc2, 0.0, &s.ut11, &s.ut12);
  double rc2t[3][3];
  eraC2t06a(s.tt1, s.tt2, s.ut11, s.ut12, 0.0, 0.0, rc2t);
  for (int row = 0; row < 3; ++row)
    for (int col = 0; col < 3; ++col) s.celestialToTerrestrial[col][row] = rc2t[row][col];
  // Mesh -> terrestrial -> celestial -> world; each column is where one mesh
  // axis lands.
  const glm::dmat3 terrestrialToCelestial = glm::transpose(s.celestialToTerrestrial);
  for (int axis = 0; axis < 3; ++axis) {
    glm::dvec3 m(0.0);
    m[axis] = 1.0;
    s.earthModel[axis] = equatorialToWorld(terrestrialToCelestial * modelToTerrestrial(m));
  }
  double pvh[2][3], pvb[2][3];
  eraEpv00(s.tt1, s.tt2, pvh, pvb);
  const glm::dvec3 sun = -glm::dvec3(pvh[0][0], pvh[0][1], pvh[0][2]);
  double pvm[2][3];
  eraMoon98(s.tt1, s.tt2, pvm);
  const glm::dvec3 moon(pvm[0][0], pvm[0][1], pvm[0][2]);
  s.sunDirection = equatorialToWorld(glm::normalize(sun));
  s.moonDirection = equatorialToWorld(glm::normalize(moon));
  s.sunDistanceKm = glm::length(sun) * ERFA_DAU / 1000.0;
  s.moonDistanceKm = glm::length(moon) * ERFA_DAU / 1000.0;
  return s;
}

glm::dvec3 terrestrialOf(double latitudeDeg, double longitudeDeg) {
  const double lat = glm::radians(latitudeDeg), lon = glm::radians(longitudeDeg);
  return glm::dvec3(std::cos(lat) * std::cos(lon), std::cos(lat) * std::sin(lon), std::sin(lat));
}

Geographic subpointOf(const SkyState& state, const glm::dvec3& worldDirection) {
  // World back to equatorial: the inverse of equatorialToWorld.
  const glm::dvec3 eq(worldDirection.x, -worldDirection.z, worldDirection.y);
  const glm::dvec3 t = glm::normalize(state.celestialToTerrestrial * eq);
  Geographic g;
  g.latitude = glm::degrees(std::asin(std::fmax(-1.0, std::fmin(1.0, t.z))));
  g.longitude = glm::degrees(std::atan2(t.y, t.x));
  return g;
}
