// DDS header reading and level planning on arbitrary bytes: the plan must
// stay inside the data that exists, whatever the header claims.
#include <cstddef>
#include <cstdint>

#include "loaders/ddstexture.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  for (uint32_t maxTextureSize : {16384u, 0xFFFFFFFFu}) {
    DdsInfo info;
    if (readDds(data, size, maxTextureSize, info) != DdsStatus::Ok) continue;
    const size_t available = size - dds::kDataOffset;
    size_t end = 0;
    unsigned checksum = 0;
    for (const DdsLevel& level : info.levels) {
      if (level.offset != end || level.size == 0 || level.size > available - end || end + level.size > info.bufferSize)
        __builtin_trap();
      if (level.width == 0 || level.height == 0) __builtin_trap();
      // Touch the first and last byte the upload would read.
      checksum += data[dds::kDataOffset + level.offset] + data[dds::kDataOffset + level.offset + level.size - 1];
      end += level.size;
    }
    if (info.levels.size() > ddsFullChainLength(info.width, info.height)) __builtin_trap();
    if (checksum == 0xFFFFFFFFu) return 1;
  }
  return 0;
}
