// DDS textures as GL sees them: formats, level sizes, the compressed bytes
// read back, and what a sampler makes of them.
#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <unistd.h>

#include "base/configfile.h"
#include "gpu/textureupload.h"
#include "loaders/ddstexture.h"
#include "tests/ddsbytes.h"
#include "tests/gl/glfixture.h"

namespace {
const char* const kConvert = "/usr/bin/convert";

std::vector<uint8_t> readBytes(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

void writeBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream f(path, std::ios::binary);
  f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}


std::vector<uint8_t> makeDds(uint32_t width, uint32_t height, uint32_t linearSize, uint32_t mipMapCount,
                             uint32_t fourCC, size_t dataBytes) {
  return ddstest::bytes({width, height, linearSize, mipMapCount, fourCC}, dataBytes);
}

GLint levelParam(GLint level, GLenum name) {
  GLint value = 0;
  glGetTexLevelParameteriv(GL_TEXTURE_2D, level, name, &value);
  return value;
}

GLint texParam(GLenum name) {
  GLint value = 0;
  glGetTexParameteriv(GL_TEXTURE_2D, name, &value);
  return value;
}

struct LevelShape {
  GLint width, height, size;
};

// Levels of the bound texture, up to the first empty one.
std::vector<LevelShape> uploadedLevels() {
  std::vector<LevelShape> levels;
  for (GLint level = 0; level < 16; ++level) {
    GLint width = levelParam(level, GL_TEXTURE_WIDTH);
    if (width == 0) break;
    levels.push_back({width, levelParam(level, GL_TEXTURE_HEIGHT), levelParam(level, GL_TEXTURE_COMPRESSED_IMAGE_SIZE)});
  }
  return levels;
}

std::vector<uint8_t> compressedLevel(GLint level) {
  std::vector<uint8_t> bytes(static_cast<size_t>(levelParam(level, GL_TEXTURE_COMPRESSED_IMAGE_SIZE)));
  glGetCompressedTexImage(GL_TEXTURE_2D, level, bytes.data());
  return bytes;
}

// Draws the texture over the window and reads the centre pixel; an
// incomplete texture reads as black. The program is built for each call: a
// name kept from an earlier test may belong to a context since closed.
std::array<uint8_t, 4> sampleCentre(GLuint texture) {
  const GLuint program = gltest::linkProgram(
      "#version 330 core\n"
      "out vec2 uv;\n"
      "void main() {\n"
      "  vec2 p = vec2(float((gl_VertexID & 1) * 4 - 1), float((gl_VertexID & 2) * 2 - 1));\n"
      "  uv = p * 0.5 + 0.5;\n"
      "  gl_Position = vec4(p, 0.0, 1.0);\n"
      "}\n",
      "#version 330 core\n"
      "uniform sampler2D tex;\n"
      "in vec2 uv;\n"
      "out vec4 color;\n"
      "void main() { color = texture(tex, uv); }\n");
  glBindFramebuffer(GL_FRAMEBUFFER, 0);
  glViewport(0, 0, gltest::kWidth, gltest::kHeight);
  glDisable(GL_DEPTH_TEST);
  glDisable(GL_CULL_FACE);
  glClearColor(0.2f, 0.2f, 0.2f, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT);
  glUseProgram(program);
  glActiveTexture(GL_TEXTURE0);
  glBindTexture(GL_TEXTURE_2D, texture);
  glUniform1i(glGetUniformLocation(program, "tex"), 0);
  glDrawArrays(GL_TRIANGLES, 0, 3);
  std::array<uint8_t, 4> pixel{};
  glReadPixels(gltest::kWidth / 2, gltest::kHeight / 2, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel.data());
  glUseProgram(0);
  glDeleteProgram(program);
  return pixel;
}

class DdsGL : public gltest::FolderTest {
 protected:
  void TearDown() override {
    for (GLuint t : textures) glDeleteTextures(1, &t);
    gltest::FolderTest::TearDown();
  }
  // Loads and remembers the texture, with the console output.
  GLuint load(const std::string& path, gltest::Captured* output = nullptr, bool forceAnisotropic = false) {
    GLuint texture = 0;
    gltest::Captured c = gltest::capture([&] { texture = loadDdsTexture(path.c_str(), forceAnisotropic); });
    if (output) *output = c;
    if (texture) textures.push_back(texture);
    return texture;
  }
  // Writes a file with ImageMagick; false when it is not installed.
  bool convert(const std::string& args, const std::string& name) {
    if (access(kConvert, X_OK) != 0) return false;
    std::string cmd = std::string(kConvert) + " " + args + " " + dir + "/" + name + " 2>/dev/null";
    return std::system(cmd.c_str()) == 0;
  }
  std::vector<GLuint> textures;
};

// The bound texture holds the whole chain of a well-formed file: level count
// down to 1 x 1 (or the single level), each level the file's next bytes.
void expectTextureIsFile(const std::vector<uint8_t>& file, GLenum format, GLint width, GLint height,
                         size_t levelCount) {
  std::vector<LevelShape> levels = uploadedLevels();
  ASSERT_EQ(levels.size(), levelCount);
  EXPECT_EQ(levelParam(0, GL_TEXTURE_INTERNAL_FORMAT), static_cast<GLint>(format));
  GLint blockSize = format == GL_COMPRESSED_RGBA_S3TC_DXT1_EXT ? 8 : 16;
  size_t offset = dds::kDataOffset;
  for (size_t i = 0; i < levels.size(); ++i) {
    SCOPED_TRACE(testing::Message() << "level " << i);
    EXPECT_EQ(levels[i].width, width);
    EXPECT_EQ(levels[i].height, height);
    EXPECT_EQ(levels[i].size, ((width + 3) / 4) * ((height + 3) / 4) * blockSize);
    std::vector<uint8_t> stored = compressedLevel(static_cast<GLint>(i));
    ASSERT_LE(offset + stored.size(), file.size());
    EXPECT_TRUE(std::equal(stored.begin(), stored.end(), file.begin() + static_cast<long>(offset)));
    offset += stored.size();
    width = std::max(width / 2, 1);
    height = std::max(height / 2, 1);
  }
  EXPECT_EQ(offset, file.size());
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

void expectChain(const std::vector<LevelShape>& levels, const std::vector<LevelShape>& expected) {
  ASSERT_EQ(levels.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    SCOPED_TRACE(testing::Message() << "level " << i);
    EXPECT_EQ(levels[i].width, expected[i].width);
    EXPECT_EQ(levels[i].height, expected[i].height);
    EXPECT_EQ(levels[i].size, expected[i].size);
  }
}
}  // namespace

TEST_F(DdsGL, ImageMagickFilesLoadWithTheirBytes) {
  if (!convert("-size 64x32 gradient:red-blue -define dds:compression=dxt1 -define dds:mipmaps=6", "dxt1.dds"))
    GTEST_SKIP() << "no ImageMagick";
  std::vector<uint8_t> file = readBytes(dir + "/dxt1.dds");
  glPixelStorei(GL_UNPACK_ALIGNMENT, 8);
  GLuint texture = load(dir + "/dxt1.dds");
  ASSERT_NE(texture, 0u);
  GLint alignment = 0;
  glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
  EXPECT_EQ(alignment, 8) << "the caller's unpack alignment";
  glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
  GLint bound = 0;
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
  EXPECT_EQ(static_cast<GLuint>(bound), texture);
  EXPECT_EQ(levelParam(0, GL_TEXTURE_INTERNAL_FORMAT), GL_COMPRESSED_RGBA_S3TC_DXT1_EXT);
  expectChain(uploadedLevels(),
              {{64, 32, 1024}, {32, 16, 256}, {16, 8, 64}, {8, 4, 16}, {4, 2, 8}, {2, 1, 8}, {1, 1, 8}});
  expectTextureIsFile(file, GL_COMPRESSED_RGBA_S3TC_DXT1_EXT, 64, 32, 7);
  // A full chain: the max level stays as GL made it.
  EXPECT_EQ(texParam(GL_TEXTURE_MAX_LEVEL), 1000);
  EXPECT_EQ(texParam(GL_TEXTURE_MIN_FILTER), GL_LINEAR_MIPMAP_LINEAR);
  EXPECT_EQ(texParam(GL_TEXTURE_MAG_FILTER), GL_LINEAR);
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));

  ASSERT_TRUE(convert("-size 40x24 gradient:white-black -alpha set -channel A -evaluate set 40% +channel "
                      "-define dds:compression=dxt5 -define dds:mipmaps=0",
                      "dxt5.dds"));
  ASSERT_NE(load(dir + "/dxt5.dds"), 0u);
  expectTextureIsFile(readBytes(dir + "/dxt5.dds"), GL_COMPRESSED_RGBA_S3TC_DXT5_EXT, 40, 24, 1);
  EXPECT_EQ(texParam(GL_TEXTURE_MAX_LEVEL), 0);

  // Sizes that are not multiples of four, wide and tall (ImageMagick writes
  // no mipmaps for sizes that are not powers of two).
  ASSERT_TRUE(convert("-size 37x19 gradient:red-blue -define dds:compression=dxt1", "odd.dds"));
  ASSERT_NE(load(dir + "/odd.dds"), 0u);
  expectTextureIsFile(readBytes(dir + "/odd.dds"), GL_COMPRESSED_RGBA_S3TC_DXT1_EXT, 37, 19, 1);
  ASSERT_TRUE(convert("-size 6x50 gradient:red-blue -alpha set -define dds:compression=dxt5", "tall.dds"));
  ASSERT_NE(load(dir + "/tall.dds"), 0u);
  expectTextureIsFile(readBytes(dir + "/tall.dds"), GL_COMPRESSED_RGBA_S3TC_DXT5_EXT, 6, 50, 1);
}

