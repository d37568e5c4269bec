// GLSL programs from a vertex and a fragment source file. The loader prints
// what the implementation reports and always hands back the program name.
#pragma once
#include <GL/glew.h>

#include <string>
#include <string_view>

// The source handed to the compiler for a file's bytes: a line feed before
// every line and none after the last. Lines end at a line feed; a carriage
// return right before it is dropped, so CR LF files read like LF files.
std::string assembleShaderSource(std::string_view fileBytes);

// The assembled source of a file; empty when the file cannot be opened.
std::string readShaderSource(const char* path);

GLuint buildShaderProgram(const char* vertexFilePath, const char* fragmentFilePath);
