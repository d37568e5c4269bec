#include "scene/animation.h"

#include <algorithm>
#include <glm/gtc/matrix_transform.hpp>

#include "scene/camera.h"
#include "scene/sceneclock.h"
#include "scene/object.h"
#include "scene/scene.h"

void resetAnimationClock(Scene& scene) { scene.lastAnimationTime = 0.0; }

void updateAnimation(Scene& scene) {
  if (scene.lastAnimationTime == 0.0) {
    scene.lastAnimationTime = sceneTime(scene.clock);
  } else if (sceneTime(scene.clock) - scene.lastAnimationTime > 0.01) {
    scene.lastAnimationTime = sceneTime(scene.clock);
  } else {
    return;
  }
  stepSceneObjects(scene.earth, scene.moon, scene.missile);
  camera.animatePathAt(sceneTime(scene.clock));
}

void stepSceneObjects(Object* earthObject, Object* moonObject, Object* missileObject) {
  const glm::vec3 yAxis(0.0f, 1.0f, 0.0f);
  if (earthObject) {
    // About the Earth's own axis: the rotation is applied in model space.
    earthObject->modelMatrix = glm::rotate(earthObject->modelMatrix, glm::radians(earthSpinStep), yAxis);
  }
  if (moonObject) {
    // About the world's y axis through the origin: applied in world space.
    moonObject->modelMatrix =
        glm::rotate(glm::mat4(1.0f), glm::radians(moonOrbitStep), yAxis) * moonObject->modelMatrix;
  }
  if (missileObject) missileObject->modelMatrix = glm::translate(missileObject->modelMatrix, missileStep);
}

std::vector<float> fovTable(unsigned int pointCount) {
  std::vector<float> table(pointCount);
  for (unsigned int i = 0; i < pointCount; ++i) table[i] = fovForPoint(i);
  return table;
}

std::vector<float> focusTable(unsigned int pointCount) {
  std::vector<float> table(pointCount);
  for (unsigned int i = 0; i < pointCount; ++i) table[i] = focusForPoint(i);
  return table;
}

float interpolateTable(const std::vector<float>& table, unsigned int k, float factor) {
  if (table.empty()) return 0.0f;
  const size_t last = table.size() - 1;
  const float a = table[std::min<size_t>(k, last)];
  const float b = table[std::min<size_t>(static_cast<size_t>(k) + 1, last)];
  return a + (b - a) * factor;
}

glm::vec3 pathPoint(const Object& path, unsigned int i) {
  const unsigned int n = path.lineMesh.pointCount();
  if (n == 0) return glm::vec3(0.0f);
  return glm::vec3(path.modelMatrix * glm::vec4(path.lineMesh.point(std::min(i, n - 1)), 1.0f));
}

void Camera::animatePathAt(double now) {
  if (eyePath == nullptr || lookAtPath == nullptr) return;
  if (!pathActive) return;
  const unsigned int n = eyePath->lineMesh.pointCount();
  const unsigned int m = lookAtPath->lineMesh.pointCount();
  if (pathStartTime == 0.0) {
    pathStartTime = now;
    fovPerPoint = fovTable(n);
    focusPerPoint = focusTable(n);
  }
  if (n == 0 || m == 0) {
    // Nothing to fly along: the run ends where the camera is.
    pathActive = false;
    return;
  }
  // A clock that stepped back must not extrapolate before point 0.
  const double t = std::max(0.0, now - pathStartTime);
  if (t >= static_cast<double>(n - 1)) {
    position = pathPoint(*eyePath, n - 1);
    setDirection(pathPoint(*lookAtPath, m - 1) - position);
    pathActive = false;
    return;
  }
  const unsigned int k = static_cast<unsigned int>(t);
  const float factor = static_cast<float>(t - k);
  const glm::vec3 eye1 = pathPoint(*eyePath, k), eye2 = pathPoint(*eyePath, k + 1);
  position = eye1 + (eye2 - eye1) * factor;
  const glm::vec3 lookAt1 = pathPoint(*lookAtPath, k), lookAt2 = pathPoint(*lookAtPath, k + 1);
  const glm::vec3 lookAtPos = lookAt1 + (lookAt2 - lookAt1) * factor;
  const glm::vec3 toLookAt = lookAtPos - position;
  // Where the eye reaches the look-at point the previous direction stays.
  if (glm::length(toLookAt) >= minDirectionLength) {
    setDirection(toLookAt);
    setDirectionLength(glm::length(toLookAt) * interpolateTable(focusPerPoint, k, factor));
  }
  setFieldOfView(interpolateTable(fovPerPoint, k, factor));
}
