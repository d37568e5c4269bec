// One hidden OpenGL 3.3 core window for the whole test program, created
// before the first test; tests assert on what GL itself reports.
#pragma once
#include <GL/glew.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace gltest {
// Window size of the shared context.
constexpr int kWidth = 64;
constexpr int kHeight = 48;

// Writes text to a file (tests create their inputs in a temporary folder).
void writeFile(const std::string& path, const std::string& contents);
// A fresh temporary directory for one test.
std::string makeTempDir();
// Everything printed to stdout/stderr while fn runs.
struct Captured {
  std::string out;
  std::string err;
};
template <typename F>
Captured capture(F fn) {
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  fn();
  fflush(stdout);
  fflush(stderr);
  Captured c;
  c.out = testing::internal::GetCapturedStdout();
  c.err = testing::internal::GetCapturedStderr();
  return c;
}
// Compiles and links a program from two sources; the test fails if it does
// not link.
GLuint linkProgram(const std::string& vertexSource, const std::string& fragmentSource);
// Size in bytes of a buffer object, as GL reports it (binds the buffer).
GLint bufferSize(GLenum target, GLuint buffer);
// A level parameter of a 2D texture, as GL reports it (binds the texture).
GLint textureLevelParam(GLuint texture, GLenum name, GLint level = 0);
// An RGBA8 texture from rows of bytes (row 0 at t = 0), linear filtering,
// one level or a generated chain.
GLuint rgbaTexture(int width, int height, const std::vector<uint8_t>& rgba, bool mipmaps = false);
// A size x size colour target bound for drawing and cleared to black, with
// no depth test or blending and back faces culled: the state the tests that
// shade one sphere draw in. readOffscreen returns its RGBA rows (from the
// bottom) and deletes it.
struct Offscreen {
  GLuint texture = 0, framebuffer = 0;
  int size = 0;
};
Offscreen beginOffscreen(int size);
std::vector<uint8_t> readOffscreen(Offscreen& target);
// Clears any pending GL error so that a test sees only its own.
void drainErrors();
// Opens the window library, the hidden kWidth x kHeight window and its
// context, with GLEW and one bound vertex array; false after a message.
// main calls it once; a test that ends the window library calls it again.
bool openSharedContext();

// A test with its own temporary folder and a clean GL error flag; the folder
// is removed after the test (a derived TearDown calls this one last).
class FolderTest : public testing::Test {
 protected:
  void SetUp() override {
    dir = makeTempDir();
    drainErrors();
  }
  void TearDown() override { std::system(("rm -rf '" + dir + "'").c_str()); }
  std::string dir;
};
}  // namespace gltest
