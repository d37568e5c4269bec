// OBJ and MTL text turned into plain data: no GL, no console output. The
// model loader feeds it the lines it reads from a file; tests and the fuzzer
// feed it text held in memory. Both go through the same line interpreter.
#pragma once
#include <cstddef>
#include <cstdint>
#include <glm/glm.hpp>
#include <string>
#include <string_view>
#include <vector>

// What a line turned out to be.
enum class ObjLine {
  Empty,
  Ignored,
  Position,
  TextureCoordinate,
  Normal,
  Triangle,
  Segment,
  MaterialLibrary,
  FormatError,  // a face or line element without the numbers it needs
};

enum class ObjError {
  None,
  SegmentOrTriangleWithUVs,  // face format error while texture coordinates are on, or a line element
  TriangleWithoutUVs,        // face format error while texture coordinates are off
  IndexOutOfRange,           // 0, negative, or beyond the list it points into
  UVsAfterFaces,             // triangles came before the first texture coordinate
  MissingMaterialLibrary,    // texture coordinates but no mtllib line
};

// Smallest and largest index of one kind seen in the faces, with their lines,
// so that one check after the last line finds any index outside its list.
struct ObjIndexCheck {
  int64_t firstNonPositive = 0;
  size_t firstNonPositiveLine = 0;  // 0: none seen
  int64_t largest = 0;
  size_t largestLine = 0;

  void note(int64_t value, size_t line) {
    if (value < 1 && firstNonPositiveLine == 0) {
      firstNonPositive = value;
      firstNonPositiveLine = line;
    }
    if (value > largest) {
      largest = value;
      largestLine = line;
    }
  }
};

struct ObjData {
  std::vector<glm::vec3> positions;
  std::vector<glm::vec2> uvs;  // second component already flipped (1 - v)
  std::vector<glm::vec3> normals;
  // 1-based as written; line elements add two entries to vertexIndices only.
  std::vector<uint32_t> vertexIndices;
  std::vector<uint32_t> uvIndices;
  std::vector<uint32_t> normalIndices;
  bool hasUVs = false;    // set by the first texture-coordinate line
  bool pathMode = false;  // set by the first line element
  bool hasMaterialFileName = false;
  std::string materialFileName;

  ObjError error = ObjError::None;
  size_t errorLine = 0;
  // For IndexOutOfRange: which list, the value and the size of the list.
  const char* errorKind = "";
  int64_t errorIndex = 0;
  size_t errorListSize = 0;

  // Bookkeeping for the checks after the last line.
  size_t linesRead = 0;
  size_t firstUVLine = 0;
  size_t triangleCount = 0;
  bool trianglesBeforeUVs = false;
  ObjIndexCheck positionCheck;
  ObjIndexCheck uvCheck;
  ObjIndexCheck normalCheck;
};

// Interprets the next line of an OBJ file. line is NUL-terminated and may end
// in a carriage return, which is removed in place (text-mode reading). Line
// numbers count every call. On FormatError the error fields are set and the
// caller stops reading.
ObjLine parseObjLine(ObjData& data, char* line);

// The checks that need the whole file: every index inside its list, texture
// coordinates before the first triangle and with a material library. Returns
// false and sets the error fields when the model must be rejected.
bool finishObj(ObjData& data);

// A whole OBJ file held in memory, split into lines as the line reader does
// (a line ends at a line feed; a NUL byte ends its text early). Runs
// finishObj; false when the model is rejected.
bool parseObjText(std::string_view text, ObjData& data);
// The same on a buffer the caller gives up: its line feeds are overwritten,
// which spares a copy of a large file.
bool parseObjBuffer(std::string& text, ObjData& data);

// The console lines (without the last line end) that report data.error for
// the model at path: one line, or for a malformed face the fixed format
// message followed by one naming the file and line.
std::string objErrorMessage(const ObjData& data, const char* path);

// The material library path the loader opens: the model path's directory
// part (up to its last backslash, or without one its last slash) followed
// by the name from the mtllib line; without a directory part, the name
// alone. hasDirectory, when given, tells which.
std::string materialPathOf(std::string_view modelPath, std::string_view materialFileName,
                           bool* hasDirectory = nullptr);

// The per-corner attributes of a triangle model: entry i of each output
// comes from entry i of the index lists. Returns false, with the outputs
// emptied, when an index lies outside its list; finishObj has ruled that out
// for an accepted model.
bool expandObjCorners(const ObjData& data, std::vector<glm::vec3>& vertices, std::vector<glm::vec2>& uvs,
                      std::vector<glm::vec3>& normals);

enum class MtlLine { Empty, Ignored, DiffuseTexture, SpecularTexture, NightTexture };

struct MtlData {
  bool hasDiffuseTexture = false;
  bool hasSpecularTexture = false;
  bool hasNightTexture = false;
  std::string diffuseTextureFileName;
  std::string specularTextureFileName;
  std::string diffuseNightTextureFileName;
};

// Interprets the next line of an MTL file; a carriage return at its end is
// removed in place.
MtlLine parseMtlLine(MtlData& data, char* line);
void parseMtlText(std::string_view text, MtlData& data);

// The number readers behind the line interpreter. Each returns what sscanf
// returns for the same text and format (-1 when the text ends before the
// first number) and stores the same values, so that the loader accepts and
// rejects exactly what those formats do. Plain decimal numbers take a fast
// path; anything unusual for a float goes to sscanf itself.
namespace objscan {
// "%f %f %f\n" (count 3) or "%f %f\n" (count 2).
int floats(const char* text, float* out, int count);
// "%d/%d/%d %d/%d/%d %d/%d/%d\n": nine values.
int facePositionUVNormal(const char* text, int64_t* out);
// "%d//%d %d//%d %d//%d\n": six values.
int facePositionNormal(const char* text, int64_t* out);
// "%d %d": two values.
int segment(const char* text, int64_t* out);
// A value that does not fit an int is kept as read (saturated at about
// 2^59) rather than wrapped as sscanf would; it is always rejected as an
// index, so the difference never reaches a model.
constexpr int64_t kIntMax = 2147483647;
}  // namespace objscan
