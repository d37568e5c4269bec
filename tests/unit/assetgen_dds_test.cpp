// The generator's DDS files: header fields, level sizes, the mip filter, and
// that the system's own DDS reader plans every level the file declares.
#include <gtest/gtest.h>
#include <squish.h>

#include <cstring>

#include "loaders/ddstexture.h"
#include "tools/assetgen/dds.h"

namespace {
Image solidQuadrants(int w, int h) {
  Image image(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const bool right = x >= w / 2, bottom = y >= h / 2;
      image.set(x, y, right ? 1.0f : 0.0f, bottom ? 1.0f : 0.0f, right && bottom ? 0.0f : 1.0f, 1.0f);
    }
  return image;
}

size_t chainBytes(int w, int h, DxtFormat format) {
  size_t total = 0;
  for (;;) {
    total += dxtLevelSize(w, h, format);
    if (w == 1 && h == 1) return total;
    w = std::max(1, w / 2);
    h = std::max(1, h / 2);
  }
}
}  // namespace

TEST(AssetgenDds, LevelCountsAndSizes) {
  EXPECT_EQ(mipLevelCount(2048, 1024), 12u);
  EXPECT_EQ(mipLevelCount(256, 256), 9u);
  EXPECT_EQ(mipLevelCount(3072, 2048), 12u);
  EXPECT_EQ(mipLevelCount(1, 1), 1u);
  EXPECT_EQ(dxtLevelSize(256, 256, DxtFormat::Dxt1), 32768u);
  EXPECT_EQ(dxtLevelSize(256, 256, DxtFormat::Dxt5), 65536u);
  // Levels under 4 x 4 still take one whole block.
  EXPECT_EQ(dxtLevelSize(2, 1, DxtFormat::Dxt1), 8u);
  EXPECT_EQ(dxtLevelSize(1, 1, DxtFormat::Dxt5), 16u);
}

TEST(AssetgenDds, HeaderIsCompleteAndStandard) {
  const std::vector<uint8_t> file = encodeDds(solidQuadrants(64, 32), DxtFormat::Dxt1, DxtQuality::Fast, 1);
  ASSERT_GE(file.size(), 128u);
  EXPECT_EQ(std::memcmp(file.data(), "DDS ", 4), 0);
  EXPECT_EQ(readU32(file, 4), 124u);
  const uint32_t flags = readU32(file, 8);
  EXPECT_EQ(flags & 0x1007u, 0x1007u);     // caps, height, width, pixel format
  EXPECT_NE(flags & 0x20000u, 0u);         // mip count
  EXPECT_NE(flags & 0x80000u, 0u);         // linear size
  EXPECT_EQ(readU32(file, 12), 32u);       // height
  EXPECT_EQ(readU32(file, 16), 64u);       // width
  EXPECT_EQ(readU32(file, 20), 16u * 8u * 8u);  // top level bytes: 16 x 8 blocks
  EXPECT_EQ(readU32(file, 28), 7u);        // 64x32 .. 1x1
  EXPECT_EQ(readU32(file, 76), 32u);       // pixel format size
  EXPECT_EQ(readU32(file, 80), 0x4u);      // DDPF_FOURCC
  EXPECT_EQ(std::memcmp(&file[84], "DXT1", 4), 0);
  EXPECT_EQ(readU32(file, 108), 0x401008u);  // COMPLEX | TEXTURE | MIPMAP
  EXPECT_EQ(file.size(), 128u + chainBytes(64, 32, DxtFormat::Dxt1));

  const std::vector<uint8_t> dxt5 = encodeDds(solidQuadrants(16, 16), DxtFormat::Dxt5, DxtQuality::Good, 1);
  EXPECT_EQ(std::memcmp(&dxt5[84], "DXT5", 4), 0);
  EXPECT_EQ(readU32(dxt5, 20), 256u);
  EXPECT_EQ(dxt5.size(), 128u + chainBytes(16, 16, DxtFormat::Dxt5));
}

