// Wavefront OBJ models with their MTL material library, and the texture
// loaders the models use.
#pragma once
#include <GL/glew.h>

#include "scene/object.h"

class ModelLoaderOBJ {
 public:
  // A new object ready to draw (or a path object), or null with a message.
  Object* loadModel(const char* path);
  // Any image DevIL reads, as an uncompressed RGB texture without mipmaps.
  GLuint loadImageTexture(const char* path);
};

// A DXT1/DXT3/DXT5 DDS file with its stored mip chain; 0 on failure.
GLuint loadDdsTexture(const char* path);
