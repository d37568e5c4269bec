// The Earth shader builds its texture filtering from texel fetches. Its
// functions, taken from the scene's own GLSL file, must give what the texture
// unit itself gives for the same coordinates and footprints: the same levels,
// the same bilinear weights, GL_REPEAT at the edges, and nothing read beyond
// the levels the texture allows.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include "gpu/shaderbuild.h"
#include "gpu/texturefiltering.h"
#include "tests/gl/glfixture.h"

namespace {

constexpr int kTexWidth = 16, kTexHeight = 8, kLevels = 5;  // 16x8 down to 1x1

std::string filterFunctions() {
  std::ifstream in(ORBISK_SOURCE_DIR "/data/fShaderIndexedShading.glsl");
  std::stringstream text;
  text << in.rdbuf();
  const std::string source = text.str();
  const size_t begin = source.find("#if defined(GL_ARB_texture_query_levels)");
  const size_t end = source.find("#endif", begin);
  if (begin == std::string::npos || end == std::string::npos) return "";
  return source.substr(begin, end + 6 - begin);
}

class TextureFilter : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string functions = filterFunctions();
    ASSERT_FALSE(functions.empty()) << "filter functions not found in the Earth shader";
    program = filterProgram(functions, "");
    ASSERT_NE(program, 0u);

    // Every texel of every level a different colour, so a wrong level, texel
    // or weight shows.
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    for (int level = 0; level < kLevels; ++level) {
      const int w = std::max(kTexWidth >> level, 1), h = std::max(kTexHeight >> level, 1);
      std::vector<unsigned char> texels(4 * w * h);
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
          unsigned char* t = &texels[4 * (y * w + x)];
          t[0] = static_cast<unsigned char>(37 * x + 11 * level);
          t[1] = static_cast<unsigned char>(71 * y + 53 * x);
          t[2] = static_cast<unsigned char>(60 * level + 29 * (x ^ y));
          t[3] = 255;
        }
      glTexImage2D(GL_TEXTURE_2D, level, GL_RGBA8, w, h, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
    }
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);

    glGenTextures(1, &target);
    glBindTexture(GL_TEXTURE_2D, target);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, gltest::kWidth, gltest::kHeight, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    glGenFramebuffers(1, &framebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    glFramebufferTexture(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, target, 0);
    ASSERT_EQ(glCheckFramebufferStatus(GL_FRAMEBUFFER), static_cast<GLenum>(GL_FRAMEBUFFER_COMPLETE));
  }
  // The filter functions, then a shader that reads the texture with them
  // (mode 0 and 1) or with the texture unit's own filter (mode 2).
  static GLuint filterProgram(const std::string& functions, const std::string& defines) {
    return gltest::linkProgram(
        "#version 330 core\n"
        "void main() {\n"
        "  vec2 corner = vec2(gl_VertexID == 1 ? 3.0 : -1.0, gl_VertexID == 2 ? 3.0 : -1.0);\n"
        "  gl_Position = vec4(corner, 0.0, 1.0);\n"
        "}\n",
        "#version 330 core\n"
        "#extension GL_ARB_texture_query_levels : enable\n" + defines +
            functions +
            "\nuniform sampler2D tex;\n"
            "uniform vec2 origin;\n"      // uv of pixel (0, 0)
            "uniform vec2 step;\n"        // uv per pixel
            "uniform float footprint;\n"  // derivatives = step * footprint
            "uniform int mode;\n"         // 0 trilinear, 1 nearest level, 2 the texture unit
            "out vec4 color;\n"
            "void main() {\n"
            "  vec2 uv = origin + floor(gl_FragCoord.xy) * step;\n"
            "  vec2 dx = vec2(step.x * footprint, 0.0), dy = vec2(0.0, step.y * footprint);\n"
            "  if (mode == 0) color = sampleTrilinear(tex, uv, dx, dy);\n"
            "  else if (mode == 1) color = sampleNearestLevel(tex, uv, dx, dy);\n"
            "  else color = textureGrad(tex, uv, dx, dy);\n"
            "}\n");
  }

  void TearDown() override {
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glDeleteFramebuffers(1, &framebuffer);
    GLuint textures[] = {texture, target};
    glDeleteTextures(2, textures);
    glDeleteProgram(program);
  }

  // One full-target draw; uv advances by texelsPerPixel texels of level 0 per
  // pixel from (-0.3, -0.2), so that reads cross both edges.
  std::vector<unsigned char> draw(int mode, float texelsPerPixel, float footprint) {
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    glViewport(0, 0, gltest::kWidth, gltest::kHeight);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
    glUseProgram(program);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, texture);
    glUniform1i(glGetUniformLocation(program, "tex"), 0);
    glUniform2f(glGetUniformLocation(program, "origin"), -0.3f, -0.2f);
    glUniform2f(glGetUniformLocation(program, "step"), texelsPerPixel / kTexWidth, texelsPerPixel / kTexHeight);
    glUniform1f(glGetUniformLocation(program, "footprint"), footprint);
    glUniform1i(glGetUniformLocation(program, "mode"), mode);
    glDrawArrays(GL_TRIANGLES, 0, 3);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    std::vector<unsigned char> pixels(4 * gltest::kWidth * gltest::kHeight);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, gltest::kWidth, gltest::kHeight, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
  }

  static int largestDifference(const std::vector<unsigned char>& a, const std::vector<unsigned char>& b) {
    int largest = 0;
    for (size_t i = 0; i < a.size(); ++i) largest = std::max(largest, std::abs(int(a[i]) - int(b[i])));
    return largest;
  }

  GLuint program = 0, texture = 0, target = 0, framebuffer = 0;
};

