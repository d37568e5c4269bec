// `#include "file"` lines in GLSL files, expanded by the loader before the
// compiler sees the source, so that shaders share one copy of a model.
//
// An included file's lines go where its #include line stood, framed by
// #line directives, so that the compiler's log still gives each line's file
// and line: file 0 is the file built, 1, 2, ... the included files in the
// order they are met. A file's number is both the source-string number of
// its #line and the millions of its line numbers (file 2's line 7 is line
// 2000007): Mesa reports source string 0 for many errors inside other
// strings, but keeps the lines. The numbers keep the loader's convention
// that the compiler's line 1 is the empty line before a file's first
// (parseShaderLog takes it off).
//
// A name is found beside the file that includes it. A file is inserted
// once per shader: a later #include of it adds nothing (its functions
// would be defined twice). A file that includes itself, directly or
// through others, a name that cannot be read and a malformed #include
// line are errors, at the #include line. Every line that starts with
// #include counts, also inside #if blocks and block comments.
#pragma once
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// Includes nest at most this deep, and the expanded source stays under this
// size, whatever names the files use for one another.
constexpr size_t kMaxShaderIncludeDepth = 16;
constexpr size_t kMaxExpandedShaderBytes = 16u << 20;
// Lines a file may have, and files a shader may take in, so that a line
// number stays within the nine digits a log's numbers are read to.
constexpr unsigned kShaderLinesPerFile = 1000000;
constexpr size_t kMaxShaderFiles = 999;

// Reads a file into its assembled source (as the loader's readShaderSource
// does); false with why it gives none ("no such file") otherwise.
using ShaderSourceReader = std::function<bool(const std::string& path, std::string& source, std::string& problem)>;

struct ExpandedShader {
  std::string source;              // for the compiler; empty after an error
  std::vector<std::string> files;  // by source-string number; [0] the file built
  // The first problem: where its #include line is and what is wrong, as
  // "'atmosphere.glsl' cannot be read: no such file". Empty when none.
  std::string errorFile;
  size_t errorLine = 0;
  std::string error;
};

// The name of the file an #include line names, resolved beside the file
// that holds it and with ".", ".." and doubled separators taken out.
std::string includedPath(std::string_view includingPath, std::string_view name);

// Where a line the compiler's log reports lies: the file's number in
// ExpandedShader::files and its line there. reportedLine is parseShaderLog's
// (the compiler's less one); reportedFile the log's source-string number.
struct ShaderSourcePlace {
  size_t file = 0;
  unsigned line = 0;
};
ShaderSourcePlace shaderSourcePlace(unsigned reportedFile, unsigned reportedLine);

// source: the assembled source of the file at path.
ExpandedShader expandShaderIncludes(const std::string& path, const std::string& source,
                                    const ShaderSourceReader& read);
