#include "loaders/glsles.h"

#include <algorithm>

namespace {

// The start of the line that holds position p, and the start of the next one.
size_t nextLineStart(const std::string& s, size_t p) {
  const size_t nl = s.find('\n', p);
  return nl == std::string::npos ? s.size() : nl + 1;
}

// The first directive named `name` at the start of a line (blanks before the
// '#' and between '#' and the name allowed), from `from` on; npos if none.
size_t findDirective(const std::string& s, const std::string& name, size_t from) {
  for (size_t p = from; p < s.size(); p = nextLineStart(s, p)) {
    size_t q = p;
    while (q < s.size() && (s[q] == ' ' || s[q] == '\t')) ++q;
    if (q >= s.size() || s[q] != '#') continue;
    ++q;
    while (q < s.size() && (s[q] == ' ' || s[q] == '\t')) ++q;
    if (s.compare(q, name.size(), name) == 0) return p;
  }
  return std::string::npos;
}

}  // namespace

std::string toGlslEs(const std::string& source) {
  const size_t version = findDirective(source, "version", 0);
  if (version == std::string::npos) return source;
  const size_t versionEnd = nextLineStart(source, version);
  std::string versionLine = source.substr(version, versionEnd - version);
  // Only 330, with or without "core": anything else was not written for this.
  const size_t digits = versionLine.find("330");
  if (digits == std::string::npos) return source;
  const std::string rest = versionLine.substr(digits + 3);
  if (rest.find_first_not_of(" \t\r\n") != std::string::npos &&
      rest.substr(rest.find_first_not_of(" \t")).rfind("core", 0) != 0)
    return source;

  size_t insertAt = versionEnd;
  for (size_t p = findDirective(source, "extension", versionEnd); p != std::string::npos;
       p = findDirective(source, "extension", nextLineStart(source, p)))
    insertAt = nextLineStart(source, p);

  // WebGL wants the version on the very first line: what stood before it
  // (blank lines, comments) is dropped, and #line directives keep every
  // later line's number what it was.
  const size_t versionLineNumber = static_cast<size_t>(std::count(source.begin(), source.begin() + version, '\n')) + 1;
  std::string out = "#version 300 es\n#line " + std::to_string(versionLineNumber + 1) + "\n";
  // WebGL has no ARB extensions; asking for one only draws a warning. The
  // line stays, as a comment, so that the numbering holds.
  for (size_t p = versionEnd; p < insertAt; p = nextLineStart(source, p)) {
    const std::string line = source.substr(p, nextLineStart(source, p) - p);
    const size_t name = line.find("GL_ARB_");
    const bool desktopOnly = findDirective(line, "extension", 0) == 0 && name != std::string::npos;
    out += desktopOnly ? "// " + line : line;
  }
  if (!out.empty() && out.back() != '\n') out += '\n';
  const size_t linesBefore = static_cast<size_t>(std::count(source.begin(), source.begin() + insertAt, '\n'));
  out += "precision highp float;\nprecision highp int;\nprecision highp sampler2D;\n";
  out += "#line " + std::to_string(linesBefore + 1) + "\n";
  out += source.substr(insertAt);
  // A directive on the last line needs its line feed in GLSL ES (an
  // included file ending in #endif would draw a warning).
  if (out.back() != '\n') out += '\n';
  return out;
}
