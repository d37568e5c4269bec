#include "scene/scene.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <glm/gtc/matrix_transform.hpp>
#include <string>

#include "base/configfile.h"
#include "base/runfiles.h"
#include "gpu/shaderbuild.h"
#include "gpu/textureupload.h"
#include "scene/camera.h"
#include "scene/modelloaderobj.h"
#include "scene/placement.h"
#include "scene/starfield.h"

namespace {

Object* loadRequired(ModelLoaderOBJ& loader, const std::string& path, const char* failure) {
  Object* object = loader.loadModel(path.c_str());
  if (object == nullptr) {
    fprintf(stderr, "%s\n", failure);
    exit(1);
  }
  return object;
}

const char* kModelFailure = "ERROR: Could not load model! Quitting...";

// An object of the scene, with its GL objects, gone for good.
void discard(Object*& object) {
  if (object == nullptr) return;
  object->destroy();
  delete object;
  object = nullptr;
}

}  // namespace

glm::mat4 shadowConeModelMatrix(const glm::vec3& light) {
  const glm::vec3 coneUpDir(0.0f, 1.0f, 0.0f);
  const glm::vec3 lightDir = glm::normalize(glm::vec3(0.0f) - light);
  glm::vec3 axis = glm::cross(coneUpDir, lightDir);
  float angle = glm::degrees(std::acos(glm::clamp(glm::dot(coneUpDir, lightDir), -1.0f, 1.0f)));
  // A light straight above or below leaves no axis to turn about.
  if (glm::length(axis) < 1e-6f) axis = glm::vec3(1.0f, 0.0f, 0.0f);
  glm::mat4 m = glm::scale(glm::mat4(1.0f), glm::vec3(1.0f));
  m = glm::rotate(m, glm::radians(angle), axis);
  return glm::translate(m, glm::vec3(0.0f, 1.0f, 0.0f));
}

namespace {
// The programs of Earth, Moon and missile: the Earth's is built for the
// Earth alone, the Moon's for the bodies without it, and the missile shares
// the Moon's when the shaders match.
GLuint programFor(SceneLoading& loading, const std::string& vertex, const std::string& fragment) {
  // Earth and Moon always build their own: even a program that failed (0)
  // is shared.
  if (loading.step <= 2 || vertex != loading.vertex || fragment != loading.fragment) {
    const std::string defines = loading.shaderDefines + (loading.step == 1 ? kEarthOnlyDefine : kWithoutEarthDefine);
    loading.program = buildShaderProgram(vertex.c_str(), fragment.c_str(), defines);
    loading.vertex = vertex;
    loading.fragment = fragment;
  }
  return loading.program;
}

// Camera paths are optional: the camera keeps only path objects, and what
// it refuses (a triangle model, a path without segments) is freed here.
void loadCameraPaths(ModelLoaderOBJ& loader, const ConfigFile& configFile) {
  const std::string eyePathFile = configFile.setting<std::string>("eyePathFilename");
  Object* eyePath = loader.loadModel(eyePathFile.c_str());
  camera.setEyePath(eyePath);
  if (camera.getEyePath() != eyePath) discard(eyePath);
  const std::string lookAtPathFile = configFile.setting<std::string>("lookAtPathFilename");
  Object* lookAtPath = loader.loadModel(lookAtPathFile.c_str());
  camera.setLookAtPath(lookAtPath);
  if (camera.getLookAtPath() != lookAtPath) discard(lookAtPath);
}
}  // namespace

std::string SceneLoading::status() const {
  const char* key = nullptr;
  switch (step) {
    case 1: key = "earthFilename"; break;
    case 2: key = "moonFilename"; break;
    case 3: key = "missileFilename"; break;
    case 4: key = "atmosphereFilename"; break;
    case 5: key = "shadowModelFilename"; break;
    default: return "";  // the star cube comes before any loading screen; the paths add none
  }
  return "loading object: " + config.getValue(key, config::defaultOf(key));
}

