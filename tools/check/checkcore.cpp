#include "tools/check/checkcore.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <map>
#include <sstream>

#include "base/configfile.h"
#include "base/oftenused.h"
#include "base/runfiles.h"
#include "gpu/texturefiltering.h"
#include "loaders/ddstexture.h"
#include "loaders/objparse.h"
#include "loaders/shaderinclude.h"
#include "loaders/shaderloader.h"
#include "loaders/vertexindexer.h"
#include "platform/platform.h"
#include "platform/windowsize.h"
#include "render/airtable.h"
#include "render/depthoffield.h"
#include "render/exposure.h"
#include "render/quality.h"
#include "scene/scene.h"
#include "scene/skyclock.h"
#include "scene/earthlayers.h"

namespace check {

bool Report::usable() const { return count(Severity::Error) == 0; }

size_t Report::count(Severity severity) const {
  size_t n = static_cast<size_t>(
      std::count_if(problems.begin(), problems.end(), [&](const Problem& p) { return p.severity == severity; }));
  for (const Omitted& o : omitted)
    if (o.severity == severity) n += o.count;
  return n;
}

void Report::error(size_t line, std::string text, std::string_view tallyKind) {
  add(Severity::Error, line, std::move(text), tallyKind);
}
void Report::warning(size_t line, std::string text, std::string_view tallyKind) {
  add(Severity::Warning, line, std::move(text), tallyKind);
}

void Report::add(Severity severity, size_t line, std::string text, std::string_view tallyKind) {
  Tally& t = tally[(severity == Severity::Error ? "E" : "W") + std::string(tallyKind.empty() ? text : tallyKind)];
  if (++t.seen <= kMaxReportsPerKind) {
    problems.push_back({severity, line, std::move(text), std::string(tallyKind)});
    return;
  }
  if (t.seen == kMaxReportsPerKind + 1) {
    t.omittedIndex = omitted.size();
    omitted.push_back({severity, std::string(tallyKind), tallyKind.empty() ? std::move(text) : std::string(), 0});
  }
  ++omitted[t.omittedIndex].count;
}

namespace {

std::string lowerCase(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

bool endsWith(std::string_view text, std::string_view suffix) {
  return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

bool isBlank(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// Text for the reader: control and non-ASCII bytes as \xNN, long text cut.
std::string printable(std::string_view text, size_t limit = 80) {
  std::string out;
  size_t i = 0;
  for (; i < text.size() && out.size() < limit; ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c >= 32 && c < 127) {
      out += static_cast<char>(c);
    } else {
      char hex[8];
      snprintf(hex, sizeof hex, "\\x%02X", c);
      out += hex;
    }
  }
  if (i < text.size()) out += "...";
  return out;
}

// Splits text into lines as the line reader does: a line ends at a line
// feed, and a last line without one still counts.
template <typename F>
void forEachLine(std::string_view text, F onLine) {
  size_t start = 0;
  std::string line;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    line.assign(text.data() + start, end - start);
    onLine(line);
    start = end + 1;
  }
}

// Problems in file order; those about the whole file after them.
void sortByLine(Report& r) {
  std::stable_sort(r.problems.begin(), r.problems.end(), [](const Problem& a, const Problem& b) {
    return (a.line == 0 ? SIZE_MAX : a.line) < (b.line == 0 ? SIZE_MAX : b.line);
  });
}

std::string plural(size_t n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

// ---- OBJ ----

struct FaceIndexLists {
  const char* kind;
  const std::vector<uint32_t>& indices;
  size_t listSize;
};

// The chain of a path as the program walks it: from vertex 1, each time the
// first segment that starts where the chain stands, at most as many steps as
// there are segment entries.
std::vector<uint32_t> walkChain(const std::vector<uint32_t>& segments, bool& looped) {
  std::vector<uint32_t> chain;
  looped = false;
  const size_t paired = segments.size() & ~static_cast<size_t>(1);
  uint32_t current = 1;
  size_t pass = 0;
  for (; pass < segments.size(); ++pass) {
    bool found = false;
    for (size_t j = 0; j < paired; j += 2) {
      if (segments[j] == current) {
        chain.push_back(current);
        current = segments[j + 1];
        found = true;
        break;
      }
    }
    if (!found) break;
  }
  looped = pass == segments.size() && !segments.empty();
  chain.push_back(current);
  return chain;
}

void checkPath(Report& r, const ObjData& data, const std::vector<size_t>& segmentLines) {
  r.isPath = true;
  r.facts.push_back("camera path: " + plural(data.positions.size(), "position", "positions") + ", " +
                    plural(segmentLines.size(), "line element", "line elements"));
  if (data.positions.empty()) {
    r.error(0, "the path has line elements but no positions: the flight has nowhere to go");
    return;
  }
  if (data.triangleCount > 0)
    r.warning(0, "the path file also holds " + plural(data.triangleCount, "face", "faces") +
                     "; their vertex numbers join the segment list");
  for (size_t s = 0; s < segmentLines.size(); ++s)
    for (int k = 0; k < 2; ++k) {
      const uint32_t v = data.vertexIndices[2 * s + static_cast<size_t>(k)];
      if (v == 0 || v > data.positions.size())
        r.warning(segmentLines[s],
                  "segment names vertex " + std::to_string(v) + ", but the positions are 1 to " +
                      std::to_string(data.positions.size()),
                  "segments with vertices outside the positions");
    }
  bool looped = false;
  const std::vector<uint32_t> chain = walkChain(data.vertexIndices, looped);
  r.pathChainLength = chain.size();
  r.facts.push_back("flight points: " + std::to_string(chain.size()) + " (the chain from vertex 1)");
  if (chain.size() < 2)
    r.warning(0, "no segment starts at vertex 1: the flight has a single point and ends at once");
  else if (looped)
    r.warning(0, "the segments form a loop: the chain stops after " + std::to_string(chain.size()) + " points");
  else if (chain.size() < data.positions.size())
    r.warning(0, "the chain from vertex 1 reaches " + std::to_string(chain.size()) + " of the " +
                     std::to_string(data.positions.size()) +
                     " positions; the flight uses that many points, in file order");
}

// Triangles that cover no pixel however they are turned: corners repeated,
// or in one line. The test is relative to the edges' lengths, so that large
// and tiny models are judged alike; below about 1e-7 a float cannot tell the
// angle from zero anyway. Every index must lie inside the positions.
size_t degenerateTriangles(const ObjData& data, size_t triangles) {
  size_t count = 0;
  for (size_t t = 0; t < triangles && 3 * t + 2 < data.vertexIndices.size(); ++t) {
    const uint32_t* v = &data.vertexIndices[3 * t];
    const glm::dvec3 a(data.positions[v[0] - 1]), b(data.positions[v[1] - 1]), c(data.positions[v[2] - 1]);
    const glm::dvec3 ab = b - a, ac = c - a;
    if (glm::length(glm::cross(ab, ac)) <= 1e-7 * glm::length(ab) * glm::length(ac)) ++count;
  }
  return count;
}

void checkTriangleModel(Report& r, const std::string& path, ObjData& data, const std::vector<size_t>& faceLines,
                        const std::vector<bool>& faceReported, MeshData* mesh) {
  r.facts.push_back("triangle model: " + plural(data.positions.size(), "position", "positions") + ", " +
                    plural(data.uvs.size(), "texture coordinate", "texture coordinates") + ", " +
                    plural(data.normals.size(), "normal", "normals"));
  r.facts.push_back("triangles: " + std::to_string(faceLines.size()));
  if (faceLines.empty()) r.error(0, "no faces: the model would draw nothing");

  if (data.hasUVs && data.trianglesBeforeUVs && !faceLines.empty())
    r.error(data.firstUVLine, "texture coordinates begin after the first face (line " +
                                  std::to_string(faceLines.front()) + "): the program refuses the model");

  const FaceIndexLists lists[] = {{"position", data.vertexIndices, data.positions.size()},
                                  {"texture coordinate", data.uvIndices, data.uvs.size()},
                                  {"normal", data.normalIndices, data.normals.size()}};
  for (size_t face = 0; face < faceLines.size(); ++face) {
    if (faceReported[face]) continue;
    for (const FaceIndexLists& list : lists) {
      if (list.indices.size() < 3 * (face + 1)) continue;  // no texture coordinates
      for (size_t c = 0; c < 3; ++c) {
        const uint32_t index = list.indices[3 * face + c];
        if (index >= 1 && index <= list.listSize) continue;
        r.error(faceLines[face],
                std::string(list.kind) + " index " + std::to_string(index) + ", but only " +
                    std::to_string(list.listSize) + " " + list.kind + "s were read",
                "faces with indices outside their lists");
        break;
      }
    }
  }

  if (data.hasUVs) {
    if (!data.hasMaterialFileName) {
      r.error(data.firstUVLine, "the model has texture coordinates but no mtllib line: the program refuses it");
    } else {
      const std::string materialPath = materialPathOf(path, data.materialFileName);
      r.facts.push_back("material library: " + printable(materialPath));
      r.named.push_back(materialPath);
    }
  } else if (data.hasMaterialFileName) {
    r.warning(0, "without texture coordinates the material library '" + printable(data.materialFileName) +
                     "' is not read: the model gets no textures");
  }

  if (!r.usable()) return;
  const size_t degenerate = degenerateTriangles(data, faceLines.size());
  if (!faceLines.empty() && degenerate == faceLines.size())
    r.warning(0, "every triangle (" + std::to_string(degenerate) +
                     ") is degenerate (zero area or repeated corners): the program draws nothing of the model");
  else if (degenerate > 0)
    r.facts.push_back("degenerate triangles: " + std::to_string(degenerate) + " (zero area or repeated corners)");
  std::vector<glm::vec3> vertices, normals;
  std::vector<glm::vec2> uvs;
  MeshData indexed;
  if (!expandObjCorners(data, vertices, uvs, normals) ||
      !indexVertexData(std::move(vertices), std::move(uvs), std::move(normals), &indexed.vertices, &indexed.uvs,
                       &indexed.normals, &indexed.indices)) {
    r.error(0, "the corners could not be merged into vertices");
    return;
  }
  r.vertexCount = indexed.vertices.size();
  r.indexCount = indexed.indices.size();
  if (mesh != nullptr) *mesh = std::move(indexed);
  r.facts.push_back("vertices: " + std::to_string(r.vertexCount) + ", indices: " + std::to_string(r.indexCount) +
                    " (after merging identical corners)");
}

// Numbers a v, vn or vt line holds, as the loader reads them.
// How many of the wanted numbers the line holds from offset on; finite tells
// whether all of those are (the reader takes "nan" and "inf" as numbers).
int numberCount(const std::string& line, size_t offset, int wanted, bool& finite) {
  finite = true;
  if (line.size() <= offset || strlen(line.c_str()) <= offset) return 0;
  float values[3];
  const int n = objscan::floats(line.c_str() + offset, values, wanted);
  for (int i = 0; i < n; ++i) finite = finite && std::isfinite(values[i]);
  return n < 0 ? 0 : n;
}

size_t wordCount(const char* text) {
  size_t words = 0;
  bool inWord = false;
  for (const char* p = text; *p != '\0'; ++p) {
    const bool blank = isBlank(*p);
    if (!blank && !inWord) ++words;
    inWord = !blank;
  }
  return words;
}


struct Word {
  std::string text;
  size_t line = 0;
};

// "%g" of a range end: 16384, 0.5, 100.
std::string numberText(double value) {
  char text[32];
  snprintf(text, sizeof text, "%g", value);
  return text;
}

// What a value the number reader refused is: it takes neither nan nor inf,
// and fails on a number beyond its type rather than clamp it.
const char* whyNotANumber(const std::string& text, const std::string& type) {
  const char* start = text.c_str();
  const char* digits = start + (*start == '+' || *start == '-' ? 1 : 0);
  char* end = nullptr;
  const double value = strtod(start, &end);
  if (end != start && !std::isfinite(value) && (*digits == 'n' || *digits == 'N' || *digits == 'i' || *digits == 'I'))
    return "not a finite number (nan or inf)";
  if (end != start && type == "int") return "beyond what a whole number setting holds";
  if (end != start && type == "float") return "beyond what a number setting holds";
  return type == "int" ? "not a whole number" : type == "float" ? "not a number" : "not 0 or 1";
}

}  // namespace

FileKind kindOf(std::string_view path, const uint8_t* head, size_t size) {
  const std::string lower = lowerCase(path);
  if (endsWith(lower, ".obj")) return FileKind::Obj;
  if (endsWith(lower, ".mtl")) return FileKind::Mtl;
  if (endsWith(lower, ".dds")) return FileKind::Dds;
  if (endsWith(lower, ".ini")) return FileKind::Config;
  if (endsWith(lower, ".glsl") || endsWith(lower, ".vert") || endsWith(lower, ".frag")) return FileKind::Glsl;
  if (head == nullptr) return FileKind::Unknown;
  if (size >= 4 && memcmp(head, "DDS ", 4) == 0) return FileKind::Dds;
  // No known extension: judge text by the lines that start it.
  const std::string_view text(reinterpret_cast<const char*>(head), std::min<size_t>(size, 4096));
  bool objLines = false;
  size_t start = 0;
  while (start < text.size()) {
    const std::string_view line = text.substr(start, text.find('\n', start) - start);
    if (line.rfind("newmtl", 0) == 0 || line.rfind("map_K", 0) == 0) return FileKind::Mtl;
    if (line.rfind("#version", 0) == 0) return FileKind::Glsl;
    if (line.rfind("v ", 0) == 0 || line.rfind("vn ", 0) == 0 || line.rfind("f ", 0) == 0 ||
        line.rfind("mtllib ", 0) == 0)
      objLines = true;
    start += line.size() + 1;
  }
  return objLines ? FileKind::Obj : FileKind::Unknown;
}

const char* kindName(FileKind kind) {
  switch (kind) {
    case FileKind::Config: return "configuration";
    case FileKind::Obj: return "OBJ model";
    case FileKind::Mtl: return "MTL material library";
    case FileKind::Dds: return "DDS texture";
    case FileKind::Glsl: return "GLSL shader";
    case FileKind::Unknown: return "unknown file type";
  }
  return "unknown file type";
}

Report checkObj(const std::string& path, std::string_view text, MeshData* mesh) {
  Report r;
  r.path = path;
  r.kind = FileKind::Obj;
  ObjData data;
  std::vector<size_t> faceLines;
  std::vector<bool> faceReported;
  std::vector<size_t> segmentLines;
  size_t materialLines = 0;
  std::string firstMaterial;

  forEachLine(text, [&](std::string& line) {
    const size_t lineNumber = data.linesRead + 1;
    // The loader sees the text up to a NUL byte, without a closing CR.
    std::string seen(line.c_str());
    stripCarriageReturn(seen.data());
    seen.resize(strlen(seen.c_str()));
    const ObjLine kind = parseObjLine(data, line.data());
    switch (kind) {
      case ObjLine::FormatError: {
        std::string message;
        if (data.error == ObjError::SegmentOrTriangleWithUVs && countChar(seen.c_str(), ' ') == 2)
          message = "a line element is written \"f a b\" with two vertex numbers";
        else if (data.error == ObjError::SegmentOrTriangleWithUVs)
          message = "after the texture coordinates (line " + std::to_string(data.firstUVLine) +
                    ") a face is written \"f v/t/n v/t/n v/t/n\"";
        else
          message = "without texture coordinates a face is written \"f v//n v//n v//n\"";
        r.error(lineNumber, message + ", not \"" + printable(seen) + "\": the program refuses the model",
                "malformed faces");
        data.error = ObjError::None;
        data.errorLine = 0;
        break;
      }
      case ObjLine::Triangle: {
        faceLines.push_back(lineNumber);
        // Numbers that can never be indices, whatever the lists hold.
        int64_t v[9];
        const int n = data.hasUVs ? objscan::facePositionUVNormal(seen.c_str() + 2, v)
                                  : objscan::facePositionNormal(seen.c_str() + 2, v);
        bool odd = false;
        for (int i = 0; i < n && !odd; ++i) {
          if (v[i] >= 1 && v[i] <= objscan::kIntMax) continue;
          odd = true;
          r.error(lineNumber,
                  v[i] < 0    ? "negative index " + std::to_string(v[i]) + ": relative indices are not supported"
                  : v[i] == 0 ? std::string("index 0: indices start at 1")
                              : "index " + std::to_string(v[i]) + " is far beyond any list",
                  "faces with impossible indices");
        }
        faceReported.push_back(odd);
        const size_t corners = wordCount(seen.c_str() + 1);
        if (corners > 3)
          r.warning(lineNumber,
                    "face with " + std::to_string(corners) +
                        " corners: only the first three are drawn (triangulate the model)",
                    "faces with more than three corners");
        break;
      }
      case ObjLine::Segment:
        segmentLines.push_back(lineNumber);
        break;
      case ObjLine::Position:
      case ObjLine::Normal:
      case ObjLine::TextureCoordinate: {
        const bool position = kind == ObjLine::Position, normal = kind == ObjLine::Normal;
        const char* what = position ? "position" : normal ? "normal" : "texture coordinate";
        const int wanted = position || normal ? 3 : 2;
        bool finite = true;
        if (numberCount(seen, position ? 2 : 3, wanted, finite) < wanted)
          r.warning(lineNumber,
                    std::string(what) + " with fewer than " + std::to_string(wanted) + " numbers: the rest are 0",
                    "lines with missing numbers");
        if (!finite)
          r.warning(lineNumber,
                    std::string(what) + " with a number that is not finite (nan or inf): " +
                        "whatever uses it is drawn wrongly",
                    "lines with numbers that are not finite");
        break;
      }
      case ObjLine::MaterialLibrary:
        if (++materialLines == 1)
          firstMaterial = data.materialFileName;
        else if (materialLines == 2)
          r.warning(lineNumber, "a second mtllib line replaces '" + printable(firstMaterial) + "'");
        if (!data.materialFileName.empty() && isBlank(data.materialFileName.back()))
          r.warning(lineNumber, "the material library name ends in white space, which is part of the name");
        if (data.materialFileName.empty()) r.warning(lineNumber, "mtllib line without a name");
        break;
      case ObjLine::Ignored: {
        size_t first = 0;
        while (first < seen.size() && isBlank(seen[first])) ++first;
        if (first > 0 && first < seen.size() && (seen[first] == 'v' || seen[first] == 'f'))
          r.warning(lineNumber, "ignored: the line starts with white space", "ignored lines");
        else if (seen.rfind("l ", 0) == 0)
          r.warning(lineNumber, "ignored: \"l\" elements are not read; camera paths are written \"f a b\"",
                    "ignored lines");
        else if (seen.rfind("mtllib", 0) == 0 && !data.pathMode)
          r.warning(lineNumber, "ignored: \"mtllib\" must be followed by one space and the name", "ignored lines");
        break;
      }
      default:
        break;
    }
  });

  if (data.linesRead == 0) {
    r.error(0, "the file is empty");
    return r;
  }
  if (data.pathMode)
    checkPath(r, data, segmentLines);
  else
    checkTriangleModel(r, path, data, faceLines, faceReported, mesh);
  sortByLine(r);
  return r;
}

Report checkMtl(const std::string& path, std::string_view text) {
  Report r;
  r.path = path;
  r.kind = FileKind::Mtl;
  MtlData mtl;
  size_t lineNumber = 0;
  size_t diffuseLine = 0, specularLine = 0, nightLine = 0;
  forEachLine(text, [&](std::string& line) {
    ++lineNumber;
    std::string seen(line.c_str());
    stripCarriageReturn(seen.data());
    seen.resize(strlen(seen.c_str()));
    const MtlLine kind = parseMtlLine(mtl, line.data());
    size_t* seenBefore = nullptr;
    const std::string* name = nullptr;
    switch (kind) {
      case MtlLine::DiffuseTexture: seenBefore = &diffuseLine; name = &mtl.diffuseTextureFileName; break;
      case MtlLine::SpecularTexture: seenBefore = &specularLine; name = &mtl.specularTextureFileName; break;
      case MtlLine::NightTexture: seenBefore = &nightLine; name = &mtl.diffuseNightTextureFileName; break;
      default: {
        size_t first = 0;
        while (first < seen.size() && isBlank(seen[first])) ++first;
        const std::string head = lowerCase(std::string_view(seen).substr(first, 7));
        if (head.size() >= 6 && (head.rfind("map_kd", 0) == 0 || head.rfind("map_ks", 0) == 0 ||
                                 head.rfind("map_kn", 0) == 0))
          r.warning(lineNumber,
                    "not read: a texture line starts exactly with \"map_Kd \", \"map_Ks \" or "
                    "\"map_Kn \" (case and the one space count)",
                    "texture lines that are not read");
        return;
      }
    }
    if (*seenBefore != 0)
      r.warning(lineNumber, "replaces the texture named on line " + std::to_string(*seenBefore),
                "texture lines that replace an earlier one");
    *seenBefore = lineNumber;
    if (name->empty()) r.error(lineNumber, "texture line without a name");
    else if (isBlank(name->back())) r.warning(lineNumber, "the texture name ends in white space, which is part of the name");
  });
  sortByLine(r);
  auto add = [&](bool has, const std::string& name, const char* role) {
    if (!has) return;
    r.facts.push_back(std::string(role) + " texture: " + printable(name));
    if (!name.empty()) r.named.push_back(name);
  };
  add(mtl.hasDiffuseTexture, mtl.diffuseTextureFileName, "diffuse");
  add(mtl.hasSpecularTexture, mtl.specularTextureFileName, "specular");
  add(mtl.hasNightTexture, mtl.diffuseNightTextureFileName, "night");
  if (r.named.empty()) r.warning(0, "names no texture (map_Kd, map_Ks, map_Kn): the model is drawn without one");
  return r;
}

Report checkDds(const std::string& path, const uint8_t* bytes, size_t size, uint32_t maxTextureSize) {
  Report r;
  r.path = path;
  r.kind = FileKind::Dds;
  DdsInfo info;
  const DdsStatus status = parseDdsHeader(bytes, size, maxTextureSize, info);
  if (status == DdsStatus::BadMagic) {
    r.error(0, size < 4 ? "not a DDS file: shorter than its 4-byte signature"
                        : "not a DDS file: it does not begin with \"DDS \"");
    return r;
  }
  if (status == DdsStatus::TruncatedHeader) {
    r.error(0, "header cut short: " + std::to_string(size) + " bytes, the header needs " +
                   std::to_string(dds::kDataOffset));
    return r;
  }
  char fourCC[5] = {};
  memcpy(fourCC, bytes + 84, 4);
  if (status == DdsStatus::UnsupportedFormat) {
    std::string name = printable(std::string_view(fourCC, 4));
    r.error(0, info.fourCC == 0 ? "uncompressed pixels: only DXT1, DXT3 and DXT5 are loaded"
                                : "format '" + name + "': only DXT1, DXT3 and DXT5 are loaded");
    return r;
  }
  r.facts.push_back(printable(std::string_view(fourCC, 4)) + ", " + std::to_string(info.width) + " x " + std::to_string(info.height) +
                    ", linear size " + std::to_string(info.linearSize) + ", " +
                    plural(info.mipMapCount, "level declared", "levels declared"));
  if (status == DdsStatus::TooLarge) {
    r.error(0, "larger than " + std::to_string(maxTextureSize) + " pixels on a side, the largest texture this OpenGL offers");
    return r;
  }
  const uint64_t topLevel = ddsLevelSize(info.width, info.height, info.blockSize);
  if (info.width == 0 || info.height == 0) {
    r.error(0, "width or height is 0: there is no image");
    return r;
  }
  if (info.mipMapCount == 0) {
    r.error(0, "the header declares 0 levels: the texture would stay empty");
    return r;
  }
  const size_t available = size - dds::kDataOffset;
  info.levels = planDdsLevels(info, available);
  size_t used = 0;
  for (size_t i = 0; i < info.levels.size(); ++i) {
    const DdsLevel& level = info.levels[i];
    r.facts.push_back("level " + std::to_string(i) + ": " + std::to_string(level.width) + " x " +
                      std::to_string(level.height) + ", " + std::to_string(level.size) + " bytes");
    used += level.size;
  }
  if (info.linearSize != topLevel)
    r.warning(0, "linear size " + std::to_string(info.linearSize) + " is not the top level's " +
                     std::to_string(topLevel) + " bytes: the loader reads at most " +
                     std::to_string(info.bufferSize) + " bytes of data");
  const unsigned fullChain = ddsFullChainLength(info.width, info.height);
  if (info.mipMapCount > fullChain)
    r.warning(0, "declares " + std::to_string(info.mipMapCount) + " levels, but a " + std::to_string(info.width) +
                     " x " + std::to_string(info.height) + " chain has only " + std::to_string(fullChain));
  const size_t expected = std::min<size_t>(info.mipMapCount, fullChain);
  if (info.levels.empty()) {
    r.error(0, "no level fits: the top level needs " + std::to_string(topLevel) + " bytes, the file holds " +
                   std::to_string(available) + " after its header" +
                   (info.bufferSize < topLevel ? " and the loader reads " + std::to_string(info.bufferSize) : ""));
  } else if (info.levels.size() < expected) {
    r.warning(0, "holds only " + std::to_string(info.levels.size()) + " of its " + std::to_string(expected) +
                     " levels (the data ends early): the texture stops at level " +
                     std::to_string(info.levels.size() - 1));
  }
  r.facts.push_back("levels present: " + std::to_string(info.levels.size()) + ", " + std::to_string(used) +
                    " bytes of " + std::to_string(available) + " after the header");
  return r;
}

Report checkConfig(const std::string& path, std::string_view text, const platform::DisplayLimits* limits) {
  Report r;
  r.path = path;
  r.kind = FileKind::Config;
  // Problems go into the report in line order once all are known: the window
  // sides are judged last, and the first lines' problems must not be the
  // ones a kind's limit leaves out.
  std::vector<Problem> found;
  auto warn = [&](size_t line, std::string message, std::string_view tallyKind = {}) {
    found.push_back({Severity::Warning, line, std::move(message), std::string(tallyKind)});
  };
  // Only the table's keys are remembered: a file of a million different
  // words must not cost a million entries.
  std::map<std::string, size_t> firstLine;
  // The window sides as the program reads them: the first value, else the default.
  int askedSide[2] = {config::defaultValue<int>(*config::find("width")),
                      config::defaultValue<int>(*config::find("height"))};
  size_t sideLine[2] = {0, 0};
  size_t pairs = 0;

  auto onPair = [&](const Word& key, const Word& value) {
    ++pairs;
    const std::string keyText = printable(key.text);
    const config::Key* known = config::find(key.text);
    if (known != nullptr) {
      auto [it, inserted] = firstLine.emplace(key.text, key.line);
      if (!inserted) {
        warn(key.line,
                  "'" + keyText + "' appears again: only its first value (line " + std::to_string(it->second) +
                      ") is used",
                  "repeated keys");
        return;
      }
    }
    if (value.text == "=") {
      warn(value.line,
                "'=' is read as the value of '" + keyText +
                    "': the file has no '=' signs, words simply alternate key, value",
                "'=' signs");
      return;
    }
    if (known == nullptr) {
      std::string hint;
      for (const config::Key& k : config::keys)
        if (lowerCase(key.text) == lowerCase(k.name))
          hint = std::string(": did you mean '") + k.name + "'? (keys are case-sensitive)";
      if (hint.empty() && key.text.find('=') != std::string::npos)
        hint = ": the file has no '=' signs, words simply alternate key, value";
      warn(key.line, "unknown key '" + keyText + "', which nothing reads" + hint, "unknown keys");
      return;
    }
    const std::string type = known->type;
    if (type == "string") {
      // The keys that take one of a few words, with the program's own lists.
      Quality preset;
      if (key.text == "quality" && !presetQuality(value.text, preset))
        warn(value.line,
             "quality '" + printable(value.text) + "' is not " + orList(qualityPresetNames()) +
                 ": the program warns and keeps " + known->defaultValue,
             "words the program does not take");
      const auto& words = kTextureFilteringWords;
      if (key.text == "textureFiltering" && std::find(std::begin(words), std::end(words), value.text) == std::end(words))
        warn(value.line,
             "textureFiltering '" + printable(value.text) + "' is not " +
                 orList(std::vector<std::string>(std::begin(words), std::end(words))) +
                 ": the program warns and chooses as for " + std::string(words[0]),
             "words the program does not take");
      SkyMode mode = SkyMode::Demo;
      double tai = 0.0;
      std::string why;
      if (key.text == "time" && !parseTimeSetting(value.text, mode, tai, why))
        warn(value.line,
             "time '" + printable(value.text) + "' is not an instant (" + why + "), now or demo: the program " +
                 "warns and shows the demo sky",
             "words the program does not take");
      return;
    }
    std::istringstream stream(value.text);
    bool ok = true;
    double number = 0;
    if (type == "int") {
      int v = 0;
      ok = static_cast<bool>(stream >> v);
      number = v;
    } else if (type == "float") {
      float v = 0;
      ok = static_cast<bool>(stream >> v);
      number = v;
    } else {
      bool v = false;
      ok = static_cast<bool>(stream >> v);
    }
    std::string rest;
    if (!ok) {
      const char* why = whyNotANumber(value.text, type);
      warn(value.line,
                "'" + printable(value.text) + "' is " + why + ": " + key.text + " keeps its default " +
                    known->defaultValue,
                "values the program cannot read");
      return;
    }
    if (std::getline(stream, rest) && !rest.empty())
      warn(value.line, "'" + printable(value.text) + "' is read only up to '" + printable(rest) + "'",
                "values read only in part");
    const int side = key.text == "width" ? 0 : key.text == "height" ? 1 : -1;
    if (side >= 0) {
      // Judged with the other side below, as the window is opened from both.
      askedSide[side] = static_cast<int>(number);
      sideLine[side] = value.line;
    } else if (!config::inRange(*known, number)) {
      warn(value.line,
                key.text + " " + printable(value.text) + " is outside the sane range " + numberText(known->minimum) +
                    " to " + numberText(known->maximum) + " (the default is " + known->defaultValue + ")",
                "values outside their sane range");
    }
  };

  bool fullScreen = true, fullScreenSeen = false;
  // Words as the program pairs them: white space separates, any other byte
  // (NUL included) belongs to a word.
  config::forEachPair(
      text,
      [&](const config::Word& key, const config::Word& value) {
        if (key.text == "fullscreen" && !fullScreenSeen) {
          fullScreenSeen = true;
          std::istringstream in{std::string(value.text)};
          bool v = true;
          if (in >> v) fullScreen = v;
        }
        // Where a line lost its value, the pairs after it are one word off:
        // this is the line to look at first.
        if (value.line > key.line)
          warn(key.line,
               "'" + printable(key.text) + "' takes its value '" + printable(value.text) + "' from line " +
                   std::to_string(value.line) + ": if its own value is missing, every later word pairs up one off",
               "values on a later line");
        onPair(Word{std::string(key.text), key.line}, Word{std::string(value.text), value.line});
      },
      [&](const config::Word& key) {
        warn(key.line, "'" + printable(key.text) + "' has no value and is ignored");
      });
  r.facts.push_back("settings: " + std::to_string(pairs));

  // A full-screen window takes the screen's mode, a window is cut to the
  // screen, and no side may pass what the GL can draw into.
  const platform::DisplayLimits none;
  const platform::DisplayLimits& display = limits != nullptr ? *limits : none;
  const WindowSizeFit fit = fitWindowSize(askedSide[0], askedSide[1], display,
                                          fullScreen ? WindowKind::FullScreen : WindowKind::Windowed);
  if (limits != nullptr)
    r.facts.push_back("window: " + std::to_string(fit.width) + " x " + std::to_string(fit.height) + " (screen " +
                      std::to_string(display.screenWidth) + " x " + std::to_string(display.screenHeight) +
                      ", OpenGL up to " + std::to_string(widthLimit(display, false)) + " x " +
                      std::to_string(heightLimit(display, false)) + ")");
  const int obtained[2] = {fit.width, fit.height};
  const int glLimit[2] = {widthLimit(display, false), heightLimit(display, false)};
  const int screen[2] = {display.screenWidth, display.screenHeight};
  for (int side = 0; side < 2; ++side) {
    if (sideLine[side] == 0) continue;  // the default is no mistake of the file's
    const config::Key& sideKey = *config::find(side == 0 ? "width" : "height");
    const std::string asked = std::string(sideKey.name) + " " + std::to_string(askedSide[side]);
    if (!config::inRange(sideKey, askedSide[side]))
      warn(sideLine[side],
                asked + " is outside the sane range " + numberText(sideKey.minimum) + " to " + numberText(sideKey.maximum) +
                    ": the window is " + std::to_string(fit.width) + " x " + std::to_string(fit.height),
                "values outside their sane range");
    else if (askedSide[side] > glLimit[side])
      warn(sideLine[side],
                asked + " is more than this OpenGL can draw into (" + std::to_string(glLimit[side]) +
                    "): the program uses " + std::to_string(obtained[side]),
                "window sides beyond the display");
    else if (obtained[side] < askedSide[side])
      warn(sideLine[side],
                asked + " is more than the screen's " + std::to_string(screen[side]) +
                    (fullScreen ? ": the full-screen window takes the screen's size"
                                : ": the window is cut to the screen"),
                "window sides beyond the display");
  }
  std::stable_sort(found.begin(), found.end(), [](const Problem& x, const Problem& y) { return x.line < y.line; });
  for (Problem& p : found) r.add(p.severity, p.line, std::move(p.text), p.kind);
  sortByLine(r);
  return r;
}

std::vector<SceneFile> sceneFiles(const ConfigFile& config) {
  std::vector<SceneFile> files;
  auto model = [&](config::KeyName key, const char* role, bool required) {
    files.push_back({config.setting<std::string>(key), role, FileKind::Obj, required});
  };
  files.push_back({runfiles::envCubeModel, "star field", FileKind::Obj, true});
  model("earthFilename", "Earth model", true);
  model("moonFilename", "Moon model", true);
  model("missileFilename", "missile model", true);
  model("atmosphereFilename", "atmosphere model", true);
  model("shadowModelFilename", "shadow cone model", true);
  model("eyePathFilename", "camera eye path", false);
  model("lookAtPathFilename", "camera look-at path", false);
  for (const char* sprite : runfiles::sunGlowSprites)
    files.push_back({sprite, "sun glow sprite", FileKind::Dds, false});
  files.push_back({runfiles::font, "font", FileKind::Dds, false});
  return files;
}

const char* stageName(ShaderStage stage) { return stage == ShaderStage::Vertex ? "vertex" : "fragment"; }

std::vector<ShaderStage> stagesFromName(std::string_view path, std::string* why) {
  const size_t slash = path.find_last_of("/\\");
  const std::string name = lowerCase(slash == std::string_view::npos ? path : path.substr(slash + 1));
  auto stage = [&](ShaderStage s, const char* reason) {
    if (why != nullptr) *why = reason;
    return std::vector<ShaderStage>{s};
  };
  if (endsWith(name, ".vert")) return stage(ShaderStage::Vertex, "its extension .vert");
  if (endsWith(name, ".frag")) return stage(ShaderStage::Fragment, "its extension .frag");
  const bool vertexWord = name.find("vertex") != std::string::npos;
  const bool fragmentWord = name.find("fragment") != std::string::npos;
  if (vertexWord != fragmentWord)
    return vertexWord ? stage(ShaderStage::Vertex, "\"vertex\" in its name")
                      : stage(ShaderStage::Fragment, "\"fragment\" in its name");
  if (!vertexWord && name[0] == 'v') return stage(ShaderStage::Vertex, "its name starts with 'v'");
  if (!vertexWord && name[0] == 'f') return stage(ShaderStage::Fragment, "its name starts with 'f'");
  if (why != nullptr) *why = "its name tells no stage";
  return {ShaderStage::Vertex, ShaderStage::Fragment};
}

std::vector<ProgramFiles> scenePrograms(const ConfigFile& config) {
  std::vector<ProgramFiles> programs;
  std::vector<std::string> filtering;
  // Each filtering path bare and with the Earth's layers, which the shipped
  // settings switch on.
  for (const TextureFiltering path : kTextureFilteringPaths) {
    filtering.push_back(textureFilteringDefines(path));
    filtering.push_back(textureFilteringDefines(path) + earthLayerDefines(EarthLayerSwitches()));
  }
  auto add = [&](const std::string& vertex, const std::string& fragment, const char* user,
                 const std::vector<std::string>& defineSets = {""}) {
    // Objects with the same two files draw with one program, or with
    // programs built alike.
    for (ProgramFiles& p : programs)
      if (p.vertex == vertex && p.fragment == fragment) {
        p.users.push_back(user);
        for (const std::string& d : defineSets)
          if (std::find(p.defineSets.begin(), p.defineSets.end(), d) == p.defineSets.end()) p.defineSets.push_back(d);
        return;
      }
    programs.push_back({vertex, fragment, {user}, defineSets});
  };
  auto key = [&](config::KeyName name) { return config.setting<std::string>(name); };
  add(runfiles::envCubeVertex, runfiles::envCubeFragment, "the star field");
  // Each set of lines with one more after it.
  auto with = [](const std::vector<std::string>& sets, const char* line) {
    std::vector<std::string> out;
    for (const std::string& d : sets) out.push_back(d + line);
    return out;
  };
  // The Earth's program is built for the Earth alone, the Moon's and the
  // missile's without it.
  add(key("earthVShader"), key("earthFShader"), "the Earth", with(filtering, kEarthOnlyDefine));
  add(key("moonVShader"), key("moonFShader"), "the Moon", with(filtering, kWithoutEarthDefine));
  add(key("missileVShader"), key("missileFShader"), "the missile", with(filtering, kWithoutEarthDefine));
  add(key("atmosphereVShader"), key("atmosphereFShader"), "the atmosphere", filtering);
  add(key("atmosphereVShader"), key("atmosphereFShaderFinal"), "the atmosphere composite", filtering);
  add(runfiles::shadowConeVertex, runfiles::shadowConeFragment, "the shadow cone");
  add(runfiles::compositeVertex, runfiles::compositeFragment, "the depth-of-field composite", compositeVariants());
  add(runfiles::sunGlowVertex, runfiles::sunGlowFragment, "the sun glow");
  add(runfiles::textVertex, runfiles::textFragment, "the text overlay");
  add(runfiles::starVertex, runfiles::starFragment, "the stars");
  add(runfiles::exposureMeterVertex, runfiles::exposureMeterFragment, "the exposure meter",
      {exposureMeterDefines()});
  // The air table's programs: the composite's file making the table, and
  // the Earth and the composite reading it.
  const std::vector<std::string> reading = with(filtering, kAirTableReadDefine);
  add(runfiles::compositeVertex, key("atmosphereFShaderFinal"), "the air table",
      {std::string(kAirTableBuildDefine)});
  add(key("earthVShader"), key("earthFShader"), "the Earth with its air", with(reading, kEarthOnlyDefine));
  add(key("atmosphereVShader"), key("atmosphereFShaderFinal"), "the limb through the air table", reading);
  return programs;
}

std::vector<Includer> includersOf(const std::string& path, const std::vector<ProgramFiles>& programs,
                                  const std::function<bool(const std::string&, std::string&, std::string&)>& read) {
  const std::string wanted = includedPath("", path);
  std::vector<Includer> found;
  auto addUnique = [](std::vector<std::string>& list, const std::vector<std::string>& items) {
    for (const std::string& item : items)
      if (std::find(list.begin(), list.end(), item) == list.end()) list.push_back(item);
  };
  for (const ProgramFiles& p : programs)
    for (const ShaderStage stage : {ShaderStage::Vertex, ShaderStage::Fragment}) {
      const std::string& file = stage == ShaderStage::Vertex ? p.vertex : p.fragment;
      if (includedPath("", file) == wanted) continue;  // the file itself, built as it is
      std::string source, problem;
      if (!read(file, source, problem)) continue;
      const ExpandedShader expanded = expandShaderIncludes(file, source, read);
      bool includes = false;
      for (size_t k = 1; k < expanded.files.size(); ++k) includes = includes || includedPath("", expanded.files[k]) == wanted;
      if (!includes) continue;
      auto same = std::find_if(found.begin(), found.end(),
                               [&](const Includer& i) { return i.path == file && i.stage == stage; });
      if (same == found.end()) {
        found.push_back({file, stage, {}, {}});
        same = found.end() - 1;
      }
      addUnique(same->defineSets, p.defineSets);
      addUnique(same->users, p.users);
    }
  return found;
}

std::string listOf(const std::vector<std::string>& names) {
  std::string out;
  for (size_t i = 0; i < names.size(); ++i) {
    if (i > 0) out += i + 1 == names.size() ? " and " : ", ";
    out += names[i];
  }
  return out;
}



std::vector<PlacedMessage> compilerMessages(std::string_view log, bool compiled, size_t fileCount,
                                            std::string_view prefix) {
  using Level = ShaderLogLine::Kind;
  const std::vector<ShaderLogLine> entries = parseShaderLog(log);
  bool placedError = false;
  for (const ShaderLogLine& e : entries) placedError = placedError || (e.kind == Level::Error && e.line > 0);
  std::vector<PlacedMessage> messages;
  bool error = false;
  for (const ShaderLogLine& e : entries) {
    const ShaderSourcePlace place = fileCount > 1 ? shaderSourcePlace(e.file, e.line) : ShaderSourcePlace{0, e.line};
    std::string text = std::string(prefix) + printable(e.text, 300);
    // A place beyond the files is no place of ours: the text keeps it.
    size_t file = place.file, line = place.line;
    if (file >= fileCount) {
      text = "(source string " + std::to_string(file) + ", line " + std::to_string(line) + ") " + text;
      file = line = 0;
    }
    if (e.kind == Level::Warning) {
      messages.push_back({file, line, Severity::Warning, text, "compiler warnings"});
    } else if (!compiled && (!placedError || (e.kind == Level::Error && e.line > 0))) {
      // Beside errors placed at lines, the unplaced ones are summaries ("2
      // compilation errors. No code generated."); without any, every line
      // may be the reason.
      messages.push_back({file, line, Severity::Error, text, "compiler errors"});
      error = true;
    }
  }
  if (!compiled && !error)
    messages.push_back({0, 0, Severity::Error, std::string(prefix) + "the compiler refused it without a message",
                        "compiler errors"});
  return messages;
}

void addCompilerLog(Report& report, std::string_view log, bool compiled, std::string_view prefix) {
  for (PlacedMessage& m : compilerMessages(log, compiled, 1, prefix))
    report.add(m.severity, m.line, std::move(m.text), m.kind);
}

std::vector<std::string> buildNames(const std::vector<std::string>& defineSets) {
  // "#define NAME VALUE" lines as "NAME VALUE"; the macros, for the set without any.
  std::vector<std::string> names, macros;
  for (const std::string& defines : defineSets) {
    std::string name;
    forEachLine(defines, [&](std::string& line) {
      const std::string_view directive = "#define ";
      if (line.rfind(directive, 0) != 0) return;
      const std::string definition = line.substr(directive.size());
      name += (name.empty() ? "" : ", ") + definition;
      const std::string macro = definition.substr(0, definition.find(' '));
      if (std::find(macros.begin(), macros.end(), macro) == macros.end()) macros.push_back(macro);
    });
    names.push_back(name);
  }
  for (std::string& name : names)
    if (name.empty()) name = macros.empty() ? "as it is" : "without " + listOf(macros);
  return names;
}

std::string buildsNote(const std::vector<std::string>& seenIn, const std::vector<std::string>& all) {
  if (seenIn.empty() || seenIn.size() >= all.size()) return {};
  // Runs of one macro's consecutive numbers read "PASSES 2 to 16".
  std::vector<std::string> parts;
  std::string runWord;
  long runFirst = 0, runLast = 0;
  auto closeRun = [&] {
    if (runWord.empty()) return;
    parts.push_back(runWord + " " + std::to_string(runFirst) +
                    (runLast > runFirst ? (runLast == runFirst + 1 ? ", " + runWord + " " : " to ") +
                                              std::to_string(runLast)
                                        : ""));
    runWord.clear();
  };
  for (const std::string& name : seenIn) {
    const size_t space = name.rfind(' ');
    char* end = nullptr;
    const long number = space == std::string::npos ? 0 : strtol(name.c_str() + space + 1, &end, 10);
    if (space != std::string::npos && end != nullptr && *end == '\0' && end != name.c_str() + space + 1) {
      const std::string word = name.substr(0, space);
      if (word == runWord && number == runLast + 1) {
        runLast = number;
        continue;
      }
      closeRun();
      runWord = word;
      runFirst = runLast = number;
      continue;
    }
    closeRun();
    parts.push_back(name);
  }
  closeRun();
  std::string note;
  for (const std::string& part : parts) note += (note.empty() ? "" : "; ") + part;
  return " (only in the build" + std::string(seenIn.size() == 1 ? "" : "s") + " " + note + ")";
}

void addLinkLog(Report& fragmentReport, std::string_view log, bool linked, std::string_view vertexPath,
                std::string_view users) {
  using Level = ShaderLogLine::Kind;
  const std::string with = " with " + printable(vertexPath, 200) + " into the program of " + std::string(users) + ": ";
  const size_t errorsBefore = fragmentReport.count(Severity::Error);
  for (const ShaderLogLine& e : parseShaderLog(log)) {
    if (e.kind == Level::Warning)
      fragmentReport.warning(0, "linking" + with + printable(e.text, 300), "link warnings");
    else if (!linked)
      fragmentReport.error(0, "does not link" + with + printable(e.text, 300), "link errors");
  }
  if (!linked && fragmentReport.count(Severity::Error) == errorsBefore)
    fragmentReport.error(0, "does not link" + with + "the linker gives no reason");
}

std::string formatReport(const Report& report, std::string_view role) {
  const std::string path = printable(report.path, 200);
  std::string out = path + ": " + kindName(report.kind);
  if (!role.empty()) out += " (" + printable(role, 200) + ")";
  out += "\n";
  for (const std::string& fact : report.facts) out += "  " + fact + "\n";
  auto line = [&](Severity severity, size_t number, const std::string& text) {
    out += "  " + path;
    if (number > 0) out += ":" + std::to_string(number);
    out += severity == Severity::Error ? ": error: " : ": warning: ";
    out += text + "\n";
  };
  // Each count follows the last problem kept of its kind.
  std::vector<std::vector<const Report::Omitted*>> countsAfter(report.problems.size() + 1);
  for (const Report::Omitted& o : report.omitted) {
    size_t last = report.problems.size();
    for (size_t i = 0; i < report.problems.size(); ++i) {
      const Problem& p = report.problems[i];
      if (p.severity == o.severity && p.kind == o.kind && (!o.kind.empty() || p.text == o.text)) last = i;
    }
    countsAfter[last].push_back(&o);
  }
  auto counts = [&](size_t after) {
    for (const Report::Omitted* o : countsAfter[after])
      line(o->severity, 0,
           "... and " + std::to_string(o->count) + " more " + (o->kind.empty() ? "of the same" : o->kind));
  };
  for (size_t i = 0; i < report.problems.size(); ++i) {
    line(report.problems[i].severity, report.problems[i].line, report.problems[i].text);
    counts(i);
  }
  counts(report.problems.size());
  return out;
}

}  // namespace check
