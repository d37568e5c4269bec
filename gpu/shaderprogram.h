// A linked program's name with the locations of the uniform vocabulary that
// every program of the scene shares. Plain values: copies name the same program.
#pragma once
#include <GL/glew.h>

// Each location field bears its uniform's name; -1 where the program lacks it.
struct ShaderProgram {
  GLuint programID = 0;
  GLint MVP = -1, V = -1, M = -1;
  GLint lightPos_worldspace = -1, validityChecker = -1;
  GLint diffuseTexture = -1, specularTexture = -1, diffuseNightTexture = -1;
  GLint DOFTextures[15] = {-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1};
  GLint DOFSamples = -1;
  GLint multipleScatteringTable = -1, groundIrradianceTable = -1, multipleScatteringScale = -1;
  GLint exposureAboveOne = -1, starFade = -1;
  bool initialized = false;
};

struct AtmosphereFinalShaderProgram : ShaderProgram {
  GLint texturePlanetColor = -1, texturePlanetDepth = -1, textureAtmosDepth = -1;
  GLint textureShadowBack = -1, textureShadowFront = -1;
  GLint screenSize = -1;

  // Makes the unit active, binds the texture there and points the sampler at it.
  void bindTextureUnit(GLint unit, GLuint texture, GLint location) const;
};

ShaderProgram buildShaderProgramRecord(GLuint programID);
AtmosphereFinalShaderProgram buildAtmosphereFinalRecord(GLuint programID);

// The fifteen sampler names of passes 1..15: "DOFTexture1".."DOFTextureF".
void dofTextureName(int pass, char name[12]);
