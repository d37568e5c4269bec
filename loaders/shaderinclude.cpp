#include "loaders/shaderinclude.h"

#include <algorithm>
#include <cctype>

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }

// The line number file `file`'s line 1 is reported at.
size_t firstLineOf(size_t file) { return file * kShaderLinesPerFile + 1; }

enum class Directive { None, Include, Malformed };

// Whether the line is an #include, and the name it gives.
Directive parseInclude(std::string_view line, std::string& name) {
  size_t p = 0;
  while (p < line.size() && isBlank(line[p])) ++p;
  if (p == line.size() || line[p] != '#') return Directive::None;
  ++p;
  while (p < line.size() && isBlank(line[p])) ++p;
  constexpr std::string_view kWord = "include";
  if (line.substr(p, kWord.size()) != kWord) return Directive::None;
  p += kWord.size();
  // "#included" or "#include_x" is some other directive.
  if (p < line.size() && (std::isalnum(static_cast<unsigned char>(line[p])) || line[p] == '_'))
    return Directive::None;
  while (p < line.size() && isBlank(line[p])) ++p;
  if (p == line.size() || line[p] != '"') return Directive::Malformed;
  const size_t close = line.find('"', p + 1);
  if (close == std::string_view::npos || close == p + 1) return Directive::Malformed;
  name.assign(line.substr(p + 1, close - p - 1));
  p = close + 1;
  while (p < line.size() && isBlank(line[p])) ++p;
  const std::string_view rest = line.substr(p);
  if (!rest.empty() && rest.substr(0, 2) != "//" && rest.substr(0, 2) != "/*") return Directive::Malformed;
  return Directive::Include;
}

struct Expansion {
  const ShaderSourceReader& read;
  ExpandedShader& result;
  std::vector<size_t> stack;  // source numbers of the files being expanded
  std::vector<std::string> keys;  // the files' paths, normalised, by number

  bool fail(size_t file, size_t line, std::string text) {
    result.errorFile = result.files[file];
    result.errorLine = line;
    result.error = std::move(text);
    return false;
  }

  // The stack from the first appearance of `file` on, and `file` again.
  std::string cycleOf(size_t file) const {
    std::string chain;
    auto first = std::find(stack.begin(), stack.end(), file);
    for (auto it = first; it != stack.end(); ++it) chain += result.files[*it] + " -> ";
    return chain + result.files[file];
  }

  bool expand(size_t file, std::string_view source) {
    std::string& out = result.source;
    size_t start = 0;
    // Text before the first line feed belongs to no line of the file.
    size_t end = source.find('\n');
    if (end == std::string_view::npos) end = source.size();
    out.append(source.substr(0, end));
    size_t lineNumber = 0;
    std::string name;
    for (start = end; start < source.size(); start = end) {
      end = source.find('\n', start + 1);
      if (end == std::string_view::npos) end = source.size();
      const std::string_view line = source.substr(start + 1, end - start - 1);
      // Lines past the file's million would read as another file's; the
      // file built is numbered so only once it includes (below).
      if (++lineNumber >= kShaderLinesPerFile - 1 && file > 0)
        return fail(file, lineNumber, "more than " + std::to_string(kShaderLinesPerFile - 2) + " lines");
      const Directive directive = parseInclude(line, name);
      if (directive == Directive::None) {
        out += '\n';
        out.append(line);
      } else if (directive == Directive::Malformed) {
        return fail(file, lineNumber, "an #include line names its file in double quotes: #include \"name.glsl\"");
      } else if (!include(file, lineNumber, name)) {
        return false;
      }
      if (out.size() > kMaxExpandedShaderBytes)
        return fail(file, lineNumber,
                    "the includes add up to more than " + std::to_string(kMaxExpandedShaderBytes >> 20) + " MB");
    }
    if (file == 0 && result.files.size() > 1 && lineNumber >= kShaderLinesPerFile - 1)
      return fail(file, lineNumber, "more than " + std::to_string(kShaderLinesPerFile - 2) + " lines");
    return true;
  }

