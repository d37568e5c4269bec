// Shared set-up of the overlay and flare GL tests: an offscreen target of a
// chosen size standing in for the window, a working directory holding the
// shaders, and small textures of known colours.
#pragma once
#include <GL/glew.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/orbisk.h"
#include "tests/gl/glfixture.h"
#include "tests/processstate.h"

namespace effectstest {

// Colour RGBA8 and a 32-bit float depth buffer, so that a depth written by a
// clear reads back exactly.
struct Target {
  GLuint framebuffer = 0, color = 0, depth = 0;
  int width = 0, height = 0;

  void create(int w, int h) {
    width = w;
    height = h;
    glGenTextures(1, &color);
    glBindTexture(GL_TEXTURE_2D, color);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, w, h, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    glGenTextures(1, &depth);
    glBindTexture(GL_TEXTURE_2D, depth);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_DEPTH_COMPONENT32F, w, h, 0, GL_DEPTH_COMPONENT, GL_FLOAT,
                 nullptr);
    glBindTexture(GL_TEXTURE_2D, 0);
    glGenFramebuffers(1, &framebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, color, 0);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_TEXTURE_2D, depth, 0);
    glViewport(0, 0, w, h);
  }
  void destroy() {
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glDeleteFramebuffers(1, &framebuffer);
    glDeleteTextures(1, &color);
    glDeleteTextures(1, &depth);
    *this = Target();
  }
  std::array<unsigned char, 4> pixel(int x, int y) const {
    std::array<unsigned char, 4> p{};
    glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p.data());
    return p;
  }
  float depthAt(int x, int y) const {
    float d = -1.0f;
    glReadPixels(x, y, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &d);
    return d;
  }
};

// Texture of rows top to bottom (first row is t = 0), one texel wide, nearest
// filtering and no mipmaps so that it is complete.
inline GLuint makeTexture(const std::vector<std::array<unsigned char, 4>>& rows) {
  GLuint t = 0;
  glGenTextures(1, &t);
  glBindTexture(GL_TEXTURE_2D, t);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, 1, static_cast<GLsizei>(rows.size()), 0, GL_RGBA,
               GL_UNSIGNED_BYTE, rows.data());
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  glBindTexture(GL_TEXTURE_2D, 0);
  return t;
}

inline GLuint makeWhiteTexture() { return makeTexture({{255, 255, 255, 255}}); }

inline std::string readFile(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  std::stringstream s;
  s << f.rdbuf();
  return s.str();
}

// A temporary working directory holding the text and sprite shaders of data/
// and the files they include.
// Restores the previous directory and window size when it ends.
class WorkingDir {
 public:
  WorkingDir() {
    char buffer[4096];
    if (getcwd(buffer, sizeof buffer)) previous = buffer;
    dir = gltest::makeTempDir();
    for (const char* name :
         {"vShaderText.glsl", "fShaderText.glsl", "vShaderSprite.glsl", "fShaderSprite.glsl", "spriteVertex.glsl",
          "spriteFragment.glsl"}) {
      gltest::writeFile(dir + "/" + name,
                        readFile(std::string(ORBISK_SOURCE_DIR) + "/data/" + name));
    }
    EXPECT_EQ(chdir(dir.c_str()), 0);
  }
  ~WorkingDir() {
    if (!previous.empty()) {
      EXPECT_EQ(chdir(previous.c_str()), 0);
    }
  }
  std::string dir;

 private:
  std::string previous;
  processstate::Keep<int, int> keepSize{windowWidth, windowHeight};
};

inline bool isLinked(GLuint program) {
  if (program == 0 || !glIsProgram(program)) return false;
  GLint linked = GL_FALSE;
  glGetProgramiv(program, GL_LINK_STATUS, &linked);
  return linked == GL_TRUE;
}

inline GLint integer(GLenum what) {
  GLint v = 0;
  glGetIntegerv(what, &v);
  return v;
}

inline bool attribEnabled(GLuint index) {
  GLint v = 0;
  glGetVertexAttribiv(index, GL_VERTEX_ATTRIB_ARRAY_ENABLED, &v);
  return v != 0;
}

inline GLint bufferSize(GLuint buffer) {
  GLint size = -1;
  glBindBuffer(GL_ARRAY_BUFFER, buffer);
  glGetBufferParameteriv(GL_ARRAY_BUFFER, GL_BUFFER_SIZE, &size);
  return size;
}

// A sprite or glyph drawer after its load: the program linked, both
// samplers found, and two distinct buffers.
inline void expectDrawerMade(GLuint program, GLint textureSampler, GLint colorSampler, GLuint vertexBuffer,
                             GLuint uvBuffer) {
  EXPECT_TRUE(isLinked(program));
  EXPECT_GE(textureSampler, 0);
  EXPECT_GE(colorSampler, 0);
  EXPECT_NE(vertexBuffer, 0u);
  EXPECT_NE(uvBuffer, 0u);
  EXPECT_NE(vertexBuffer, uvBuffer);
}

}  // namespace effectstest
