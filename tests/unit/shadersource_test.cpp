// The source text the shader loader hands to the compiler.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include <sys/stat.h>

#include "loaders/shaderloader.h"

using namespace std::string_literals;

TEST(ShaderSource, EveryLineFollowsALineFeed) {
  EXPECT_EQ(assembleShaderSource("A\nB"), "\nA\nB");
  EXPECT_EQ(assembleShaderSource("A\nB\n"), "\nA\nB");
  // Blank lines survive, including a blank last line.
  EXPECT_EQ(assembleShaderSource("A\n\nB\n\n"), "\nA\n\nB\n");
  EXPECT_EQ(assembleShaderSource("\n"), "\n");
  EXPECT_EQ(assembleShaderSource(""), "");
}

TEST(ShaderSource, CarriageReturnBeforeLineFeedIsDropped) {
  EXPECT_EQ(assembleShaderSource("A\r\nB\r\n"), assembleShaderSource("A\nB\n"));
  EXPECT_EQ(assembleShaderSource("#version 330 core\r\nvoid main() {}\r\n"),
            "\n#version 330 core\nvoid main() {}");
  EXPECT_EQ(assembleShaderSource("\r\n\r\n"), "\n\n");
  // Only the one right before the line feed: others are text.
  EXPECT_EQ(assembleShaderSource("A\r\r\nB\rC"), "\nA\r\nB\rC");
  EXPECT_EQ(assembleShaderSource("A\r"), "\nA\r");
}

TEST(ShaderSource, NulEndsTheLineItIsIn) {
  EXPECT_EQ(assembleShaderSource("AB\0CD\nEF"s), "\nAB\nEF");
}

TEST(ShaderSource, FilesAndWhyTheyGiveNoSource) {
  char dir[] = "/tmp/orbisk-shadersrc-XXXXXX";
  ASSERT_NE(mkdtemp(dir), nullptr);
  const std::string d = dir;
  std::ofstream(d + "/crlf.glsl", std::ios::binary) << "void main()\r\n{\r\n}";
  std::ofstream(d + "/empty.glsl", std::ios::binary) << "";
  std::ofstream(d + "/blank.glsl", std::ios::binary) << "\n";
  mkdir((d + "/dir.glsl").c_str(), 0700);
  // A source longer than one read chunk arrives whole.
  std::string longLine(10000, 'x');
  std::ofstream(d + "/big.glsl", std::ios::binary) << longLine << "\r\n" << longLine;
  struct Case {
    std::string path;
    ShaderFileStatus status;
    std::string source;
  };
  const Case cases[] = {
      {d + "/crlf.glsl", ShaderFileStatus::Ok, "\nvoid main()\n{\n}"},
      {d + "/big.glsl", ShaderFileStatus::Ok, "\n" + longLine + "\n" + longLine},
      {d + "/blank.glsl", ShaderFileStatus::Ok, "\n"},
      {d + "/empty.glsl", ShaderFileStatus::Empty, ""},
      {d + "/missing.glsl", ShaderFileStatus::Missing, ""},
      {d + "/dir.glsl", ShaderFileStatus::Directory, ""},
      {"/dev/zero", ShaderFileStatus::Unreadable, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    std::string source = "stale";
    EXPECT_EQ(readShaderSource(c.path.c_str(), source), c.status);
    EXPECT_EQ(source, c.source);
  }
  std::string source;
  EXPECT_EQ(readShaderSource(nullptr, source), ShaderFileStatus::Missing);
  EXPECT_STREQ(shaderFileProblem(ShaderFileStatus::Directory), "it is a directory");
  std::system(("rm -rf " + d).c_str());
}

TEST(ShaderLog, DriverFormatsGiveFileLines) {
  using Kind = ShaderLogLine::Kind;
  struct Case {
    const char* log;
    Kind kind;
    unsigned line;  // of the file: the compiler's less the leading line feed
    const char* text;
  };
  const Case cases[] = {
      // Mesa
      {"0:12(3): error: `nope' undeclared", Kind::Error, 11, "`nope' undeclared"},
      {"0:5(10): warning: extension `GL_foo' unsupported", Kind::Warning, 4, "extension `GL_foo' unsupported"},
      {"error: vertex shader lacks `main'", Kind::Error, 0, "vertex shader lacks `main'"},
      // NVIDIA
      {"0(12) : error C0000: syntax error, unexpected '}'", Kind::Error, 11, "syntax error, unexpected '}'"},
      {"0(7) : warning C7555: 'varying' is deprecated", Kind::Warning, 6, "'varying' is deprecated"},
      {"0(3) : fatal error C9999: out of memory", Kind::Error, 2, "out of memory"},
      // AMD, Intel
      {"ERROR: 0:12: 'nope' : undeclared identifier", Kind::Error, 11, "'nope' : undeclared identifier"},
      {"WARNING: 0:2: 'x' : unused", Kind::Warning, 1, "'x' : unused"},
      {"ERROR: 0:30: error(#143) Undeclared identifier: nope", Kind::Error, 29,
       "error(#143) Undeclared identifier: nope"},
      {"ERROR: 1 compilation errors.  No code generated.", Kind::Error, 0, "1 compilation errors.  No code generated."},
      // Line 1 is the line feed the source starts with.
      {"0:1(1): error: syntax error", Kind::Error, 1, "syntax error"},
      {"0:0(0): error: no main", Kind::Error, 0, "no main"},
      // Carriage returns and blanks around the text go.
      {"  0:4(1): error: bad  \r", Kind::Error, 3, "bad"},
      // Not a severity or not a place: kept whole.
      {"Fragment shader failed to compile with the following errors:", Kind::Other, 0,
       "Fragment shader failed to compile with the following errors:"},
      {"errors: 2", Kind::Other, 0, "errors: 2"},
      {"0:12 error", Kind::Other, 0, "0:12 error"},
      {"0:1234567890(1): error: long", Kind::Other, 0, "0:1234567890(1): error: long"},
      {"0:12(: error: x", Kind::Other, 0, "0:12(: error: x"},
      {"0:12: L0001: mali", Kind::Other, 11, "L0001: mali"},
      {"ERROR:", Kind::Error, 0, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.log);
    const std::vector<ShaderLogLine> lines = parseShaderLog(c.log);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].kind, c.kind);
    EXPECT_EQ(lines[0].line, c.line);
    EXPECT_EQ(lines[0].text, c.text);
  }
}