TEST_F(DdsGL, ShortChainsAndNonSquareChainsSampleTheirColour) {
  if (!convert("-size 64x32 xc:red -define dds:compression=dxt1", "full.dds") ||
      !convert("-size 64x32 xc:red -define dds:compression=dxt1 -define dds:mipmaps=0", "single.dds"))
    GTEST_SKIP() << "no ImageMagick";
  // Cut after levels 0..2 of the full chain (1024 + 256 + 64 bytes) and a bit.
  std::vector<uint8_t> full = readBytes(dir + "/full.dds");
  writeBytes(dir + "/cut.dds", std::vector<uint8_t>(full.begin(), full.begin() + dds::kDataOffset + 1344 + 5));

  for (const char* name : {"full.dds", "single.dds", "cut.dds"}) {
    SCOPED_TRACE(name);
    gltest::Captured output;
    GLuint texture = load(dir + "/" + name, &output);
    ASSERT_NE(texture, 0u);
    std::array<uint8_t, 4> pixel = sampleCentre(texture);
    EXPECT_GT(pixel[0], 200);
    EXPECT_LT(pixel[1], 40);
    EXPECT_LT(pixel[2], 40);
  }
  glBindTexture(GL_TEXTURE_2D, textures[2]);
  EXPECT_EQ(uploadedLevels().size(), 3u);
  EXPECT_EQ(texParam(GL_TEXTURE_MAX_LEVEL), 2);
}

