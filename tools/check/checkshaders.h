// orbisk-check's GL half for GLSL files: what this OpenGL's compiler and
// linker say about them, as report problems. Needs a current 3.3 context.
#pragma once
#include <GL/glew.h>

#include <string>
#include <string_view>
#include <vector>

#include "tools/check/checkcore.h"

namespace check {

// One build of a shader file as the program makes it: its includes
// expanded (found beside it), the defines put after #version, compiled.
struct ShaderBuild {
  GLuint shader = 0;               // when it compiled (the caller deletes it), else 0
  std::vector<std::string> files;  // the expanded source's files; [0] the file
  std::vector<PlacedMessage> messages;
};
ShaderBuild compileShaderBuild(const std::string& path, std::string_view bytes, ShaderStage stage,
                               const std::string& defines, std::string_view prefix = {});

// Compiles a file's bytes as the program hands them to the compiler. The
// log becomes problems at the file's lines, each text starting with prefix;
// those in an included file name it. Returns the shader object when it
// compiled (the caller deletes it), else 0.
GLuint compileShaderFile(Report& report, std::string_view bytes, ShaderStage stage, std::string_view prefix = {});

// Links two compiled shaders as the program does; the outcome goes into the
// fragment shader's report, naming the vertex shader's file and the users.
bool linkShaderFiles(Report& fragmentReport, GLuint vertexShader, GLuint fragmentShader,
                     std::string_view vertexPath, std::string_view users);

}  // namespace check
