#include "scene/scene.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <glm/gtc/matrix_transform.hpp>
#include <string>

#include "app/configfile.h"
#include "app/runfiles.h"
#include "camera/camera.h"
#include "effects/loadingscreen.h"
#include "loaders/modelloaderobj.h"
#include "loaders/shaderloader.h"
#include "render/renderscene.h"
#include "scene/placement.h"

Object* envCube = nullptr;
Object* earth = nullptr;
Object* moon = nullptr;
Object* missile = nullptr;
Object* atmosphere = nullptr;
Object* shadowCone = nullptr;
std::vector<Object*> objectList;
AtmosphereFinalShaderProgram atmosphereFinalProgram;

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

void loadScene(const std::string& shaderDefines) {
  ModelLoaderOBJ loader;
  GLuint programID = 0;

  // The star cube first, before any loading screen.
  programID = buildShaderProgram(runfiles::envCubeVertex, runfiles::envCubeFragment);
  envCube = loadRequired(loader, runfiles::envCubeModel, kModelFailure);
  envCube->setShaderProgram(buildShaderProgramRecord(programID));
  envCube->setModelMatrix(glm::scale(glm::mat4(1.0f), glm::vec3(50000.0f)));
  envCube->setDepthTest(false);
  envCube->setCulling(false);

  const std::string earthFile = configFile.setting<std::string>("earthFilename");
  const std::string earthV = configFile.setting<std::string>("earthVShader");
  const std::string earthF = configFile.setting<std::string>("earthFShader");
  showLoadingScreen(("loading object: " + earthFile).c_str());
  programID = buildShaderProgram(earthV.c_str(), earthF.c_str(), shaderDefines);
  earth = loadRequired(loader, earthFile, kModelFailure);
  earth->setShaderProgram(buildShaderProgramRecord(programID));
  earth->setModelMatrix(glm::scale(glm::mat4(1.0f), glm::vec3(1.0f)));

  // Moon and missile share the program before them when their shaders match.
  const std::string moonFile = configFile.setting<std::string>("moonFilename");
  const std::string moonV = configFile.setting<std::string>("moonVShader");
  const std::string moonF = configFile.setting<std::string>("moonFShader");
  showLoadingScreen(("loading object: " + moonFile).c_str());
  if (moonV != earthV || moonF != earthF)
    programID = buildShaderProgram(moonV.c_str(), moonF.c_str(), shaderDefines);
  moon = loadRequired(loader, moonFile, kModelFailure);
  moon->setShaderProgram(buildShaderProgramRecord(programID));
  moon->setModelMatrix(moonStartMatrix());
  objectList.push_back(moon);

  const std::string missileFile = configFile.setting<std::string>("missileFilename");
  const std::string missileV = configFile.setting<std::string>("missileVShader");
  const std::string missileF = configFile.setting<std::string>("missileFShader");
  showLoadingScreen(("loading object: " + missileFile).c_str());
  if (missileV != moonV || missileF != moonF)
    programID = buildShaderProgram(missileV.c_str(), missileF.c_str(), shaderDefines);
  missile = loadRequired(loader, missileFile, kModelFailure);
  missile->setShaderProgram(buildShaderProgramRecord(programID));
  missile->setModelMatrix(missileStartMatrix());
  objectList.push_back(missile);

  const std::string atmosphereFile = configFile.setting<std::string>("atmosphereFilename");
  const std::string atmosphereV = configFile.setting<std::string>("atmosphereVShader");
  const std::string atmosphereF = configFile.setting<std::string>("atmosphereFShader");
  const std::string atmosphereFinal = configFile.setting<std::string>("atmosphereFShaderFinal");
  showLoadingScreen(("loading object: " + atmosphereFile).c_str());
  programID = buildShaderProgram(atmosphereV.c_str(), atmosphereF.c_str(), shaderDefines);
  GLuint finalProgramID = buildShaderProgram(atmosphereV.c_str(), atmosphereFinal.c_str(), shaderDefines);
  atmosphereFinalProgram = buildAtmosphereFinalRecord(finalProgramID);
  atmosphere = loadRequired(loader, atmosphereFile, "ERROR: Could not load atmosphere model! Quitting...");
  atmosphere->setShaderProgram(buildShaderProgramRecord(programID));
  atmosphere->setModelMatrix(glm::scale(glm::mat4(1.0f), glm::vec3(1.07f)));

  const std::string shadowFile = configFile.setting<std::string>("shadowModelFilename");
  showLoadingScreen(("loading object: " + shadowFile).c_str());
  programID = buildShaderProgram(runfiles::shadowConeVertex, runfiles::shadowConeFragment);
  shadowCone = loadRequired(loader, shadowFile, "ERROR: Could not load shadow cone model! Quitting...");
  shadowCone->setShaderProgram(buildShaderProgramRecord(programID));
  shadowCone->setModelMatrix(shadowConeModelMatrix(lightPosition));

  // Camera paths are optional: the camera keeps only path objects, and what
  // it refuses (a triangle model, a path without segments) is freed here.
  const std::string eyePathFile = configFile.setting<std::string>("eyePathFilename");
  Object* eyePath = loader.loadModel(eyePathFile.c_str());
  camera.setEyePath(eyePath);
  if (camera.getEyePath() != eyePath) discard(eyePath);
  const std::string lookAtPathFile = configFile.setting<std::string>("lookAtPathFilename");
  Object* lookAtPath = loader.loadModel(lookAtPathFile.c_str());
  camera.setLookAtPath(lookAtPath);
  if (camera.getLookAtPath() != lookAtPath) discard(lookAtPath);
}

void unloadScene() {
  Object* eyePath = camera.getEyePath();
  Object* lookAtPath = camera.getLookAtPath();
  camera.clearPaths();
  discard(eyePath);
  if (lookAtPath != eyePath) discard(lookAtPath);

  // Earth, Moon and missile may hold one program between them (the rule in
  // loadScene): the first holder deletes it, the others' records are
  // cleared before they are destroyed.
  std::vector<Object*> objects = {envCube, earth, moon, missile, atmosphere, shadowCone};
  for (Object* listed : objectList)
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
  envCube = earth = moon = missile = atmosphere = shadowCone = nullptr;
  objectList.clear();
  glDeleteProgram(atmosphereFinalProgram.programID);
  atmosphereFinalProgram = AtmosphereFinalShaderProgram();
  forgetEarthDepthStandIn();
}
