// The OBJ and MTL core on arbitrary bytes. Beyond not crashing, it checks
// what must hold on every input: the file and in-memory paths agree, the
// number readers agree with sscanf, an accepted model expands and indexes
// without leaving its lists, and the indexer agrees with the ordered map.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "base/oftenused.h"
#include "loaders/objparse.h"
#include "loaders/vertexindexer.h"

namespace {

void check(bool condition) {
  if (!condition) __builtin_trap();
}

bool sameBits(const float* a, const float* b, int count) { return memcmp(a, b, sizeof(float) * count) == 0; }

bool fitsInt(const int64_t* values, int count) {
  for (int i = 0; i < count; ++i)
    if (values[i] < INT32_MIN || values[i] > INT32_MAX) return false;
  return true;
}

void checkScannersOnLine(const char* line) {
  const size_t length = strlen(line);
  for (size_t start = 0; start <= length && start < 4; ++start) {
    const char* text = line + start;
    float ours[3] = {0, 0, 0}, theirs[3] = {0, 0, 0};
    check(objscan::floats(text, ours, 3) == sscanf(text, "%f %f %f\n", &theirs[0], &theirs[1], &theirs[2]));
    check(sameBits(ours, theirs, 3));
    int64_t v[9] = {0};
    int w[9] = {0};
    int a = objscan::facePositionUVNormal(text, v);
    int b = sscanf(text, "%d/%d/%d %d/%d/%d %d/%d/%d\n", &w[0], &w[1], &w[2], &w[3], &w[4], &w[5], &w[6], &w[7],
                   &w[8]);
    // Beyond int, sscanf wraps; such values are always rejected as indices.
    if (fitsInt(v, a > 0 ? a : 0)) {
      check(a == b);
      for (int i = 0; i < a; ++i) check(v[i] == w[i]);
    }
    a = objscan::facePositionNormal(text, v);
    b = sscanf(text, "%d//%d %d//%d %d//%d\n", &w[0], &w[1], &w[2], &w[3], &w[4], &w[5]);
    if (fitsInt(v, a > 0 ? a : 0)) {
      check(a == b);
      for (int i = 0; i < a; ++i) check(v[i] == w[i]);
    }
  }
}

void checkIndexing(const ObjData& obj) {
  std::vector<glm::vec3> vertices, normals, outVertices, outNormals;
  std::vector<glm::vec2> uvs, outUVs;
  std::vector<uint32_t> outIndices;
  check(expandObjCorners(obj, vertices, uvs, normals));
  const size_t corners = vertices.size();
  check(indexVertexData(vertices, uvs, normals, &outVertices, &outUVs, &outNormals, &outIndices));
  check(outIndices.size() == corners);
  check(outNormals.size() == outVertices.size());
  check(uvs.empty() ? outUVs.empty() : outUVs.size() == outVertices.size());
  // The ordered map of the original design must give the same indices.
  PackedVertexMap map;
  uint32_t next = 0;
  for (size_t i = 0; i < corners; ++i) {
    PackedVertex_vtn packed{vertices[i], uvs.empty() ? glm::vec2(0.0f) : uvs[i], normals[i]};
    uint32_t found = 0;
    if (!findPackedVertex(packed, map, found)) {
      found = next++;
      map[packed] = found;
    }
    check(outIndices[i] == found);
  }
  check(next == outVertices.size());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);

  ObjData fromText;
  const bool accepted = parseObjText(text, fromText);
  if (!accepted) check(!objErrorMessage(fromText, "fuzz.obj").empty());

  if (size > 0) {
    FILE* file = fmemopen(const_cast<uint8_t*>(data), size, "r");
    if (file != nullptr) {
      ObjData fromFile;
      bool stopped = false;
      LineBuffer buffer;
      while (char* line = readLine(buffer, file)) {
        std::string copy(line);
        if (parseObjLine(fromFile, line) == ObjLine::FormatError) {
          stopped = true;
          break;
        }
        checkScannersOnLine(copy.c_str());
      }
      fclose(file);
      freeLineBuffer(buffer);
      check((stopped ? false : finishObj(fromFile)) == accepted);
      check(fromFile.error == fromText.error && fromFile.errorLine == fromText.errorLine);
      check(fromFile.linesRead == fromText.linesRead);
      check(fromFile.positions.size() == fromText.positions.size());
      check(fromText.positions.empty() || memcmp(fromFile.positions.data(), fromText.positions.data(),
                                                 fromText.positions.size() * sizeof(glm::vec3)) == 0);
      check(fromFile.vertexIndices == fromText.vertexIndices);
      check(fromFile.uvIndices == fromText.uvIndices);
      check(fromFile.materialFileName == fromText.materialFileName);
    }
  }

  if (accepted && !fromText.pathMode) checkIndexing(fromText);

  MtlData mtl;
  parseMtlText(text, mtl);
  check(mtl.hasDiffuseTexture || mtl.diffuseTextureFileName.empty());
  return 0;
}
