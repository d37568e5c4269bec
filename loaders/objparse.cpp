#include "loaders/objparse.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <cstdio>
#include <cstring>

#include "base/oftenused.h"

namespace {

// isspace of the C locale, which is what sscanf skips.
inline bool isSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
inline bool isDigit(char c) { return c >= '0' && c <= '9'; }
inline void skipSpace(const char*& p) {
  while (isSpace(*p)) ++p;
}

// Larger values stop growing; they are rejected as indices anyway.
constexpr int64_t kSaturation = int64_t{1} << 59;

// One "%d": 1 when a number was read, 0 on a matching failure, -1 when the
// text ended before the number began.
inline int scanInt(const char*& p, int64_t& out) {
  skipSpace(p);
  if (*p == '\0') return -1;
  const char* q = p;
  bool negative = false;
  if (*q == '+' || *q == '-') {
    negative = *q == '-';
    ++q;
  }
  if (!isDigit(*q)) return 0;
  int64_t value = 0;
  for (; isDigit(*q); ++q)
    value = value < kSaturation / 10 ? value * 10 + (*q - '0') : kSaturation;
  out = negative ? -value : value;
  p = q;
  return 1;
}

// The face formats, read the way scanf reads them: white space in the
// format skips any run of white space (also none), '/' must match exactly,
// and the count is that of the numbers read before the first mismatch (-1
// when the text ends before the first number).
inline int endOfScan(int result, int done) { return result < 0 && done == 0 ? -1 : done; }

inline bool matchSlash(const char*& p) {
  if (*p != '/') return false;
  ++p;
  return true;
}

// A plain decimal number (sign, digits, point, exponent) followed by white
// space or the end of the text. Anything else (inf, nan, hex, a dangling
// exponent, a number glued to other characters, a value out of float range)
// is left to sscanf, so that the result never differs from it.
inline bool fastFloat(const char*& p, float& value) {
  const char* start = p;
  const char* q = p;
  if (*q == '+' || *q == '-') ++q;
  bool digits = false;
  for (; isDigit(*q); ++q) digits = true;
  if (*q == '.')
    for (++q; isDigit(*q); ++q) digits = true;
  if (!digits) return false;
  if (*q == 'e' || *q == 'E') {
    ++q;
    if (*q == '+' || *q == '-') ++q;
    if (!isDigit(*q)) return false;
    while (isDigit(*q)) ++q;
  }
  if (*q != '\0' && !isSpace(*q)) return false;
  // from_chars takes no plus sign; both round to nearest like strtof.
  if (*start == '+') ++start;
#ifdef __EMSCRIPTEN__
  // Its libc++ has no float from_chars; the text is already checked, and
  // its C locale reads the same digits.
  errno = 0;
  char* end = nullptr;
  value = std::strtof(start, &end);
  if (errno == ERANGE || end != q) return false;
#else
  auto [end, ec] = std::from_chars(start, q, value);
  if (ec != std::errc() || end != q) return false;
#endif
  p = q;
  return true;
}

// The numbers of a v, vn or vt line start at a fixed byte. A line shorter
// than that has no numbers; parsing never starts past its terminator.
inline const char* numbersFrom(const char* line, size_t offset) {
  for (size_t i = 0; i < offset; ++i)
    if (line[i] == '\0') return nullptr;
  return line + offset;
}

}  // namespace

