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

std::string noDisplayMessage(const std::string& reason, bool tool) {
  const std::string found = "ERROR: no display found" + (reason.empty() ? "" : " (" + reason + ")") + ".\n";
  if (tool)
    return found +
           "The tools render in a hidden window, which needs a display too. Without a screen, run them\n"
           "under a virtual display: xvfb-run -a orbisk-shot --path-time 10 --out shot.png\n";
  return found +
         "orbisk draws in a window on a display. To run it without a screen, give it a virtual display:\n"
         "xvfb-run -a -s '-screen 0 1024x768x24' orbisk\n"
         "Pictures and films of the scene: orbisk-shot and orbisk-film, also under xvfb-run -a.\n";
}
