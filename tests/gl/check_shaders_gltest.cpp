// orbisk-check's shader compile and link through this GL: the driver's own
// messages, placed at the file's lines and naming the files.
#include <string>

#include "tests/gl/glfixture.h"
#include "tools/check/checkcore.h"
#include "tools/check/checkshaders.h"

TEST(CheckShadersGL, BrokenShaderAndFailedLinkAreErrorsNamingTheirFiles) {
  check::Report broken;
  broken.path = "broken.glsl";
  const GLuint none = check::compileShaderFile(broken,
                                               "#version 330 core\n"
                                               "out vec4 colour;\n"
                                               "void main() { colour = vec4(undeclared, 1.0); }\n",
                                               check::ShaderStage::Fragment);
  EXPECT_EQ(none, 0u);
  EXPECT_FALSE(broken.usable());
  const std::string printed = check::formatReport(broken);
  EXPECT_NE(printed.find("  broken.glsl:3: error: "), std::string::npos) << printed;

  // Each compiles; the stages disagree on the type of what passes between them.
  check::Report vertexReport, fragmentReport;
  fragmentReport.path = "f.glsl";
  const GLuint vertex = check::compileShaderFile(vertexReport,
                                                 "#version 330 core\n"
                                                 "out vec3 passed;\n"
                                                 "void main() { passed = vec3(0.0); gl_Position = vec4(0.0); }\n",
                                                 check::ShaderStage::Vertex);
  const GLuint fragment = check::compileShaderFile(fragmentReport,
                                                   "#version 330 core\n"
                                                   "in vec4 passed;\n"
                                                   "out vec4 colour;\n"
                                                   "void main() { colour = passed; }\n",
                                                   check::ShaderStage::Fragment);
  ASSERT_NE(vertex, 0u);
  ASSERT_NE(fragment, 0u);
  EXPECT_TRUE(fragmentReport.usable());
  EXPECT_FALSE(check::linkShaderFiles(fragmentReport, vertex, fragment, "v.glsl", "the test"));
  EXPECT_FALSE(fragmentReport.usable());
  const std::string linked = check::formatReport(fragmentReport);
  EXPECT_NE(linked.find("f.glsl: error: does not link with v.glsl into the program of the test: "), std::string::npos)
      << linked;
  glDeleteShader(vertex);
  glDeleteShader(fragment);
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}
