// orbisk-check from outside: every build the program can make of a shipped
// shader is compiled, a broken line in any of them named with its file and
// line; a configuration named on the command line brings its scene.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "tests/e2e/e2e.h"

namespace {

const std::string kCheck = ORBISK_BUILD_DIR "/orbisk-check";

struct Checked {
  int status = -1;
  std::string out;
};

Checked check(const e2e::VirtualDisplay& display, const std::string& dir, const std::string& args) {
  Checked run;
  const int raw = system(("cd '" + dir + "' && DISPLAY=" + display.name() + " timeout 300 " + kCheck + " " + args +
                          " >check.out 2>check.err")
                             .c_str());
  run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  run.out = e2e::readFile(dir + "/check.out");
  return run;
}

// The file with the first occurrence of `from` replaced.
void edit(const std::string& dir, const std::string& name, const std::string& from, const std::string& to) {
  std::string text = e2e::readFile(std::string(ORBISK_SOURCE_DIR) + "/data/" + name);
  const size_t at = text.find(from);
  ASSERT_NE(at, std::string::npos) << name << ": " << from;
  text.replace(at, from.size(), to);
  e2e::writeFile(dir + "/" + name, text);
}

}  // namespace

TEST(Check, ABrokenLineInAnyBuildIsNamedWithItsFileAndLine) {
  struct Case {
    const char* file;
    const char* from;
    const char* to;
    int linesAfter;        // where the compiler reports it, from the edited line
    const char* reported;  // what follows "file:line: error: "
  };
  const Case cases[] = {
      // Only the reduced composites (PASSES defined) compile this branch;
      // the compiler stops at the next line's token.
      {"fShaderQuad.glsl", "  if (PASSES > 2) sum += linear(DOFTexture2);", "  if (PASSES > 2) sum += linear(DOFTexture2)",
       1, ""},
      // Only the texture-unit path compiles this one.
      {"fShaderIndexedShading.glsl", "{ return textureGrad(s, uv, dx, dy); }\n#endif",
       "{ return textureGrad(s, uv, dx, dy) }\n#endif", 0, ""},
      // The shared atmosphere model, through either file that includes it.
      {"atmosphere.glsl", "exp((1.0 - r) / scaleHeight)", "exp((1.0 - r) / scaleHeigth)", 0,
       "`scaleHeigth' undeclared"},
  };
  e2e::VirtualDisplay display("320x240");
  ASSERT_TRUE(display.ok());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    // The line of the edit in the shipped file, so that the case follows the
    // shader as it changes.
    const std::string shipped = e2e::readFile(std::string(ORBISK_SOURCE_DIR) + "/data/" + c.file);
    const size_t at = shipped.find(c.from);
    ASSERT_NE(at, std::string::npos);
    const long line = 1 + std::count(shipped.begin(), shipped.begin() + static_cast<long>(at), '\n') + c.linesAfter;
    const std::string dir = e2e::makeWorkDir();
    edit(dir, c.file, c.from, c.to);
    const Checked run = check(display, dir, "");
    EXPECT_EQ(run.status, 1);
    const std::string reported = "  " + std::string(c.file) + ":" + std::to_string(line) + ": error: " + c.reported;
    EXPECT_NE(run.out.find(reported), std::string::npos) << reported << "\n" << run.out;
  }
}

TEST(Check, AConfigurationNamedOnTheCommandLineBringsItsScene) {
  e2e::VirtualDisplay display("320x240");
  ASSERT_TRUE(display.ok());
  const std::string dir = e2e::makeWorkDir();
  e2e::removeFile(dir, "models/earth.obj");
  const Checked run = check(display, dir, "config.ini");
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.out.find("models\\earth.obj: error: not found: the program stops without it"), std::string::npos)
      << run.out;
  EXPECT_NE(run.out.find("fShaderQuad.glsl: GLSL shader"), std::string::npos);
}

// What the checker finds, the shot must not hide: a composite that did not
// build draws nothing, and a black picture reported as written is a lie.
TEST(Check, AShotOfABuildThatFailedIsAnErrorAndWritesNothing) {
  e2e::VirtualDisplay display("320x240");
  ASSERT_TRUE(display.ok());
  const std::string dir = e2e::makeWorkDir();
  edit(dir, "fShaderQuad.glsl", "  if (PASSES > 2) sum += linear(DOFTexture2);",
       "  if (PASSES > 2) sum += linear(DOFTexture2)");
  const int raw = system(("cd '" + dir + "' && DISPLAY=" + display.name() + " timeout 300 " ORBISK_BUILD_DIR
                          "/orbisk-shot --quality fast --eye 0,0,3 --at 0,0,0 --size 96x64 --out shot.png"
                          " >shot.out 2>shot.err")
                             .c_str());
  EXPECT_EQ(WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, 1);
  EXPECT_NE(e2e::readFile(dir + "/shot.err").find("ERROR: GL error"), std::string::npos)
      << e2e::readFile(dir + "/shot.err");
  EXPECT_FALSE(std::filesystem::exists(dir + "/shot.png"));
}

// A file the scene's shaders include is checked inside them, as the program
// compiles it: the shipped ones pass, a broken line is named at its own
// line; and "--" lets a name start with '-'.
TEST(Check, AnIncludedFileNamedAloneIsCheckedAsItsShadersSeeIt) {
  e2e::VirtualDisplay display("320x240");
  ASSERT_TRUE(display.ok());
  const std::string dir = e2e::makeWorkDir();
  for (const char* file : {"atmosphere.glsl", "spriteVertex.glsl", "spriteFragment.glsl"}) {
    const Checked run = check(display, dir, file);
    EXPECT_EQ(run.status, 0) << run.out;
    EXPECT_NE(run.out.find("  included by "), std::string::npos) << run.out;
    EXPECT_EQ(run.out.find("error"), std::string::npos) << run.out;
  }
  e2e::writeFile(dir + "/-weird.glsl", e2e::readFile(dir + "/vShaderText.glsl"));
  const Checked dashed = check(display, dir, "-- -weird.glsl");
  EXPECT_EQ(dashed.status, 0) << dashed.out;
  EXPECT_EQ(dashed.out.rfind("-weird.glsl: GLSL shader", 0), 0u) << dashed.out;

  const std::string from = "exp((1.0 - r) / scaleHeight)";
  const std::string shipped = e2e::readFile(std::string(ORBISK_SOURCE_DIR) + "/data/atmosphere.glsl");
  const size_t at = shipped.find(from);
  ASSERT_NE(at, std::string::npos);
  const long line = 1 + std::count(shipped.begin(), shipped.begin() + static_cast<long>(at), '\n');
  edit(dir, "atmosphere.glsl", from, "exp((1.0 - r) / scaleHeigth)");
  const Checked broken = check(display, dir, "atmosphere.glsl");
  EXPECT_EQ(broken.status, 1);
  EXPECT_NE(broken.out.find("  atmosphere.glsl:" + std::to_string(line) + ": "), std::string::npos) << broken.out;
  EXPECT_NE(broken.out.find("`scaleHeigth' undeclared"), std::string::npos) << broken.out;
}
