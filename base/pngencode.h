// PNG bytes for 8-bit RGB or RGBA rows, with no library: the image data is
// kept in stored (uncompressed) deflate blocks. Used where DevIL is not
// available (the browser build's picture saving).
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

// Rows top first, channels 3 (RGB) or 4 (RGBA). Empty when the sizes are not
// positive, the channel count is neither, or pixels holds fewer bytes.
std::vector<uint8_t> encodePng(const uint8_t* pixels, size_t size, int width, int height, int channels);

uint32_t pngCrc32(const uint8_t* bytes, size_t size, uint32_t crc = 0);
