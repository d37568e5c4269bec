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

}  // namespace