namespace objscan {

int floats(const char* text, float* out, int count) {
  float values[3];
  const char* p = text;
  int done = 0;
  for (; done < count; ++done) {
    skipSpace(p);
    if (*p == '\0') break;
    if (!fastFloat(p, values[done])) {
      if (count == 3) return sscanf(text, "%f %f %f\n", &out[0], &out[1], &out[2]);
      return sscanf(text, "%f %f\n", &out[0], &out[1]);
    }
  }
  for (int i = 0; i < done; ++i) out[i] = values[i];
  return done == 0 ? -1 : done;
}

int facePositionUVNormal(const char* text, int64_t* out) {
  const char* p = text;
  int done = 0;
  for (int corner = 0; corner < 3; ++corner) {
    if (corner > 0) skipSpace(p);
    for (int k = 0; k < 3; ++k) {
      if (k > 0 && !matchSlash(p)) return done;
      int result = scanInt(p, out[done]);
      if (result <= 0) return endOfScan(result, done);
      ++done;
    }
  }
  return done;
}

int facePositionNormal(const char* text, int64_t* out) {
  const char* p = text;
  int done = 0;
  for (int corner = 0; corner < 3; ++corner) {
    if (corner > 0) skipSpace(p);
    int result = scanInt(p, out[done]);
    if (result <= 0) return endOfScan(result, done);
    ++done;
    if (!matchSlash(p) || !matchSlash(p)) return done;
    result = scanInt(p, out[done]);
    if (result <= 0) return done;
    ++done;
  }
  return done;
}

int segment(const char* text, int64_t* out) {
  const char* p = text;
  int result = scanInt(p, out[0]);
  if (result <= 0) return endOfScan(result, 0);
  skipSpace(p);
  return scanInt(p, out[1]) == 1 ? 2 : 1;
}

}  // namespace objscan

namespace {

ObjLine formatError(ObjData& data, ObjError error, size_t line) {
  data.error = error;
  data.errorLine = line;
  return ObjLine::FormatError;
}

ObjLine parseFace(ObjData& data, const char* line, size_t length, size_t lineNumber) {
  const char* numbers = numbersFrom(line, 2);
  int64_t v[9];
  // Exactly two spaces make a line element, "f a b".
  if (std::count(line, line + length, ' ') == 2) {
    data.pathMode = true;
    if (numbers == nullptr || objscan::segment(numbers, v) != 2)
      return formatError(data, ObjError::SegmentOrTriangleWithUVs, lineNumber);
    for (int i = 0; i < 2; ++i) {
      data.positionCheck.note(v[i], lineNumber);
      data.vertexIndices.push_back(static_cast<uint32_t>(v[i]));
    }
    return ObjLine::Segment;
  }
  if (data.hasUVs) {
    if (numbers == nullptr || objscan::facePositionUVNormal(numbers, v) != 9)
      return formatError(data, ObjError::SegmentOrTriangleWithUVs, lineNumber);
    for (int corner = 0; corner < 3; ++corner) {
      data.uvCheck.note(v[corner * 3 + 1], lineNumber);
      data.uvIndices.push_back(static_cast<uint32_t>(v[corner * 3 + 1]));
    }
    for (int corner = 0; corner < 3; ++corner) {
      data.positionCheck.note(v[corner * 3], lineNumber);
      data.vertexIndices.push_back(static_cast<uint32_t>(v[corner * 3]));
      data.normalCheck.note(v[corner * 3 + 2], lineNumber);
      data.normalIndices.push_back(static_cast<uint32_t>(v[corner * 3 + 2]));
    }
  } else {
    if (numbers == nullptr || objscan::facePositionNormal(numbers, v) != 6)
      return formatError(data, ObjError::TriangleWithoutUVs, lineNumber);
    for (int corner = 0; corner < 3; ++corner) {
      data.positionCheck.note(v[corner * 2], lineNumber);
      data.vertexIndices.push_back(static_cast<uint32_t>(v[corner * 2]));
      data.normalCheck.note(v[corner * 2 + 1], lineNumber);
      data.normalIndices.push_back(static_cast<uint32_t>(v[corner * 2 + 1]));
    }
  }
  ++data.triangleCount;
  return ObjLine::Triangle;
}

}  // namespace

