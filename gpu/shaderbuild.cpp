#include "gpu/shaderbuild.h"

#include <GL/glew.h>

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "loaders/glsles.h"
#include "loaders/shaderinclude.h"
#include "loaders/shaderloader.h"

namespace {
// Errors go to standard error; what was printed before them comes first
// also when both streams end up in one pipe.
void printError(const std::string& message) {
  fflush(stdout);
  fprintf(stderr, "%s\n", message.c_str());
}

// Logs quote the source, which may hold any bytes.
std::string printable(std::string_view text, bool keepLineBreaks = false) {
  std::string out(text);
  for (char& c : out)
    if ((static_cast<unsigned char>(c) < 32 && !(keepLineBreaks && c == '\n')) || c == 127) c = '?';
  return out;
}

// The end of a one-line message from the log's first error: ", line 3:
// text", ", line 3 of 'included.glsl': text", ": text", or "!" when the log
// has none. files: the source-string numbers' files; none for a link log.
std::string firstErrorOf(std::string_view log, const std::vector<std::string>& files) {
  for (const ShaderLogLine& entry : parseShaderLog(log)) {
    if (entry.kind != ShaderLogLine::Kind::Error) continue;
    std::string end;
    if (!files.empty() && entry.line > 0) {
      const ShaderSourcePlace place =
          files.size() > 1 ? shaderSourcePlace(entry.file, entry.line) : ShaderSourcePlace{0, entry.line};
      end = ", line " + std::to_string(place.line);
      if (place.file >= files.size())
        end += " of source string " + std::to_string(place.file);
      else if (place.file > 0)
        end += " of '" + printable(files[place.file]) + "'";
    }
    return end + (entry.text.empty() ? "!" : ": " + printable(entry.text));
  }
  return "!";
}

// Logs are fetched into a zeroed buffer one byte longer than reported, so
// that any reported length, 0 included, gives a terminated string.
// Shaders and programs differ only in the two query functions.
std::string fetchLog(GLuint object, void (*getLength)(GLuint, GLenum, GLint*),
                     void (*getLog)(GLuint, GLsizei, GLsizei*, GLchar*)) {
  GLint infoLogLength = 0;
  getLength(object, GL_INFO_LOG_LENGTH, &infoLogLength);
  if (infoLogLength < 0) infoLogLength = 0;
  std::vector<char> message(static_cast<size_t>(infoLogLength) + 1, '\0');
  if (infoLogLength > 0) getLog(object, infoLogLength, nullptr, message.data());
  return std::string(message.data());
}

// The log as the console shows it: its messages, then an empty line; a quiet
// build shows only a log that has something in it.
void printLog(const std::string& formatted, ConsoleProgress progress) {
  if (progress == ConsoleProgress::Printed || !formatted.empty()) printf("%s\n", printable(formatted, true).c_str());
}

void compileShader(GLuint shader, const char* path, const std::string& fileSource, ShaderFileStatus fileStatus,
                   const std::string& defines, ConsoleProgress progress) {
  if (progress == ConsoleProgress::Printed) printf("compiling shader : %s\n", path);
  // Includes first: the defines' #line counts the lines of the file built.
  const ExpandedShader expanded =
      fileStatus == ShaderFileStatus::Ok ? expandShaderIncludes(path, fileSource, readIncludedShaderSource)
                                         : ExpandedShader{};
  std::string source = insertShaderDefines(expanded.source, defines);
#ifdef __EMSCRIPTEN__
  source = toGlslEs(source);  // WebGL2 compiles the same files as GLSL ES 3.00
#endif
  const char* sourcePointer = source.c_str();
  glShaderSource(shader, 1, &sourcePointer, nullptr);
  glCompileShader(shader);
  const std::string log = fetchLog(shader, glGetShaderiv, glGetShaderInfoLog);
  // The compiler's numbers are of the expanded source: each message goes
  // out at its file and line. An empty source (no file, a failed include)
  // draws only the compiler's word on nothing.
  printLog(expanded.source.empty() ? std::string() : formatShaderLog(log, expanded.files), progress);
  GLint compiled = GL_FALSE;
  glGetShaderiv(shader, GL_COMPILE_STATUS, &compiled);
  // A file that gave no source needs no compiler's word on top.
  if (fileStatus != ShaderFileStatus::Ok)
    printError(std::string("ERROR: Could not read shader file '") + path + "': " + shaderFileProblem(fileStatus) + "!");
  else if (!expanded.error.empty())
    printError("ERROR: Could not include into shader file '" + printable(expanded.errorFile) + "', line " +
               std::to_string(expanded.errorLine) + ": " + printable(expanded.error) + "!");
  else if (compiled != GL_TRUE)
    printError(std::string("ERROR: Could not compile shader file '") + path + "'" + firstErrorOf(log, expanded.files));
}
}  // namespace

GLuint buildShaderProgram(const char* vertexFilePath, const char* fragmentFilePath,
                          const std::string& defines, ConsoleProgress progress) {
  const char* vertexPath = vertexFilePath ? vertexFilePath : "(null)";
  const char* fragmentPath = fragmentFilePath ? fragmentFilePath : "(null)";
  GLuint vertexShaderID = glCreateShader(GL_VERTEX_SHADER);
  GLuint fragmentShaderID = glCreateShader(GL_FRAGMENT_SHADER);
  std::string vertexShaderCode, fragmentShaderCode;
  const ShaderFileStatus vertexStatus = readShaderSource(vertexFilePath, vertexShaderCode);
  const ShaderFileStatus fragmentStatus = readShaderSource(fragmentFilePath, fragmentShaderCode);

  compileShader(vertexShaderID, vertexPath, vertexShaderCode, vertexStatus, defines, progress);
  compileShader(fragmentShaderID, fragmentPath, fragmentShaderCode, fragmentStatus, defines, progress);

  if (progress == ConsoleProgress::Printed) printf("linking the program\n");
  GLuint programID = glCreateProgram();
  glAttachShader(programID, vertexShaderID);
  glAttachShader(programID, fragmentShaderID);
  glLinkProgram(programID);
  const std::string log = fetchLog(programID, glGetProgramiv, glGetProgramInfoLog);
  printLog(formatShaderLog(log, {}), progress);
  GLint linked = GL_FALSE;
  glGetProgramiv(programID, GL_LINK_STATUS, &linked);
  // Link logs name no file, and their line numbers may belong to either.
  if (linked != GL_TRUE)
    printError(std::string("ERROR: Could not link the program of '") + vertexPath + "' and '" + fragmentPath + "'" +
               firstErrorOf(log, {}));

  // Still attached, so they live on until the program is deleted.
  glDeleteShader(vertexShaderID);
  glDeleteShader(fragmentShaderID);
  return programID;
}
