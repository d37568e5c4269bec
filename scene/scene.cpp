#include "scene/scene.h"

Object* envCube = nullptr;
Object* earth = nullptr;
Object* moon = nullptr;
Object* missile = nullptr;
Object* atmosphere = nullptr;
Object* shadowCone = nullptr;
std::vector<Object*> objectList;
AtmosphereFinalShaderProgram atmosphereFinalProgram;

void loadScene() {
  // Assembled in a later step; until then the frame draws nothing.
}
