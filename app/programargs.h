// The renderer's command line: it takes no arguments, but answers --help and
// --version as the tools do.
#pragma once
#include <string>
#include <vector>

struct ProgramArgs {
  // Printed on standard output, after which the program ends with status 0;
  // empty to go on and render.
  std::string answer;
  // One WARNING line (without its line end) for arguments that are ignored.
  std::string warning;
};

// The arguments after the program name. --help (or -h) wins over --version;
// anything else is ignored, named in one warning.
ProgramArgs readProgramArgs(const std::vector<std::string>& args);

// The ERROR and the advice when the window library finds no display (no
// DISPLAY set, or one that cannot be reached): how to render without a
// screen. reason: the library's own words, may be empty; tool: said to a
// tool (a hidden window) rather than to the program.
std::string noDisplayMessage(const std::string& reason, bool tool);
