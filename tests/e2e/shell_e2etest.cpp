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

// Without a display the program says so and how to run without one, and
// ends with status 1, for a DISPLAY that is unset and one that cannot be
// reached alike.
TEST(Shell, NoDisplayIsNamedWithStatus1) {
  struct Case {
    const char* env;
    const char* reason;
  } cases[] = {
      {"env -u DISPLAY -u WAYLAND_DISPLAY", "ERROR: no display found (X11: The DISPLAY environment variable is missing).\n"},
      {"DISPLAY=:9999", "ERROR: no display found (X11: Failed to open display :9999).\n"},
  };
  const std::string dir = e2e::makeWorkDir();
  for (const Case& c : cases) {
    const std::string cmd = "cd '" + dir + "' && " + c.env + " " ORBISK_BINARY " >out.txt 2>err.txt";
    const int raw = system(cmd.c_str());
    ASSERT_TRUE(WIFEXITED(raw));
    EXPECT_EQ(WEXITSTATUS(raw), 1) << c.env;
    const std::string err = e2e::readFile(dir + "/err.txt");
    EXPECT_EQ(err.rfind(c.reason, 0), 0u) << err;
    EXPECT_NE(err.find("xvfb-run -a"), std::string::npos) << err;
    EXPECT_EQ(err.find("GLFW"), std::string::npos) << "the user's words, not the library's name: " << err;
  }
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
      {"--fullscreen 0", 1, "",
       "WARNING: orbisk takes no arguments; ignoring '--fullscreen' '0'\nERROR: no display found "},
  };
  const std::string dir = e2e::makeWorkDir();
  for (const Case& c : cases) {
    const std::string cmd =
        "cd '" + dir + "' && DISPLAY=:9999 " ORBISK_BINARY " " + c.args + " >out.txt 2>err.txt";
    const int raw = system(cmd.c_str());
    ASSERT_TRUE(WIFEXITED(raw)) << c.args;
    EXPECT_EQ(WEXITSTATUS(raw), c.status) << c.args;
    EXPECT_EQ(e2e::readFile(dir + "/out.txt").rfind(c.outStart, 0), 0u) << c.args;
    EXPECT_EQ(e2e::readFile(dir + "/err.txt").rfind(c.err, 0), 0u) << c.args;
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
