#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "platform/platform.h"
#include "tests/gl/glfixture.h"
#include "tests/processstate.h"
#include "tests/tempdir.h"

namespace gltest {
namespace {
// The vertex array openSharedContext bound; every draw of the tests uses it.
GLuint sharedVertexArray = 0;

// Besides the process-wide values: a test that unbinds or deletes the shared
// vertex array breaks every later draw with GL_INVALID_OPERATION.
class SharedContextCheck : public processstate::LeftStateCheck {
 public:
  void OnTestEnd(const testing::TestInfo& test) override {
    GLint bound = 0;
    glGetIntegerv(GL_VERTEX_ARRAY_BINDING, &bound);
    EXPECT_TRUE(static_cast<GLuint>(bound) == sharedVertexArray && glIsVertexArray(sharedVertexArray))
        << "the test left vertex array " << bound << " bound instead of the shared " << sharedVertexArray;
    if (!glIsVertexArray(sharedVertexArray)) glGenVertexArrays(1, &sharedVertexArray);
    glBindVertexArray(sharedVertexArray);
    processstate::LeftStateCheck::OnTestEnd(test);
  }
};
}  // namespace

void writeFile(const std::string& path, const std::string& contents) {
  std::ofstream f(path, std::ios::binary);
  f << contents;
}

std::string makeTempDir() {
  const std::string dir = testtmp::makeDir("orbisk-gl");
  return dir.empty() ? std::string("/tmp") : dir;
}

GLuint linkProgram(const std::string& vertexSource, const std::string& fragmentSource) {
  const char* vs = vertexSource.c_str();
  const char* fs = fragmentSource.c_str();
  GLuint v = glCreateShader(GL_VERTEX_SHADER), f = glCreateShader(GL_FRAGMENT_SHADER);
  glShaderSource(v, 1, &vs, nullptr);
  glShaderSource(f, 1, &fs, nullptr);
  glCompileShader(v);
  glCompileShader(f);
  GLuint program = glCreateProgram();
  glAttachShader(program, v);
  glAttachShader(program, f);
  glLinkProgram(program);
  // As the shader loader does: deleted, but attached until the program goes.
  glDeleteShader(v);
  glDeleteShader(f);
  GLint linked = 0;
  glGetProgramiv(program, GL_LINK_STATUS, &linked);
  EXPECT_EQ(linked, GL_TRUE);
  return program;
}

GLint bufferSize(GLenum target, GLuint buffer) {
  GLint size = -1;
  glBindBuffer(target, buffer);
  glGetBufferParameteriv(target, GL_BUFFER_SIZE, &size);
  return size;
}

GLint textureLevelParam(GLuint texture, GLenum name, GLint level) {
  GLint value = -1;
  glBindTexture(GL_TEXTURE_2D, texture);
  glGetTexLevelParameteriv(GL_TEXTURE_2D, level, name, &value);
  return value;
}

GLuint rgbaTexture(int width, int height, const std::vector<uint8_t>& rgba, bool mipmaps) {
  GLuint t = 0;
  glGenTextures(1, &t);
  glBindTexture(GL_TEXTURE_2D, t);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
  if (mipmaps) {
    glGenerateMipmap(GL_TEXTURE_2D);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
  } else {
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  }
  return t;
}

Offscreen beginOffscreen(int size) {
  Offscreen target;
  target.size = size;
  target.texture = rgbaTexture(size, size, std::vector<uint8_t>(static_cast<size_t>(size) * size * 4, 0));
  glGenFramebuffers(1, &target.framebuffer);
  glBindFramebuffer(GL_FRAMEBUFFER, target.framebuffer);
  glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, target.texture, 0);
  glViewport(0, 0, size, size);
  glDisable(GL_DEPTH_TEST);
  glDisable(GL_BLEND);
  glEnable(GL_CULL_FACE);
  glClearColor(0, 0, 0, 1);
  glClear(GL_COLOR_BUFFER_BIT);
  return target;
}

std::vector<uint8_t> readOffscreen(Offscreen& target) {
  std::vector<uint8_t> rgba(static_cast<size_t>(target.size) * target.size * 4);
  glBindFramebuffer(GL_FRAMEBUFFER, target.framebuffer);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, target.size, target.size, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
  glBindFramebuffer(GL_FRAMEBUFFER, 0);
  glDeleteFramebuffers(1, &target.framebuffer);
  glDeleteTextures(1, &target.texture);
  target = Offscreen();
  return rgba;
}

void drainErrors() {
  while (glGetError() != GL_NO_ERROR) {
  }
}

bool openSharedContext() {
  if (!platform::init() || !platform::openHiddenWindow(kWidth, kHeight)) {
    fprintf(stderr, "gl_tests: no OpenGL 3.3 core context (is a display set?)\n");
    return false;
  }
  glewExperimental = GL_TRUE;
  if (glewInit() != GLEW_OK) {
    fprintf(stderr, "gl_tests: glewInit failed\n");
    return false;
  }
  drainErrors();  // GLEW's probe leaves an error behind on core contexts
  glGenVertexArrays(1, &sharedVertexArray);
  glBindVertexArray(sharedVertexArray);
  return true;
}
}  // namespace gltest

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  testing::UnitTest::GetInstance()->listeners().Append(new gltest::SharedContextCheck);
  if (!gltest::openSharedContext()) return 1;
  int result = RUN_ALL_TESTS();
  platform::terminate();
  return result;
}