TEST_F(DdsGL, DesignedLevelSizes) {
  writeBytes(dir + "/a.dds", makeDds(256, 256, 32768, 9, dds::kFourCCDXT1, 65536));
  ASSERT_NE(load(dir + "/a.dds"), 0u);
  expectChain(uploadedLevels(), {{256, 256, 32768},
                                 {128, 128, 8192},
                                 {64, 64, 2048},
                                 {32, 32, 512},
                                 {16, 16, 128},
                                 {8, 8, 32},
                                 {4, 4, 8},
                                 {2, 2, 8},
                                 {1, 1, 8}});

  writeBytes(dir + "/b.dds", makeDds(8, 4, 16, 4, dds::kFourCCDXT1, 40));
  ASSERT_NE(load(dir + "/b.dds"), 0u);
  expectChain(uploadedLevels(), {{8, 4, 16}, {4, 2, 8}, {2, 1, 8}, {1, 1, 8}});

  std::vector<uint8_t> dxt3 = makeDds(16, 8, 128, 2, dds::kFourCCDXT3, 160);
  writeBytes(dir + "/c.dds", dxt3);
  ASSERT_NE(load(dir + "/c.dds"), 0u);
  EXPECT_EQ(levelParam(0, GL_TEXTURE_INTERNAL_FORMAT), GL_COMPRESSED_RGBA_S3TC_DXT3_EXT);
  expectChain(uploadedLevels(), {{16, 8, 128}, {8, 4, 32}});
  EXPECT_EQ(compressedLevel(1), std::vector<uint8_t>(dxt3.begin() + dds::kDataOffset + 128, dxt3.end()));
  EXPECT_EQ(texParam(GL_TEXTURE_MAX_LEVEL), 1);

  // A count of 0: the texture exists and holds nothing.
  writeBytes(dir + "/d.dds", makeDds(16, 16, 128, 0, dds::kFourCCDXT5, 128));
  ASSERT_NE(load(dir + "/d.dds"), 0u);
  EXPECT_TRUE(uploadedLevels().empty());
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(DdsGL, HostileFiles) {
  struct Case {
    const char* name;
    std::vector<uint8_t> bytes;
    bool refused;
    size_t levels;
    std::string message;
  };
  std::vector<uint8_t> otherByte = makeDds(8, 8, 32, 1, dds::kFourCCDXT1, 32);
  otherByte[3] = 0;
  GLint maxSize = 0;
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
  uint32_t tooWide = static_cast<uint32_t>(maxSize) + 1;
  std::vector<Case> cases = {
      {"empty", {}, true, 0, ""},
      {"magic only", {'D', 'D', 'S', ' '}, true, 0, "header cut short"},
      {"DDS then other byte", otherByte, true, 0, ""},
      {"FourCC 0", makeDds(8, 8, 32, 1, 0, 32), true, 0, ""},
      {"header cut", std::vector<uint8_t>(otherByte.begin(), otherByte.begin() + 100), true, 0, ""},
      {"huge width", makeDds(tooWide, 4, 8, 1, dds::kFourCCDXT1, 64), true, 0, "largest texture"},
      {"huge both", makeDds(0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu, dds::kFourCCDXT5, 64), true, 0,
       "largest texture"},
      {"linear size too big", makeDds(8, 8, 4096, 4, dds::kFourCCDXT1, 64), false, 4,
       "WARNING: DDS file '" + dir + "/hostile.dds' gives a linear size of 4096 bytes, more than its top level's 32!"},
      {"linear size 0", makeDds(64, 64, 0, 7, dds::kFourCCDXT1, 4096), false, 0, ""},
      {"zero size", makeDds(0, 0, 0, 3, dds::kFourCCDXT1, 64), false, 0, ""},
      {"count past data", makeDds(32, 32, 1024, 30, dds::kFourCCDXT3, 1024 + 256 + 64), false, 3, "3 of its 6"},
      {"data cut in top level", makeDds(2048, 2048, 2097152, 12, dds::kFourCCDXT1, 1000), false, 0, "0 of its 12"},
  };
  // The header-cut case should not pass the magic test by accident.
  cases[4].bytes[3] = ' ';
  cases[4].message = "header cut short";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string path = dir + "/hostile.dds";
    writeBytes(path, c.bytes);
    gltest::Captured output;
    GLuint texture = load(path, &output);
    EXPECT_EQ(texture == 0, c.refused);
    if (!c.refused) {
      EXPECT_EQ(uploadedLevels().size(), c.levels);
    }
    EXPECT_NE(output.err.find(c.message), std::string::npos) << output.err;
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
  }
  EXPECT_EQ(loadDdsTexture((dir + "/missing.dds").c_str()), 0u);
}

