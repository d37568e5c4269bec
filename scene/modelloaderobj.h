// Wavefront OBJ models with their MTL material library, loaded into objects.
#pragma once
#include "base/oftenused.h"
#include "scene/object.h"

class ModelLoaderOBJ {
 public:
  explicit ModelLoaderOBJ(bool forceAnisotropicFiltering = false) : forceAnisotropic(forceAnisotropicFiltering) {}
  ModelLoaderOBJ(const ModelLoaderOBJ&) = delete;
  ModelLoaderOBJ& operator=(const ModelLoaderOBJ&) = delete;
  ~ModelLoaderOBJ() { freeLineBuffer(lines); }
  // A new object ready to draw (or a path object), or null with a message.
  Object* loadModel(const char* path);

 private:
  bool forceAnisotropic;  // for the textures the models name
  // Shared by the models and material libraries this loader reads.
  LineBuffer lines;
};
