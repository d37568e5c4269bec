#include "tools/check/checkshaders.h"

#include <algorithm>
#include <vector>

#include "loaders/shaderinclude.h"
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

ShaderBuild compileShaderBuild(const std::string& path, std::string_view bytes, ShaderStage stage,
                               const std::string& defines, std::string_view prefix) {
  ShaderBuild build;
  // The same source the program compiles, so that the lines agree.
  const ExpandedShader expanded = expandShaderIncludes(path, assembleShaderSource(bytes), readIncludedShaderSource);
  build.files = expanded.files;
  if (!expanded.error.empty()) {
    const auto at = std::find(build.files.begin(), build.files.end(), expanded.errorFile);
    build.messages.push_back({static_cast<size_t>(at - build.files.begin()), expanded.errorLine, Severity::Error,
                              std::string(prefix) + expanded.error, "include errors"});
    return build;
  }
  const std::string source = insertShaderDefines(expanded.source, defines);
  const GLuint shader = glCreateShader(stage == ShaderStage::Vertex ? GL_VERTEX_SHADER : GL_FRAGMENT_SHADER);
  if (shader == 0) {
    build.messages.push_back(
        {0, 0, Severity::Error, std::string(prefix) + "OpenGL gives no shader object to compile it in", ""});
    return build;
  }
  const char* text = source.c_str();
  glShaderSource(shader, 1, &text, nullptr);
  glCompileShader(shader);
  GLint status = GL_FALSE;
  glGetShaderiv(shader, GL_COMPILE_STATUS, &status);
  build.messages = compilerMessages(infoLog(shader, false), status == GL_TRUE, build.files.size(), prefix);
  if (status == GL_TRUE)
    build.shader = shader;
  else
    glDeleteShader(shader);
  return build;
}

GLuint compileShaderFile(Report& report, std::string_view bytes, ShaderStage stage, std::string_view prefix) {
  ShaderBuild build = compileShaderBuild(report.path, bytes, stage, "", prefix);
  for (PlacedMessage& m : build.messages) {
    // Alone, an included file has no report of its own: the text names it.
    if (m.file > 0) m.text = build.files[m.file] + ":" + std::to_string(m.line) + ": " + m.text;
    report.add(m.severity, m.file > 0 ? 0 : m.line, std::move(m.text), m.kind);
  }
  return build.shader;
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
