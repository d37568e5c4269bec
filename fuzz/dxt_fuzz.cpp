// DXT decoding on arbitrary bytes and sizes: never reads past the blocks,
// and a decoded level is exactly width x height texels.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "loaders/ddstexture.h"
#include "loaders/dxtdecode.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 5) return 0;
  const uint32_t formats[] = {dds::kFormatDXT1, dds::kFormatDXT3, dds::kFormatDXT5, data[0]};
  const uint32_t width = data[1] | (static_cast<uint32_t>(data[2] & 1) << 8);
  const uint32_t height = data[3] | (static_cast<uint32_t>(data[4] & 1) << 8);
  // The blocks in a buffer of their own, so that the sanitizer sees an over-read.
  const std::vector<uint8_t> blocks(data + 5, data + size);
  std::vector<uint8_t> rgba;
  if (decodeDxt(formats[data[0] & 3], width, height, blocks.data(), blocks.size(), rgba) &&
      rgba.size() != static_cast<size_t>(width) * height * 4)
    __builtin_trap();
  return 0;
}