ObjLine parseObjLine(ObjData& data, char* line) {
  const size_t lineNumber = ++data.linesRead;
  size_t length = strlen(line);
  // Text mode: the carriage return of a CR LF line end is not part of the line.
  if (length > 0 && line[length - 1] == '\r') line[--length] = '\0';
  if (length == 0) return ObjLine::Empty;
  if (line[0] == 'v') {
    float xyz[3] = {0.0f, 0.0f, 0.0f};
    if (line[1] == 'n') {
      if (const char* numbers = numbersFrom(line, 3)) objscan::floats(numbers, xyz, 3);
      data.normals.emplace_back(xyz[0], xyz[1], xyz[2]);
      return ObjLine::Normal;
    }
    if (line[1] == 't') {
      if (!data.hasUVs) {
        data.hasUVs = true;
        data.firstUVLine = lineNumber;
        data.trianglesBeforeUVs = data.triangleCount > 0;
      }
      if (const char* numbers = numbersFrom(line, 3)) objscan::floats(numbers, xyz, 2);
      data.uvs.emplace_back(xyz[0], 1.0f - xyz[1]);
      return ObjLine::TextureCoordinate;
    }
    if (const char* numbers = numbersFrom(line, 2)) objscan::floats(numbers, xyz, 3);
    data.positions.emplace_back(xyz[0], xyz[1], xyz[2]);
    return ObjLine::Position;
  }
  if (line[0] == 'f') return parseFace(data, line, length, lineNumber);
  if (!data.pathMode && strncmp(line, "mtllib ", 7) == 0) {
    data.materialFileName.assign(line + 7);
    data.hasMaterialFileName = true;
    return ObjLine::MaterialLibrary;
  }
  return ObjLine::Ignored;
}

bool finishObj(ObjData& data) {
  if (data.error != ObjError::None) return false;
  // A path's segment numbers are never looked up in a list: the chain only
  // follows them, and its points are taken in file order.
  if (data.pathMode) return true;
  if (data.hasUVs && data.trianglesBeforeUVs) {
    data.error = ObjError::UVsAfterFaces;
    data.errorLine = data.firstUVLine;
    return false;
  }
  struct List {
    const char* kind;
    const ObjIndexCheck& check;
    size_t size;
  };
  const List lists[] = {{"position", data.positionCheck, data.positions.size()},
                        {"texture coordinate", data.uvCheck, data.uvs.size()},
                        {"normal", data.normalCheck, data.normals.size()}};
  // Of all indices outside their lists, report the one on the earliest line.
  for (const List& list : lists) {
    const ObjIndexCheck& c = list.check;
    size_t line = 0;
    int64_t index = 0;
    if (c.firstNonPositiveLine != 0) {
      line = c.firstNonPositiveLine;
      index = c.firstNonPositive;
    }
    if (c.largestLine != 0 && static_cast<uint64_t>(c.largest) > list.size && (line == 0 || c.largestLine < line)) {
      line = c.largestLine;
      index = c.largest;
    }
    if (line != 0 && (data.error == ObjError::None || line < data.errorLine)) {
      data.error = ObjError::IndexOutOfRange;
      data.errorLine = line;
      data.errorKind = list.kind;
      data.errorIndex = index;
      data.errorListSize = list.size;
    }
  }
  if (data.error != ObjError::None) return false;
  if (data.hasUVs && !data.hasMaterialFileName) {
    data.error = ObjError::MissingMaterialLibrary;
    data.errorLine = data.firstUVLine;
    return false;
  }
  return true;
}

bool parseObjBuffer(std::string& text, ObjData& data) {
  char* line = text.data();
  char* const end = line + text.size();
  while (line < end) {
    char* lineEnd = static_cast<char*>(memchr(line, '\n', static_cast<size_t>(end - line)));
    if (lineEnd == nullptr) lineEnd = end;  // already the string's terminator
    *lineEnd = '\0';
    if (parseObjLine(data, line) == ObjLine::FormatError) return false;
    line = lineEnd + 1;
  }
  return finishObj(data);
}

bool parseObjText(std::string_view text, ObjData& data) {
  std::string copy(text);
  return parseObjBuffer(copy, data);
}

namespace {
std::string objErrorLine(const char* file, size_t line, const char* text) {
  return "ERROR: Invalid OBJ-File '" + std::string(file) + "', line " + std::to_string(line) + ": " + text;
}
}  // namespace

