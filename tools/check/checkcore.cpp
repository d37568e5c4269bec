#include "tools/check/checkcore.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <sstream>

#include "app/configfile.h"
#include "app/oftenused.h"
#include "loaders/ddstexture.h"
#include "loaders/objparse.h"
#include "loaders/vertexindexer.h"

namespace check {

bool Report::usable() const { return count(Severity::Error) == 0; }

size_t Report::count(Severity severity) const {
  return static_cast<size_t>(
      std::count_if(problems.begin(), problems.end(), [&](const Problem& p) { return p.severity == severity; }));
}

void Report::error(size_t line, std::string text) { problems.push_back({Severity::Error, line, std::move(text)}); }
void Report::warning(size_t line, std::string text) { problems.push_back({Severity::Warning, line, std::move(text)}); }

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

// Reports of one kind of problem: the first few in full, then a count.
class Limited {
 public:
  Limited(Report& report, Severity severity) : report(report), severity(severity) {}
  void add(size_t line, const std::string& text) {
    if (++total <= kMaxReportsPerKind) report.problems.push_back({severity, line, text});
  }
  void close(const std::string& what) {
    if (total > kMaxReportsPerKind)
      report.problems.push_back(
          {severity, 0, "... and " + std::to_string(total - kMaxReportsPerKind) + " more " + what});
  }

 private:
  Report& report;
  Severity severity;
  size_t total = 0;
};

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
  Limited beyond(r, Severity::Warning);
  for (size_t s = 0; s < segmentLines.size(); ++s)
    for (int k = 0; k < 2; ++k) {
      const uint32_t v = data.vertexIndices[2 * s + static_cast<size_t>(k)];
      if (v == 0 || v > data.positions.size())
        beyond.add(segmentLines[s], "segment names vertex " + std::to_string(v) + ", but the positions are 1 to " +
                                        std::to_string(data.positions.size()));
    }
  beyond.close("segments with vertices outside the positions");
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
  Limited outside(r, Severity::Error);
  for (size_t face = 0; face < faceLines.size(); ++face) {
    if (faceReported[face]) continue;
    for (const FaceIndexLists& list : lists) {
      if (list.indices.size() < 3 * (face + 1)) continue;  // no texture coordinates
      for (size_t c = 0; c < 3; ++c) {
        const uint32_t index = list.indices[3 * face + c];
        if (index >= 1 && index <= list.listSize) continue;
        outside.add(faceLines[face], std::string(list.kind) + " index " + std::to_string(index) + ", but only " +
                                         std::to_string(list.listSize) + " " + list.kind + "s were read");
        break;
      }
    }
  }
  outside.close("faces with indices outside their lists");

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

}  // namespace

FileKind kindOf(std::string_view path, const uint8_t* head, size_t size) {
  const std::string lower = lowerCase(path);
  if (endsWith(lower, ".obj")) return FileKind::Obj;
  if (endsWith(lower, ".mtl")) return FileKind::Mtl;
  if (endsWith(lower, ".dds")) return FileKind::Dds;
  if (endsWith(lower, ".ini")) return FileKind::Config;
  if (head == nullptr) return FileKind::Unknown;
  if (size >= 4 && memcmp(head, "DDS ", 4) == 0) return FileKind::Dds;
  // No known extension: judge text by the lines that start it.
  const std::string_view text(reinterpret_cast<const char*>(head), std::min<size_t>(size, 4096));
  bool objLines = false;
  size_t start = 0;
  while (start < text.size()) {
    const std::string_view line = text.substr(start, text.find('\n', start) - start);
    if (line.rfind("newmtl", 0) == 0 || line.rfind("map_K", 0) == 0) return FileKind::Mtl;
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
  Limited formatErrors(r, Severity::Error);
  Limited shortNumbers(r, Severity::Warning);
  Limited notFinite(r, Severity::Warning);
  Limited extraCorners(r, Severity::Warning);
  Limited ignoredLines(r, Severity::Warning);
  Limited oddIndices(r, Severity::Error);
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
        formatErrors.add(lineNumber, message + ", not \"" + printable(seen) + "\": the program refuses the model");
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
          oddIndices.add(lineNumber, v[i] < 0 ? "negative index " + std::to_string(v[i]) +
                                                    ": relative indices are not supported"
                                 : v[i] == 0 ? std::string("index 0: indices start at 1")
                                             : "index " + std::to_string(v[i]) + " is far beyond any list");
        }
        faceReported.push_back(odd);
        const size_t corners = wordCount(seen.c_str() + 1);
        if (corners > 3)
          extraCorners.add(lineNumber, "face with " + std::to_string(corners) +
                                           " corners: only the first three are drawn (triangulate the model)");
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
          shortNumbers.add(lineNumber, std::string(what) + " with fewer than " + std::to_string(wanted) +
                                           " numbers: the rest are 0");
        if (!finite)
          notFinite.add(lineNumber, std::string(what) + " with a number that is not finite (nan or inf): " +
                                        "whatever uses it is drawn wrongly");
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
          ignoredLines.add(lineNumber, "ignored: the line starts with white space");
        else if (seen.rfind("l ", 0) == 0)
          ignoredLines.add(lineNumber, "ignored: \"l\" elements are not read; camera paths are written \"f a b\"");
        else if (seen.rfind("mtllib", 0) == 0 && !data.pathMode)
          ignoredLines.add(lineNumber, "ignored: \"mtllib\" must be followed by one space and the name");
        break;
      }
      default:
        break;
    }
  });
  formatErrors.close("malformed faces");
  oddIndices.close("faces with impossible indices");
  shortNumbers.close("lines with missing numbers");
  notFinite.close("lines with numbers that are not finite");
  extraCorners.close("faces with more than three corners");
  ignoredLines.close("ignored lines");

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
  Limited ignored(r, Severity::Warning);
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
          ignored.add(lineNumber, "not read: a texture line starts exactly with \"map_Kd \", \"map_Ks \" or "
                                  "\"map_Kn \" (case and the one space count)");
        return;
      }
    }
    if (*seenBefore != 0)
      r.warning(lineNumber, "replaces the texture named on line " + std::to_string(*seenBefore));
    *seenBefore = lineNumber;
    if (name->empty()) r.error(lineNumber, "texture line without a name");
    else if (isBlank(name->back())) r.warning(lineNumber, "the texture name ends in white space, which is part of the name");
  });
  ignored.close("texture lines that are not read");
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