  bool include(size_t file, size_t lineNumber, const std::string& name) {
    const std::string path = includedPath(result.files[file], name);
    auto known = std::find(keys.begin(), keys.end(), path);
    if (known != keys.end()) {
      const size_t number = static_cast<size_t>(known - keys.begin());
      if (std::find(stack.begin(), stack.end(), number) != stack.end())
        return fail(file, lineNumber, "'" + path + "' includes itself (" + cycleOf(number) + ")");
      result.source += '\n';  // inserted once already; the line stays, empty
      return true;
    }
    if (stack.size() >= kMaxShaderIncludeDepth)
      return fail(file, lineNumber,
                  "includes nest deeper than " + std::to_string(kMaxShaderIncludeDepth) + " files at '" + path + "'");
    if (result.files.size() >= kMaxShaderFiles)
      return fail(file, lineNumber, "more than " + std::to_string(kMaxShaderFiles) + " files at '" + path + "'");
    std::string included, problem;
    if (!read(path, included, problem)) return fail(file, lineNumber, "'" + path + "' cannot be read: " + problem);
    const size_t number = result.files.size();
    result.files.push_back(path);
    keys.push_back(path);
    // NOTE: the line after "#line N S" is line N (as Mesa and GLSL 4.20 on
    // count; the 3.30 text says N + 1). One more than the file's line, as
    // the loader's leading line feed makes it for the file built.
    result.source += "\n#line " + std::to_string(firstLineOf(number) + 1) + " " + std::to_string(number);
    stack.push_back(number);
    const bool expanded = expand(number, included);
    stack.pop_back();
    if (!expanded) return false;
    result.source += "\n#line " + std::to_string(firstLineOf(file) + lineNumber + 1) + " " + std::to_string(file);
    return true;
  }
};

}  // namespace

std::string includedPath(std::string_view includingPath, std::string_view name) {
  std::string joined;
  if (name.empty() || (name[0] != '/' && name[0] != '\\')) {
    const size_t slash = includingPath.find_last_of("/\\");
    if (slash != std::string_view::npos) joined.assign(includingPath.substr(0, slash + 1));
  }
  joined.append(name);
  // Segment by segment: "." goes, ".." takes back the segment before it
  // unless there is none to take back.
  std::vector<std::string> segments;
  const bool absolute = !joined.empty() && (joined[0] == '/' || joined[0] == '\\');
  size_t start = 0;
  while (start <= joined.size()) {
    size_t end = joined.find_first_of("/\\", start);
    if (end == std::string::npos) end = joined.size();
    const std::string segment = joined.substr(start, end - start);
    if (segment == "..") {
      if (!segments.empty() && segments.back() != "..")
        segments.pop_back();
      else if (!absolute)
        segments.push_back(segment);
    } else if (!segment.empty() && segment != ".") {
      segments.push_back(segment);
    }
    start = end + 1;
  }
  std::string path = absolute ? "/" : "";
  for (size_t i = 0; i < segments.size(); ++i) path += (i > 0 ? "/" : "") + segments[i];
  return path;
}

ShaderSourcePlace shaderSourcePlace(unsigned reportedFile, unsigned reportedLine) {
  ShaderSourcePlace place;
  place.file = reportedLine / kShaderLinesPerFile;
  place.line = reportedLine % kShaderLinesPerFile;
  // A line of file 0's range with another source string: a driver that
  // keeps the string but not the lines.
  if (place.file == 0) place.file = reportedFile;
  return place;
}

ExpandedShader expandShaderIncludes(const std::string& path, const std::string& source,
                                    const ShaderSourceReader& read) {
  ExpandedShader result;
  result.files.push_back(path);
  Expansion expansion{read, result, {0}, {includedPath("", path)}};
  if (!expansion.expand(0, source)) result.source.clear();
  return result;
}
