// The fixed scene, assembled once at start-up.
#pragma once
#include <string>
#include <vector>

#include "render/shaderprogram.h"
#include "scene/object.h"

extern Object* envCube;
extern Object* earth;
extern Object* moon;
extern Object* missile;
extern Object* atmosphere;
extern Object* shadowCone;
// Objects drawn generically by the passes, each with its own program: moon, missile.
extern std::vector<Object*> objectList;
extern AtmosphereFinalShaderProgram atmosphereFinalProgram;

// shaderDefines: what the configured objects' programs are built with (the
// texture filtering's choice).
void loadScene(const std::string& shaderDefines);
// Destroys and deletes every object loadScene made, the camera paths among
// them, releases each program once and leaves the globals as before loadScene.
void unloadScene();
// Turns the cone's +y axis away from the light and sets its base on the Earth's centre.
glm::mat4 shadowConeModelMatrix(const glm::vec3& light);