void loadSceneStep(Scene& scene, SceneLoading& loading) {
  const ConfigFile& configFile = loading.config;
  ModelLoaderOBJ loader(forcesAnisotropicFiltering(configFile));
  GLuint programID = 0;
  switch (loading.step) {
    case 0:
      programID = buildShaderProgram(runfiles::envCubeVertex, runfiles::envCubeFragment);
      scene.envCube = loadRequired(loader, runfiles::envCubeModel, kModelFailure);
      scene.envCube->setShaderProgram(buildShaderProgramRecord(programID));
      scene.envCube->setModelMatrix(glm::scale(glm::mat4(1.0f), glm::vec3(50000.0f)));
      scene.envCube->setDepthTest(false);
      scene.envCube->setCulling(false);
      // The sky without its stars is still a sky: a missing catalogue is a warning.
      if (std::string error; !loadStarField(scene.starField, runfiles::starCatalogue, runfiles::starVertex,
                                            runfiles::starFragment, error))
        fprintf(stderr, "WARNING: no stars: %s\n", error.c_str());
      break;
    case 1: {
      const std::string earthFile = configFile.setting<std::string>("earthFilename");
      programID = programFor(loading, configFile.setting<std::string>("earthVShader"),
                             configFile.setting<std::string>("earthFShader"));
      scene.earth = loadRequired(loader, earthFile, kModelFailure);
      scene.earth->setShaderProgram(buildShaderProgramRecord(programID));
      scene.earth->setModelMatrix(glm::scale(glm::mat4(1.0f), glm::vec3(1.0f)));
      break;
    }
    case 2: {
      const std::string moonFile = configFile.setting<std::string>("moonFilename");
      programID = programFor(loading, configFile.setting<std::string>("moonVShader"),
                             configFile.setting<std::string>("moonFShader"));
      scene.moon = loadRequired(loader, moonFile, kModelFailure);
      scene.moon->setShaderProgram(buildShaderProgramRecord(programID));
      scene.moon->setModelMatrix(moonStartMatrix());
      scene.objectList.push_back(scene.moon);
      break;
    }
    case 3: {
      const std::string missileFile = configFile.setting<std::string>("missileFilename");
      programID = programFor(loading, configFile.setting<std::string>("missileVShader"),
                             configFile.setting<std::string>("missileFShader"));
      scene.missile = loadRequired(loader, missileFile, kModelFailure);
      scene.missile->setShaderProgram(buildShaderProgramRecord(programID));
      scene.missile->setModelMatrix(missileStartMatrix());
      scene.objectList.push_back(scene.missile);
      break;
    }
    case 4: {
      const std::string atmosphereFile = configFile.setting<std::string>("atmosphereFilename");
      const std::string atmosphereV = configFile.setting<std::string>("atmosphereVShader");
      const std::string atmosphereF = configFile.setting<std::string>("atmosphereFShader");
      const std::string atmosphereFinal = configFile.setting<std::string>("atmosphereFShaderFinal");
      programID = buildShaderProgram(atmosphereV.c_str(), atmosphereF.c_str(), loading.shaderDefines);
      GLuint finalProgramID = buildShaderProgram(atmosphereV.c_str(), atmosphereFinal.c_str(), loading.shaderDefines);
      scene.atmosphereFinalProgram = buildAtmosphereFinalRecord(finalProgramID);
      scene.atmosphere = loadRequired(loader, atmosphereFile, "ERROR: Could not load atmosphere model! Quitting...");
      scene.atmosphere->setShaderProgram(buildShaderProgramRecord(programID));
      scene.atmosphere->setModelMatrix(glm::scale(glm::mat4(1.0f), glm::vec3(1.07f)));
      break;
    }
    case 5: {
      const std::string shadowFile = configFile.setting<std::string>("shadowModelFilename");
      programID = buildShaderProgram(runfiles::shadowConeVertex, runfiles::shadowConeFragment);
      scene.shadowCone = loadRequired(loader, shadowFile, "ERROR: Could not load shadow cone model! Quitting...");
      scene.shadowCone->setShaderProgram(buildShaderProgramRecord(programID));
      scene.shadowCone->setModelMatrix(shadowConeModelMatrix(scene.lightPosition));
      break;
    }
    case 6: loadCameraPaths(loader, configFile); break;
    default: return;
  }
  ++loading.step;
}

void loadScene(Scene& scene, SceneLoading& loading, const std::function<void(const char* status)>& showProgress) {
  while (!loading.done()) {
    const std::string status = loading.status();
    if (!status.empty() && showProgress) showProgress(status.c_str());
    loadSceneStep(scene, loading);
  }
}

void unloadScene(Scene& scene) {
  Object* eyePath = camera.getEyePath();
  Object* lookAtPath = camera.getLookAtPath();
  camera.clearPaths();
  discard(eyePath);
  if (lookAtPath != eyePath) discard(lookAtPath);

  // Earth, Moon and missile may hold one program between them (the rule in
  // loadScene): the first holder deletes it, the others' records are
  // cleared before they are destroyed.
  std::vector<Object*> objects = {scene.envCube,    scene.earth,      scene.moon,
                                  scene.missile, scene.atmosphere, scene.shadowCone};
  for (Object* listed : scene.objectList)
    if (std::find(objects.begin(), objects.end(), listed) == objects.end()) objects.push_back(listed);
  std::vector<GLuint> deletedPrograms;
  for (Object* object : objects) {
    if (object == nullptr) continue;
    GLuint& program = object->shaderProgram.programID;
    if (std::find(deletedPrograms.begin(), deletedPrograms.end(), program) != deletedPrograms.end())
      program = 0;
    else
      deletedPrograms.push_back(program);
    discard(object);
  }
  scene.envCube = scene.earth = scene.moon = nullptr;
  scene.missile = scene.atmosphere = scene.shadowCone = nullptr;
  unloadStarField(scene.starField);
  scene.objectList.clear();
  glDeleteProgram(scene.atmosphereFinalProgram.programID);
  scene.atmosphereFinalProgram = AtmosphereFinalShaderProgram();
  // The programs' names are free again: the choice made for them is void.
  scene.earthDepthStandIn = EarthDepthStandIn();
}
