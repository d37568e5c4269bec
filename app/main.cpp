#include <cstdio>
#include <string>
#include <vector>

#include "app/orbisk.h"
#include "app/programargs.h"

int main(int argc, char** argv) {
  const ProgramArgs args = readProgramArgs(std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc));
  if (!args.answer.empty()) {
    fputs(args.answer.c_str(), stdout);
    return fflush(stdout) == 0 && !ferror(stdout) ? 0 : 1;
  }
  if (!args.warning.empty()) fprintf(stderr, "%s\n", args.warning.c_str());
  return runOrbisk();
}
