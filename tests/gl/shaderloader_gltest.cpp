// buildShaderProgram against a real compiler: the source it hands over, what
// it prints, and that a broken pair still yields a program name.
#include <cstdlib>
#include <string>
#include <vector>

#include "gpu/shaderbuild.h"
#include "tests/gl/glfixture.h"

namespace {
const char* const kVertex =
    "#version 330 core\n"
    "layout(location = 0) in vec3 position;\n"
    "void main() { gl_Position = vec4(position, 1.0); }\n";
const char* const kFragment =
    "#version 330 core\n"
    "out vec4 color;\n"
    "void main() { color = vec4(1.0); }\n";

struct Attached {
  GLuint vertex = 0, fragment = 0;
};

Attached attachedShaders(GLuint program) {
  GLuint shaders[2] = {0, 0};
  GLsizei count = 0;
  glGetAttachedShaders(program, 2, &count, shaders);
  Attached a;
  for (GLsizei i = 0; i < count; ++i) {
    GLint type = 0;
    glGetShaderiv(shaders[i], GL_SHADER_TYPE, &type);
    (type == GL_VERTEX_SHADER ? a.vertex : a.fragment) = shaders[i];
  }
  return a;
}

std::string sourceOf(GLuint shader) {
  GLint length = 0;
  glGetShaderiv(shader, GL_SHADER_SOURCE_LENGTH, &length);
  std::vector<char> text(static_cast<size_t>(length) + 1, '\0');
  glGetShaderSource(shader, length + 1, nullptr, text.data());
  return text.data();
}

std::string shaderLog(GLuint shader) {
  GLint length = 0;
  glGetShaderiv(shader, GL_INFO_LOG_LENGTH, &length);
  std::vector<char> text(static_cast<size_t>(length) + 1, '\0');
  glGetShaderInfoLog(shader, length + 1, nullptr, text.data());
  return text.data();
}

std::string programLog(GLuint program) {
  GLint length = 0;
  glGetProgramiv(program, GL_INFO_LOG_LENGTH, &length);
  std::vector<char> text(static_cast<size_t>(length) + 1, '\0');
  glGetProgramInfoLog(program, length + 1, nullptr, text.data());
  return text.data();
}

GLint programInt(GLuint program, GLenum name) {
  GLint value = 0;
  glGetProgramiv(program, name, &value);
  return value;
}

class ShaderLoaderGL : public gltest::FolderTest {
 protected:
  void TearDown() override {
    for (GLuint p : programs) glDeleteProgram(p);
    gltest::FolderTest::TearDown();
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
  }
  std::string file(const std::string& name, const std::string& contents) {
    std::string path = dir + "/" + name;
    gltest::writeFile(path, contents);
    return path;
  }
  GLuint build(const std::string& vertex, const std::string& fragment, gltest::Captured& output) {
    GLuint program = 0;
    output = gltest::capture([&] { program = buildShaderProgram(vertex.c_str(), fragment.c_str()); });
    if (program) programs.push_back(program);
    return program;
  }
  // The console text a call must print, from the logs GL still holds.
  std::string expectedOutput(GLuint program, const std::string& vertex, const std::string& fragment) {
    Attached a = attachedShaders(program);
    return "compiling shader : " + vertex + "\n" + shaderLog(a.vertex) + "\n" + "compiling shader : " + fragment +
           "\n" + shaderLog(a.fragment) + "\n" + "linking the program\n" + programLog(program) + "\n";
  }
  std::vector<GLuint> programs;
};

std::vector<std::string> linesOf(const std::string& text) {
  std::vector<std::string> lines;
  for (size_t start = 0, end; start < text.size(); start = end + 1) {
    end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(start, end - start));
  }
  return lines;
}

std::string withCrLf(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}
}  // namespace

TEST_F(ShaderLoaderGL, GoodPairLinksAndPrintsItsSteps) {
  std::string vertex = file("v.glsl", kVertex);
  std::string fragment = file("f.glsl", withCrLf(kFragment));
  gltest::Captured output;
  GLuint program = build(vertex, fragment, output);
  ASSERT_NE(program, 0u);
  EXPECT_EQ(programInt(program, GL_LINK_STATUS), GL_TRUE);
  EXPECT_EQ(output.out, expectedOutput(program, vertex, fragment));
  EXPECT_EQ(output.err, "");

  // Both sources as handed over: a line feed before every line, CRs gone.
  Attached a = attachedShaders(program);
  EXPECT_EQ(sourceOf(a.vertex), "\n#version 330 core\nlayout(location = 0) in vec3 position;\n"
                                "void main() { gl_Position = vec4(position, 1.0); }");
  EXPECT_EQ(sourceOf(a.fragment), "\n#version 330 core\nout vec4 color;\nvoid main() { color = vec4(1.0); }");
  // Flagged for deletion, so they go with the program.
  GLint deleted = 0;
  glGetShaderiv(a.vertex, GL_DELETE_STATUS, &deleted);
  EXPECT_EQ(deleted, GL_TRUE);
  GLint current = 0;
  glGetIntegerv(GL_CURRENT_PROGRAM, &current);
  EXPECT_NE(static_cast<GLuint>(current), program);
}

