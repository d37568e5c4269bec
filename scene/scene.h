// The fixed scene, assembled once at start-up.
#pragma once
#include <functional>
#include <string>
#include <vector>

#include "base/configfile.h"
#include "gpu/shaderprogram.h"
#include "scene/earthlayers.h"
#include "scene/object.h"
#include "scene/sceneclock.h"
#include "scene/starfield.h"

// The sun, a point light far out in world space. The design's scene keeps it
// at designLightPosition; the sky of an instant moves it.
inline const glm::vec3 designLightPosition(40000.0f, 40000.0f, 40000.0f);

// Which program draws the Earth into the depth-only target: the passes work
// it out once for each pair of programs (by name).
struct EarthDepthStandIn {
  GLuint program = 0;
  GLuint standIn = 0;
  bool usable = false;
};

// What the frame draws, held by the shell and handed to each pass.
struct Scene {
  Object* envCube = nullptr;
  Object* earth = nullptr;
  Object* moon = nullptr;
  Object* missile = nullptr;
  Object* atmosphere = nullptr;
  Object* shadowCone = nullptr;
  // Objects drawn generically by the passes, each with its own program: moon, missile.
  std::vector<Object*> objectList;
  AtmosphereFinalShaderProgram atmosphereFinalProgram;
  glm::vec3 lightPosition = designLightPosition;
  // The catalogue's stars, and the un-jittered view the frame draws them
  // with: the depth-of-field passes turn the eye about the focus, which
  // would smear each star over the turned eyes' spread.
  StarField starField;
  glm::mat4 starViewProjection{1.0f};
  // The camera's exposure (1: the design's look) and the stars' share of
  // their design light at it, in stops (render/exposure.h).
  float exposure = 1.0f;
  float starStops = 0.0f;
  // What the flight and the animation run on; a new scene starts it afresh.
  SceneClock clock;
  // The Earth's clouds and relief, with the clouds' season.
  EarthLayers earthLayers;
  // Scene time of the animation's last step (0: none yet).
  double lastAnimationTime = 0.0;
  // A cache of the passes', kept with the programs it was worked out for.
  mutable EarthDepthStandIn earthDepthStandIn;
};

// The scene loaded one object a step, so that whoever drives the steps can
// show progress between them (a loading screen, a browser's next frame).
// Steps: the star cube, Earth, Moon, missile, atmosphere, shadow cone, the
// camera paths. A required model that cannot be loaded ends the process.
// The lines the Earth's program and the Moon's and the missile's are built
// with: each compiles only the shading of the bodies it draws.
inline constexpr const char* kEarthOnlyDefine = "#define EARTH_ONLY 1\n";
inline constexpr const char* kWithoutEarthDefine = "#define WITHOUT_EARTH 1\n";

struct SceneLoading {
  static constexpr int kSteps = 7;
  int step = 0;  // the next one
  // The settings naming the models and their shaders.
  ConfigFile config;
  // What the configured objects' programs are built with (the texture
  // filtering's choice).
  std::string shaderDefines;
  // The last program built for Earth, Moon or missile, with its sources:
  // the missile shares the Moon's when its shaders are the same (the
  // Earth's is built for the Earth alone).
  GLuint program = 0;
  std::string vertex, fragment;

  bool done() const { return step >= kSteps; }
  // The loading screen's line for the next step ("loading object: ..."), or
  // empty when that step shows none.
  std::string status() const;
};
void loadSceneStep(Scene& scene, SceneLoading& loading);
// Every step left of loading (its settings and defines already set), calling
// showProgress (when given) with each status line first.
void loadScene(Scene& scene, SceneLoading& loading, const std::function<void(const char* status)>& showProgress);
// Destroys and deletes every object loadScene made, the camera paths among
// them, releases each program once and leaves the scene as before loadScene.
void unloadScene(Scene& scene);
// Turns the cone's +y axis away from the light and sets its base on the Earth's centre.
glm::mat4 shadowConeModelMatrix(const glm::vec3& light);
