#include "render/renderscene.h"

#include <GL/glew.h>

#include <glm/gtc/type_ptr.hpp>
#include <cmath>
#include <string>

#include "gpu/passstate.h"
#include "gpu/screenbounds.h"
#include "gpu/stagetimer.h"
#include "gpu/rendertargets.h"
#include "scene/earthlayers.h"
#include "render/skytextures.h"
#include "scene/camera.h"
#include "scene/scene.h"
#include "scene/starfield.h"

namespace {

// Pixels added around the shell's outline for the auxiliary images.
constexpr int kAuxiliaryPadding = 4;

void setPassUniforms(const ShaderProgram& record, const glm::mat4& viewMatrix, const glm::vec3& light) {
  glUniformMatrix4fv(record.V, 1, GL_FALSE, glm::value_ptr(viewMatrix));
  glUniform3f(record.lightPos_worldspace, light.x, light.y, light.z);
}

void setExposureUniforms(const ShaderProgram& record, const Scene& scene) {
  glUniform1f(record.exposureAboveOne, scene.exposure - 1.0f);
  // The star cube's texture holds gamma-encoded colour.
  if (record.starFade >= 0) glUniform1f(record.starFade, starCubeFade(scene.starStops));
}

// One draw, whole: the step's state as the object changes it, the program,
// the pass's uniforms, then the object's own uniforms and textures.
void drawWith(const Scene& scene, Object* object, const ShaderProgram& record, const PassState& step,
              const glm::mat4& vpMatrix, const glm::mat4& viewMatrix, const glm::vec3& light) {
  applyPassState(object->stateIn(step));
  glUseProgram(record.programID);
  setPassUniforms(record, viewMatrix, light);
  setExposureUniforms(record, scene);
  object->draw(vpMatrix, record);
}

void standardDraw(const Scene& scene, Object* object, const PassState& step, const glm::mat4& vpMatrix,
                  const glm::mat4& viewMatrix, const glm::vec3& light) {
  drawWith(scene, object, object->getShaderProgram(), step, vpMatrix, viewMatrix, light);
}

// Every target of a pass has one size (targetWidth x targetHeight), and the
// frame set the viewport to it before the pass: binding a target needs no
// new viewport. The clear obeys the step's masks and scissor.
void bindAndClear(GLuint framebuffer, const PassState& step) {
  applyPassState(step);
  glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

bool attachedSource(GLuint program, GLenum type, std::string& source) {
  GLuint shaders[4] = {0, 0, 0, 0};
  GLsizei count = 0;
  glGetAttachedShaders(program, 4, &count, shaders);
  int found = 0;
  for (GLsizei i = 0; i < count; ++i) {
    GLint shaderType = 0;
    glGetShaderiv(shaders[i], GL_SHADER_TYPE, &shaderType);
    if (static_cast<GLenum>(shaderType) != type) continue;
    GLint length = 0;
    glGetShaderiv(shaders[i], GL_SHADER_SOURCE_LENGTH, &length);
    source.assign(static_cast<size_t>(length > 0 ? length : 1), '\0');
    GLsizei written = 0;
    glGetShaderSource(shaders[i], static_cast<GLsizei>(source.size()), &written, source.data());
    source.resize(static_cast<size_t>(written));
    ++found;
  }
  return found == 1 && count == 2;
}

}  // namespace

void forgetEarthDepthStandIn(const Scene& scene) { scene.earthDepthStandIn = EarthDepthStandIn(); }

bool drawsSameDepth(GLuint program, GLuint standIn) {
  if (program == standIn) return true;
  if (program == 0 || standIn == 0) return false;
  std::string vertexA, vertexB, fragmentA, fragmentB;
  if (!attachedSource(program, GL_VERTEX_SHADER, vertexA) || !attachedSource(standIn, GL_VERTEX_SHADER, vertexB) ||
      !attachedSource(program, GL_FRAGMENT_SHADER, fragmentA) ||
      !attachedSource(standIn, GL_FRAGMENT_SHADER, fragmentB))
    return false;
  // The depth comes from the vertex stage alone unless a fragment shader
  // discards fragments or writes its own depth.
  for (const std::string* fragment : {&fragmentA, &fragmentB})
    if (fragment->find("discard") != std::string::npos || fragment->find("gl_FragDepth") != std::string::npos)
      return false;
  return vertexA == vertexB;
}

void renderScene(const Scene& scene, const RenderTargets& targets, const SkyTextures& skyTextures,
                 const AirTable& airTable, int pass) {
  const glm::mat4 vpMatrix = camera.getViewProjectionMatrix();
  const glm::mat4 viewMatrix = camera.getViewMatrix();

  // The stars, straight into the pass target.
  // Neither is drawn where the exposure leaves nothing of them to see.
  stageBegin(FrameStage::EnvironmentCube);
  const bool cubeShows = starCubeShows(scene.starStops);
  if (cubeShows) standardDraw(scene, scene.envCube, passstate::environment, vpMatrix, viewMatrix, scene.lightPosition);
  drawStarField(scene.starField, passstate::stars, scene.starViewProjection, scene.exposure, scene.starStops);
  stageEnd(FrameStage::EnvironmentCube);

  // The auxiliary images are read only where the atmosphere composite draws,
  // inside the shell's outline: they are cleared and drawn only there.
  const ScreenRect auxiliary =
      sphereScreenRect(boundingSphere(scene.atmosphere->mesh.vertices, scene.atmosphere->getModelMatrix()),
                       vpMatrix, targets.targetWidth, targets.targetHeight, kAuxiliaryPadding);
  const bool scissored = !(auxiliary == ScreenRect{0, 0, targets.targetWidth, targets.targetHeight});
  auto auxiliaryStep = [&](const PassState& step) { return scissored ? scissoredTo(step, auxiliary) : step; };
  const PassState shadowBackFaces = auxiliaryStep(passstate::shadowBackFaces);
  const PassState shadowFrontFaces = auxiliaryStep(passstate::shadowFrontFaces);
  const PassState planetColour = auxiliaryStep(passstate::planetColour);
  const PassState earthDepth = auxiliaryStep(passstate::earthDepth);
  const PassState shellFarSide = auxiliaryStep(passstate::shellFarSide);

  // Depth of the shadow cone's back faces, then of its front faces: only for
  // a composite program that samples them. The shipped one cuts the Earth's
  // shadow from each ray itself; the two cone draws and clears a pass cost
  // about 7 % of the full frame on a software rasteriser.
  stageBegin(FrameStage::ShadowCone);
  if (scene.atmosphereFinalProgram.textureShadowBack >= 0 || scene.atmosphereFinalProgram.textureShadowFront >= 0) {
    bindAndClear(targets.framebufferBackSideShadow, shadowBackFaces);
    standardDraw(scene, scene.shadowCone, shadowBackFaces, vpMatrix, viewMatrix, scene.lightPosition);
    bindAndClear(targets.framebufferFrontSideShadow, shadowFrontFaces);
    standardDraw(scene, scene.shadowCone, shadowFrontFaces, vpMatrix, viewMatrix, scene.lightPosition);
  }
  stageEnd(FrameStage::ShadowCone);

  // The planet's colour over the stars; the target has no depth buffer.
  stageBegin(FrameStage::PlanetColour);
  bindAndClear(targets.framebufferPlanetColor, planetColour);
  if (cubeShows) standardDraw(scene, scene.envCube, planetColour, vpMatrix, viewMatrix, scene.lightPosition);
  // The composite shows the sky through the air from this image.
  drawStarField(scene.starField, auxiliaryStep(passstate::stars), scene.starViewProjection, scene.exposure,
                scene.starStops);
  if (airTable.inUse) {
    // The Earth with its air read from the table, straight into the pass
    // target and its depth: the composite then shades only the limb.
    const ShaderProgram& earthRecord = airTable.earthReader;
    glBindFramebuffer(GL_FRAMEBUFFER, targets.framebufferDOF[pass]);
    bindSkyTextures(skyTextures, earthRecord);
    bindEarthLayers(scene.earthLayers, earthRecord.programID);
    bindAirTable(airTable, earthRecord);
    drawWith(scene, scene.earth, earthRecord, auxiliaryStep(passstate::earthWithAir), vpMatrix, viewMatrix,
             scene.lightPosition);
  } else {
    bindSkyTextures(skyTextures, scene.earth->getShaderProgram());
    bindEarthLayers(scene.earthLayers, scene.earth->getShaderProgram().programID);
    standardDraw(scene, scene.earth, planetColour, vpMatrix, viewMatrix, scene.lightPosition);
  }
  stageEnd(FrameStage::PlanetColour);

  // Depth of the nearer of the Earth's surface and the shell's far side, for
  // a composite program that samples it (the shipped one takes each pixel's
  // depth from its own ray). The Earth's own fragment shader is costly and
  // its colour is masked here: the shell's depth program draws it when that
  // gives the very same depth.
  const AtmosphereFinalShaderProgram& record = airTable.inUse ? airTable.reader : scene.atmosphereFinalProgram;
  stageBegin(FrameStage::AtmosphereDepth);
  if (record.textureAtmosDepth >= 0) {
    bindAndClear(targets.framebufferBackSideAtmosphere, earthDepth);
    const ShaderProgram atmosphereRecord = scene.atmosphere->getShaderProgram();
    const ShaderProgram earthRecord = scene.earth->getShaderProgram();
    EarthDepthStandIn& earthDepthStandIn = scene.earthDepthStandIn;
    if (earthDepthStandIn.program != earthRecord.programID || earthDepthStandIn.standIn != atmosphereRecord.programID)
      earthDepthStandIn = {earthRecord.programID, atmosphereRecord.programID,
                           drawsSameDepth(earthRecord.programID, atmosphereRecord.programID)};
    // The shared vertex stage reads the sky's ground table in this program too:
    // its sampler must point at the table, not at whatever unit 0 holds (WebGL
    // refuses a draw that samples a texture its target is rendering into).
    bindSkyTextures(skyTextures, atmosphereRecord);
    drawWith(scene, scene.earth, earthDepthStandIn.usable ? atmosphereRecord : earthRecord, earthDepth, vpMatrix,
             viewMatrix, scene.lightPosition);
    drawWith(scene, scene.atmosphere, atmosphereRecord, shellFarSide, vpMatrix, viewMatrix, scene.lightPosition);
  }
  stageEnd(FrameStage::AtmosphereDepth);

  // The atmosphere composite into the pass target, from the images above.
  stageBegin(FrameStage::AtmosphereComposite);
  applyPassState(scene.atmosphere->stateIn(passstate::atmosphereComposite));
  glBindFramebuffer(GL_FRAMEBUFFER, targets.framebufferDOF[pass]);
  glUseProgram(record.programID);
  setPassUniforms(record, viewMatrix, scene.lightPosition);
  setExposureUniforms(record, scene);
  bindSkyTextures(skyTextures, record);
  if (airTable.inUse) bindAirTable(airTable, record);
  record.bindTextureUnit(1, targets.depthTextureBackSideShadow, record.textureShadowBack);
  record.bindTextureUnit(2, targets.depthTextureFrontSideShadow, record.textureShadowFront);
  record.bindTextureUnit(3, targets.depthTextureBackSideAtmosphere, record.textureAtmosDepth);
  record.bindTextureUnit(4, targets.depthTexturePlanetDepth, record.texturePlanetDepth);
  record.bindTextureUnit(5, targets.colorTexturePlanetColor, record.texturePlanetColor);
  // The pixels of the pass target, which are the window's only at full scale.
  glUniform2f(record.screenSize, static_cast<float>(targets.targetWidth), static_cast<float>(targets.targetHeight));
  // NOTE: nothing is ever drawn into the PlanetDepth image bound on unit 4;
  // and a composite shader sampling a specular or night texture would have
  // the shell's draw bind it on unit 1 or 2, over the shadow images.
  scene.atmosphere->draw(vpMatrix, record);
  stageEnd(FrameStage::AtmosphereComposite);

  // Moon and missile over the stars and the atmosphere, depth-tested.
  stageBegin(FrameStage::ListedObjects);
  for (Object* object : scene.objectList)
    standardDraw(scene, object, passstate::listedObjects, vpMatrix, viewMatrix, scene.lightPosition);
  stageEnd(FrameStage::ListedObjects);
}
