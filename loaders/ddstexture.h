// DDS textures with S3TC blocks (DXT1, DXT3, DXT5) and their stored mip chain.
// The header and the plan of levels, from bytes alone; the upload
// (gpu/textureupload.h's loadDdsTexture) reads the file and uploads what the plan names.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

namespace dds {
constexpr size_t kMagicSize = 4;
constexpr size_t kHeaderSize = 124;
constexpr size_t kDataOffset = kMagicSize + kHeaderSize;

// Header flag that says the mip count field is meaningful.
constexpr uint32_t kFlagMipMapCount = 0x20000;

constexpr uint32_t kFourCCDXT1 = 0x31545844;
constexpr uint32_t kFourCCDXT3 = 0x33545844;
constexpr uint32_t kFourCCDXT5 = 0x35545844;

// The S3TC internal formats (EXT_texture_compression_s3tc); DXT1 takes the
// RGBA variant so that its one-bit alpha survives.
constexpr uint32_t kFormatDXT1 = 0x83F1;
constexpr uint32_t kFormatDXT3 = 0x83F2;
constexpr uint32_t kFormatDXT5 = 0x83F3;
}  // namespace dds

// One stored level: where its blocks lie in the data that follows the header.
struct DdsLevel {
  uint32_t width = 0;
  uint32_t height = 0;
  size_t offset = 0;
  size_t size = 0;
};

struct DdsInfo {
  uint32_t flags = 0;
  uint32_t height = 0;
  uint32_t width = 0;
  uint32_t linearSize = 0;
  // Levels the file declares. A file without the mip count flag holds one
  // level whatever the field says (writers leave 0 there).
  uint32_t mipMapCount = 0;
  uint32_t fourCC = 0;
  uint32_t format = 0;     // GL internal format
  uint32_t blockSize = 0;  // bytes per 4x4 block
  // The data the levels may come from: twice the linear size when more than
  // one level is declared, else the linear size. When the linear size is at
  // least the top level's true size it grows to the whole declared chain if
  // that is larger, as for small textures whose last levels each fill a whole
  // block. Levels take their own sizes from their dimensions, so a linear
  // size above the top level's only widens what may be read; the file's
  // length still bounds it.
  size_t bufferSize = 0;
  // Complete levels that lie inside the bytes that exist, top level first.
  std::vector<DdsLevel> levels;
};

enum class DdsStatus {
  Ok,
  BadMagic,           // not "DDS " (or not even four bytes)
  TruncatedHeader,    // the 124-byte header is not all there
  UnsupportedFormat,  // FourCC other than DXT1, DXT3, DXT5
  TooLarge,           // width or height above the implementation's limit
};

// A short text for a status, for messages.
const char* ddsStatusText(DdsStatus status);

// Bytes of one level of width x height in blocks of blockSize (partial blocks
// count whole).
uint64_t ddsLevelSize(uint32_t width, uint32_t height, uint32_t blockSize);

// Number of levels of a full chain down to 1 x 1.
unsigned ddsFullChainLength(uint32_t width, uint32_t height);

// Reads magic and header from the first bytes of a file. Fills every field of
// info except levels. maxTextureSize is the largest width or height accepted.
DdsStatus parseDdsHeader(const uint8_t* bytes, size_t size, uint32_t maxTextureSize, DdsInfo& info);

// The levels to upload: from the top level down, each dimension halved with a
// floor of 1, until the declared count or the 1 x 1 level is done. A level
// that does not fit in the available data bytes ends the plan. available is
// the number of data bytes that exist after the header, at most bufferSize.
std::vector<DdsLevel> planDdsLevels(const DdsInfo& info, size_t available);

// Header and plan for a whole file held in memory.
DdsStatus readDds(const uint8_t* file, size_t size, uint32_t maxTextureSize, DdsInfo& info);
