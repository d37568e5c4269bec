// GLSL programs built from a vertex and a fragment source file (read and
// assembled by loaders/shaderloader). The build prints what the implementation
// reports and always hands back the program name; a file it cannot use, a
// failed compile or link also gets an ERROR line.
#pragma once
#include <GL/glew.h>

#include <string>

#include "base/oftenused.h"

// defines, when given, are lines (such as "#define X 1\n") put after the
// "#version" line of both files as insertShaderDefines does: the choices
// this one program is built for. Nothing carries over to other builds.
// progress: a quiet build leaves out the "compiling shader" and "linking the
// program" lines and empty logs; messages and ERROR lines are printed alike.
GLuint buildShaderProgram(const char* vertexFilePath, const char* fragmentFilePath,
                          const std::string& defines = "", ConsoleProgress progress = ConsoleProgress::Printed);
