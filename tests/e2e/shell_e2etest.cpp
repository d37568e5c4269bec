// The program as a user starts it: window, console lines, Escape, bad input.
#include <gtest/gtest.h>

#include "tests/e2e/e2e.h"

namespace {

TEST(Shell, StartsRendersAndEndsOnEscape) {
  e2e::VirtualDisplay display("320x240");
  ASSERT_TRUE(display.ok());
  std::string dir = e2e::makeWorkDir();
  e2e::App app(dir, display);
  ASSERT_TRUE(app.waitForOutput("starting game loop!", 120)) << app.out() << app.err();
  EXPECT_NE(app.out().find("DEBUG: textureUnits: "), std::string::npos);
  e2e::Image shot = app.screenshot();
  EXPECT_EQ(shot.width, 320);
  EXPECT_EQ(shot.height, 240);
  app.key("Escape");
  EXPECT_EQ(app.waitForExit(60), 0) << app.err();
}

TEST(Shell, UnreachableDisplayFailsWithStatus255) {
  std::string dir = e2e::makeWorkDir();
  std::string cmd = "cd '" + dir + "' && DISPLAY=:9999 " ORBISK_BINARY " >out.txt 2>err.txt";
  int raw = system(cmd.c_str());
  ASSERT_TRUE(WIFEXITED(raw));
  EXPECT_EQ(WEXITSTATUS(raw), 255);
  EXPECT_EQ(e2e::readFile(dir + "/err.txt"), "ERROR: Failed to initialize GLFW!\n");
}

// Answered before any window opens, so no display is needed; any other
// argument is named once and the program starts as ever (and here fails on
// the display it cannot reach).
TEST(Shell, HelpAndVersionAnswerOtherArgumentsAreIgnored) {
  struct Case {
    const char* args;
    int status;
    const char* outStart;
    const char* err;
  } cases[] = {
      {"--help", 0, "usage: orbisk ", ""},
      {"--version", 0, "orbisk 1.", ""},
      {"--fullscreen 0", 255, "",
       "WARNING: orbisk takes no arguments; ignoring '--fullscreen' '0'\nERROR: Failed to initialize GLFW!\n"},
  };
  const std::string dir = e2e::makeWorkDir();
  for (const Case& c : cases) {
    const std::string cmd =
        "cd '" + dir + "' && DISPLAY=:9999 " ORBISK_BINARY " " + c.args + " >out.txt 2>err.txt";
    const int raw = system(cmd.c_str());
    ASSERT_TRUE(WIFEXITED(raw)) << c.args;
    EXPECT_EQ(WEXITSTATUS(raw), c.status) << c.args;
    EXPECT_EQ(e2e::readFile(dir + "/out.txt").rfind(c.outStart, 0), 0u) << c.args;
    EXPECT_EQ(e2e::readFile(dir + "/err.txt"), c.err) << c.args;
  }
}

TEST(Shell, MissingConfigRunsWithDefaults) {
  e2e::VirtualDisplay display("320x240");
  std::string dir = e2e::makeWorkDir();
  e2e::removeFile(dir, "config.ini");
  e2e::App app(dir, display);
  ASSERT_TRUE(app.waitForOutput("starting game loop!", 120)) << app.out() << app.err();
  EXPECT_NE(app.err().find("ERROR: Could not read file 'config.ini'!\n"), std::string::npos);
  EXPECT_EQ(app.out().find("DEBUG: key: "), std::string::npos);
  app.key("Escape");
  EXPECT_EQ(app.waitForExit(60), 0);
}

}  // namespace
