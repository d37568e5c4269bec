#include "loaders/shaderloader.h"

#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <vector>

#include "base/oftenused.h"
#include "loaders/shaderinclude.h"

std::string assembleShaderSource(std::string_view fileBytes) {
  std::string source;
  source.reserve(fileBytes.size() + 1);
  size_t start = 0;
  while (start < fileBytes.size()) {
    size_t end = fileBytes.find('\n', start);
    bool terminated = end != std::string_view::npos;
    if (!terminated) end = fileBytes.size();
    std::string_view line = fileBytes.substr(start, end - start);
    if (terminated && !line.empty() && line.back() == '\r') line.remove_suffix(1);
    // Lines are joined as C strings: a stray NUL ends the line's text.
    size_t nul = line.find('\0');
    if (nul != std::string_view::npos) line = line.substr(0, nul);
    source += '\n';
    source += line;
    start = end + 1;
  }
  return source;
}

const char* shaderFileProblem(ShaderFileStatus status) {
  switch (status) {
    case ShaderFileStatus::Ok: return "ok";
    case ShaderFileStatus::Missing: return "no such file";
    case ShaderFileStatus::Directory: return "it is a directory";
    case ShaderFileStatus::Unreadable: return "it cannot be read";
    case ShaderFileStatus::Empty: return "it is empty";
  }
  return "unknown";
}

ShaderFileStatus readShaderSource(const char* path, std::string& source) {
  source.clear();
  if (path == nullptr) return ShaderFileStatus::Missing;
  FILE* stream = openFile(path, "rb");
  if (stream == nullptr) {
    // openFile refuses directories and devices; say which it was.
    struct stat info;
    if (stat(platformPathOf(path).c_str(), &info) != 0) return ShaderFileStatus::Missing;
    return S_ISDIR(info.st_mode) ? ShaderFileStatus::Directory : ShaderFileStatus::Unreadable;
  }
  std::string bytes;
  char chunk[4096];
  size_t got;
  while ((got = fread(chunk, 1, sizeof(chunk), stream)) > 0) bytes.append(chunk, got);
  const bool failed = ferror(stream) != 0;
  fclose(stream);
  if (failed) return ShaderFileStatus::Unreadable;
  if (bytes.empty()) return ShaderFileStatus::Empty;
  source = assembleShaderSource(bytes);
  return ShaderFileStatus::Ok;
}

bool readIncludedShaderSource(const std::string& path, std::string& source, std::string& problem) {
  const ShaderFileStatus status = readShaderSource(path.c_str(), source);
  if (status == ShaderFileStatus::Ok || status == ShaderFileStatus::Empty) return true;
  problem = shaderFileProblem(status);
  return false;
}

namespace {
using Kind = ShaderLogLine::Kind;

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

void skipBlanks(std::string_view s, size_t& p) {
  while (p < s.size() && isBlank(s[p])) ++p;
}

bool accept(std::string_view s, size_t& p, char c) {
  if (p >= s.size() || s[p] != c) return false;
  ++p;
  return true;
}

bool acceptWord(std::string_view s, size_t& p, std::string_view word) {
  if (s.size() - p < word.size()) return false;
  for (size_t i = 0; i < word.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(s[p + i])) != word[i]) return false;
  p += word.size();
  return true;
}

// Up to nine digits: anything longer is no line number.
bool acceptNumber(std::string_view s, size_t& p, unsigned& value) {
  size_t q = p;
  unsigned v = 0;
  for (; q < s.size() && s[q] >= '0' && s[q] <= '9'; ++q) {
    if (q - p == 9) return false;
    v = v * 10 + static_cast<unsigned>(s[q] - '0');
  }
  if (q == p) return false;
  value = v;
  p = q;
  return true;
}

// "0:12(3):" (Mesa), "0(12) :" (NVIDIA) or "0:12:" (AMD, Intel): source
// string, line and perhaps column, up to and including the colon.
bool acceptLocation(std::string_view s, size_t& p, unsigned& line, unsigned& file) {
  size_t q = p;
  unsigned source = 0, number = 0, column = 0;
  if (!acceptNumber(s, q, source)) return false;
  if (accept(s, q, ':')) {
    if (!acceptNumber(s, q, number)) return false;
    if (accept(s, q, '(') && !(acceptNumber(s, q, column) && accept(s, q, ')'))) return false;
  } else if (!(accept(s, q, '(') && acceptNumber(s, q, number) && accept(s, q, ')'))) {
    return false;
  }
  skipBlanks(s, q);
  if (!accept(s, q, ':')) return false;
  line = number;
  file = source;
  p = q;
  return true;
}

