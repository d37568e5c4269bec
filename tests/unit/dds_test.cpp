// DDS header reading and level planning, from bytes alone.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "loaders/ddstexture.h"
#include "tests/ddsbytes.h"

namespace {
constexpr uint32_t kMaxSize = 16384;

using Header = ddstest::Fields;

std::vector<uint8_t> makeDds(const Header& h, size_t dataBytes) { return ddstest::bytes(h, dataBytes); }

DdsStatus read(const std::vector<uint8_t>& bytes, DdsInfo& info) {
  return readDds(bytes.data(), bytes.size(), kMaxSize, info);
}

struct Expect {
  uint32_t width, height;
  size_t size;
};

void expectLevels(const DdsInfo& info, const std::vector<Expect>& expected) {
  ASSERT_EQ(info.levels.size(), expected.size());
  size_t offset = 0;
  for (size_t i = 0; i < expected.size(); ++i) {
    SCOPED_TRACE(testing::Message() << "level " << i);
    EXPECT_EQ(info.levels[i].width, expected[i].width);
    EXPECT_EQ(info.levels[i].height, expected[i].height);
    EXPECT_EQ(info.levels[i].size, expected[i].size);
    EXPECT_EQ(info.levels[i].offset, offset);
    offset += expected[i].size;
  }
}
}  // namespace

TEST(DdsPlan, SquareChainsOfEachFormat) {
  DdsInfo info;
  // 2 x 2 and 1 x 1 still take one whole block.
  ASSERT_EQ(read(makeDds({256, 256, 32768, 9}, 65536), info), DdsStatus::Ok);
  EXPECT_EQ(info.format, dds::kFormatDXT1);
  EXPECT_EQ(info.bufferSize, 65536u);
  expectLevels(info, {{256, 256, 32768}, {128, 128, 8192}, {64, 64, 2048}, {32, 32, 512}, {16, 16, 128},
                      {8, 8, 32}, {4, 4, 8}, {2, 2, 8}, {1, 1, 8}});

  Header dxt5{256, 256, 65536, 9, dds::kFourCCDXT5};
  ASSERT_EQ(read(makeDds(dxt5, 131072), info), DdsStatus::Ok);
  EXPECT_EQ(info.format, dds::kFormatDXT5);
  expectLevels(info, {{256, 256, 65536}, {128, 128, 16384}, {64, 64, 4096}, {32, 32, 1024}, {16, 16, 256},
                      {8, 8, 64}, {4, 4, 16}, {2, 2, 16}, {1, 1, 16}});

  Header dxt3{16, 16, 256, 5, dds::kFourCCDXT3};
  ASSERT_EQ(read(makeDds(dxt3, 512), info), DdsStatus::Ok);
  EXPECT_EQ(info.format, dds::kFormatDXT3);
  EXPECT_EQ(info.blockSize, 16u);
  EXPECT_EQ(info.levels.size(), 5u);
}

TEST(DdsPlan, NonSquareChainsEndAtOneByOne) {
  DdsInfo info;
  ASSERT_EQ(read(makeDds({8, 4, 16, 4}, 40), info), DdsStatus::Ok);
  expectLevels(info, {{8, 4, 16}, {4, 2, 8}, {2, 1, 8}, {1, 1, 8}});

  // The Earth textures' shape: 12 levels, the last five one block each.
  ASSERT_EQ(read(makeDds({2048, 1024, 1048576, 12}, 2097152), info), DdsStatus::Ok);
  ASSERT_EQ(info.levels.size(), 12u);
  EXPECT_EQ(info.levels[10].width, 2u);
  EXPECT_EQ(info.levels[10].height, 1u);
  EXPECT_EQ(info.levels[11].width, 1u);
  EXPECT_EQ(info.levels[11].height, 1u);

  // Tall as well as wide; sizes not a multiple of 4.
  ASSERT_EQ(read(makeDds({3, 10, 24, 10}, 56), info), DdsStatus::Ok);
  expectLevels(info, {{3, 10, 24}, {1, 5, 16}, {1, 2, 8}, {1, 1, 8}});
}