// Whole levels of detail leave no blend between levels, so the result is
// the bilinear read of one level, which the texture unit gives exactly.
// The uv range runs past both edges: GL_REPEAT must join them.
TEST_F(TextureFilter, TrilinearMatchesTheTextureUnitFromMagnifiedToTheLastLevel) {
  for (float texelsPerPixel : {0.37f, 1.0f, 2.0f, 4.0f, 8.0f, 16.0f, 64.0f}) {
    const auto ours = draw(0, texelsPerPixel, 1.0f);
    const auto unit = draw(2, texelsPerPixel, 1.0f);
    EXPECT_LE(largestDifference(ours, unit), 3) << texelsPerPixel << " texels per pixel";
  }
}

TEST_F(TextureFilter, BetweenLevelsBlendsAsTheTextureUnitDoes) {
  // Halfway between levels 1 and 2; the unit may round its blend weight.
  const auto ours = draw(0, 2.0f, std::sqrt(2.0f));
  const auto unit = draw(2, 2.0f, std::sqrt(2.0f));
  EXPECT_LE(largestDifference(ours, unit), 8);
  // And it is a blend: neither level alone.
  EXPECT_GT(largestDifference(ours, draw(2, 2.0f, 1.0f)), 8);
  EXPECT_GT(largestDifference(ours, draw(2, 2.0f, 2.0f)), 8);
}

TEST_F(TextureFilter, NearestLevelReadsTheClosestWholeLevel) {
  // 2^1.4 texels per pixel reads level 1, 2^1.6 level 2.
  EXPECT_LE(largestDifference(draw(1, 2.0f, std::pow(2.0f, 0.4f)), draw(2, 2.0f, 1.0f)), 3);
  EXPECT_LE(largestDifference(draw(1, 2.0f, std::pow(2.0f, 0.6f)), draw(2, 2.0f, 2.0f)), 3);
}

TEST_F(TextureFilter, NeverReadsPastTheLevelsTheTextureAllows) {
  // A chain cut short, as the DDS loader leaves one whose data ran out.
  glBindTexture(GL_TEXTURE_2D, texture);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 1);
  for (int mode : {0, 1}) {
    const auto ours = draw(mode, 16.0f, 1.0f);
    const auto unit = draw(2, 16.0f, 1.0f);
    EXPECT_LE(largestDifference(ours, unit), 3) << "mode " << mode;
  }
}

TEST_F(TextureFilter, EmptyAndEndlessFootprintsReadTheFirstAndLastLevels) {
  for (int mode : {0, 1}) {
    EXPECT_LE(largestDifference(draw(mode, 1.5f, 0.0f), draw(2, 1.5f, 0.0f)), 3) << "mode " << mode;
    const float endless = std::numeric_limits<float>::infinity();
    EXPECT_LE(largestDifference(draw(mode, 1.5f, endless), draw(2, 1.5f, 1024.0f)), 3) << "mode " << mode;
  }
}

// Hardware renderers get the texture unit's filter: with the program's
// define the same functions are the unit's own read, and the two paths agree.
TEST_F(TextureFilter, TheUnitPathIsTheUnitsFilterAndAgreesWithTheFetchedOne) {
  const float between = std::sqrt(2.0f);
  const auto fetched = draw(0, 2.0f, between);
  const auto unitOwn = draw(2, 2.0f, between);
  GLuint fetchProgram = program;
  program = filterProgram(filterFunctions(), "#define TEXTURE_UNIT_FILTERING 1\n");
  ASSERT_NE(program, 0u);
  const auto unitPath = draw(0, 2.0f, between);
  glDeleteProgram(program);
  program = fetchProgram;
  EXPECT_EQ(largestDifference(unitPath, unitOwn), 0);
  EXPECT_LE(largestDifference(unitPath, fetched), 8);

  // The scene's own pair builds either way, the define put after #version.
  for (const TextureFiltering path : kTextureFilteringPaths) {
    const std::string defines = textureFilteringDefines(path);
    const GLuint scene = buildShaderProgram(ORBISK_SOURCE_DIR "/data/vShaderIndexedShading.glsl",
                                            ORBISK_SOURCE_DIR "/data/fShaderIndexedShading.glsl", defines);
    GLint linked = GL_FALSE;
    glGetProgramiv(scene, GL_LINK_STATUS, &linked);
    EXPECT_EQ(linked, GL_TRUE) << "with '" << defines << "'";
    glDeleteProgram(scene);
  }
}

}  // namespace
