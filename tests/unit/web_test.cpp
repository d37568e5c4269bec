// The browser build's cores, tested on the desktop: GLSL ES conversion, DXT
// decoding, address settings, glibc's rand() sequence, the projection that
// replaces gluProject, and the PNG encoder.
#include <GL/glew.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "base/classicrandom.h"
#include "base/pngencode.h"
#include "cli/urlsettings.h"
#include "gpu/depthprobe.h"
#include "loaders/ddstexture.h"
#include "loaders/dxtdecode.h"
#include "loaders/glsles.h"
#include "loaders/shaderloader.h"
#include "scene/windowprojection.h"

namespace {

// --- GLSL ES ---------------------------------------------------------------

// The last line of the converted source that the compiler numbers n, after
// #line directives (the inserted lines share numbers with the file's), or "".
std::string compilerLine(const std::string& source, unsigned n) {
  unsigned number = 1;
  size_t start = 0;
  std::string found;
  while (start <= source.size()) {
    size_t end = source.find('\n', start);
    if (end == std::string::npos) end = source.size();
    const std::string line = source.substr(start, end - start);
    if (line.rfind("#line ", 0) == 0) {
      number = static_cast<unsigned>(std::stoul(line.substr(6)));
    } else {
      if (number == n) found = line;
      ++number;
    }
    start = end + 1;
  }
  return found;
}

TEST(GlslEs, VersionFirstPrecisionAfterExtensionsLinesKept) {
  struct Case {
    const char* name;
    std::string file;
    const char* precisionAfter;  // the line the precision lines follow
  };
  const Case cases[] = {
      {"core", "#version 330 core\nin vec2 UV;\nvoid main() {}\n", "#line 3"},
      {"no profile", "#version 330\nin vec2 UV;\nvoid main() {}\n", "#line 3"},
      {"extension", "#version 330 core\n#extension GL_EXT_x : enable\nin vec2 UV;\n", "#extension GL_EXT_x : enable"},
      {"desktop extension commented out",
       "#version 330 core\n#extension GL_ARB_texture_query_levels : enable\nin vec2 UV;\n",
       "// #extension GL_ARB_texture_query_levels : enable"},
      {"two extensions, a define between",
       "#version 330 core\n#extension A : enable\n#define X 1\n  #  extension B : enable\nin vec2 UV;\n",
       "  #  extension B : enable"},
      {"comment before version", "// header\n\n#version 330 core\nin vec2 UV;\n", "#line 5"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string assembled = assembleShaderSource(c.file);
    const std::string es = toGlslEs(assembled);
    EXPECT_EQ(es.rfind("#version 300 es\n", 0), 0u) << es;
    const size_t precision = es.find("precision highp float;\nprecision highp int;\nprecision highp sampler2D;\n");
    ASSERT_NE(precision, std::string::npos) << es;
    const size_t lineBefore = es.rfind('\n', precision - 2);
    EXPECT_EQ(es.substr(lineBefore + 1, precision - lineBefore - 2), c.precisionAfter) << es;
    // Every line of the file keeps the number the loader's compiler gives it.
    unsigned n = 1;
    size_t start = 0;
    bool sawVersion = false;
    while (start < assembled.size()) {
      size_t end = assembled.find('\n', start);
      if (end == std::string::npos) end = assembled.size();
      const std::string line = assembled.substr(start, end - start);
      if (line.find("#version") != std::string::npos) {
        sawVersion = true;
      } else if (sawVersion) {
        const std::string expected = line.find("GL_ARB_") != std::string::npos ? "// " + line : line;
        EXPECT_EQ(compilerLine(es, n), expected) << "line " << n << "\n" << es;
      }
      ++n;
      start = end + 1;
    }
  }
}

TEST(GlslEs, EndsWithALineFeed) {
  EXPECT_EQ(toGlslEs(assembleShaderSource("#version 330 core\n#ifdef X\n#endif")).back(), '\n');
}

TEST(GlslEs, OtherSourcesUnchanged) {
  for (const std::string& source : {std::string("\nvoid main() {}\n"), std::string("\n#version 300 es\nvoid main(){}"),
                                   std::string("\n#version 3300\n"), std::string("\n#version 330 compatibility\n"),
                                   std::string("")})
    EXPECT_EQ(toGlslEs(source), source);
}

// --- DXT -------------------------------------------------------------------

std::vector<uint8_t> block8(uint16_t c0, uint16_t c1, uint32_t indices) {
  return {static_cast<uint8_t>(c0), static_cast<uint8_t>(c0 >> 8), static_cast<uint8_t>(c1),
          static_cast<uint8_t>(c1 >> 8), static_cast<uint8_t>(indices), static_cast<uint8_t>(indices >> 8),
          static_cast<uint8_t>(indices >> 16), static_cast<uint8_t>(indices >> 24)};
}

std::vector<uint8_t> texel(const std::vector<uint8_t>& rgba, uint32_t width, uint32_t x, uint32_t y) {
  const size_t at = (static_cast<size_t>(y) * width + x) * 4;
  return {rgba[at], rgba[at + 1], rgba[at + 2], rgba[at + 3]};
}

TEST(DxtDecode, ColourAndAlphaTables) {
  const uint16_t white = 0xFFFF, black = 0x0000, red = 0xF800;
  // Texels 0..3 of the first row take indices 0, 1, 2, 3.
  const uint32_t row = 0 | (1 << 2) | (2 << 4) | (3 << 6);
  struct Case {
    const char* name;
    uint32_t format;
    std::vector<uint8_t> block;
    std::vector<std::vector<uint8_t>> firstRow;
  };
  std::vector<uint8_t> dxt3 = {0x10, 0xF5, 0, 0, 0, 0, 0, 0};  // alphas 0, 1, 5, 15 (x17)
  const std::vector<uint8_t> colour4 = block8(white, black, row);
  dxt3.insert(dxt3.end(), colour4.begin(), colour4.end());
  // DXT5 alpha 200 .. 100 in eight steps; indices 0, 1, 2, 7 on the first row.
  std::vector<uint8_t> dxt5 = {200, 100, static_cast<uint8_t>(0 | (1 << 3) | (2 << 6)),
                               static_cast<uint8_t>((2 >> 2) | (7 << 1)), 0, 0, 0, 0};
  dxt5.insert(dxt5.end(), colour4.begin(), colour4.end());
  std::vector<uint8_t> dxt5six = {100, 200, static_cast<uint8_t>(6 | (7 << 3)), 0, 0, 0, 0, 0};
  dxt5six.insert(dxt5six.end(), colour4.begin(), colour4.end());
  // In DXT3 and DXT5 c0 <= c1 still means four colours.
  std::vector<uint8_t> dxt3low(8, 0xFF);
  const std::vector<uint8_t> colourLow = block8(black, white, row);
  dxt3low.insert(dxt3low.end(), colourLow.begin(), colourLow.end());

  const Case cases[] = {
      {"DXT1 four colours", dds::kFormatDXT1, block8(white, black, row),
       {{255, 255, 255, 255}, {0, 0, 0, 255}, {170, 170, 170, 255}, {85, 85, 85, 255}}},
      {"DXT1 three colours and transparent black", dds::kFormatDXT1, block8(black, red, row),
       {{0, 0, 0, 255}, {255, 0, 0, 255}, {128, 0, 0, 255}, {0, 0, 0, 0}}},
      {"DXT3 explicit alpha", dds::kFormatDXT3, dxt3,
       {{255, 255, 255, 0}, {0, 0, 0, 17}, {170, 170, 170, 85}, {85, 85, 85, 255}}},
      {"DXT3 c0 <= c1 keeps four colours", dds::kFormatDXT3, dxt3low,
       {{0, 0, 0, 255}, {255, 255, 255, 255}, {85, 85, 85, 255}, {170, 170, 170, 255}}},
      {"DXT5 eight alphas", dds::kFormatDXT5, dxt5,
       {{255, 255, 255, 200}, {0, 0, 0, 100}, {170, 170, 170, 186}, {85, 85, 85, 114}}},
      {"DXT5 six alphas, 0 and 255", dds::kFormatDXT5, dxt5six,
       {{255, 255, 255, 0}, {0, 0, 0, 255}, {170, 170, 170, 100}, {85, 85, 85, 100}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<uint8_t> rgba;
    ASSERT_TRUE(decodeDxt(c.format, 4, 4, c.block.data(), c.block.size(), rgba));
    ASSERT_EQ(rgba.size(), 64u);
    for (uint32_t x = 0; x < 4; ++x) EXPECT_EQ(texel(rgba, 4, x, 0), c.firstRow[x]) << "texel " << x;
  }
}

TEST(DxtDecode, BlockLayoutAndCroppedEdges) {
  // 6 x 5 texels: 2 x 2 blocks; block (bx, by) is a flat colour of its own.
  const uint16_t colours[4] = {0xF800, 0x07E0, 0x001F, 0xFFFF};
  std::vector<uint8_t> blocks;
  for (uint16_t c : colours) {
    const std::vector<uint8_t> b = block8(c, c, 0);
    blocks.insert(blocks.end(), b.begin(), b.end());
  }
  std::vector<uint8_t> rgba;
  ASSERT_TRUE(decodeDxt(dds::kFormatDXT1, 6, 5, blocks.data(), blocks.size(), rgba));
  ASSERT_EQ(rgba.size(), 6u * 5u * 4u);
  EXPECT_EQ(texel(rgba, 6, 3, 3), (std::vector<uint8_t>{255, 0, 0, 255}));
  EXPECT_EQ(texel(rgba, 6, 4, 0), (std::vector<uint8_t>{0, 255, 0, 255}));
  EXPECT_EQ(texel(rgba, 6, 0, 4), (std::vector<uint8_t>{0, 0, 255, 255}));
  EXPECT_EQ(texel(rgba, 6, 5, 4), (std::vector<uint8_t>{255, 255, 255, 255}));
}

TEST(DxtDecode, RefusesWhatCannotBeDecoded) {
  const std::vector<uint8_t> blocks(32, 0);
  struct Case {
    const char* name;
    uint32_t format, width, height;
    size_t size;
  };
  const Case cases[] = {
      {"unknown format", 0x1234, 4, 4, 32},  {"zero width", dds::kFormatDXT1, 0, 4, 32},
      {"zero height", dds::kFormatDXT5, 4, 0, 32}, {"one byte short", dds::kFormatDXT5, 8, 4, 31},
      {"two blocks of DXT1 in 15", dds::kFormatDXT1, 5, 4, 15},
      {"a header that claims the world", dds::kFormatDXT1, 0xFFFFFFFFu, 0xFFFFFFFFu, 32},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<uint8_t> rgba(3, 7);
    EXPECT_FALSE(decodeDxt(c.format, c.width, c.height, blocks.data(), c.size, rgba));
    EXPECT_TRUE(rgba.empty());
  }
}

// --- address settings -----------------------------------------------------

TEST(UrlSettings, QueryStringDecoded) {
  const std::vector<UrlParameter> p = parseQueryString("?quality=fast&earthFilename=models%5Cx.obj&a+b=c+d&flag&=x&%zz=1%");
  ASSERT_EQ(p.size(), 5u);
  EXPECT_EQ(p[0].key, "quality");
  EXPECT_EQ(p[0].value, "fast");
  EXPECT_EQ(p[1].value, "models\\x.obj");
  EXPECT_EQ(p[2].key, "a b");
  EXPECT_EQ(p[2].value, "c d");
  EXPECT_EQ(p[3].key, "flag");
  EXPECT_EQ(p[3].value, "");
  EXPECT_EQ(p[4].key, "%zz");
  EXPECT_EQ(p[4].value, "1%");
  EXPECT_TRUE(parseQueryString("").empty());
}

TEST(UrlSettings, ReplacedInPlaceAddedOrRefused) {
  const std::string ini = "width 1024\nheight 768\nquality full\nquality fast\n";
  std::vector<std::string> warnings;
  const std::string out = applyUrlSettings(
      ini,
      {{"quality", "fast"}, {"renderScale", "0.5"}, {"width", "256"}, {"notAKey", "1"}, {"mouseSpeed", "1 2"},
       {"keyPressSpeed", ""}},
      warnings);
  EXPECT_EQ(out, "width 256\nheight 768\nquality fast\nquality fast\nrenderScale 0.5\n");
  ASSERT_EQ(warnings.size(), 3u);
  EXPECT_NE(warnings[0].find("'notAKey'"), std::string::npos);
  EXPECT_NE(warnings[1].find("mouseSpeed"), std::string::npos);
  EXPECT_NE(warnings[2].find("keyPressSpeed"), std::string::npos);
  // A key that appears as a value is not taken for the key; text without a
  // final line feed gets one before what is added.
  warnings.clear();
  EXPECT_EQ(applyUrlSettings("earthFShader quality", {{"quality", "fast"}}, warnings),
            "earthFShader quality\nquality fast\n");
}

// --- glibc's rand() --------------------------------------------------------

TEST(ClassicRandom, SameSequenceAsTheCLibrary) {
  for (unsigned seed : {0u, 1u, 7u, 12345u, 2147483647u, 2147483648u, 4294967295u}) {
    SCOPED_TRACE(seed);
    srand(seed);
    ClassicRandom classic(seed);
    for (int i = 0; i < 1000; ++i) ASSERT_EQ(classic.next(), rand()) << "draw " << i;
  }
}

// --- projection ------------------------------------------------------------

TEST(WindowProjection, BitIdenticalToGlu) {
  std::mt19937 random(5);
  std::uniform_real_distribution<double> value(-3.0, 3.0);
  const int viewports[][4] = {{0, 0, 1024, 768}, {0, 0, 256, 192}, {10, 20, 33, 17}};
  for (int trial = 0; trial < 2000; ++trial) {
    double mv[16], proj[16];
    for (double& v : mv) v = value(random);
    for (double& v : proj) v = value(random);
    const int* viewport = viewports[trial % 3];
    const double x = value(random) * 100, y = value(random), z = value(random) * 1e6;
    double gx = 0, gy = 0, gz = 0, ox = 0, oy = 0, oz = 0;
    const bool glu = gluProject(x, y, z, mv, proj, viewport, &gx, &gy, &gz) == GL_TRUE;
    ASSERT_EQ(windowCoordinates(mv, proj, viewport, x, y, z, ox, oy, oz), glu);
    ASSERT_EQ(ox, gx);
    ASSERT_EQ(oy, gy);
    ASSERT_EQ(oz, gz);
  }
  // w = 0 cannot be projected.
  double zero[16] = {}, identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}, x, y, z;
  const int viewport[4] = {0, 0, 4, 4};
  EXPECT_FALSE(windowCoordinates(identity, zero, viewport, 1, 2, 3, x, y, z));
}

TEST(DepthProbe, PackedDepthBack) {
  EXPECT_EQ(unpackDepth24(255, 255, 255), 1.0f);
  EXPECT_EQ(unpackDepth24(0, 0, 0), 0.0f);
  EXPECT_EQ(unpackDepth24(128, 0, 0), static_cast<float>(8388608.0 / 16777215.0));
  // One step of 24 bits apart stays apart.
  EXPECT_LT(unpackDepth24(255, 255, 254), unpackDepth24(255, 255, 255));
}

// --- PNG -------------------------------------------------------------------

uint32_t be32(const std::vector<uint8_t>& b, size_t at) {
  return (uint32_t(b[at]) << 24) | (uint32_t(b[at + 1]) << 16) | (uint32_t(b[at + 2]) << 8) | b[at + 3];
}

TEST(PngEncode, ChunksAndStoredPixels) {
  for (int channels : {3, 4}) {
    SCOPED_TRACE(channels);
    // Wide enough that the data needs two stored blocks.
    const int width = 300, height = 80;
    std::vector<uint8_t> pixels(static_cast<size_t>(width) * height * channels);
    for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<uint8_t>(i * 7 + i / 300);
    const std::vector<uint8_t> png = encodePng(pixels.data(), pixels.size(), width, height, channels);
    ASSERT_GT(png.size(), pixels.size());
    EXPECT_EQ(std::vector<uint8_t>(png.begin(), png.begin() + 8),
              (std::vector<uint8_t>{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'}));
    // Walk the chunks: lengths and CRCs agree, IHDR first and IEND last.
    size_t at = 8;
    std::vector<std::string> types;
    std::vector<uint8_t> idat;
    while (at + 12 <= png.size()) {
      const uint32_t length = be32(png, at);
      ASSERT_LE(at + 12 + length, png.size());
      types.emplace_back(png.begin() + static_cast<long>(at + 4), png.begin() + static_cast<long>(at + 8));
      EXPECT_EQ(be32(png, at + 8 + length), pngCrc32(png.data() + at + 4, length + 4));
      if (types.back() == "IDAT") idat.assign(png.begin() + static_cast<long>(at + 8), png.begin() + static_cast<long>(at + 8 + length));
      if (types.back() == "IHDR") {
        EXPECT_EQ(be32(png, at + 8), static_cast<uint32_t>(width));
        EXPECT_EQ(be32(png, at + 12), static_cast<uint32_t>(height));
        EXPECT_EQ(png[at + 17], channels == 4 ? 6 : 2);
      }
      at += 12 + length;
    }
    EXPECT_EQ(at, png.size());
    EXPECT_EQ(types, (std::vector<std::string>{"IHDR", "IDAT", "IEND"}));
    // Undo the stored blocks: each row is a 0 filter byte and the pixels.
    std::vector<uint8_t> raw;
    size_t p = 2;
    for (bool last = false; !last;) {
      last = idat[p] & 1;
      const size_t n = idat[p + 1] | (idat[p + 2] << 8);
      EXPECT_EQ(n ^ 0xFFFF, static_cast<size_t>(idat[p + 3] | (idat[p + 4] << 8)));
      raw.insert(raw.end(), idat.begin() + static_cast<long>(p + 5), idat.begin() + static_cast<long>(p + 5 + n));
      p += 5 + n;
    }
    ASSERT_EQ(raw.size(), static_cast<size_t>(height) * (1 + width * channels));
    for (int y = 0; y < height; ++y) {
      const size_t row = static_cast<size_t>(y) * (1 + width * channels);
      ASSERT_EQ(raw[row], 0);
      ASSERT_TRUE(std::equal(raw.begin() + static_cast<long>(row + 1), raw.begin() + static_cast<long>(row + 1 + width * channels),
                             pixels.begin() + static_cast<long>(static_cast<size_t>(y) * width * channels)));
    }
  }
  // The CRC of the standard's check string.
  const std::string check = "123456789";
  EXPECT_EQ(pngCrc32(reinterpret_cast<const uint8_t*>(check.data()), check.size()), 0xCBF43926u);
  const uint8_t one[3] = {1, 2, 3};
  EXPECT_TRUE(encodePng(one, 3, 1, 1, 2).empty());
  EXPECT_TRUE(encodePng(one, 2, 1, 1, 3).empty());
  EXPECT_TRUE(encodePng(one, 3, 0, 1, 3).empty());
}

}  // namespace
