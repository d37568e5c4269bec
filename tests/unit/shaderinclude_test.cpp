// #include lines expanded into one source, with #line directives that keep
// each file's own line numbers, and the faults that stop an expansion.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "loaders/shaderinclude.h"
#include "loaders/shaderloader.h"

namespace {

// Files held in memory, in their assembled form; any other name is missing.
struct Files {
  std::map<std::string, std::string> text;
  int reads = 0;
  ShaderSourceReader reader() {
    return [this](const std::string& path, std::string& source, std::string& problem) {
      ++reads;
      auto it = text.find(path);
      if (it == text.end()) {
        problem = "no such file";
        return false;
      }
      source = assembleShaderSource(it->second);
      return true;
    };
  }
};

ExpandedShader expand(Files& files, const std::string& path) {
  return expandShaderIncludes(path, assembleShaderSource(files.text.at(path)), files.reader());
}

}  // namespace

TEST(ShaderInclude, FilesGoWhereTheirLinesStoodEachWithItsOwnNumbers) {
  struct Case {
    const char* name;
    std::map<std::string, std::string> files;  // "main.glsl" is built
    std::string source;
    std::vector<std::string> numbered;
  };
  const Case cases[] = {
      {"no includes", {{"main.glsl", "#version 330 core\nvoid main() {}\n"}},
       "\n#version 330 core\nvoid main() {}", {"main.glsl"}},
      {"one", {{"main.glsl", "A\n#include \"a.glsl\"\nB\n"}, {"a.glsl", "a1\na2\n"}},
       "\nA\n#line 1000002 1\na1\na2\n#line 4 0\nB", {"main.glsl", "a.glsl"}},
      {"spaces, a comment and CR LF",
       {{"main.glsl", "A\r\n  #  include\t\"a.glsl\"  // the model\r\nB"}, {"a.glsl", "a1"}},
       "\nA\n#line 1000002 1\na1\n#line 4 0\nB", {"main.glsl", "a.glsl"}},
      {"nested, numbered as met",
       {{"main.glsl", "#include \"a.glsl\"\n#include \"b.glsl\"\n"}, {"a.glsl", "a1\n#include \"c.glsl\"\na3"},
        {"b.glsl", "b1"}, {"c.glsl", "c1"}},
       "\n#line 1000002 1\na1\n#line 2000002 2\nc1\n#line 1000004 1\na3\n#line 3 0\n#line 3000002 3\nb1\n#line 4 0",
       {"main.glsl", "a.glsl", "c.glsl", "b.glsl"}},
      {"a second include of a file adds an empty line",
       {{"main.glsl", "#include \"a.glsl\"\n#include \"b.glsl\"\nM"}, {"a.glsl", "a1"}, {"b.glsl", "#include \"a.glsl\"\nb2"}},
       "\n#line 1000002 1\na1\n#line 3 0\n#line 2000002 2\n\nb2\n#line 4 0\nM", {"main.glsl", "a.glsl", "b.glsl"}},
      {"an empty file adds nothing", {{"main.glsl", "#include \"e.glsl\"\nM"}, {"e.glsl", ""}},
       "\n#line 1000002 1\n#line 3 0\nM", {"main.glsl", "e.glsl"}},
      {"other directives and words stay",
       {{"main.glsl", "#included \"x\"\n#include_x \"x\"\n// #include \"x\"\n#define include"}},
       "\n#included \"x\"\n#include_x \"x\"\n// #include \"x\"\n#define include", {"main.glsl"}},
      {"names resolve beside the file that includes them",
       {{"shaders/main.glsl", "#include \"common/./a.glsl\""}, {"shaders/common/a.glsl", "#include \"../b.glsl\""},
        {"shaders/b.glsl", "b1"}},
       "\n#line 1000002 1\n#line 2000002 2\nb1\n#line 1000003 1\n#line 3 0", {"shaders/main.glsl", "shaders/common/a.glsl", "shaders/b.glsl"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Files files{c.files};
    const std::string main = c.files.count("main.glsl") ? "main.glsl" : "shaders/main.glsl";
    const ExpandedShader result = expand(files, main);
    EXPECT_EQ(result.error, "");
    EXPECT_EQ(result.source, c.source);
    EXPECT_EQ(result.files, c.numbered);
  }
}

TEST(ShaderInclude, FaultsStopAtTheIncludeLineWithWhy) {
  struct Case {
    const char* name;
    std::map<std::string, std::string> files;
    std::string errorFile;
    size_t errorLine;
    std::string error;
  };
  const Case cases[] = {
      {"missing", {{"main.glsl", "A\n#include \"gone.glsl\""}}, "main.glsl", 2,
       "'gone.glsl' cannot be read: no such file"},
      {"missing deeper", {{"main.glsl", "#include \"a.glsl\""}, {"a.glsl", "a1\na2\n#include \"gone.glsl\""}},
       "a.glsl", 3, "'gone.glsl' cannot be read: no such file"},
      {"itself", {{"main.glsl", "A\n#include \"main.glsl\""}}, "main.glsl", 2,
       "'main.glsl' includes itself (main.glsl -> main.glsl)"},
      {"through another",
       {{"main.glsl", "#include \"a.glsl\""}, {"a.glsl", "#include \"b.glsl\""}, {"b.glsl", "\n#include \"./a.glsl\""}},
       "b.glsl", 2, "'a.glsl' includes itself (a.glsl -> b.glsl -> a.glsl)"},
      {"angle brackets", {{"main.glsl", "#include <a.glsl>"}}, "main.glsl", 1,
       "an #include line names its file in double quotes: #include \"name.glsl\""},
      {"no name", {{"main.glsl", "#include \"\""}}, "main.glsl", 1,
       "an #include line names its file in double quotes: #include \"name.glsl\""},
      {"unclosed", {{"main.glsl", "\n\n#include \"a.glsl"}}, "main.glsl", 3,
       "an #include line names its file in double quotes: #include \"name.glsl\""},
      {"text after the name", {{"main.glsl", "#include \"a.glsl\" x"}, {"a.glsl", ""}}, "main.glsl", 1,
       "an #include line names its file in double quotes: #include \"name.glsl\""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Files files{c.files};
    const ExpandedShader result = expand(files, "main.glsl");
    EXPECT_EQ(result.source, "");
    EXPECT_EQ(result.errorFile, c.errorFile);
    EXPECT_EQ(result.errorLine, c.errorLine);
    EXPECT_EQ(result.error, c.error);
  }
}

// Names that reach one file by ever new spellings (or links) would defeat
// the cycle test; the depth and size limits still end the expansion.
TEST(ShaderInclude, EndlessAndHugeExpansionsStop) {
  // main.glsl and d0 to d14 are 16 files deep; d15 would be one more.
  Files chain;
  chain.text["main.glsl"] = "#include \"d0.glsl\"";
  for (int i = 0; i < 40; ++i)
    chain.text["d" + std::to_string(i) + ".glsl"] = "#include \"d" + std::to_string(i + 1) + ".glsl\"";
  ExpandedShader result = expand(chain, "main.glsl");
  EXPECT_EQ(result.errorFile, "d14.glsl");
  EXPECT_EQ(result.error, "includes nest deeper than 16 files at 'd15.glsl'");
  EXPECT_EQ(result.source, "");

  Files huge;
  huge.text["main.glsl"] = "#include \"big.glsl\"\n";
  huge.text["big.glsl"] = std::string(kMaxExpandedShaderBytes, 'x');
  result = expand(huge, "main.glsl");
  EXPECT_EQ(result.errorFile, "big.glsl");
  EXPECT_EQ(result.error, "the includes add up to more than 16 MB");
}

TEST(ShaderInclude, IncludedPaths) {
  struct Case {
    const char* including;
    const char* name;
    const char* path;
  };
  const Case cases[] = {
      {"f.glsl", "a.glsl", "a.glsl"},
      {"data/f.glsl", "a.glsl", "data/a.glsl"},
      {"data\\f.glsl", "sub\\a.glsl", "data/sub/a.glsl"},
      {"data/f.glsl", "../a.glsl", "a.glsl"},
      {"f.glsl", "../a.glsl", "../a.glsl"},
      {"./data//f.glsl", "./x/../a.glsl", "data/a.glsl"},
      {"data/f.glsl", "/usr/a.glsl", "/usr/a.glsl"},
      {"/f.glsl", "../../a.glsl", "/a.glsl"},
  };
  for (const Case& c : cases) EXPECT_EQ(includedPath(c.including, c.name), c.path) << c.including << " " << c.name;
}

// A line's file from its millions, else from the source-string number.
TEST(ShaderInclude, ReportedLinesFindTheirFile) {
  struct Case {
    unsigned file, line;
    size_t placeFile;
    unsigned placeLine;
  };
  const Case cases[] = {
      {0, 12, 0, 12}, {0, 2000007, 2, 7}, {2, 2000007, 2, 7}, {1, 3, 1, 3}, {0, 999999999, 999, 999999},
  };
  for (const Case& c : cases) {
    const ShaderSourcePlace place = shaderSourcePlace(c.file, c.line);
    EXPECT_EQ(place.file, c.placeFile) << c.file << ":" << c.line;
    EXPECT_EQ(place.line, c.placeLine) << c.file << ":" << c.line;
  }
}

TEST(ShaderLog, TheSourceStringNumberNamesTheFile) {
  struct Case {
    const char* log;
    unsigned file, line;
  };
  const Case cases[] = {
      {"2:12(3): error: x", 2, 11},      // Mesa
      {"3(7) : error C0000: x", 3, 6},   // NVIDIA
      {"ERROR: 1:5: 'x' : y", 1, 4},     // AMD, Intel
      {"error: no place", 0, 0},
  };
  for (const Case& c : cases) {
    const std::vector<ShaderLogLine> lines = parseShaderLog(c.log);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].file, c.file) << c.log;
    EXPECT_EQ(lines[0].line, c.line) << c.log;
  }
}
