// Camera path chains on arbitrary input: as OBJ text through the line
// interpreter (as a path file is read), and as raw segment lists. The chain
// stays within its bound and every point lookup stays inside the positions.
#include <fcntl.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

#include "loaders/linemesh.h"
#include "loaders/objparse.h"

namespace {
void checkChain(const LineMesh& mesh, size_t positions, size_t segmentEntries) {
  if (!mesh.valid) return;
  if (mesh.points.size() != positions) __builtin_trap();
  // At most one entry per pass plus the end of the chain.
  if (mesh.indices.size() > segmentEntries + 1 || mesh.indices.empty()) __builtin_trap();
  if (mesh.indices.front() != 1) __builtin_trap();
  if (mesh.pointCount() != mesh.indices.size()) __builtin_trap();
  float sum = 0.0f;
  for (unsigned i = 0; i < mesh.pointCount() + 2; ++i) sum += mesh.point(i).x;
  if (sum == 1234.5f) __builtin_trap();  // keeps the reads
}
}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // build prints the chain; keep the fuzzer's console readable.
  int devNull = open("/dev/null", O_WRONLY);
  if (devNull >= 0) dup2(devNull, STDOUT_FILENO);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // As a path file.
  ObjData obj;
  const bool accepted = parseObjText(std::string_view(reinterpret_cast<const char*>(data), size), obj);
  if (accepted && obj.pathMode) {
    LineMesh mesh;
    const bool built = mesh.build(obj.positions, obj.vertexIndices);
    if (built != (!obj.positions.empty() && !obj.vertexIndices.empty())) __builtin_trap();
    checkChain(mesh, obj.positions.size(), obj.vertexIndices.size());
  }

  // As raw lists: a byte of positions count, then 32-bit segment entries
  // (odd counts and numbers far past the positions included).
  if (size < 1) return 0;
  std::vector<glm::vec3> positions(data[0] % 64, glm::vec3(1.0f, 2.0f, 3.0f));
  std::vector<uint32_t> segments((size - 1) / 4);
  for (size_t i = 0; i < segments.size(); ++i) memcpy(&segments[i], data + 1 + 4 * i, 4);
  LineMesh mesh;
  mesh.build(positions, segments);
  checkChain(mesh, positions.size(), segments.size());
  mesh.clear();
  if (mesh.pointCount() != 0 || mesh.valid) __builtin_trap();
  return 0;
}
