// One depth-of-field pass of the scene: the environment, the auxiliary depth
// and colour images, the atmosphere composite and the listed objects.
#pragma once
#include <glm/glm.hpp>

// The sun, a point light far out in world space; never changes.
extern glm::vec3 lightPosition;

void renderScene();
