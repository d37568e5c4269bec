// Wavefront OBJ models with their MTL material library, loaded into objects.
#pragma once
#include "scene/object.h"

class ModelLoaderOBJ {
 public:
  // A new object ready to draw (or a path object), or null with a message.
  Object* loadModel(const char* path);
};
