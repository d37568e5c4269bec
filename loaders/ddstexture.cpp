#include "loaders/ddstexture.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>


namespace {
uint32_t readU32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
         static_cast<uint32_t>(p[3]) << 24;
}

// Bytes of all levels the header declares, down to 1 x 1 at most.
size_t declaredChainSize(const DdsInfo& info) {
  if (info.width == 0 || info.height == 0) return 0;
  uint32_t levels = std::min<uint32_t>(info.mipMapCount, ddsFullChainLength(info.width, info.height));
  size_t total = 0;
  uint32_t width = info.width, height = info.height;
  for (uint32_t level = 0; level < levels; ++level) {
    const uint64_t size = ddsLevelSize(width, height, info.blockSize);
    if (size > SIZE_MAX - total) return SIZE_MAX;
    total += static_cast<size_t>(size);
    width = std::max(width / 2, 1u);
    height = std::max(height / 2, 1u);
  }
  return total;
}
}  // namespace

const char* ddsStatusText(DdsStatus status) {
  switch (status) {
    case DdsStatus::Ok: return "ok";
    case DdsStatus::BadMagic: return "not a DDS file";
    case DdsStatus::TruncatedHeader: return "header cut short";
    case DdsStatus::UnsupportedFormat: return "not DXT1, DXT3 or DXT5";
    case DdsStatus::TooLarge: return "larger than the largest texture this OpenGL offers";
  }
  return "unknown";
}

uint64_t ddsLevelSize(uint32_t width, uint32_t height, uint32_t blockSize) {
  const uint64_t blocks = ((static_cast<uint64_t>(width) + 3) / 4) * ((static_cast<uint64_t>(height) + 3) / 4);
  // Both sides near 2^32 leave 64 bits; wrapping would make a giant level
  // look empty. No file holds that many bytes, so the largest value serves.
  uint64_t size = 0;
  if (__builtin_mul_overflow(blocks, static_cast<uint64_t>(blockSize), &size)) return UINT64_MAX;
  return size;
}

unsigned ddsFullChainLength(uint32_t width, uint32_t height) {
  uint32_t largest = std::max(width, height);
  unsigned levels = 0;
  for (; largest > 0; largest /= 2) ++levels;
  return levels;
}

DdsStatus parseDdsHeader(const uint8_t* bytes, size_t size, uint32_t maxTextureSize, DdsInfo& info) {
  info = DdsInfo{};
  if (bytes == nullptr || size < dds::kMagicSize || memcmp(bytes, "DDS ", dds::kMagicSize) != 0)
    return DdsStatus::BadMagic;
  if (size < dds::kDataOffset) return DdsStatus::TruncatedHeader;
  info.flags = readU32(bytes + 8);
  info.height = readU32(bytes + 12);
  info.width = readU32(bytes + 16);
  info.linearSize = readU32(bytes + 20);
  info.mipMapCount = readU32(bytes + 28);
  if (info.mipMapCount == 0 && (info.flags & dds::kFlagMipMapCount) == 0) info.mipMapCount = 1;
  info.fourCC = readU32(bytes + 84);
  switch (info.fourCC) {
    case dds::kFourCCDXT1: info.format = dds::kFormatDXT1; info.blockSize = 8; break;
    case dds::kFourCCDXT3: info.format = dds::kFormatDXT3; info.blockSize = 16; break;
    case dds::kFourCCDXT5: info.format = dds::kFormatDXT5; info.blockSize = 16; break;
    default: return DdsStatus::UnsupportedFormat;
  }
  if (info.width > maxTextureSize || info.height > maxTextureSize) return DdsStatus::TooLarge;
  const uint64_t topLevelSize = ddsLevelSize(info.width, info.height, info.blockSize);
  info.bufferSize = info.mipMapCount > 1 ? 2 * static_cast<size_t>(info.linearSize) : info.linearSize;
  if (info.linearSize >= topLevelSize) info.bufferSize = std::max(info.bufferSize, declaredChainSize(info));
  return DdsStatus::Ok;
}

std::vector<DdsLevel> planDdsLevels(const DdsInfo& info, size_t available) {
  std::vector<DdsLevel> levels;
  // A zero dimension holds no image at all.
  if (info.width == 0 || info.height == 0 || info.blockSize == 0) return levels;
  available = std::min(available, info.bufferSize);
  uint32_t width = info.width;
  uint32_t height = info.height;
  size_t offset = 0;
  for (uint32_t level = 0; level < info.mipMapCount; ++level) {
    uint64_t size = ddsLevelSize(width, height, info.blockSize);
    if (size > available - offset) break;
    levels.push_back(DdsLevel{width, height, offset, static_cast<size_t>(size)});
    offset += static_cast<size_t>(size);
    if (width == 1 && height == 1) break;
    width = std::max(width / 2, 1u);
    height = std::max(height / 2, 1u);
  }
  return levels;
}

DdsStatus readDds(const uint8_t* file, size_t size, uint32_t maxTextureSize, DdsInfo& info) {
  DdsStatus status = parseDdsHeader(file, size, maxTextureSize, info);
  if (status == DdsStatus::Ok) info.levels = planDdsLevels(info, size - dds::kDataOffset);
  return status;
}
