#include "tools/check/checkshaders.h"

#include <vector>

#include "loaders/shaderloader.h"

namespace check {

namespace {

// The log in a zeroed buffer one byte longer than reported, so that any
// reported length reads as a terminated string.
std::string infoLog(GLuint object, bool program) {
  GLint length = 0;
  if (program)
    glGetProgramiv(object, GL_INFO_LOG_LENGTH, &length);
  else
    glGetShaderiv(object, GL_INFO_LOG_LENGTH, &length);
  if (length <= 0) return {};
  std::vector<char> text(static_cast<size_t>(length) + 1, '\0');
  if (program)
    glGetProgramInfoLog(object, length, nullptr, text.data());
  else
    glGetShaderInfoLog(object, length, nullptr, text.data());
  return text.data();
}

}  // namespace

GLuint compileShaderFile(Report& report, std::string_view bytes, ShaderStage stage, std::string_view prefix) {
  // The same source the program compiles, so that the lines agree.
  const std::string source = assembleShaderSource(bytes);
  const GLuint shader = glCreateShader(stage == ShaderStage::Vertex ? GL_VERTEX_SHADER : GL_FRAGMENT_SHADER);
  if (shader == 0) {
    report.error(0, std::string(prefix) + "OpenGL gives no shader object to compile it in");
    return 0;
  }
  const char* text = source.c_str();
  glShaderSource(shader, 1, &text, nullptr);
  glCompileShader(shader);
  GLint status = GL_FALSE;
  glGetShaderiv(shader, GL_COMPILE_STATUS, &status);
  addCompilerLog(report, infoLog(shader, false), status == GL_TRUE, prefix);
  if (status == GL_TRUE) return shader;
  glDeleteShader(shader);
  return 0;
}

bool linkShaderFiles(Report& fragmentReport, GLuint vertexShader, GLuint fragmentShader,
                     std::string_view vertexPath, std::string_view users) {
  const GLuint program = glCreateProgram();
  if (program == 0) {
    addLinkLog(fragmentReport, "OpenGL gives no program object to link in", false, vertexPath, users);
    return false;
  }
  glAttachShader(program, vertexShader);
  glAttachShader(program, fragmentShader);
  glLinkProgram(program);
  GLint status = GL_FALSE;
  glGetProgramiv(program, GL_LINK_STATUS, &status);
  addLinkLog(fragmentReport, infoLog(program, true), status == GL_TRUE, vertexPath, users);
  glDetachShader(program, vertexShader);
  glDetachShader(program, fragmentShader);
  glDeleteProgram(program);
  return status == GL_TRUE;
}

}  // namespace check
