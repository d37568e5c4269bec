// One depth-of-field pass of the scene: the environment, the auxiliary depth
// and colour images, the atmosphere composite and the listed objects.
#pragma once
#include <glm/glm.hpp>

#include "gpu/rendertargets.h"
#include "render/airtable.h"
#include "render/skytextures.h"
#include "scene/scene.h"

// Each step sets the state it draws with (gpu/passstate.h). NOTE: leaves
// the pass target bound with its scene depth, which the sun glow drawn next
// reads back.
// pass: the depth-of-field pass whose target the composite draws into.
// airTable: the composite reads its air there when the frame made it (inUse).
void renderScene(const Scene& scene, const RenderTargets& targets, const SkyTextures& skyTextures,
                 const AirTable& airTable, int pass);
// Forgets which program draws the Earth's depth. The choice is kept by
// program name, and GL hands deleted names out again: whoever deletes the
// Earth's or the shell's program calls this (unloadScene does).
void forgetEarthDepthStandIn(const Scene& scene);

// True when drawing with standIn instead of program leaves the same depth:
// both have the same vertex shader source, and neither fragment shader
// discards or writes its own depth. Reads the programs' attached shaders.
bool drawsSameDepth(unsigned int program, unsigned int standIn);
