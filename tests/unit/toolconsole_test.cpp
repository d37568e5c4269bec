// The tools' console: the program's own lines held back, its errors and
// warnings and the tool's own lines shown.
#include "cli/toolconsole.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "tests/tempdir.h"

namespace {

// What reaches standard output (file descriptor 1) while body runs.
template <typename Body>
std::string standardOutputOf(Body body) {
  const std::string path = testtmp::makeDir("console") + "/out.txt";
  fflush(stdout);
  const int saved = dup(STDOUT_FILENO);
  const int file = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  dup2(file, STDOUT_FILENO);
  close(file);
  body();
  fflush(stdout);
  dup2(saved, STDOUT_FILENO);
  close(saved);
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

void programAndToolLines() {
  printf("DEBUG: initialized triangle mesh!\n");
  printf("compiling shader : vShaderText.glsl\n\n");
  printf("ERROR (DOF 3): frame buffer is not complete\n");
  fprintf(toolOut(), "wrote a.png\n");
  printf("WARNING: config.ini: no end of line");
}

TEST(QuietConsole, HoldsBackAllButErrorsAndWarnings) {
  const std::string quiet = standardOutputOf([] {
    QuietConsole console(true);
    programAndToolLines();
  });
  EXPECT_EQ(std::string::npos, quiet.find("DEBUG")) << quiet;
  EXPECT_EQ(std::string::npos, quiet.find("compiling")) << quiet;
  EXPECT_NE(std::string::npos, quiet.find("ERROR (DOF 3): frame buffer is not complete\n")) << quiet;
  EXPECT_NE(std::string::npos, quiet.find("wrote a.png\n")) << quiet;
  // A last line without its end is still shown, with one.
  EXPECT_NE(std::string::npos, quiet.find("WARNING: config.ini: no end of line\n")) << quiet;

  // Verbose: everything, in order, and standard output is the same file after.
  const std::string verbose = standardOutputOf([] {
    { QuietConsole console(false); programAndToolLines(); }
    printf("after\n");
  });
  EXPECT_EQ("DEBUG: initialized triangle mesh!\ncompiling shader : vShaderText.glsl\n\n"
            "ERROR (DOF 3): frame buffer is not complete\nwrote a.png\nWARNING: config.ini: no end of lineafter\n",
            verbose);
}

}  // namespace