TEST(AssetgenDds, SystemReaderPlansEveryLevel) {
  // Sizes of the run-time folder's textures, squares and 2:1 and 3:2 ones.
  const int sizes[][2] = {{64, 64}, {128, 64}, {96, 64}, {8, 4}};
  for (const auto& size : sizes) {
    for (DxtFormat format : {DxtFormat::Dxt1, DxtFormat::Dxt5}) {
      const std::vector<uint8_t> file = encodeDds(solidQuadrants(size[0], size[1]), format, DxtQuality::Fast, 2);
      DdsInfo info;
      ASSERT_EQ(readDds(file.data(), file.size(), 16384, info), DdsStatus::Ok) << size[0] << "x" << size[1];
      ASSERT_EQ(info.levels.size(), mipLevelCount(size[0], size[1])) << size[0] << "x" << size[1];
      EXPECT_EQ(info.levels.back().width, 1u);
      EXPECT_EQ(info.levels.back().height, 1u);
      EXPECT_EQ(info.levels.back().offset + info.levels.back().size, file.size() - 128);
      // A reader that takes twice the linear size for the whole chain (the
      // classic loader) still gets every level of textures this large.
      if (size[0] >= 16 && size[1] >= 16) {
        EXPECT_LE(file.size() - 128, 2u * readU32(file, 20)) << size[0] << "x" << size[1];
      }
    }
  }
}

TEST(AssetgenDds, BandedCompressionMatchesSingleThread) {
  // Bands of block rows are compressed on separate threads; the result must
  // be the same bytes.
  Image image(128, 96);
  for (int y = 0; y < 96; ++y)
    for (int x = 0; x < 128; ++x) image.set(x, y, x / 127.0f, y / 95.0f, ((x ^ y) & 15) / 15.0f, 1);
  EXPECT_EQ(encodeDds(image, DxtFormat::Dxt1, DxtQuality::Fast, 1), encodeDds(image, DxtFormat::Dxt1, DxtQuality::Fast, 3));
}

TEST(AssetgenDds, TopLevelDecodesToTheSource) {
  const Image source = solidQuadrants(32, 32);
  const std::vector<uint8_t> file = encodeDds(source, DxtFormat::Dxt5, DxtQuality::Fast, 1);
  Image decoded(32, 32);
  squish::DecompressImage(decoded.rgba.data(), 32, 32, file.data() + 128, squish::kDxt5);
  for (int y = 0; y < 32; y += 5)
    for (int x = 0; x < 32; x += 5)
      for (int c = 0; c < 4; ++c) EXPECT_NEAR(decoded.at(x, y)[c], source.at(x, y)[c], 4) << x << "," << y;
}

TEST(AssetgenDds, MipFilterAveragesAndKeepsSpriteColour) {
  Image image(2, 2);
  image.set(0, 0, 1, 1, 1, 1);  // one opaque white pixel among transparent black ones
  image.set(1, 0, 0, 0, 0, 0);
  image.set(0, 1, 0, 0, 0, 0);
  image.set(1, 1, 0, 0, 0, 0);
  const Image half = halveImage(image);
  ASSERT_EQ(half.width, 1);
  ASSERT_EQ(half.height, 1);
  EXPECT_EQ(half.at(0, 0)[0], 255);  // transparent texels do not darken the colour
  EXPECT_EQ(half.at(0, 0)[3], 64);   // coverage is the plain average

  Image stripe(4, 1);
  for (int x = 0; x < 4; ++x) stripe.set(x, 0, x % 2, x % 2, x % 2, 1);
  const std::vector<Image> chain = buildMipChain(stripe);
  ASSERT_EQ(chain.size(), 3u);  // 4x1, 2x1, 1x1: a dimension of 1 stays 1
  EXPECT_EQ(chain[1].height, 1);
  EXPECT_NEAR(chain[1].at(0, 0)[0], 128, 1);
}
