// OBJ load throughput: our parse-and-index core against tinyobjloader's parse
// on the same generated sphere, in one run. Usage: orbisk-bench-obj [stacks
// slices repetitions]; the default sphere has 500 x 1000 quads (1,000,000
// triangles) in "f v/t/n" form.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "base/oftenused.h"
#include "loaders/objparse.h"
#include "loaders/vertexindexer.h"

#if __has_include(<tiny_obj_loader.h>)
#include <tiny_obj_loader.h>
#define ORBISK_HAVE_TINYOBJ 1
#endif

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

// A UV sphere with a seam: (stacks + 1) x (slices + 1) vertices, each with its
// own texture coordinate and normal, two triangles per quad.
void writeSphere(const std::string& path, int stacks, int slices) {
  FILE* f = fopen(path.c_str(), "w");
  if (f == nullptr) {
    fprintf(stderr, "cannot write %s\n", path.c_str());
    exit(1);
  }
  fprintf(f, "# generated sphere\nmtllib sphere.mtl\no sphere\n");
  const double pi = 3.14159265358979323846;
  for (int i = 0; i <= stacks; ++i) {
    double theta = pi * i / stacks;
    for (int j = 0; j <= slices; ++j) {
      double phi = 2.0 * pi * j / slices;
      fprintf(f, "v %.6f %.6f %.6f\n", sin(theta) * cos(phi), cos(theta), sin(theta) * sin(phi));
    }
  }
  for (int i = 0; i <= stacks; ++i)
    for (int j = 0; j <= slices; ++j) fprintf(f, "vt %.6f %.6f\n", double(j) / slices, 1.0 - double(i) / stacks);
  for (int i = 0; i <= stacks; ++i) {
    double theta = pi * i / stacks;
    for (int j = 0; j <= slices; ++j) {
      double phi = 2.0 * pi * j / slices;
      fprintf(f, "vn %.6f %.6f %.6f\n", sin(theta) * cos(phi), cos(theta), sin(theta) * sin(phi));
    }
  }
  fprintf(f, "usemtl sphere\ns 1\n");
  for (int i = 0; i < stacks; ++i)
    for (int j = 0; j < slices; ++j) {
      int a = i * (slices + 1) + j + 1, b = a + slices + 1, c = b + 1, d = a + 1;
      fprintf(f, "f %d/%d/%d %d/%d/%d %d/%d/%d\n", a, a, a, b, b, b, c, c, c);
      fprintf(f, "f %d/%d/%d %d/%d/%d %d/%d/%d\n", a, a, a, c, c, c, d, d, d);
    }
  fclose(f);
}

struct CoreResult {
  size_t corners = 0, vertices = 0, indices = 0;
  double parseSeconds = 0, indexSeconds = 0, indexerSeconds = 0;
};

// Expand and index, as the loader does after reading.
void indexCore(const ObjData& obj, CoreResult& r) {
  std::vector<glm::vec3> vertices, normals, vOut, nOut;
  std::vector<glm::vec2> uvs, tOut;
  std::vector<uint32_t> iOut;
  expandObjCorners(obj, vertices, uvs, normals);
  r.corners = vertices.size();
  auto start = Clock::now();
  indexVertexData(std::move(vertices), std::move(uvs), std::move(normals), &vOut, &tOut, &nOut, &iOut);
  r.vertices = vOut.size();
  r.indices = iOut.size();
  r.indexerSeconds = secondsSince(start);
}

// The loader's own path: the file read line by line through readLine.
CoreResult coreFromFile(const std::string& path) {
  CoreResult r;
  auto start = Clock::now();
  ObjData obj;
  FILE* f = fopen(path.c_str(), "r");
  bool ok = true;
  LineBuffer buffer;
  while (char* line = readLine(buffer, f))
    if (parseObjLine(obj, line) == ObjLine::FormatError) {
      ok = false;
      break;
    }
  fclose(f);
  freeLineBuffer(buffer);
  ok = ok && finishObj(obj);
  r.parseSeconds = secondsSince(start);
  if (!ok) {
    fprintf(stderr, "rejected: %s\n", objErrorMessage(obj, path.c_str()).c_str());
    exit(1);
  }
  start = Clock::now();
  indexCore(obj, r);
  r.indexSeconds = secondsSince(start);
  return r;
}

// The same core on the file read into memory in one go.
CoreResult coreFromMemory(const std::string& path) {
  CoreResult r;
  auto start = Clock::now();
  std::string text;
  FILE* f = fopen(path.c_str(), "rb");
  fseek(f, 0, SEEK_END);
  text.resize(static_cast<size_t>(ftell(f)));
  fseek(f, 0, SEEK_SET);
  text.resize(fread(text.data(), 1, text.size(), f));
  fclose(f);
  ObjData obj;
  bool ok = parseObjBuffer(text, obj);
  r.parseSeconds = secondsSince(start);
  if (!ok) exit(1);
  start = Clock::now();
  indexCore(obj, r);
  r.indexSeconds = secondsSince(start);
  return r;
}

}  // namespace

