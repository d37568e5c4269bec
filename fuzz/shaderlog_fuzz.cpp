// Compiler and linker logs on arbitrary bytes: every message comes from one
// log line or from a piece of one where another message's "file:line(col):"
// starts (Mesa glues link messages together), its text is a piece of the
// log, and no line number is larger than the nine digits the parser accepts.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "loaders/shaderloader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view log(reinterpret_cast<const char*>(data), size);
  size_t logLines = 1, colons = 0;
  for (char c : log) {
    logLines += c == '\n';
    colons += c == ':';
  }
  const std::vector<ShaderLogLine> lines = parseShaderLog(log);
  if (lines.size() > logLines + colons) __builtin_trap();
  for (const ShaderLogLine& line : lines) {
    if (line.line > 999999999u) __builtin_trap();
    if (line.text.find('\n') != std::string::npos) __builtin_trap();
    if (!line.text.empty() && log.find(line.text) == std::string_view::npos) __builtin_trap();
  }
  return 0;
}
