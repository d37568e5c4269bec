// Where the Moon and the missile stand when the scene is assembled, before the
// first animation step moves them. The camera flight is scripted around them.
#pragma once
#include <glm/glm.hpp>
#include <glm/gtc/matrix_transform.hpp>

inline const glm::vec3 moonStartCentre(6.0f, 0.0f, 0.0f);
constexpr float moonScale = 0.3f;
inline const glm::vec3 missileStartCentre(2.7f, 0.0f, 0.0f);
constexpr float missileScale = 0.01f;

inline glm::mat4 moonStartMatrix() {
  return glm::scale(glm::translate(glm::mat4(1.0f), moonStartCentre), glm::vec3(moonScale));
}
inline glm::mat4 missileStartMatrix() {
  return glm::scale(glm::translate(glm::mat4(1.0f), missileStartCentre), glm::vec3(missileScale));
}
