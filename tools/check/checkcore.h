// What orbisk-check reports about one asset file, worked out from its bytes
// alone: what the file holds, every problem with its line, and the files it
// names. The program around it reads the files and does the GL uploads.
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <glm/glm.hpp>
#include <map>
#include <string>
#include <string_view>
#include <vector>

class ConfigFile;
namespace platform {
struct DisplayLimits;
}

namespace check {

enum class Severity { Warning, Error };

struct Problem {
  Severity severity;
  size_t line;  // 0: the file as a whole
  std::string text;
  std::string kind;  // what repeats of it are counted as
};

enum class FileKind { Config, Obj, Mtl, Dds, Glsl, Unknown };

// At most this many problems of one kind are kept per file; a 10 MB file can
// hold a million of the same mistake, and the reader needs only the first few.
constexpr size_t kMaxReportsPerKind = 3;

struct Report {
  std::string path;
  FileKind kind = FileKind::Unknown;
  // What was found, one line each ("positions: 482").
  std::vector<std::string> facts;
  // The problems kept, at most kMaxReportsPerKind of each kind.
  std::vector<Problem> problems;
  // Problems of a kind beyond those kept, counted only.
  struct Omitted {
    Severity severity;
    std::string kind;  // as given, or empty with the repeated text in text
    std::string text;
    size_t count;
  };
  std::vector<Omitted> omitted;
  // Files this one names: an OBJ its material library, an MTL its textures
  // (in the order diffuse, specular, night), as the loader opens them.
  std::vector<std::string> named;
  bool isPath = false;           // OBJ with line elements
  size_t pathChainLength = 0;    // points the camera flight walks
  // Triangle model data for the GL upload check.
  size_t vertexCount = 0;
  size_t indexCount = 0;

  bool usable() const;
  // Kept and omitted problems alike.
  size_t count(Severity severity) const;
  // kind names what the problem is one of, in the plural ("repeated keys"),
  // for the "... and N more" line; without one, only repeats of the very
  // same text count as one kind.
  void error(size_t line, std::string text, std::string_view kind = {});
  void warning(size_t line, std::string text, std::string_view kind = {});
  void add(Severity severity, size_t line, std::string text, std::string_view kind = {});

 private:
  struct Tally {
    size_t seen = 0;
    size_t omittedIndex = 0;
  };
  std::map<std::string, Tally> tally;  // by severity and kind
};

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
// limits: the screen and the GL the program would open its window on, when
// known; the configured window size is judged against them.
Report checkConfig(const std::string& path, std::string_view text,
                   const platform::DisplayLimits* limits = nullptr);

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

enum class ShaderStage { Vertex, Fragment };
const char* stageName(ShaderStage stage);  // "vertex", "fragment"

// The stages a GLSL file named on the command line is compiled as, judged
// from its name: the extension .vert or .frag, the word "vertex" or
// "fragment", else the 'v'/'f' prefix of the scene's files, else both (the
// file may be either). why says which.
std::vector<ShaderStage> stagesFromName(std::string_view path, std::string* why);

// A program the scene builds: its two files, what draws with it and the
// defines it can be built with (each a build of both files).
struct ProgramFiles {
  std::string vertex;
  std::string fragment;
  std::vector<std::string> users;  // "the Earth", "the sun glow", ...
  std::vector<std::string> defineSets;
};
// Every program the program builds, from the configuration (or its
// defaults) and the fixed file names; one entry per pair of files, with
// every build the program can make of it: each texture-filtering path of
// the configured objects' programs, the full composite and each reduced one.
std::vector<ProgramFiles> scenePrograms(const ConfigFile& config);
// "the Earth, the Moon and the missile".
std::string listOf(const std::vector<std::string>& names);

// A shader file of the scene's programs that takes in another file with
// #include, as one stage, with every build the programs make of it.
struct Includer {
  std::string path;
  ShaderStage stage;
  std::vector<std::string> defineSets;
  std::vector<std::string> users;
};
// The scene's shader files that include the file at path (directly or
// through another include), in the programs' order; none for a file no
// program includes. read gives a file's assembled source, as for
// expandShaderIncludes; a file it cannot read includes nothing.
std::vector<Includer> includersOf(const std::string& path, const std::vector<ProgramFiles>& programs,
                                  const std::function<bool(const std::string&, std::string&, std::string&)>& read);

// ---- Compiler logs, as parsed by the shader loader (parseShaderLog). ----

// Names for a program's builds, one per define set: "PASSES 3",
// "TEXTURE_UNIT_FILTERING 1", and for the set without defines "without "
// and what the others define.
std::vector<std::string> buildNames(const std::vector<std::string>& defineSets);
// " (only in the builds with PASSES 2 to 16)" for a problem seen in some of
// a file's builds; empty when seen in all of them.
std::string buildsNote(const std::vector<std::string>& seenIn, const std::vector<std::string>& all);

// One message of a compile, in the file of the expanded source it names
// (0: the file compiled; see expandShaderIncludes).
struct PlacedMessage {
  size_t file = 0;
  size_t line = 0;
  Severity severity = Severity::Error;
  std::string text;
  std::string kind;
};
// A compile's log as messages; fileCount: the files of the expanded source.
// A failed compile always gives at least one error. prefix starts every text.
std::vector<PlacedMessage> compilerMessages(std::string_view log, bool compiled, size_t fileCount,
                                            std::string_view prefix = {});

// A compile's log as problems at the file's own lines; a failed compile
// always leaves at least one error. prefix starts every text.
void addCompilerLog(Report& report, std::string_view log, bool compiled, std::string_view prefix = {});
// A link's log, into the report of the program's fragment shader, naming
// the vertex shader's file.
void addLinkLog(Report& fragmentReport, std::string_view log, bool linked, std::string_view vertexPath,
                std::string_view users);

// The report as printed: a heading, the facts indented, then one line per
// problem in the form "path:line: error: text".
std::string formatReport(const Report& report, std::string_view role = {});

}  // namespace check
