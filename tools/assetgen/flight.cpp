#include "tools/assetgen/flight.h"

#include <cmath>
#include <cstdio>

namespace {
constexpr float degree = 3.14159265358979f / 180.0f;

const glm::vec3 earthCentre(0, 0, 0);
const glm::vec3 missileCentre(2.7f, 0, 0);
// Where the Moon stands at the end of the flight when the animation takes
// about one step a second; it starts at (6, 0, 0) and drifts towards +z.
const glm::vec3 moonCentre(6.0f, 0, 0.15f);

// Directions of the opening: from the Earth away from the sun (the night
// side), a direction across it, and the up direction of that frame.
const glm::vec3 antiSun = -glm::normalize(glm::vec3(1, 1, 1));
const glm::vec3 across = glm::normalize(glm::vec3(1, 0, -1));
const glm::vec3 frameUp = glm::normalize(glm::cross(across, antiSun));

// Eye on a sphere about the Earth: turned by `turn` degrees from the night
// side towards `across`, raised by `rise` degrees.
glm::vec3 aroundEarth(float turn, float rise, float distance) {
  const glm::vec3 flat = std::cos(turn * degree) * antiSun + std::sin(turn * degree) * across;
  return distance * (std::cos(rise * degree) * flat + std::sin(rise * degree) * frameUp);
}

// Eye about the missile: `heading` degrees from its tail (+x) towards +z,
// `rise` degrees above its plane.
glm::vec3 aroundMissile(float heading, float rise, float distance) {
  const float h = heading * degree, r = rise * degree;
  return missileCentre + distance * glm::vec3(std::cos(h) * std::cos(r), std::sin(r), std::sin(h) * std::cos(r));
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
// the end of the zoom, and the focus pull from the Moon to the far side.
bool racksFocus(int i) { return (i >= 28 && i <= 31) || (i >= 73 && i <= 81); }
}  // namespace

float flightFieldOfView(int i) {
  switch (i) {
    case 24: return 60;
    case 25: return 50;
    case 26: return 40;
    case 27: return 25;
    case 61: return 25;
    case 62: return 30;
    case 63: return 40;
    case 64: return 50;
    case 65: return 60;
    default: return (i >= 28 && i <= 60) ? 22.0f : 65.0f;
  }
}

float flightFocusFactor(int i) {
  if (i >= 7 && i <= 21) return 10;
  switch (i) {
    case 0: return 20;
    case 1: return 35;
    case 2: return 40;
    case 3: return 35;
    case 4: return 0.01f;
    case 5: return 5;
    case 22: return 5;
    case 24: return 8;
    case 26: return 7;
    case 27: return 5.6f;
    case 28: return 4;
    case 29: return 2;
    case 31: return 0.01f;
    case 74: return 5;
    case 75: return 10;
    case 76: return 15;
    case 77: return 20;
    case 78: return 15;
    case 79: return 10;
    case 80: return 5;
    default: return 1;
  }
}

FlightPaths buildFlight() {
  const std::vector<Key> keys = {
      // Opening, wide (0-6): far out near the night side, the Earth a thin
      // lit crescent with its atmosphere; the sun stands beside it in the
      // picture with its glow and the lens flare.
      {0, aroundEarth(27.0f, 0, 16.0f), earthCentre},
      {3, aroundEarth(29.0f, 2.0f, 15.2f), earthCentre},
      {6, aroundEarth(33.0f, 4.0f, 14.2f), earthCentre},
      // Approach, wide (7-23): a long arc over the north towards the day
      // side, the sun leaving the frame; the view turns from the Earth to
      // the missile heading for it.
      {10, aroundEarth(42.0f, 8.0f, 12.5f), earthCentre},
      {14, aroundEarth(58.0f, 14.0f, 10.0f), earthCentre},
      {18, glm::vec3(1.5f, 4.2f, 6.8f), glm::vec3(0.6f, 0, 0)},
      {21, glm::vec3(3.6f, 2.3f, 4.4f), glm::vec3(2.0f, 0, 0)},
      {23, glm::vec3(4.1f, 0.95f, 2.3f), missileCentre},
      // Zoom (24-28): the lens narrows from 60 to 22 degrees while the eye
      // closes in; the missile racks into focus on arrival.
      {25, glm::vec3(3.8f, 0.62f, 1.6f), missileCentre},
      {28, aroundMissile(54.0f, 15.0f, 0.70f), missileCentre},
      // Telephoto (28-60): a slow circle about the missile, first behind its
      // tail with the Earth filling the background, then round to its nose
      // with the Moon far behind.
      {34, aroundMissile(38.0f, 13.0f, 0.55f), missileCentre},
      {42, aroundMissile(16.0f, 10.0f, 0.45f), missileCentre},
      {50, aroundMissile(70.0f, 16.0f, 0.42f), missileCentre},
      {56, aroundMissile(110.0f, 20.0f, 0.48f), missileCentre},
      {60, aroundMissile(125.0f, 22.0f, 0.55f), missileCentre},
      // Zoom out (61-65): back to the wide lens, pulling away from the
      // missile.
      {63, aroundMissile(132.0f, 25.0f, 1.0f), missileCentre},
      {65, aroundMissile(136.0f, 28.0f, 1.8f), glm::vec3(3.0f, 0, 0)},
      // Transfer (66-73): over the missile and past the Moon, turning to
      // look back at it with the Earth behind.
      {68, glm::vec3(3.6f, 1.7f, 2.3f), glm::vec3(4.8f, 0, 0)},
      {71, glm::vec3(6.3f, 1.3f, 2.0f), moonCentre},
      {73, glm::vec3(7.25f, 0.5f, 0.85f), moonCentre},
      // Focus pull (74-80): close to the Moon, the sharp plane travels from
      // its face out past the Earth and comes back.
      {77, glm::vec3(7.2f, 0.42f, 0.6f), moonCentre},
      {81, glm::vec3(7.1f, 0.38f, 0.42f), moonCentre},
      // Finale (81-89): rising and pulling back to show the Earth and the
      // Moon together.
      {85, glm::vec3(8.6f, 1.4f, 1.8f), glm::vec3(3.5f, 0, 0)},
      {89, glm::vec3(11.0f, 3.2f, 4.6f), glm::vec3(2.5f, 0, 0)},
  };
  const int count = keys.back().point + 1;
  FlightPaths paths;
  float lastDistance = 1;
  for (int i = 0; i < count; ++i) {
    const glm::vec3 eye = interpolate(keys, static_cast<float>(i), [](const Key& k) { return k.eye; });
    const glm::vec3 subject = interpolate(keys, static_cast<float>(i), [](const Key& k) { return k.subject; });
    const glm::vec3 toSubject = subject - eye;
    const float subjectDistance = glm::length(toSubject);
    const float factor = flightFocusFactor(i);
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