TEST_F(DdsGL, AnisotropicFiltering) {
  writeBytes(dir + "/a.dds", makeDds(8, 8, 32, 1, dds::kFourCCDXT1, 32));
  const std::string line = "DEBUG: activating anisotropic filtering for this texture!\n";
  gltest::Captured output;
  ASSERT_NE(load(dir + "/a.dds", &output), 0u);
  GLfloat anisotropy = 0.0f;
  if (GLEW_EXT_texture_filter_anisotropic) {
    EXPECT_EQ(output.out, line);
    GLfloat maximum = 0.0f;
    glGetFloatv(GL_MAX_TEXTURE_MAX_ANISOTROPY_EXT, &maximum);
    glGetTexParameterfv(GL_TEXTURE_2D, GL_TEXTURE_MAX_ANISOTROPY_EXT, &anisotropy);
    EXPECT_GT(maximum, 1.0f);
    EXPECT_EQ(anisotropy, maximum);
  } else {
    EXPECT_EQ(output.out, "");
    // The override turns it on where the extension is not reported.
    ConfigFile config;
    config.keys.push_back("enableAnisotropicFilteringOverridecheck");
    config.values.push_back("1");
    ASSERT_NE(load(dir + "/a.dds", &output, forcesAnisotropicFiltering(config)), 0u);
    EXPECT_EQ(output.out, line);
    gltest::drainErrors();
  }
}

// nvcompress (Debian's libnvtt-bin) is a second, independent writer; it marks
// a file without mipmaps by leaving the count flag out and the count at 0.
TEST_F(DdsGL, NvcompressFilesLoadWithTheirBytes) {
  const char* nvcompress = "/usr/bin/nvcompress";
  if (access(nvcompress, X_OK) != 0 || !convert("-size 48x20 gradient:red-blue", "in.png"))
    GTEST_SKIP() << "no nvcompress or ImageMagick";
  struct Case {
    const char* options;
    GLenum format;
    size_t levels;
  };
  for (const Case& c : {Case{"-bc1", GL_COMPRESSED_RGBA_S3TC_DXT1_EXT, 6}, Case{"-bc2", GL_COMPRESSED_RGBA_S3TC_DXT3_EXT, 6},
                        Case{"-bc3", GL_COMPRESSED_RGBA_S3TC_DXT5_EXT, 6},
                        Case{"-bc1 -nomips", GL_COMPRESSED_RGBA_S3TC_DXT1_EXT, 1}}) {
    SCOPED_TRACE(c.options);
    std::string out = dir + "/nv.dds";
    std::string cmd = std::string(nvcompress) + " " + c.options + " " + dir + "/in.png " + out + " >/dev/null 2>&1";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    ASSERT_NE(load(out), 0u);
    expectTextureIsFile(readBytes(out), c.format, 48, 20, c.levels);
    std::array<uint8_t, 4> pixel = sampleCentre(textures.back());
    EXPECT_GT(pixel[0] + pixel[2], 150) << "an incomplete texture samples black";
  }
}
