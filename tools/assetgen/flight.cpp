#include "tools/assetgen/flight.h"

#include <cmath>
#include <cstdio>

#include "scene/animation.h"
#include "scene/placement.h"

namespace {
constexpr float degree = 3.14159265358979f / 180.0f;

const glm::vec3 earthCentre(0, 0, 0);

// Directions of the opening: from the Earth away from the sun (the night
// side), a direction across it, and the up direction of that frame.
const glm::vec3 sunDirection = glm::normalize(glm::vec3(1, 1, 1));
const glm::vec3 antiSun = -sunDirection;
const glm::vec3 across = glm::normalize(glm::vec3(1, 0, -1));
const glm::vec3 frameUp = glm::normalize(glm::cross(across, antiSun));

// Eye on a sphere about the Earth: turned by `turn` degrees from the night
// side towards `across`, raised by `rise` degrees.
glm::vec3 aroundEarth(float turn, float rise, float distance) {
  const glm::vec3 flat = std::cos(turn * degree) * antiSun + std::sin(turn * degree) * across;
  return distance * (std::cos(rise * degree) * flat + std::sin(rise * degree) * frameUp);
}

// The terminator, the great circle that parts day from night: `along`
// degrees from its point nearest the missile's side (+x) towards the north.
glm::vec3 terminator(float along) {
  const glm::vec3 start = glm::normalize(glm::vec3(2, -1, -1));
  const glm::vec3 north = glm::normalize(glm::vec3(0, 1, -1));
  return std::cos(along * degree) * start + std::sin(along * degree) * north;
}

// A point `distance` from the Earth's centre above terminator(along), turned
// `dayward` degrees towards the sun (negative: into the night).
glm::vec3 overTerminator(float along, float dayward, float distance) {
  return distance * (std::cos(dayward * degree) * terminator(along) + std::sin(dayward * degree) * sunDirection);
}

// The missile's centre after `steps` animation steps.
glm::vec3 missileAfter(double steps) {
  return missileStartCentre + static_cast<float>(steps) * missileScale * missileStep;
}

// Where the missile is at flight time t between the slowest and the fastest
// frame rate: its focus lands in the middle of that stretch of its track.
glm::vec3 missileMidway(float t) {
  return missileAfter(0.5 * (slowestFrameRate + fastestFrameRate) * t);
}

struct Key {
  int point;
  glm::vec3 eye;
  glm::vec3 subject;
};

// Cubic Hermite through the keys, tangents from the neighbours (Catmull-Rom
// for uneven spacing): smooth motion from 1 Hz samples.
template <typename Get>
glm::vec3 interpolate(const std::vector<Key>& keys, float i, Get get) {
  size_t k = 0;
  while (k + 2 < keys.size() && keys[k + 1].point <= i) ++k;
  const Key& a = keys[k];
  const Key& b = keys[k + 1];
  const float span = static_cast<float>(b.point - a.point);
  auto tangent = [&](size_t j) {
    const size_t lo = j == 0 ? 0 : j - 1, hi = j + 1 < keys.size() ? j + 1 : j;
    return (get(keys[hi]) - get(keys[lo])) / static_cast<float>(keys[hi].point - keys[lo].point) * span;
  };
  const float t = (i - a.point) / span, t2 = t * t, t3 = t2 * t;
  return (2 * t3 - 3 * t2 + 1) * get(a) + (t3 - 2 * t2 + t) * tangent(k) + (-2 * t3 + 3 * t2) * get(b) +
         (t3 - t2) * tangent(k + 1);
}

// Points where the look-at point stays on the subject, so that the focus
// table's factor moves the sharp plane away from it: the rack into focus at
// the end of the zoom, and the focus pull out past the Moon's orbit.
bool racksFocus(int i) { return (i >= 28 && i <= 31) || (i >= 73 && i <= 81); }

// The missile chase: the eye on the missile's track behind its start, so
// that the missile is ahead, between the eye and the Earth, wherever along
// its track the frame rate has taken it.
constexpr int chaseFirst = 18, chaseLast = 26;
}  // namespace