// "error:", "ERROR:", "warning:", "fatal error C9999:", up to and including
// the colon.
bool acceptSeverity(std::string_view s, size_t& p, Kind& kind) {
  size_t q = p;
  Kind found;
  if (acceptWord(s, q, "fatal error") || acceptWord(s, q, "error"))
    found = Kind::Error;
  else if (acceptWord(s, q, "warning"))
    found = Kind::Warning;
  else
    return false;
  skipBlanks(s, q);
  // NVIDIA's message number: a letter and digits.
  if (q + 1 < s.size() && std::isalpha(static_cast<unsigned char>(s[q])) && s[q + 1] >= '0' && s[q + 1] <= '9') {
    ++q;
    while (q < s.size() && s[q] >= '0' && s[q] <= '9') ++q;
    skipBlanks(s, q);
  }
  if (!accept(s, q, ':')) return false;
  kind = found;
  p = q;
  return true;
}

ShaderLogLine parseLogLine(std::string_view s) {
  ShaderLogLine entry;
  unsigned compilerLine = 0;
  size_t p = 0;
  skipBlanks(s, p);
  if (acceptSeverity(s, p, entry.kind)) {
    skipBlanks(s, p);
    acceptLocation(s, p, compilerLine, entry.file);
  } else if (acceptLocation(s, p, compilerLine, entry.file)) {
    skipBlanks(s, p);
    acceptSeverity(s, p, entry.kind);
  }
  skipBlanks(s, p);
  size_t end = s.size();
  while (end > p && isBlank(s[end - 1])) --end;
  entry.text.assign(s.substr(p, end - p));
  // The compiler's line 1 is the empty one put before the file's first;
  // what it reports there belongs to the file's line 1.
  entry.line = compilerLine > 1 ? compilerLine - 1 : compilerLine;
  return entry;
}
}  // namespace

namespace {
// Mesa's linker writes its messages one after the other without a line
// break ("...shadererror: linking ...") and ends a warning with ".\n" after
// its line break: a message starts at "error:" or "warning:" glued to a
// word, and a lone "." before one belongs to no message.
void splitRunTogether(std::string_view line, std::vector<std::string_view>& messages) {
  size_t start = 0;
  for (size_t i = 1; i < line.size(); ++i) {
    const unsigned char before = static_cast<unsigned char>(line[i - 1]);
    if (!std::isalnum(before) && before != '.') continue;
    const std::string_view rest = line.substr(i);
    if (rest.substr(0, 6) != "error:" && rest.substr(0, 8) != "warning:") continue;
    messages.push_back(line.substr(start, i - start));
    start = i;
  }
  messages.push_back(line.substr(start));
  for (std::string_view& m : messages)
    if (!m.empty() && m[0] == '.') m.remove_prefix(1);
}
}  // namespace

std::vector<ShaderLogLine> parseShaderLog(std::string_view log) {
  std::vector<ShaderLogLine> lines;
  size_t start = 0;
  while (start < log.size()) {
    size_t end = log.find('\n', start);
    if (end == std::string_view::npos) end = log.size();
    std::vector<std::string_view> messages;
    splitRunTogether(log.substr(start, end - start), messages);
    start = end + 1;
    for (const std::string_view message : messages) {
      size_t p = 0;
      skipBlanks(message, p);
      if (p < message.size()) lines.push_back(parseLogLine(message));
    }
  }
  return lines;
}

std::string formatShaderLog(std::string_view log, const std::vector<std::string>& files) {
  std::string out;
  for (const ShaderLogLine& entry : parseShaderLog(log)) {
    std::string line;
    if (!files.empty()) {
      const ShaderSourcePlace place =
          files.size() > 1 ? shaderSourcePlace(entry.file, entry.line) : ShaderSourcePlace{0, entry.line};
      line = place.file < files.size() ? files[place.file]
                                       : files[0] + " (source string " + std::to_string(place.file) + ")";
      if (place.line > 0) line += ":" + std::to_string(place.line);
      line += ": ";
    }
    if (entry.kind == ShaderLogLine::Kind::Error) line += "error: ";
    if (entry.kind == ShaderLogLine::Kind::Warning) line += "warning: ";
    out += line + entry.text + "\n";
  }
  return out;
}

std::string insertShaderDefines(const std::string& source, const std::string& lines) {
  if (lines.empty()) return source;
  const size_t version = source.find("#version");
  if (version == std::string::npos) return source;
  const size_t lineEnd = source.find('\n', version);
  if (lineEnd == std::string::npos) return source;
  // The line after #version keeps the number it had.
  const size_t nextLine = 1 + static_cast<size_t>(std::count(source.begin(), source.begin() + lineEnd + 1, '\n'));
  std::string inserted = lines;
  if (inserted.back() != '\n') inserted += '\n';
  inserted += "#line " + std::to_string(nextLine) + "\n";
  return source.substr(0, lineEnd + 1) + inserted + source.substr(lineEnd + 1);
}
