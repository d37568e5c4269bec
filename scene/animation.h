// The per-frame animation step: the Earth's spin, the Moon's orbit, the
// missile's flight and the camera's path flight, plus the flight's tables.
#pragma once
#include <glm/glm.hpp>
#include <vector>

class Object;
struct Scene;

// Fixed motions of one step, in degrees and model units.
constexpr float earthSpinStep = 0.0125f;
constexpr float moonOrbitStep = -0.0375f;
const glm::vec3 missileStep(-0.005f, 0.0f, 0.0f);

// Called once per frame after the buffer swap: at most one step per frame, and
// only after more than 0.01 s since the last one.
void updateAnimation(Scene& scene);
// Forgets the time of the last step, so that the next call steps at once.
void resetAnimationClock(Scene& scene);

// One step of the three moving objects; absent objects are skipped.
void stepSceneObjects(Object* earthObject, Object* moonObject, Object* missileObject);

// Field of view (degrees) and focus factor the flight uses at eye-path point i.
// Inline, so that the asset generator scripts the flight from the same tables.
constexpr float fovForPoint(unsigned int i) {
  switch (i) {
    case 24: return 60.0f;
    case 25: return 50.0f;
    case 26: return 40.0f;
    case 27: return 25.0f;
    case 61: return 25.0f;
    case 62: return 30.0f;
    case 63: return 40.0f;
    case 64: return 50.0f;
    case 65: return 60.0f;
    default: return (i >= 28 && i <= 60) ? 22.0f : 65.0f;
  }
}
constexpr float focusForPoint(unsigned int i) {
  switch (i) {
    case 0: return 20.0f;
    case 1: return 35.0f;
    case 2: return 40.0f;
    case 3: return 35.0f;
    case 4: return 0.01f;
    case 5: return 5.0f;
    case 22: return 5.0f;
    case 24: return 8.0f;
    case 26: return 7.0f;
    case 27: return 5.6f;
    case 28: return 4.0f;
    case 29: return 2.0f;
    case 31: return 0.01f;
    case 74: return 5.0f;
    case 75: return 10.0f;
    case 76: return 15.0f;
    case 77: return 20.0f;
    case 78: return 15.0f;
    case 79: return 10.0f;
    case 80: return 5.0f;
    default: return (i >= 7 && i <= 21) ? 10.0f : 1.0f;
  }
}
std::vector<float> fovTable(unsigned int pointCount);
std::vector<float> focusTable(unsigned int pointCount);
// table[k] + (table[k + 1] - table[k]) * factor, both indices clamped to the
// table; an empty table gives 0.
float interpolateTable(const std::vector<float>& table, unsigned int k, float factor);

// Point i of a path in world space; i is clamped to the path's last point. A
// path without points gives the origin.
glm::vec3 pathPoint(const Object& path, unsigned int i);
