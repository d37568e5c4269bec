#include "loaders/shaderloader.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "app/oftenused.h"

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

std::string readShaderSource(const char* path) {
  FILE* stream = openFile(path, "rb");
  if (stream == nullptr) return std::string();
  std::string bytes;
  char chunk[4096];
  size_t got;
  while ((got = fread(chunk, 1, sizeof(chunk), stream)) > 0) bytes.append(chunk, got);
  fclose(stream);
  return assembleShaderSource(bytes);
}

namespace {
// Logs are fetched into a zeroed buffer one byte longer than reported, so
// that any reported length, 0 included, prints as a terminated string.
// Shaders and programs differ only in the two query functions.
void printLog(GLuint object, void (*getLength)(GLuint, GLenum, GLint*),
              void (*getLog)(GLuint, GLsizei, GLsizei*, GLchar*)) {
  GLint infoLogLength = 0;
  getLength(object, GL_INFO_LOG_LENGTH, &infoLogLength);
  if (infoLogLength < 0) infoLogLength = 0;
  std::vector<char> message(static_cast<size_t>(infoLogLength) + 1, '\0');
  if (infoLogLength > 0) getLog(object, infoLogLength, nullptr, message.data());
  printf("%s\n", message.data());
}

void printShaderLog(GLuint shader) { printLog(shader, glGetShaderiv, glGetShaderInfoLog); }
void printProgramLog(GLuint program) { printLog(program, glGetProgramiv, glGetProgramInfoLog); }

void compileShader(GLuint shader, const char* path, const std::string& source) {
  printf("compiling shader : %s\n", path);
  const char* sourcePointer = source.c_str();
  glShaderSource(shader, 1, &sourcePointer, nullptr);
  glCompileShader(shader);
  printShaderLog(shader);
}
}  // namespace

GLuint buildShaderProgram(const char* vertexFilePath, const char* fragmentFilePath) {
  GLuint vertexShaderID = glCreateShader(GL_VERTEX_SHADER);
  GLuint fragmentShaderID = glCreateShader(GL_FRAGMENT_SHADER);
  std::string vertexShaderCode = readShaderSource(vertexFilePath);
  std::string fragmentShaderCode = readShaderSource(fragmentFilePath);

  compileShader(vertexShaderID, vertexFilePath ? vertexFilePath : "(null)", vertexShaderCode);
  compileShader(fragmentShaderID, fragmentFilePath ? fragmentFilePath : "(null)", fragmentShaderCode);

  printf("linking the program\n");
  GLuint programID = glCreateProgram();
  glAttachShader(programID, vertexShaderID);
  glAttachShader(programID, fragmentShaderID);
  glLinkProgram(programID);
  printProgramLog(programID);

  // Still attached, so they live on until the program is deleted.
  glDeleteShader(vertexShaderID);
  glDeleteShader(fragmentShaderID);
  return programID;
}