Report checkConfig(const std::string& path, std::string_view text) {
  Report r;
  r.path = path;
  r.kind = FileKind::Config;
  struct Word {
    std::string text;
    size_t line;
  };
  std::vector<Word> words;
  size_t line = 1;
  // Words as the stream extraction reads them: white space separates, any
  // other byte (NUL included) belongs to a word.
  for (size_t i = 0; i < text.size();) {
    if (isBlank(text[i])) {
      if (text[i] == '\n') ++line;
      ++i;
      continue;
    }
    const size_t start = i;
    while (i < text.size() && !isBlank(text[i])) ++i;
    words.push_back({std::string(text.substr(start, i - start)), line});
  }
  std::map<std::string, size_t> firstLine;
  size_t pairs = 0;
  for (size_t w = 0; w + 1 < words.size(); w += 2) {
    ++pairs;
    const Word& key = words[w];
    const Word& value = words[w + 1];
    const std::string keyText = printable(key.text);
    auto [it, inserted] = firstLine.emplace(key.text, key.line);
    if (!inserted) {
      r.warning(key.line, "'" + keyText + "' appears again: only its first value (line " +
                              std::to_string(it->second) + ") is used");
      continue;
    }
    if (value.text == "=") {
      r.warning(value.line, "'=' is read as the value of '" + keyText +
                                "': the file has no '=' signs, words simply alternate key, value");
      continue;
    }
    const config::Key* known = nullptr;
    for (int k = 0; k < config::keyCount; ++k)
      if (key.text == config::keys[k].name) known = &config::keys[k];
    if (known == nullptr) {
      std::string hint;
      for (int k = 0; k < config::keyCount; ++k)
        if (lowerCase(key.text) == lowerCase(config::keys[k].name))
          hint = std::string(": did you mean '") + config::keys[k].name + "'? (keys are case-sensitive)";
      if (hint.empty() && key.text.find('=') != std::string::npos)
        hint = ": the file has no '=' signs, words simply alternate key, value";
      r.warning(key.line, "unknown key '" + keyText + "', which nothing reads" + hint);
      continue;
    }
    const std::string type = known->type;
    std::istringstream stream(value.text);
    bool ok = true;
    std::string rest;
    if (type == "int") {
      int v = 0;
      ok = static_cast<bool>(stream >> v);
      if (ok && (key.text == "width" || key.text == "height") && v <= 0)
        r.warning(value.line, "a window side must be positive: 1024 x 768 is used");
    } else if (type == "float") {
      float v = 0;
      ok = static_cast<bool>(stream >> v);
    } else if (type == "bool") {
      bool v = false;
      ok = static_cast<bool>(stream >> v);
    }
    if (!ok)
      r.warning(value.line, "'" + printable(value.text) + "' is not " +
                                (type == "int" ? "a whole number" : type == "float" ? "a number" : "0 or 1") +
                                ": " + key.text + " keeps its default " + known->defaultValue);
    else if (type != "string" && std::getline(stream, rest) && !rest.empty())
      r.warning(value.line, "'" + printable(value.text) + "' is read only up to '" + printable(rest) + "'");
  }
  if (words.size() % 2 == 1)
    r.warning(words.back().line, "'" + printable(words.back().text) + "' has no value and is ignored");
  r.facts.push_back("settings: " + std::to_string(pairs));
  return r;
}

std::vector<SceneFile> sceneFiles(const ConfigFile& config) {
  std::vector<SceneFile> files;
  auto model = [&](config::KeyName key, const char* role, bool required) {
    files.push_back({config.setting<std::string>(key), role, FileKind::Obj, required});
  };
  files.push_back({"models\\envcube.obj", "star field", FileKind::Obj, true});
  model("earthFilename", "Earth model", true);
  model("moonFilename", "Moon model", true);
  model("missileFilename", "missile model", true);
  model("atmosphereFilename", "atmosphere model", true);
  model("shadowModelFilename", "shadow cone model", true);
  model("eyePathFilename", "camera eye path", false);
  model("lookAtPathFilename", "camera look-at path", false);
  for (const char* sprite : {"HardGlow2.DDS", "BigGlow3.DDS", "Streaks4.DDS", "special_streaks.DDS", "Halo3.DDS"})
    files.push_back({sprite, "sun glow sprite", FileKind::Dds, false});
  files.push_back({"couriernew.DDS", "font", FileKind::Dds, false});
  return files;
}

std::string formatReport(const Report& report, std::string_view role) {
  std::string out = printable(report.path, 200) + ": " + kindName(report.kind);
  if (!role.empty()) out += " (" + printable(role, 200) + ")";
  out += "\n";
  for (const std::string& fact : report.facts) out += "  " + fact + "\n";
  for (const Problem& p : report.problems) {
    out += "  " + printable(report.path, 200);
    if (p.line > 0) out += ":" + std::to_string(p.line);
    out += p.severity == Severity::Error ? ": error: " : ": warning: ";
    out += p.text + "\n";
  }
  return out;
}

}  // namespace check