std::string objErrorMessage(const ObjData& data, const char* path) {
  const char* file = path ? path : "";
  char text[512];
  switch (data.error) {
    case ObjError::None:
      return "";
    // The fixed lines name neither file nor line; the second line does.
    case ObjError::SegmentOrTriangleWithUVs:
      return "ERROR: Inconsistensy in OBJ-File! Faces should be created in this way: \"f v1/t1/n1 v2/t2/n2 "
             "v3/t3/n3\"!\n" +
             objErrorLine(file, data.errorLine, "face or line element without the numbers it needs!");
    case ObjError::TriangleWithoutUVs:
      return "ERROR: Inconsistency in OBJ-File! Faces should be created in this way: \"f v1/n1 v2/n2 v3/n3\"!\n" +
             objErrorLine(file, data.errorLine, "face without the numbers it needs!");
    case ObjError::IndexOutOfRange:
      if (data.errorIndex < 1)
        snprintf(text, sizeof text, "%s index %lld, but indices start at 1%s!", data.errorKind,
                 static_cast<long long>(data.errorIndex),
                 data.errorIndex < 0 ? " (relative indices are not supported)" : "");
      else
        snprintf(text, sizeof text, "%s index %lld, but only %zu %ss were read!", data.errorKind,
                 static_cast<long long>(data.errorIndex), data.errorListSize, data.errorKind);
      break;
    case ObjError::UVsAfterFaces:
      snprintf(text, sizeof text, "texture coordinates after the first face!");
      break;
    case ObjError::MissingMaterialLibrary:
      snprintf(text, sizeof text, "texture coordinates but no mtllib line!");
      break;
  }
  return objErrorLine(file, data.errorLine, text);
}

std::string materialPathOf(std::string_view modelPath, std::string_view materialFileName, bool* hasDirectory) {
  // A backslash anywhere wins over a later slash, as in fileNameOfPath.
  size_t cut = modelPath.rfind('\\');
  if (cut == std::string_view::npos) cut = modelPath.rfind('/');
  if (hasDirectory != nullptr) *hasDirectory = cut != std::string_view::npos;
  if (cut == std::string_view::npos) return std::string(materialFileName);
  return std::string(modelPath.substr(0, cut + 1)).append(materialFileName);
}

bool expandObjCorners(const ObjData& data, std::vector<glm::vec3>& vertices, std::vector<glm::vec2>& uvs,
                      std::vector<glm::vec3>& normals) {
  vertices.clear();
  uvs.clear();
  normals.clear();
  const size_t count = data.vertexIndices.size();
  if (data.normalIndices.size() != count || (data.hasUVs && data.uvIndices.size() != count)) return false;
  vertices.resize(count);
  normals.resize(count);
  if (data.hasUVs) uvs.resize(count);
  // Indices are 1-based; 0 wraps to the largest value and fails the test.
  for (size_t i = 0; i < count; ++i) {
    const uint32_t v = data.vertexIndices[i] - 1u;
    const uint32_t n = data.normalIndices[i] - 1u;
    const uint32_t t = data.hasUVs ? data.uvIndices[i] - 1u : 0u;
    if (v >= data.positions.size() || n >= data.normals.size() || (data.hasUVs && t >= data.uvs.size())) {
      vertices.clear();
      uvs.clear();
      normals.clear();
      return false;
    }
    vertices[i] = data.positions[v];
    normals[i] = data.normals[n];
    if (data.hasUVs) uvs[i] = data.uvs[t];
  }
  return true;
}

MtlLine parseMtlLine(MtlData& data, char* line) {
  stripCarriageReturn(line);
  if (line[0] == '\0') return MtlLine::Empty;
  if (strncmp(line, "map_Kd ", 7) == 0) {
    data.diffuseTextureFileName.assign(line + 7);
    data.hasDiffuseTexture = true;
    return MtlLine::DiffuseTexture;
  }
  if (strncmp(line, "map_Ks ", 7) == 0) {
    data.specularTextureFileName.assign(line + 7);
    data.hasSpecularTexture = true;
    return MtlLine::SpecularTexture;
  }
  if (strncmp(line, "map_Kn ", 7) == 0) {
    data.diffuseNightTextureFileName.assign(line + 7);
    data.hasNightTexture = true;
    return MtlLine::NightTexture;
  }
  return MtlLine::Ignored;
}

void parseMtlText(std::string_view text, MtlData& data) {
  std::string line;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    line.assign(text.data() + start, end - start);
    parseMtlLine(data, line.data());
    start = end + 1;
  }
}
