#include "scene/modelloaderobj.h"

#include <cstdio>
#include <new>
#include <string>
#include <vector>

#include "base/oftenused.h"
#include "gpu/textureupload.h"
#include "loaders/objparse.h"
#include "loaders/vertexindexer.h"

namespace {

// Errors go to standard error; what was printed before them comes first
// also when both streams end up in one pipe.
void printError(const std::string& message) {
  fflush(stdout);
  fprintf(stderr, "%s\n", message.c_str());
}

// Reads the OBJ file line by line through the loader's line buffer. Stops at
// the first malformed face; false then, with the error set.
bool readObjFile(FILE* file, ObjData& obj, LineBuffer& lines) {
  while (char* line = readLine(lines, file)) {
    ObjLine kind = parseObjLine(obj, line);
    // NOTE: names the library as written in the OBJ, not the path opened
    // (that is the "with path" line, when the model has a directory).
    if (kind == ObjLine::MaterialLibrary) printf("DEBUG: materialFileName: '%s'\n", obj.materialFileName.c_str());
    if (kind == ObjLine::FormatError) return false;
  }
  return finishObj(obj);
}

// NOTE: the lines printed here name texture files, not the library read.
void readMtlFile(FILE* file, MtlData& mtl, LineBuffer& lines) {
  while (char* line = readLine(lines, file)) {
    switch (parseMtlLine(mtl, line)) {
      case MtlLine::DiffuseTexture:
        printf("DEBUG: diffuseTextureFileName: '%s'\n", mtl.diffuseTextureFileName.c_str());
        break;
      case MtlLine::SpecularTexture:
        printf("DEBUG: specularTextureFileName: '%s'\n", mtl.specularTextureFileName.c_str());
        break;
      case MtlLine::NightTexture:
        printf("DEBUG: diffuseNightTextureFileName: '%s'\n", mtl.diffuseNightTextureFileName.c_str());
        break;
      default:
        break;
    }
  }
}

Object* loadModelFrom(FILE* file, const char* path, LineBuffer& lines, bool forceAnisotropic) {
  ObjData obj;
  const bool accepted = readObjFile(file, obj, lines);
  fclose(file);
  if (!accepted) {
    printError(objErrorMessage(obj, path));
    freeLineBuffer(lines);
    return nullptr;
  }
  printf("DEBUG: :::LOADED ::: vertices:%zu;  normals:%zu;  uvs:%zu; vertexInices:%zu; normalIndices:%zu; "
         "uvIndices:%zu\n",
         obj.positions.size(), obj.normals.size(), obj.uvs.size(), obj.vertexIndices.size(),
         obj.normalIndices.size(), obj.uvIndices.size());

  Object* object = new Object();
  if (obj.pathMode) {
    LineMesh lineMesh;
    // The mesh's warning names no file.
    if (!lineMesh.build(obj.positions, obj.vertexIndices))
      printError(std::string("ERROR: OBJ-File '") + path + "' holds no positions for its path!");
    object->setLineMesh(lineMesh);
    freeLineBuffer(lines);
    puts("DEBUG: after freeing stuff!");
    return object;
  }

  std::vector<glm::vec3> vertices;
  std::vector<glm::vec2> uvs;
  std::vector<glm::vec3> normals;
  expandObjCorners(obj, vertices, uvs, normals);
  printf("DEBUG: :::INDICED::: vertices:%zu;  normals:%zu;  uvs:%zu\n", vertices.size(), normals.size(), uvs.size());

  std::vector<glm::vec3> verticesVBO;
  std::vector<glm::vec2> uvsVBO;
  std::vector<glm::vec3> normalsVBO;
  std::vector<uint32_t> indicesVBO;
  TriangleMesh mesh;
  // The corner lists are not needed after indexing; hand them over.
  if (indexVertexData(std::move(vertices), std::move(uvs), std::move(normals), &verticesVBO, &uvsVBO, &normalsVBO,
                      &indicesVBO)) {
    printf("DEBUG: :::  VBO  ::: vertices:%zu;  normals:%zu;  uvs:%zu;  indices:%zu\n", verticesVBO.size(),
           normalsVBO.size(), uvsVBO.size(), indicesVBO.size());
    puts("DEBUG: created triangle mesh!");
    // The mesh's warning names no file.
    if (!mesh.create(verticesVBO, uvsVBO, normalsVBO, indicesVBO))
      printError(std::string("ERROR: OBJ-File '") + path + "' holds no triangles!");
    puts("DEBUG: initialized triangle mesh!");
  } else {
    printError("ERROR: Could not create indexed VBO!");
  }

  if (obj.hasUVs) {
    bool hasDirectory = false;
    const std::string materialPath = materialPathOf(path, obj.materialFileName, &hasDirectory);
    if (hasDirectory) printf("DEBUG: materialFilename with path: '%s'\n", materialPath.c_str());
    FILE* materialFile = openFile(materialPath.c_str(), "r");
    if (materialFile == nullptr) {
      // NOTE: names the library only, not the model that is refused for it.
      printError("ERROR: Could not open file " + materialPath + "!");
      // NOTE: the mesh's buffers belong to no object yet; free them here.
      mesh.release();
      delete object;
      freeLineBuffer(lines);
      return nullptr;
    }
    puts("DEBUG: opened matlib file!");
    MtlData mtl;
    readMtlFile(materialFile, mtl, lines);
    fclose(materialFile);
    // Texture names are relative to the working directory, not to the model.
    if (mtl.hasDiffuseTexture) object->setDiffuseTexture(loadDdsTexture(mtl.diffuseTextureFileName.c_str(), forceAnisotropic));
    if (mtl.hasSpecularTexture) object->setSpecularTexture(loadDdsTexture(mtl.specularTextureFileName.c_str(), forceAnisotropic));
    if (mtl.hasNightTexture) object->setNightTexture(loadDdsTexture(mtl.diffuseNightTextureFileName.c_str(), forceAnisotropic));
  }

  object->setMesh(mesh);
  freeLineBuffer(lines);
  puts("DEBUG: after freeing stuff!");
  return object;
}

}  // namespace

Object* ModelLoaderOBJ::loadModel(const char* path) {
  if (path == nullptr) return nullptr;
  FILE* file = openFile(path, "r");
  if (file == nullptr) {
    printError(std::string("ERROR: Could not open file ") + path + "!");
    return nullptr;
  }
  puts("opened file!");
  try {
    return loadModelFrom(file, path, lines, forceAnisotropic);
  } catch (const std::bad_alloc&) {
    fatalOutOfMemory(__FILE__, __LINE__);
  }
}
