// The renderer's few arguments: --help and --version answer; the rest is
// ignored with one warning.
#include "app/programargs.h"

#include <gtest/gtest.h>

namespace {

TEST(ProgramArgs, HelpAndVersionAnswerAndTheRestIsNamedOnce) {
  struct Case {
    std::vector<std::string> args;
    const char* answerStart;  // null: no answer, the program renders
    const char* warning;
  } cases[] = {
      {{}, nullptr, ""},
      {{"--help"}, "usage: orbisk ", ""},
      {{"-h"}, "usage: orbisk ", ""},
      {{"--version"}, "orbisk 1.", ""},
      {{"--version", "--help"}, "usage: orbisk ", ""},
      {{"--bogus", "--help"}, "usage: orbisk ", ""},
      {{"--bogus"}, nullptr, "WARNING: orbisk takes no arguments; ignoring '--bogus'"},
      {{"a", "b c", ""}, nullptr, "WARNING: orbisk takes no arguments; ignoring 'a' 'b c' ''"},
      {{"--help=1"}, nullptr, "WARNING: orbisk takes no arguments; ignoring '--help=1'"},
  };
  for (const Case& c : cases) {
    const ProgramArgs got = readProgramArgs(c.args);
    const std::string label = c.args.empty() ? "(none)" : c.args[0];
    if (c.answerStart) {
      EXPECT_EQ(got.answer.rfind(c.answerStart, 0), 0u) << label << ": " << got.answer;
      EXPECT_EQ(got.answer.back(), '\n') << label;
    } else {
      EXPECT_TRUE(got.answer.empty()) << label;
    }
    EXPECT_EQ(got.warning, c.warning) << label;
  }
}

TEST(ProgramArgs, NoDisplaySaysHowToRunWithoutOne) {
  const std::string program = noDisplayMessage("X11: The DISPLAY environment variable is missing", false);
  EXPECT_EQ(program.rfind("ERROR: no display found (X11: The DISPLAY environment variable is missing).\n", 0), 0u);
  EXPECT_NE(program.find("xvfb-run -a -s '-screen 0 1024x768x24' orbisk\n"), std::string::npos) << program;
  EXPECT_NE(program.find("orbisk-shot and orbisk-film"), std::string::npos) << program;
  const std::string tool = noDisplayMessage("", true);
  EXPECT_EQ(tool.rfind("ERROR: no display found.\n", 0), 0u) << tool;
  EXPECT_NE(tool.find("xvfb-run -a orbisk-shot"), std::string::npos) << tool;
  for (const std::string& text : {program, tool}) {
    EXPECT_EQ(text.back(), '\n');
    size_t start = 0;
    for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
      EXPECT_LE(end - start, 100u) << "a line a terminal shows whole: " << text.substr(start, end - start);
  }
}

}  // namespace
