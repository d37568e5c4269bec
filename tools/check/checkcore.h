// What orbisk-check reports about one asset file, worked out from its bytes
// alone: what the file holds, every problem with its line, and the files it
// names. The program around it reads the files and does the GL uploads.
#pragma once
#include <cstddef>
#include <cstdint>
#include <glm/glm.hpp>
#include <string>
#include <string_view>
#include <vector>

class ConfigFile;

namespace check {

enum class Severity { Warning, Error };

struct Problem {
  Severity severity;
  size_t line;  // 0: the file as a whole
  std::string text;
};

enum class FileKind { Config, Obj, Mtl, Dds, Unknown };

struct Report {
  std::string path;
  FileKind kind = FileKind::Unknown;
  // What was found, one line each ("positions: 482").
  std::vector<std::string> facts;
  std::vector<Problem> problems;
  // Files this one names: an OBJ its material library, an MTL its textures
  // (in the order diffuse, specular, night), as the loader opens them.
  std::vector<std::string> named;
  bool isPath = false;           // OBJ with line elements
  size_t pathChainLength = 0;    // points the camera flight walks
  // Triangle model data for the GL upload check.
  size_t vertexCount = 0;
  size_t indexCount = 0;

  bool usable() const;
  size_t count(Severity severity) const;
  void error(size_t line, std::string text);
  void warning(size_t line, std::string text);
};

// Upper bound on reports of one kind of problem per file; the rest are counted.
constexpr size_t kMaxReportsPerKind = 8;

// From the file name's extension (case-insensitive), else from the first
// bytes: the DDS signature, or the lines of an MTL or OBJ text.
FileKind kindOf(std::string_view path, const uint8_t* head, size_t size);
const char* kindName(FileKind kind);

// The buffers a triangle model would upload.
struct MeshData {
  std::vector<glm::vec3> vertices;
  std::vector<glm::vec2> uvs;
  std::vector<glm::vec3> normals;
  std::vector<uint32_t> indices;
};

// mesh, when given, receives the indexed buffers of a usable triangle model.
Report checkObj(const std::string& path, std::string_view text, MeshData* mesh = nullptr);
Report checkMtl(const std::string& path, std::string_view text);
// maxTextureSize: the largest side the GL accepts.
Report checkDds(const std::string& path, const uint8_t* bytes, size_t size, uint32_t maxTextureSize);
Report checkConfig(const std::string& path, std::string_view text);

// One file of the scene as the program opens it.
struct SceneFile {
  std::string path;  // as configured (may use backslashes)
  std::string role;  // "Earth model", "font", ...
  FileKind kind;
  bool required;     // the program stops without it
};
// The models and fixed textures the program loads, from the configuration
// (or its defaults); textures named by materials are found by walking them.
std::vector<SceneFile> sceneFiles(const ConfigFile& config);

// The report as printed: a heading, the facts indented, then one line per
// problem in the form "path:line: error: text".
std::string formatReport(const Report& report, std::string_view role = {});

}  // namespace check
