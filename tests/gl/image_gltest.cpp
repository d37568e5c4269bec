// Images through DevIL into RGB textures, read back from GL.
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "gpu/textureupload.h"
#include "tests/gl/glfixture.h"

namespace {
const char* const kConvert = "/usr/bin/convert";

struct Pixel {
  uint8_t r, g, b;
  bool operator==(const Pixel&) const = default;
};

std::vector<Pixel> readRgb(GLint width, GLint height) {
  std::vector<Pixel> pixels(static_cast<size_t>(width * height));
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
  glPixelStorei(GL_PACK_ALIGNMENT, 4);
  return pixels;
}

GLint levelParam(GLenum name) {
  GLint value = 0;
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, name, &value);
  return value;
}

class ImageGL : public gltest::FolderTest {
 protected:
  void TearDown() override {
    glDeleteTextures(static_cast<GLsizei>(textures.size()), textures.data());
    gltest::FolderTest::TearDown();
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
  }
  // Writes dir/name with ImageMagick; prefix forces its output format.
  bool convert(const std::string& args, const std::string& name, const std::string& prefix = "") {
    if (access(kConvert, X_OK) != 0) return false;
    std::string out = prefix + dir + "/" + name;
    return std::system((std::string(kConvert) + " " + args + " " + out + " 2>/dev/null").c_str()) == 0;
  }
  GLuint load(const std::string& path, gltest::Captured* output = nullptr) {
    GLuint texture = 0;
    gltest::Captured c = gltest::capture([&] { texture = loadImageTexture(path.c_str()); });
    if (texture) textures.push_back(texture);
    if (output) *output = c;
    return texture;
  }
  std::vector<GLuint> textures;
};
}  // namespace

TEST_F(ImageGL, RgbaImageLosesItsAlphaAndKeepsItsRows) {
  // Five pixels a row: 15 bytes, not a multiple of the default alignment.
  if (!convert("-size 5x3 xc:'rgba(255,0,0,0.5)' -fill 'rgba(0,0,255,1)' -draw 'point 4,2'", "rgba.png", "PNG32:"))
    GTEST_SKIP() << "no ImageMagick";
  glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
  GLuint texture = load(dir + "/rgba.png");
  ASSERT_NE(texture, 0u);
  GLint bound = 0, alignment = 0;
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
  glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
  EXPECT_EQ(static_cast<GLuint>(bound), texture);
  EXPECT_EQ(alignment, 4) << "the caller's alignment is restored";
  EXPECT_EQ(levelParam(GL_TEXTURE_INTERNAL_FORMAT), GL_RGB8);
  EXPECT_EQ(levelParam(GL_TEXTURE_WIDTH), 5);
  EXPECT_EQ(levelParam(GL_TEXTURE_HEIGHT), 3);
  EXPECT_EQ(levelParam(GL_TEXTURE_ALPHA_SIZE), 0);
  GLint filter = 0;
  glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &filter);
  EXPECT_EQ(filter, GL_LINEAR);

  // One blue pixel in a corner; skewed rows would move it or smear it.
  std::vector<Pixel> pixels = readRgb(5, 3);
  // Rows go up as DevIL delivers them: top row first for a PNG.
  std::vector<Pixel> expected(15, Pixel{255, 0, 0});
  expected[14] = Pixel{0, 0, 255};
  EXPECT_TRUE(pixels == expected);
}

TEST_F(ImageGL, GreyImageBecomesThreeEqualChannels) {
  if (!convert("-size 7x2 xc:'gray(128)' -fill white -draw 'point 0,0' -type Grayscale "
               "-define png:color-type=0 -depth 8",
               "grey.png"))
    GTEST_SKIP() << "no ImageMagick";
  ASSERT_NE(load(dir + "/grey.png"), 0u);
  EXPECT_EQ(levelParam(GL_TEXTURE_INTERNAL_FORMAT), GL_RGB8);
  EXPECT_EQ(levelParam(GL_TEXTURE_WIDTH), 7);
  EXPECT_EQ(levelParam(GL_TEXTURE_HEIGHT), 2);
  std::vector<Pixel> pixels = readRgb(7, 2);
  int white = 0;
  for (const Pixel& p : pixels) {
    EXPECT_TRUE(p.r == p.g && p.g == p.b);
    EXPECT_TRUE(p.r == 128 || p.r == 255) << int(p.r);
    white += p.r == 255;
  }
  EXPECT_EQ(white, 1);
}

TEST_F(ImageGL, UnreadableFileReportsAndLeavesBindingsAlone) {
  GLuint sentinel = 0;
  glGenTextures(1, &sentinel);
  glBindTexture(GL_TEXTURE_2D, sentinel);
  textures.push_back(sentinel);
  std::string missing = dir + "/missing.png";
  gltest::Captured output;
  EXPECT_EQ(load(missing, &output), 0u);
  EXPECT_EQ(output.err, "ERROR: could not load image '" + missing + "'!\n");
  GLint bound = 0;
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
  EXPECT_EQ(static_cast<GLuint>(bound), sentinel);

  std::string garbage = dir + "/garbage.png";
  gltest::writeFile(garbage, "\x89PNG\r\n\x1a\n not really");
  EXPECT_EQ(load(garbage, &output), 0u);
  EXPECT_EQ(output.err, "ERROR: could not load image '" + garbage + "'!\n");
}