// The chain a header plans from its linear size, its level count and its
// flags, with the buffer that must hold it.
TEST(DdsPlan, TheHeaderBoundsTheChainAndItsBuffer) {
  Header flagless{64, 32, 1024, 0};
  flagless.flags = 0x81007;  // without the count flag
  Header flaglessThree = flagless;
  flaglessThree.mipMapCount = 3;
  struct Case {
    const char* why;
    Header header;
    size_t dataBytes;
    uint32_t bufferSize;  // 0: not the point of the case
    std::vector<Expect> levels;
  };
  const Case cases[] = {
      {"8 x 4 needs 40 bytes for its four levels, more than twice the top level", {8, 4, 16, 4}, 40, 40,
       {{8, 4, 16}, {4, 2, 8}, {2, 1, 8}, {1, 1, 8}}},
      {"a small square chain", {4, 4, 8, 3}, 24, 0, {{4, 4, 8}, {2, 2, 8}, {1, 1, 8}}},
      {"only an honest linear size earns the larger buffer", {8, 4, 8, 4}, 40, 16, {{8, 4, 16}}},
      {"more levels declared than the size has: the 1 x 1 level is the last", {4, 4, 8, 30}, 24, 0,
       {{4, 4, 8}, {2, 2, 8}, {1, 1, 8}}},
      {"one level: the buffer is exactly the linear size", {64, 64, 2048, 1}, 4096, 2048, {{64, 64, 2048}}},
      {"a count of 0 that the header declares as a count: no image at all", {64, 64, 2048, 0}, 4096, 0, {}},
      {"without the count flag a file holds one level, whatever the field says", flagless, 1024, 0,
       {{64, 32, 1024}}},
      {"the count flag off and a count of 3", flaglessThree, 1024 + 256 + 64, 0,
       {{64, 32, 1024}, {32, 16, 256}, {16, 8, 64}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    DdsInfo info;
    ASSERT_EQ(read(makeDds(c.header, c.dataBytes), info), DdsStatus::Ok);
    if (c.bufferSize != 0) {
      EXPECT_EQ(info.bufferSize, c.bufferSize);
    }
    expectLevels(info, c.levels);
  }
  // Large chains keep the buffer of twice the linear size.
  DdsInfo info;
  ASSERT_EQ(read(makeDds({256, 256, 32768, 9}, 0), info), DdsStatus::Ok);
  EXPECT_EQ(info.bufferSize, 65536u);
}

TEST(DdsPlan, OnlyLevelsInsideTheDataAreKept) {
  DdsInfo info;
  // The file stops inside level 2: levels 0 and 1 only.
  ASSERT_EQ(read(makeDds({16, 16, 128, 5}, 128 + 32 + 4), info), DdsStatus::Ok);
  expectLevels(info, {{16, 16, 128}, {8, 8, 32}});

  // The file stops inside the top level: nothing to upload.
  ASSERT_EQ(read(makeDds({16, 16, 128, 5}, 100), info), DdsStatus::Ok);
  EXPECT_TRUE(info.levels.empty());

  // Linear size 0 gives an empty buffer, however much data follows.
  ASSERT_EQ(read(makeDds({16, 16, 0, 5}, 4096), info), DdsStatus::Ok);
  EXPECT_EQ(info.bufferSize, 0u);
  EXPECT_TRUE(info.levels.empty());

  // A small linear size bounds the buffer even when the data goes on.
  ASSERT_EQ(read(makeDds({16, 16, 64, 5}, 4096), info), DdsStatus::Ok);
  EXPECT_EQ(info.bufferSize, 128u);
  expectLevels(info, {{16, 16, 128}});

  // planDdsLevels itself never trusts an available count above the buffer.
  ASSERT_EQ(read(makeDds({16, 16, 64, 1}, 0), info), DdsStatus::Ok);
  EXPECT_TRUE(planDdsLevels(info, 1u << 20).empty());

  // Zero dimensions hold no image.
  ASSERT_EQ(read(makeDds({0, 16, 0, 5}, 64), info), DdsStatus::Ok);
  EXPECT_TRUE(info.levels.empty());
  ASSERT_EQ(read(makeDds({0, 0, 0, 1}, 0), info), DdsStatus::Ok);
  EXPECT_TRUE(info.levels.empty());
}

TEST(DdsHeader, RefusesWhatCannotBeHonest) {
  DdsInfo info;
  std::vector<uint8_t> good = makeDds({8, 8, 32, 1}, 32);
  ASSERT_EQ(read(good, info), DdsStatus::Ok);

  std::vector<uint8_t> otherByte = good;
  otherByte[3] = 'X';
  EXPECT_EQ(read(otherByte, info), DdsStatus::BadMagic);
  EXPECT_EQ(readDds(good.data(), 3, kMaxSize, info), DdsStatus::BadMagic);
  EXPECT_EQ(readDds(nullptr, 0, kMaxSize, info), DdsStatus::BadMagic);
  // The 124-byte header must be there in full.
  EXPECT_EQ(readDds(good.data(), 4, kMaxSize, info), DdsStatus::TruncatedHeader);
  EXPECT_EQ(readDds(good.data(), dds::kDataOffset - 1, kMaxSize, info), DdsStatus::TruncatedHeader);
  EXPECT_EQ(readDds(good.data(), dds::kDataOffset, kMaxSize, info), DdsStatus::Ok);
  EXPECT_TRUE(info.levels.empty());

  Header h{8, 8, 32, 1, 0};  // uncompressed: FourCC 0
  EXPECT_EQ(read(makeDds(h, 32), info), DdsStatus::UnsupportedFormat);
  h.fourCC = 0x30315844;  // "DX10"
  EXPECT_EQ(read(makeDds(h, 32), info), DdsStatus::UnsupportedFormat);

  EXPECT_EQ(read(makeDds({kMaxSize + 1, 4, 8, 1}, 0), info), DdsStatus::TooLarge);
  EXPECT_EQ(read(makeDds({4, 0xFFFFFFFFu, 8, 1}, 0), info), DdsStatus::TooLarge);
  EXPECT_EQ(read(makeDds({kMaxSize, kMaxSize, 0, 1}, 0), info), DdsStatus::Ok);
}

TEST(DdsPlan, LinearSizeAboveTheTopLevelOnlyWidensTheBuffer) {
  // Levels take their sizes from their dimensions; the data that exists
  // still ends the plan.
  struct Case {
    Header header;
    size_t data;
    size_t bufferSize;
    size_t levels;
  };
  const Case cases[] = {
      {{8, 8, 33, 1}, 64, 33, 1},                      // top level 32 bytes
      {{8, 8, 4096, 4}, 64, 8192, 4},                  // 32 + 8 + 8 + 8
      {{4, 4, 10, 3}, 24, 24, 3},                      // grows to the chain, like an honest size
      {{8, 8, 0xFFFFFFFFu, 2}, 64, 2 * size_t{0xFFFFFFFFu}, 2},
      {{16, 16, 4096, 5}, 128 + 32 + 4, 8192, 2},      // the file stops inside level 2
      {{16, 16, 4096, 5}, 100, 8192, 0},               // ... or inside the top level
      {{0, 0, 8, 1}, 8, 8, 0},                         // no image at all
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.header.width << " x " << c.header.height << ", linear size "
                                    << c.header.linearSize << ", " << c.data << " data bytes");
    DdsInfo info;
    ASSERT_EQ(read(makeDds(c.header, c.data), info), DdsStatus::Ok);
    EXPECT_EQ(info.bufferSize, c.bufferSize);
    EXPECT_EQ(info.levels.size(), c.levels);
    size_t end = 0;
    for (const DdsLevel& level : info.levels) end = level.offset + level.size;
    EXPECT_LE(end, c.data);
  }
}

TEST(DdsPlan, RandomHeadersNeverReachPastTheData) {
  uint32_t seed = 12345;
  auto next = [&seed] {
    seed = seed * 1664525u + 1013904223u;
    return seed;
  };
  const uint32_t fourCCs[] = {dds::kFourCCDXT1, dds::kFourCCDXT3, dds::kFourCCDXT5};
  for (int i = 0; i < 2000; ++i) {
    Header h;
    h.width = next() % 300;
    h.height = next() % 300;
    h.fourCC = fourCCs[next() % 3];
    h.mipMapCount = next() % 12;
    h.flags = (next() & 1) ? dds::kFlagMipMapCount : 0;
    uint64_t top = ddsLevelSize(h.width, h.height, h.fourCC == dds::kFourCCDXT1 ? 8 : 16);
    // Up to twice the top level: a linear size above it is read too.
    h.linearSize = static_cast<uint32_t>(next() % (2 * top + 2));
    size_t data = next() % (2 * top + 64);
    DdsInfo info;
    ASSERT_EQ(read(makeDds(h, data), info), DdsStatus::Ok);
    size_t end = 0;
    for (const DdsLevel& level : info.levels) {
      ASSERT_EQ(level.offset, end);
      ASSERT_EQ(level.size, ddsLevelSize(level.width, level.height, info.blockSize));
      ASSERT_GE(level.width, 1u);
      ASSERT_GE(level.height, 1u);
      end += level.size;
    }
    ASSERT_LE(end, std::min(data, info.bufferSize));
    ASSERT_LE(info.levels.size(), ddsFullChainLength(h.width, h.height));
  }
}