TEST_F(ShaderLoaderGL, CompileErrorShowsInTheLogAndStillGivesAProgram) {
  std::string vertex = file("v.glsl", kVertex);
  std::string fragment = file("bad.glsl", "#version 330 core\nout vec4 color;\nvoid main() { color = nope; }\n");
  gltest::Captured output;
  GLuint program = build(vertex, fragment, output);
  ASSERT_NE(program, 0u);
  EXPECT_TRUE(glIsProgram(program));
  EXPECT_EQ(programInt(program, GL_LINK_STATUS), GL_FALSE);
  // The compiler's message at the file's line, the linker's on a line of
  // its own: none with the driver's numbers.
  const std::string fragmentPart = output.out.substr(output.out.find("compiling shader : " + fragment));
  EXPECT_EQ(fragmentPart.find("compiling shader : " + fragment + "\n" + fragment + ":3: error: "), 0u) << output.out;
  EXPECT_NE(fragmentPart.find("nope"), std::string::npos) << output.out;
  EXPECT_NE(output.out.find("linking the program\nerror: "), std::string::npos) << output.out;
  for (const std::string& line : linesOf(output.out)) EXPECT_NE(line.rfind("0:", 0), 0u) << line;
  // One line names the file and the line of the fault, one the pair that
  // does not link.
  const std::vector<std::string> errors = linesOf(output.err);
  ASSERT_EQ(errors.size(), 2u) << output.err;
  EXPECT_EQ(errors[0].rfind("ERROR: Could not compile shader file '" + fragment + "', line 3: ", 0), 0u) << errors[0];
  EXPECT_NE(errors[0].find("nope"), std::string::npos) << errors[0];
  EXPECT_EQ(errors[1].rfind("ERROR: Could not link the program of '" + vertex + "' and '" + fragment + "'", 0), 0u)
      << errors[1];
}

// A quiet build (programs added beside the design's) prints no progress,
// and still its messages and the ERROR lines.
TEST_F(ShaderLoaderGL, QuietBuildPrintsOnlyWhatWentWrong) {
  const std::string vertex = file("v.glsl", kVertex);
  const std::string good = file("f.glsl", kFragment);
  const std::string bad = file("bad.glsl", "#version 330 core\nout vec4 color;\nvoid main() { color = nope; }\n");
  GLuint program = 0;
  gltest::Captured output = gltest::capture(
      [&] { program = buildShaderProgram(vertex.c_str(), good.c_str(), "", ConsoleProgress::Quiet); });
  programs.push_back(program);
  EXPECT_EQ(programInt(program, GL_LINK_STATUS), GL_TRUE);
  EXPECT_EQ(output.out, "");
  EXPECT_EQ(output.err, "");
  output = gltest::capture([&] { program = buildShaderProgram(vertex.c_str(), bad.c_str(), "", ConsoleProgress::Quiet); });
  programs.push_back(program);
  EXPECT_EQ(output.out.find("compiling shader"), std::string::npos) << output.out;
  EXPECT_NE(output.out.find(bad + ":3: error: "), std::string::npos) << output.out;
  EXPECT_EQ(output.err.rfind("ERROR: Could not compile shader file '" + bad + "', line 3: ", 0), 0u) << output.err;
}

