// The #include expander on arbitrary files: the input is up to four files
// (main.glsl, a.glsl, b.glsl, c.glsl) separated by 0xFF bytes. It never
// loops or crashes, names only files that exist, keeps within its size, and
// a failed expansion hands the compiler nothing.
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>

#include "loaders/shaderinclude.h"
#include "loaders/shaderloader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const char* const kNames[] = {"main.glsl", "a.glsl", "b.glsl", "c.glsl"};
  std::map<std::string, std::string> files;
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  size_t start = 0;
  for (const char* name : kNames) {
    if (start > input.size()) break;
    size_t end = input.find('\xff', start);
    if (end == std::string_view::npos) end = input.size();
    files[name] = assembleShaderSource(input.substr(start, end - start));
    start = end + 1;
  }
  size_t reads = 0;
  const ExpandedShader result = expandShaderIncludes(
      "main.glsl", files["main.glsl"], [&](const std::string& path, std::string& source, std::string& problem) {
        ++reads;
        auto it = files.find(path);
        if (it == files.end()) {
          problem = "no such file";
          return false;
        }
        source = it->second;
        return true;
      });
  // Each file is read at most once: a second include of it adds a line.
  if (reads > files.size()) __builtin_trap();
  if (result.files.empty() || result.files[0] != "main.glsl") __builtin_trap();
  for (const std::string& f : result.files)
    if (files.find(f) == files.end()) __builtin_trap();
  if (!result.error.empty() && !result.source.empty()) __builtin_trap();
  if (result.error.empty() && result.source.size() > kMaxExpandedShaderBytes) __builtin_trap();
  return 0;
}
