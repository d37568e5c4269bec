#include "app/programargs.h"

#include "base/version.h"

namespace {
const char* const kHelp =
    "usage: orbisk [--help] [--version]\n"
    "  Renders the planet scene in a full-screen window (fullscreen 0 in config.ini:\n"
    "  a window you can resize), reading config.ini, the models, textures and\n"
    "  shaders from the current directory. Escape quits; the README lists the keys.\n"
    "  It takes no other arguments.\n";
}  // namespace

ProgramArgs readProgramArgs(const std::vector<std::string>& args) {
  ProgramArgs result;
  bool help = false, version = false;
  std::string ignored;
  for (const std::string& arg : args) {
    if (arg == "--help" || arg == "-h") {
      help = true;
    } else if (arg == "--version") {
      version = true;
    } else {
      ignored += (ignored.empty() ? "'" : " '") + arg + "'";
    }
  }
  if (help) {
    result.answer = kHelp;
  } else if (version) {
    result.answer = std::string("orbisk ") + orbiskVersion + "\n";
  } else if (!ignored.empty()) {
    result.warning = "WARNING: orbisk takes no arguments; ignoring " + ignored;
  }
  return result;
}