TEST_F(ShaderLoaderGL, MissingFileCompilesAnEmptySource) {
  std::string missing = dir + "/missing.glsl";
  std::string fragment = file("f.glsl", kFragment);
  gltest::Captured output;
  GLuint program = build(missing, fragment, output);
  ASSERT_NE(program, 0u);
  Attached a = attachedShaders(program);
  EXPECT_EQ(sourceOf(a.vertex), "");
  GLint compiled = GL_TRUE;
  glGetShaderiv(a.vertex, GL_COMPILE_STATUS, &compiled);
  EXPECT_EQ(compiled, GL_FALSE);
  EXPECT_EQ(programInt(program, GL_LINK_STATUS), GL_FALSE);
  EXPECT_EQ(output.out.rfind("compiling shader : " + missing + "\n\ncompiling shader : " + fragment + "\n\nlinking the program\n", 0), 0u)
      << output.out;
  // The loader names the file only in its compile line on standard output;
  // standard error says why, without the compiler's word on the empty source.
  EXPECT_EQ(output.out.find(missing), output.out.rfind(missing));
  const std::string linkError = "ERROR: Could not link the program of '" + missing + "' and '" + fragment + "'";
  EXPECT_EQ(output.err.rfind("ERROR: Could not read shader file '" + missing + "': no such file!\n" + linkError, 0),
            0u)
      << output.err;

  // An empty file reads like a missing one.
  std::string empty = file("empty.glsl", "");
  program = build(empty, fragment, output);
  EXPECT_EQ(sourceOf(attachedShaders(program).vertex), "");
  EXPECT_EQ(output.err.rfind("ERROR: Could not read shader file '" + empty + "': it is empty!\n", 0), 0u)
      << output.err;
}

// Defines belong to the build they are given to: both stages get them after
// their #version line, and the next build without them gets none.
TEST_F(ShaderLoaderGL, DefinesReachBothStagesOfOneBuildOnly) {
  std::string vertex = file("v.glsl", kVertex);
  std::string fragment = file("f.glsl", kFragment);
  GLuint program = 0;
  gltest::Captured output = gltest::capture([&] {
    program = buildShaderProgram(vertex.c_str(), fragment.c_str(), "#define CHOICE 2\n");
  });
  programs.push_back(program);
  EXPECT_EQ(programInt(program, GL_LINK_STATUS), GL_TRUE) << output.err;
  Attached a = attachedShaders(program);
  EXPECT_EQ(sourceOf(a.vertex).rfind("\n#version 330 core\n#define CHOICE 2\n#line 3\n", 0), 0u) << sourceOf(a.vertex);
  EXPECT_EQ(sourceOf(a.fragment).rfind("\n#version 330 core\n#define CHOICE 2\n#line 3\n", 0), 0u);

  const GLuint plain = build(vertex, fragment, output);
  EXPECT_EQ(sourceOf(attachedShaders(plain).fragment).find("CHOICE"), std::string::npos);
}

// The compiler's word on an included file names that file and its line; a
// line of the including file after the include keeps its own number, with
// defines put after #version as well. An include that cannot be expanded
// is named at its line, and the compiler gets no source.
TEST_F(ShaderLoaderGL, IncludedFilesKeepTheirNamesAndLinesInErrors) {
  std::string vertex = file("v.glsl", kVertex);
  file("model.glsl", "// shared\nvec4 tint() { return vec4(1.0); }\nvec4 broken() { return nope; }\n");
  file("good.glsl", "vec4 tint() { return vec4(1.0); }\n");
  struct Case {
    const char* name;
    std::string fragment;
    std::string defines;
    std::string error;  // the first ERROR line, less "ERROR: Could not ... '<dir>/f.glsl'"
  };
  const Case cases[] = {
      {"in the included file",
       "#version 330 core\nout vec4 color;\n#include \"model.glsl\"\nvoid main() { color = tint(); }\n", "",
       ", line 3 of '" + dir + "/model.glsl': "},
      {"after the include, with defines",
       "#version 330 core\nout vec4 color;\n#include \"good.glsl\"\n\nvoid main() { color = tint() * CHOICE * nope; }\n",
       "#define CHOICE 2.0\n", ", line 5: "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string fragment = file("f.glsl", c.fragment);
    GLuint program = 0;
    gltest::Captured output = gltest::capture(
        [&] { program = buildShaderProgram(vertex.c_str(), fragment.c_str(), c.defines); });
    programs.push_back(program);
    const std::string expected = "ERROR: Could not compile shader file '" + fragment + "'" + c.error;
    EXPECT_EQ(output.err.rfind(expected, 0), 0u) << output.err << output.out;
    EXPECT_NE(linesOf(output.err)[0].find("nope"), std::string::npos) << output.err;
  }

  const std::string fragment = file("f.glsl", "#version 330 core\nout vec4 color;\n#include \"gone.glsl\"\n");
  gltest::Captured output;
  const GLuint program = build(vertex, fragment, output);
  EXPECT_EQ(sourceOf(attachedShaders(program).fragment), "");
  const std::vector<std::string> errors = linesOf(output.err);
  ASSERT_EQ(errors.size(), 2u) << output.err;
  EXPECT_EQ(errors[0], "ERROR: Could not include into shader file '" + fragment + "', line 3: '" + dir +
                           "/gone.glsl' cannot be read: no such file!");
  EXPECT_EQ(errors[1].rfind("ERROR: Could not link the program", 0), 0u);
}
