#include "tools/assetgen/dds.h"

#include <squish.h>

#include <algorithm>
#include <cstring>
#include <thread>

namespace {
constexpr uint32_t ddsdCaps = 0x1, ddsdHeight = 0x2, ddsdWidth = 0x4, ddsdPixelFormat = 0x1000,
                   ddsdMipmapCount = 0x20000, ddsdLinearSize = 0x80000;
constexpr uint32_t ddpfFourCC = 0x4;
constexpr uint32_t capsComplex = 0x8, capsTexture = 0x1000, capsMipmap = 0x400000;

void putU32(std::vector<uint8_t>& bytes, size_t offset, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[offset + i] = static_cast<uint8_t>(value >> (8 * i));
}

int squishFlags(DxtFormat format, DxtQuality quality) {
  int flags = format == DxtFormat::Dxt1 ? squish::kDxt1 : squish::kDxt5;
  flags |= quality == DxtQuality::Fast ? squish::kColourRangeFit : squish::kColourClusterFit;
  // Weighting by alpha lets the encoder spend its colour precision where
  // the sprite or glyph is actually visible.
  if (format == DxtFormat::Dxt5) flags |= squish::kWeightColourByAlpha;
  return flags;
}

void compressLevel(const Image& level, int flags, uint8_t* out, int threads) {
  const int blockRows = (level.height + 3) / 4;
  const int bytesPerBlockRow = squish::GetStorageRequirements(level.width, 4, flags);
  const int bands = std::clamp(threads, 1, blockRows);
  auto compressBand = [&](int first, int last) {
    for (int row = first; row < last; ++row) {
      const int y = row * 4;
      // squish masks the pixels of partial blocks (levels under 4 x 4).
      squish::CompressImage(level.at(0, y), level.width, std::min(4, level.height - y), level.width * 4,
                            out + static_cast<size_t>(row) * bytesPerBlockRow, flags);
    }
  };
  if (bands == 1 || blockRows < 16) {
    compressBand(0, blockRows);
    return;
  }
  std::vector<std::thread> workers;
  for (int b = 0; b < bands; ++b) {
    const int first = blockRows * b / bands, last = blockRows * (b + 1) / bands;
    workers.emplace_back(compressBand, first, last);
  }
  for (std::thread& t : workers) t.join();
}
}  // namespace

uint32_t mipLevelCount(int width, int height) {
  uint32_t count = 1;
  while (width > 1 || height > 1) {
    width = std::max(1, width / 2);
    height = std::max(1, height / 2);
    ++count;
  }
  return count;
}

uint32_t dxtLevelSize(int width, int height, DxtFormat format) {
  const uint32_t blocks = static_cast<uint32_t>((width + 3) / 4) * static_cast<uint32_t>((height + 3) / 4);
  return blocks * (format == DxtFormat::Dxt1 ? 8u : 16u);
}

std::vector<Image> buildMipChain(const Image& top) {
  std::vector<Image> chain{top};
  while (chain.back().width > 1 || chain.back().height > 1) chain.push_back(halveImage(chain.back()));
  return chain;
}

std::vector<uint8_t> ddsHeader(int width, int height, uint32_t mipCount, DxtFormat format) {
  std::vector<uint8_t> bytes(ddsDataOffset, 0);
  std::memcpy(bytes.data(), "DDS ", 4);
  putU32(bytes, 4, ddsHeaderSize);
  putU32(bytes, 8, ddsdCaps | ddsdHeight | ddsdWidth | ddsdPixelFormat | ddsdMipmapCount | ddsdLinearSize);
  putU32(bytes, 12, static_cast<uint32_t>(height));
  putU32(bytes, 16, static_cast<uint32_t>(width));
  putU32(bytes, 20, dxtLevelSize(width, height, format));
  putU32(bytes, 28, mipCount);
  putU32(bytes, 76, 32);  // pixel format size
  putU32(bytes, 80, ddpfFourCC);
  std::memcpy(&bytes[84], format == DxtFormat::Dxt1 ? "DXT1" : "DXT5", 4);
  putU32(bytes, 108, capsComplex | capsTexture | capsMipmap);
  return bytes;
}

std::vector<uint8_t> encodeDds(const Image& top, DxtFormat format, DxtQuality quality, int threads) {
  const std::vector<Image> chain = buildMipChain(top);
  std::vector<uint8_t> bytes = ddsHeader(top.width, top.height, static_cast<uint32_t>(chain.size()), format);
  size_t total = bytes.size();
  for (const Image& level : chain) total += dxtLevelSize(level.width, level.height, format);
  bytes.resize(total);
  size_t offset = ddsDataOffset;
  const int flags = squishFlags(format, quality);
  for (const Image& level : chain) {
    compressLevel(level, flags, bytes.data() + offset, threads);
    offset += dxtLevelSize(level.width, level.height, format);
  }
  return bytes;
}

uint32_t readU32(const std::vector<uint8_t>& bytes, size_t offset) {
  if (offset + 4 > bytes.size()) return 0;
  return static_cast<uint32_t>(bytes[offset]) | static_cast<uint32_t>(bytes[offset + 1]) << 8 |
         static_cast<uint32_t>(bytes[offset + 2]) << 16 | static_cast<uint32_t>(bytes[offset + 3]) << 24;
}
