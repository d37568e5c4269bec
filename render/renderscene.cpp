#include "render/renderscene.h"

#include <GL/glew.h>

#include <glm/gtc/type_ptr.hpp>

#include "app/orbisk.h"
#include "camera/camera.h"
#include "render/rendertargets.h"
#include "render/stagetimer.h"
#include "scene/scene.h"

glm::vec3 lightPosition(40000.0f, 40000.0f, 40000.0f);

namespace {

void setPassUniforms(const ShaderProgram& record, const glm::mat4& viewMatrix) {
  glUniformMatrix4fv(record.V, 1, GL_FALSE, glm::value_ptr(viewMatrix));
  glUniform3f(record.lightPos_worldspace, lightPosition.x, lightPosition.y, lightPosition.z);
}

void standardDraw(Object* object, const glm::mat4& vpMatrix, const glm::mat4& viewMatrix) {
  ShaderProgram shaderProgram = object->getShaderProgram();
  glUseProgram(shaderProgram.programID);
  setPassUniforms(shaderProgram, viewMatrix);
  object->draw(vpMatrix);
}

void bindAndClear(GLuint framebuffer) {
  glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
  glViewport(0, 0, windowWidth, windowHeight);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

}  // namespace

void renderScene() {
  const glm::mat4 vpMatrix = camera.getViewProjectionMatrix();
  const glm::mat4 viewMatrix = camera.getViewMatrix();

  // The stars, straight into the pass target.
  stageBegin(FrameStage::EnvironmentCube);
  standardDraw(envCube, vpMatrix, viewMatrix);
  stageEnd(FrameStage::EnvironmentCube);

  // Depth of the shadow cone's back faces, then of its front faces.
  stageBegin(FrameStage::ShadowCone);
  glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
  glCullFace(GL_FRONT);
  bindAndClear(framebufferBackSideShadow);
  standardDraw(shadowCone, vpMatrix, viewMatrix);
  glCullFace(GL_BACK);
  bindAndClear(framebufferFrontSideShadow);
  standardDraw(shadowCone, vpMatrix, viewMatrix);
  stageEnd(FrameStage::ShadowCone);

  // The planet's colour over the stars; the target has no depth buffer.
  stageBegin(FrameStage::PlanetColour);
  glCullFace(GL_BACK);
  glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
  bindAndClear(framebufferPlanetColor);
  standardDraw(envCube, vpMatrix, viewMatrix);
  standardDraw(earth, vpMatrix, viewMatrix);
  stageEnd(FrameStage::PlanetColour);

  // Depth of the nearer of the Earth's surface and the shell's far side.
  stageBegin(FrameStage::AtmosphereDepth);
  glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
  glCullFace(GL_BACK);
  bindAndClear(framebufferBackSideAtmosphere);
  standardDraw(earth, vpMatrix, viewMatrix);
  glCullFace(GL_FRONT);
  standardDraw(atmosphere, vpMatrix, viewMatrix);
  stageEnd(FrameStage::AtmosphereDepth);

  // The atmosphere composite into the pass target, from the images above.
  stageBegin(FrameStage::AtmosphereComposite);
  glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
  glCullFace(GL_BACK);
  glBindFramebuffer(GL_FRAMEBUFFER, framebufferDOF[currentDOFPass]);
  glViewport(0, 0, windowWidth, windowHeight);
  AtmosphereFinalShaderProgram record = atmosphereFinalProgram;
  glUseProgram(record.programID);
  setPassUniforms(record, viewMatrix);
  record.bindTextureUnit(1, depthTextureBackSideShadow, record.textureShadowBack);
  record.bindTextureUnit(2, depthTextureFrontSideShadow, record.textureShadowFront);
  record.bindTextureUnit(3, depthTextureBackSideAtmosphere, record.textureAtmosDepth);
  record.bindTextureUnit(4, depthTexturePlanetDepth, record.texturePlanetDepth);
  record.bindTextureUnit(5, colorTexturePlanetColor, record.texturePlanetColor);
  glUniform2f(record.screenSize, static_cast<float>(windowWidth), static_cast<float>(windowHeight));
  atmosphere->draw(vpMatrix, record);
  stageEnd(FrameStage::AtmosphereComposite);

  // Moon and missile over the stars and the atmosphere, depth-tested.
  stageBegin(FrameStage::ListedObjects);
  for (Object* object : objectList) {
    GLint currentlyBoundShaderProgramID = 0;
    glGetIntegerv(GL_CURRENT_PROGRAM, &currentlyBoundShaderProgramID);
    ShaderProgram shaderProgram = object->getShaderProgram();
    if (static_cast<GLuint>(currentlyBoundShaderProgramID) != shaderProgram.programID)
      glUseProgram(shaderProgram.programID);
    setPassUniforms(shaderProgram, viewMatrix);
    object->draw(vpMatrix);
  }
  stageEnd(FrameStage::ListedObjects);
}