FlightPaths buildFlight() {
  const std::vector<Key> keys = {
      // Opening, wide (0-6): far out near the night side, the Earth a thin
      // lit crescent with its atmosphere; the sun stands beside it in the
      // picture with its glow and the lens flare.
      {0, aroundEarth(27.0f, 0, 16.0f), earthCentre},
      {3, aroundEarth(29.0f, 2.0f, 15.2f), earthCentre},
      {6, aroundEarth(33.0f, 4.0f, 14.2f), earthCentre},
      // Approach, wide (7-23): a long arc round the day side, the sun
      // leaving the frame, down onto the missile's track: the missile ahead,
      // heading for the lit Earth.
      {10, aroundEarth(42.0f, 8.0f, 12.5f), earthCentre},
      {14, aroundEarth(58.0f, 14.0f, 10.0f), earthCentre},
      {17, glm::vec3(4.0f, 1.0f, -2.8f), glm::vec3(1.2f, 0, 0)},
      {20, glm::vec3(3.05f, 0.1f, -0.22f), missileMidway(20)},
      {22, glm::vec3(2.92f, 0.06f, -0.12f), missileMidway(22)},
      // Zoom (24-28): the lens narrows from 60 to 22 degrees, first behind the
      // missile, then leaving its track for the terminator; it racks into
      // focus on arrival.
      {24, glm::vec3(2.9f, 0.04f, -0.08f), missileMidway(24)},
      {26, glm::vec3(2.9f, 0.035f, -0.06f), missileMidway(26)},
      {27, glm::vec3(2.4f, 0.0f, -0.75f), overTerminator(45.0f, 16.0f, 1.0f)},
      {28, overTerminator(15.0f, 10.0f, 1.9f), overTerminator(50.0f, 14.0f, 1.0f)},
      // Telephoto (28-60): along the terminator northwards, the lit side on
      // one hand, the lights of the night on the other and the limb above;
      // then round into the night to watch the sun stand over the limb.
      {36, overTerminator(28.0f, 6.0f, 1.85f), overTerminator(63.0f, 12.0f, 1.0f)},
      {44, overTerminator(42.0f, 0.0f, 1.85f), overTerminator(78.0f, 5.0f, 1.0f)},
      {50, overTerminator(70.0f, -35.0f, 2.1f), 1.03f * terminator(90.0f)},
      {55, overTerminator(88.0f, -58.0f, 2.25f), 1.03f * terminator(90.0f)},
      {60, overTerminator(90.0f, -55.0f, 2.35f), 1.03f * terminator(90.0f)},
      // Zoom out (61-65): back to the wide lens, pulling away from the
      // night side with the sun and its flare still in view.
      {63, overTerminator(92.0f, -60.0f, 3.2f), 0.8f * terminator(90.0f)},
      {65, overTerminator(95.0f, -62.0f, 4.2f), 0.5f * terminator(90.0f)},
      // Transfer (66-73): over the north round to the day side.
      {69, glm::vec3(-1.5f, 3.8f, -2.6f), earthCentre},
      {73, glm::vec3(2.0f, 2.2f, 0.9f), 0.9f * glm::normalize(glm::vec3(1.0f, 0.7f, 0.6f))},
      // Focus pull (74-80): the sharp plane travels from the lit face out
      // past the Moon's orbit and comes back.
      {77, glm::vec3(2.6f, 2.3f, 1.5f), 0.9f * glm::normalize(glm::vec3(1.0f, 0.8f, 0.6f))},
      {81, glm::vec3(3.8f, 3.1f, 2.6f), 0.5f * glm::normalize(glm::vec3(1.0f, 0.8f, 0.7f))},
      // Finale (81-89): rising and pulling back far enough to hold the
      // whole Moon's orbit, the full Earth in the middle.
      {85, glm::vec3(8.0f, 7.0f, 7.0f), earthCentre},
      {89, glm::vec3(9.6f, 8.0f, 8.2f), earthCentre},
  };
  const int count = keys.back().point + 1;
  FlightPaths paths;
  float lastDistance = 1;
  for (int i = 0; i < count; ++i) {
    const glm::vec3 eye = interpolate(keys, static_cast<float>(i), [](const Key& k) { return k.eye; });
    glm::vec3 subject = interpolate(keys, static_cast<float>(i), [](const Key& k) { return k.subject; });
    if (i >= chaseFirst && i <= chaseLast) subject = missileMidway(static_cast<float>(i));
    const glm::vec3 toSubject = subject - eye;
    const float subjectDistance = glm::length(toSubject);
    const float factor = focusForPoint(i);
    // The look-at distance sets the focus: subject distance over the factor
    // puts the sharp plane on the subject. Where the factor is tiny the
    // previous distance is kept, so the focus between points never swings
    // out to a hundred times the subject's distance.
    float distance = subjectDistance / factor;
    if (racksFocus(i)) distance = subjectDistance;
    else if (factor < 0.1f) distance = lastDistance;
    lastDistance = distance;
    paths.eye.push_back(eye);
    paths.subject.push_back(subject);
    paths.focus.push_back(distance * factor);
    paths.lookAt.push_back(eye + toSubject / subjectDistance * distance);
  }
  paths.shots = {
      {0, 6, Subject::Sun, "opening: the sun beside the Earth"},
      {chaseFirst, chaseLast, Subject::Missile, "chase: the missile ahead"},
      {28, 48, Subject::Fixed, "telephoto: the terminator"},
      {50, 60, Subject::Fixed, "telephoto: the limb"},
      {53, 63, Subject::Sun, "telephoto: the sun over the limb"},
      {74, 80, Subject::Fixed, "focus pull: the lit face"},
      {85, 89, Subject::Moon, "finale: the Moon on its orbit"},
  };
  return paths;
}

std::string pathObjText(const std::vector<glm::vec3>& points) {
  std::string out = "# Orbisk camera path: points in flight order, one a second\n";
  char line[96];
  for (const glm::vec3& p : points) {
    std::snprintf(line, sizeof line, "v %.6f %.6f %.6f\n", static_cast<double>(p.x) + 0.0, static_cast<double>(p.y) + 0.0,
                  static_cast<double>(p.z) + 0.0);
    out += line;
  }
  for (size_t i = 1; i < points.size(); ++i) {
    std::snprintf(line, sizeof line, "f %zu %zu\n", i, i + 1);
    out += line;
  }
  return out;
}