TEST(ShaderLog, OneMessagePerNonBlankLine) {
  const std::vector<ShaderLogLine> lines =
      parseShaderLog("0:3(1): error: a\n\n   \r\n0:4(2): warning: b\r\nc\0d"s);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0].line, 2u);
  EXPECT_EQ(lines[1].kind, ShaderLogLine::Kind::Warning);
  EXPECT_EQ(lines[2].text, "c\0d"s);
  EXPECT_TRUE(parseShaderLog("").empty());
  EXPECT_TRUE(parseShaderLog("\n\n").empty());
}

// The console's form of a log: one message a line at the file and line it
// belongs to, as Mesa writes compile and link logs.
TEST(ShaderLog, PrintedAtTheirFilesAndLinesOneAMessage) {
  const std::vector<std::string> files = {"vShaderIndexedShading.glsl", "atmosphere.glsl"};
  struct Case {
    std::string log;
    std::vector<std::string> files;
    std::string printed;
  } cases[] = {
      {"0:1000022(27): error: `undefinedName' undeclared\n0:31(2): warning: unused\n", files,
       "atmosphere.glsl:21: error: `undefinedName' undeclared\nvShaderIndexedShading.glsl:30: warning: unused\n"},
      {"0:5(1): error: x\n", {"f.glsl"}, "f.glsl:4: error: x\n"},
      {"0:3000002(1): error: y\n", files, "vShaderIndexedShading.glsl (source string 3):1: error: y\n"},
      {"error: no main\n", {"f.glsl"}, "f.glsl: error: no main\n"},
      // Link logs: messages glued together, and a warning's full stop after
      // its line break.
      {"error: linking with uncompiled/unspecialized shadererror: linking with uncompiled/unspecialized shader", {},
       "error: linking with uncompiled/unspecialized shader\nerror: linking with uncompiled/unspecialized shader\n"},
      {"warning: fragment shader varying UVx not written by vertex shader\n.warning: second one\n.", {},
       "warning: fragment shader varying UVx not written by vertex shader\nwarning: second one\n"},
      // Words that merely hold the letters stay whole.
      {"0:2(1): error: syntax error: unexpected token\n", {"f.glsl"}, "f.glsl:1: error: syntax error: unexpected token\n"},
      {"", files, ""},
  };
  for (const Case& c : cases) EXPECT_EQ(formatShaderLog(c.log, c.files), c.printed) << c.log;
}

TEST(ShaderSource, DefinesGoRightAfterTheVersionLineKeepingLineNumbers) {
  struct Case {
    std::string source, lines, expected;
  };
  const Case cases[] = {
      {"\n#version 330 core\nA\nB", "#define X 1\n", "\n#version 330 core\n#define X 1\n#line 3\nA\nB"},
      {"\n// c\n#version 330 core\nA", "#define X 1", "\n// c\n#version 330 core\n#define X 1\n#line 4\nA"},
      {"\n#version 330 core\nA", "", "\n#version 330 core\nA"},
      {"\nA\nB", "#define X 1\n", "\nA\nB"},                            // no #version: nothing to follow
      {"\n#version 330 core", "#define X 1\n", "\n#version 330 core"},  // nothing after it
  };
  for (const Case& c : cases) EXPECT_EQ(c.expected, insertShaderDefines(c.source, c.lines)) << c.source;
}
