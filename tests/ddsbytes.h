// DDS files made in memory for the tests: a header with the fields the loader
// reads, followed by patterned data.
#pragma once
#include <cstdint>
#include <cstring>
#include <vector>

#include "loaders/ddstexture.h"

namespace ddstest {

struct Fields {
  uint32_t width = 0, height = 0, linearSize = 0, mipMapCount = 0;
  uint32_t fourCC = dds::kFourCCDXT1;
  uint32_t flags = 0x1007 | dds::kFlagMipMapCount;
};

inline void putU32(std::vector<uint8_t>& bytes, size_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

inline std::vector<uint8_t> bytes(const Fields& f, size_t dataBytes) {
  std::vector<uint8_t> out(dds::kDataOffset + dataBytes);
  memcpy(out.data(), "DDS ", 4);
  putU32(out, 4, 124);
  putU32(out, 8, f.flags);
  putU32(out, 12, f.height);
  putU32(out, 16, f.width);
  putU32(out, 20, f.linearSize);
  putU32(out, 28, f.mipMapCount);
  putU32(out, 84, f.fourCC);
  for (size_t i = 0; i < dataBytes; ++i) out[dds::kDataOffset + i] = static_cast<uint8_t>(i * 7 + 3);
  return out;
}

}  // namespace ddstest