int main(int argc, char** argv) {
  int stacks = argc > 2 ? atoi(argv[1]) : 500;
  int slices = argc > 2 ? atoi(argv[2]) : 1000;
  int repetitions = argc > 3 ? atoi(argv[3]) : 3;
  if (stacks < 1 || slices < 1 || repetitions < 1) {
    fprintf(stderr, "usage: %s [stacks slices repetitions]\n", argv[0]);
    return 2;
  }
  char dir[] = "/tmp/orbisk-bench-obj-XXXXXX";
  if (mkdtemp(dir) == nullptr) return 1;
  const std::string path = std::string(dir) + "/sphere.obj";
  writeSphere(path, stacks, slices);
  std::ifstream sizeProbe(path, std::ios::binary | std::ios::ate);
  const double megabytes = static_cast<double>(sizeProbe.tellg()) / 1e6;

  printf("file: %d x %d sphere, %ld triangles, %.1f MB\n", stacks, slices, 2L * stacks * slices, megabytes);
  printf("repetitions: %d (best time of each)\n", repetitions);

  double bestFile = 1e30, bestFileIndex = 1e30, bestMemory = 1e30, bestMemoryIndex = 1e30, bestIndexer = 1e30;
  double bestFileParse = 1e30, bestMemoryParse = 1e30;
  CoreResult fileResult, memoryResult;
#ifdef ORBISK_HAVE_TINYOBJ
  double bestTiny = 1e30;
  size_t tinyCorners = 0;
#endif
  for (int rep = 0; rep < repetitions; ++rep) {
    fileResult = coreFromFile(path);
    bestFile = std::min(bestFile, fileResult.parseSeconds + fileResult.indexSeconds);
    bestFileIndex = std::min(bestFileIndex, fileResult.indexSeconds);
    memoryResult = coreFromMemory(path);
    bestMemory = std::min(bestMemory, memoryResult.parseSeconds + memoryResult.indexSeconds);
    bestMemoryIndex = std::min(bestMemoryIndex, memoryResult.indexSeconds);
    bestFileParse = std::min(bestFileParse, fileResult.parseSeconds);
    bestMemoryParse = std::min(bestMemoryParse, memoryResult.parseSeconds);
    bestIndexer = std::min({bestIndexer, fileResult.indexerSeconds, memoryResult.indexerSeconds});
#ifdef ORBISK_HAVE_TINYOBJ
    auto start = Clock::now();
    tinyobj::attrib_t attrib;
    std::vector<tinyobj::shape_t> shapes;
    std::vector<tinyobj::material_t> materials;
    std::string warn, err;
    // The material file does not exist; tinyobjloader only warns.
    bool ok = tinyobj::LoadObj(&attrib, &shapes, &materials, &warn, &err, path.c_str(), dir, false);
    bestTiny = std::min(bestTiny, secondsSince(start));
    if (!ok) fprintf(stderr, "tinyobjloader: %s\n", err.c_str());
    tinyCorners = 0;
    for (const auto& shape : shapes) tinyCorners += shape.mesh.indices.size();
#endif
  }
  if (fileResult.vertices != memoryResult.vertices || fileResult.indices != memoryResult.indices) {
    fprintf(stderr, "file and memory paths disagree\n");
    return 1;
  }
  printf("corners: %zu\n", fileResult.corners);
  printf("unique vertices: %zu\n", fileResult.vertices);
  printf("core via readLine, parse + index: %.3f s\n", bestFile);
  printf("core from memory, parse + index: %.3f s\n", bestMemory);
  printf("parse alone via readLine: %.3f s\n", bestFileParse);
  printf("parse alone from memory: %.3f s\n", bestMemoryParse);
  printf("expand + index: %.3f s\n", std::min(bestFileIndex, bestMemoryIndex));
  printf("indexer alone (indexVertexData): %.3f s\n", bestIndexer);
#ifdef ORBISK_HAVE_TINYOBJ
  printf("tinyobjloader parse: %.3f s (%zu corners)\n", bestTiny, tinyCorners);
  printf("ratio core via readLine / tinyobjloader: %.2f\n", bestFile / bestTiny);
  printf("ratio core from memory / tinyobjloader: %.2f\n", bestMemory / bestTiny);
#else
  printf("tinyobjloader: not available\n");
#endif
  remove(path.c_str());
  rmdir(dir);
  return 0;
}
