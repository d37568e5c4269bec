// The per-frame animation step: the Earth's spin, the Moon's orbit, the
// missile's flight and the camera's path flight, plus the flight's tables.
#pragma once
#include <glm/glm.hpp>
#include <vector>

class Object;

// Fixed motions of one step, in degrees and model units.
constexpr float earthSpinStep = 0.0125f;
constexpr float moonOrbitStep = -0.0375f;
const glm::vec3 missileStep(-0.005f, 0.0f, 0.0f);

// Called once per frame after the buffer swap: at most one step per frame, and
// only after more than 0.01 s since the last one.
void updateAnimation();
// Forgets the time of the last step, so that the next call steps at once.
void resetAnimationClock();

// One step of the three moving objects; absent objects are skipped.
void stepSceneObjects(Object* earthObject, Object* moonObject, Object* missileObject);

// Field of view (degrees) and focus factor the flight uses at eye-path point i.
float fovForPoint(unsigned int i);
float focusForPoint(unsigned int i);
std::vector<float> fovTable(unsigned int pointCount);
std::vector<float> focusTable(unsigned int pointCount);
// table[k] + (table[k + 1] - table[k]) * factor, both indices clamped to the
// table; an empty table gives 0.
float interpolateTable(const std::vector<float>& table, unsigned int k, float factor);

// Point i of a path in world space; i is clamped to the path's last point. A
// path without points gives the origin.
glm::vec3 pathPoint(const Object& path, unsigned int i);
