#include "scene/skyscene.h"

#include <cmath>
#include <glm/gtc/matrix_transform.hpp>

#include "scene/object.h"
#include "scene/placement.h"
#include "scene/scene.h"

glm::mat4 moonMatrixFor(const glm::dvec3& moonDirection) {
  const glm::dvec3 away = glm::normalize(moonDirection);
  glm::dvec3 y = glm::dvec3(0.0, 1.0, 0.0) - away.y * away;
  // Over a pole the world's Z serves as the up reference instead.
  if (glm::length(y) < 1e-9) y = glm::dvec3(0.0, 0.0, 1.0) - away.z * away;
  y = glm::normalize(y);
  const glm::dvec3 z = -away;
  // As the mesh has it: +X (90 degrees east) = +Y (north) x +Z (longitude 0).
  const glm::dvec3 x = glm::cross(y, z);
  glm::mat4 m(1.0f);
  m[0] = glm::vec4(glm::vec3(x), 0.0f);
  m[1] = glm::vec4(glm::vec3(y), 0.0f);
  m[2] = glm::vec4(glm::vec3(z), 0.0f);
  m[3] = glm::vec4(glm::vec3(away * moonSceneDistance), 1.0f);
  return glm::scale(m, glm::vec3(moonScale));
}

SkyPlacement skyPlacementOf(const SkyState& state) {
  SkyPlacement p;
  p.earth = glm::mat4(glm::mat3(state.earthModel));
  p.moon = moonMatrixFor(state.moonDirection);
  p.light = glm::vec3(state.sunDirection * sunSceneDistance);
  p.shadowCone = shadowConeModelMatrix(p.light);
  return p;
}

void applySkyPlacement(const SkyPlacement& placement, Object* earthObject, Object* moonObject,
                       Object* coneObject, glm::vec3& light) {
  if (earthObject) earthObject->modelMatrix = placement.earth;
  if (moonObject) moonObject->modelMatrix = placement.moon;
  if (coneObject) coneObject->modelMatrix = placement.shadowCone;
  light = placement.light;
}

AboveView viewAbove(double latitudeDeg, double longitudeDeg, double altitudeKm, const glm::dmat4& earthModel) {
  const glm::dmat3 turn(earthModel);
  AboveView v;
  v.at = glm::dvec3(earthModel[3]);
  const glm::dvec3 outward = glm::normalize(turn * terrestrialToModel(terrestrialOf(latitudeDeg, longitudeDeg)));
  v.eye = v.at + outward * (1.0 + altitudeKm / earthRadiusKm);
  const glm::dvec3 north = glm::normalize(turn * terrestrialToModel(glm::dvec3(0.0, 0.0, 1.0)));
  glm::dvec3 up = north - glm::dot(north, outward) * outward;
  if (glm::length(up) < 1e-6) {
    // Looking down a pole: the given meridian, on the far side of the pole
    // for the north one, points up, as on a map held north-up there.
    const glm::dvec3 meridian = glm::normalize(turn * terrestrialToModel(terrestrialOf(0.0, longitudeDeg)));
    up = latitudeDeg > 0 ? -meridian : meridian;
  }
  v.up = glm::normalize(up);
  return v;
}
