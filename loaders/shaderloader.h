// GLSL source files as the compiler gets them, and the compiler's logs read
// back into messages: text in, text out (gpu/shaderbuild compiles them).
#pragma once
#include <string>
#include <string_view>
#include <vector>

// The source handed to the compiler for a file's bytes: a line feed before
// every line and none after the last. Lines end at a line feed; a carriage
// return right before it is dropped, so CR LF files read like LF files.
std::string assembleShaderSource(std::string_view fileBytes);

enum class ShaderFileStatus { Ok, Missing, Directory, Unreadable, Empty };

// Why a file gave no source, for messages ("it is empty").
const char* shaderFileProblem(ShaderFileStatus status);

// The assembled source of a file; it stays empty unless the status is Ok.
ShaderFileStatus readShaderSource(const char* path, std::string& source);

// One message of a compiler or linker log.
struct ShaderLogLine {
  enum class Kind { Error, Warning, Other };
  Kind kind = Kind::Other;
  unsigned line = 0;  // line of the shader file; 0 when the log names none
  unsigned file = 0;  // the source-string number the log gives with the line
  std::string text;   // without location and severity
};

// The messages of an info log, one per non-blank log line, in the forms
// drivers write: Mesa "0:12(3): error: text", NVIDIA "0(12) : error C0000:
// text", AMD and Intel "ERROR: 0:12: text", and "error: text" without a
// place. Anything else is kept as Other. The compiler counts the line feed
// that assembleShaderSource puts first, so its line n is the file's n - 1.
std::vector<ShaderLogLine> parseShaderLog(std::string_view log);

// The log as orbisk-check shows it, one message a line, each ending in a
// line feed: "atmosphere.glsl:21: error: text", at the file and line of the
// expanded source the message names (files: as ExpandedShader::files). A
// link log (no files) names no place: "error: text". Empty for an empty log.
std::string formatShaderLog(std::string_view log, const std::vector<std::string>& files);

// Reads an included file for expandShaderIncludes: an empty file adds no
// lines, a file that gives no source is refused with why.
bool readIncludedShaderSource(const std::string& path, std::string& source, std::string& problem);

// The source with lines put right after its #version line, then a #line
// that keeps the compiler's line numbers those of the file. Without a
// #version line, or with no lines to add, the source is returned as it is.
std::string insertShaderDefines(const std::string& source, const std::string& lines);
