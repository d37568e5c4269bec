// DDS files with S3TC blocks and a full mip chain, as the texture loader and
// independent readers expect them.
#pragma once
#include <cstdint>
#include <vector>

#include "tools/assetgen/image.h"

enum class DxtFormat { Dxt1, Dxt5 };

// How hard the block compressor tries: range fit is an order of magnitude
// faster than cluster fit and good enough for noise-like or flat images.
enum class DxtQuality { Fast, Good };

constexpr uint32_t ddsHeaderSize = 124;
constexpr uint32_t ddsDataOffset = 4 + ddsHeaderSize;

// Levels of a full chain for a top level of w x h: down to 1 x 1.
uint32_t mipLevelCount(int width, int height);
// Byte size of one compressed level (whole 4 x 4 blocks).
uint32_t dxtLevelSize(int width, int height, DxtFormat format);

// The top level followed by its mips, each filtered from the one above.
std::vector<Image> buildMipChain(const Image& top);

// A complete DDS file: magic, header, every level top first. The compression
// of each level is split into bands over up to `threads` threads.
std::vector<uint8_t> encodeDds(const Image& top, DxtFormat format, DxtQuality quality, int threads);

// The 128 bytes before the data: magic and a standard header (flags, pixel
// format with FourCC, caps with MIPMAP | TEXTURE | COMPLEX).
std::vector<uint8_t> ddsHeader(int width, int height, uint32_t mipCount, DxtFormat format);

// Little-endian field of a header (for readers and tests).
uint32_t readU32(const std::vector<uint8_t>& bytes, size_t offset);
