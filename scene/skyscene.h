// The sky of an instant laid onto the scene: the Earth turned as it stands,
// the Moon and the sun's light along their true directions.
#pragma once
#include <glm/glm.hpp>

#include "scene/skyclock.h"

class Object;

// The scene's sun stands as far out as the design's (40000, 40000, 40000),
// so that the glow, the flare and the shadow cone see it as they always did.
inline constexpr double sunSceneDistance = 69282.03230275509;
// The Moon keeps the scene's size and distance; only its direction is true.
inline constexpr double moonSceneDistance = 6.0;

// The Moon's model matrix for a direction: its mesh's +Z (the map's
// longitude 0, the near side's centre) toward the Earth, its +Y (north) as
// near the pole as that allows; librations are left out.
glm::mat4 moonMatrixFor(const glm::dvec3& moonDirection);

struct SkyPlacement {
  glm::mat4 earth{1.0f};
  glm::mat4 moon{1.0f};
  glm::mat4 shadowCone{1.0f};
  glm::vec3 light{0.0f};
};
SkyPlacement skyPlacementOf(const SkyState& state);

// The camera over a point of the Earth (degrees, east positive; kilometres
// above the surface) looking at the Earth's centre, north up. earthModel
// carries the Earth's mesh into the world (the mesh's axes: terrestrialToModel).
// Over a pole, where north is no direction, the picture is a polar map's:
// the meridian of the longitude given runs from the centre downward over the
// north pole, upward over the south pole.
struct AboveView {
  glm::dvec3 eye{0.0};
  glm::dvec3 at{0.0};
  glm::dvec3 up{0.0, 1.0, 0.0};
};
AboveView viewAbove(double latitudeDeg, double longitudeDeg, double altitudeKm, const glm::dmat4& earthModel);

// Sets the objects' model matrices (absent ones are skipped) and the light.
void applySkyPlacement(const SkyPlacement& placement, Object* earthObject, Object* moonObject,
                       Object* coneObject, glm::vec3& light);
