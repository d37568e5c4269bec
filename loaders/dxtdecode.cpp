#include "loaders/dxtdecode.h"

#include <array>

#include "loaders/ddstexture.h"

namespace {

using Rgba = std::array<uint8_t, 4>;

uint16_t read16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t read32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
         (static_cast<uint32_t>(p[3]) << 24);
}

// 5:6:5 to 8 bits a channel by repeating the top bits, so that 31 and 63 give 255.
Rgba expand565(uint16_t c) {
  const unsigned r = (c >> 11) & 31, g = (c >> 5) & 63, b = c & 31;
  return {static_cast<uint8_t>((r << 3) | (r >> 2)), static_cast<uint8_t>((g << 2) | (g >> 4)),
          static_cast<uint8_t>((b << 3) | (b >> 2)), 255};
}

// a * wa + b * wb over wa + wb, rounded to nearest.
uint8_t mix(unsigned a, unsigned b, unsigned wa, unsigned wb) {
  const unsigned total = wa + wb;
  return static_cast<uint8_t>((a * wa + b * wb + total / 2) / total);
}

// The four colours of a colour block. DXT1 blocks with c0 <= c1 have three
// colours and transparent black; DXT3 and DXT5 always use four.
std::array<Rgba, 4> colourTable(const uint8_t* block, bool threeColourMode) {
  const uint16_t c0 = read16(block), c1 = read16(block + 2);
  const Rgba a = expand565(c0), b = expand565(c1);
  std::array<Rgba, 4> t{a, b, {}, {}};
  if (c0 > c1 || !threeColourMode) {
    for (int k = 0; k < 3; ++k) {
      t[2][k] = mix(a[k], b[k], 2, 1);
      t[3][k] = mix(a[k], b[k], 1, 2);
    }
    t[2][3] = t[3][3] = 255;
  } else {
    for (int k = 0; k < 3; ++k) t[2][k] = mix(a[k], b[k], 1, 1);
    t[2][3] = 255;
    t[3] = {0, 0, 0, 0};
  }
  return t;
}

// The eight alphas of a DXT5 alpha block.
std::array<uint8_t, 8> alphaTable(uint8_t a0, uint8_t a1) {
  std::array<uint8_t, 8> t{a0, a1};
  if (a0 > a1) {
    for (unsigned i = 1; i <= 6; ++i) t[1 + i] = mix(a0, a1, 7 - i, i);
  } else {
    for (unsigned i = 1; i <= 4; ++i) t[1 + i] = mix(a0, a1, 5 - i, i);
    t[6] = 0;
    t[7] = 255;
  }
  return t;
}

}  // namespace

bool decodeDxt(uint32_t format, uint32_t width, uint32_t height, const uint8_t* blocks, size_t size,
               std::vector<uint8_t>& rgba) {
  rgba.clear();
  uint32_t blockSize = 0;
  if (format == dds::kFormatDXT1) blockSize = 8;
  if (format == dds::kFormatDXT3 || format == dds::kFormatDXT5) blockSize = 16;
  if (blockSize == 0 || width == 0 || height == 0) return false;
  const uint64_t blocksWide = (static_cast<uint64_t>(width) + 3) / 4;
  const uint64_t blocksHigh = (static_cast<uint64_t>(height) + 3) / 4;
  // Checked before anything is allocated: the blocks must all be there.
  if (blocks == nullptr || blocksWide * blocksHigh * blockSize > size) return false;
  rgba.resize(static_cast<size_t>(width) * height * 4);
  for (uint64_t by = 0; by < blocksHigh; ++by) {
    for (uint64_t bx = 0; bx < blocksWide; ++bx) {
      const uint8_t* block = blocks + (by * blocksWide + bx) * blockSize;
      const uint8_t* colour = blockSize == 16 ? block + 8 : block;
      const std::array<Rgba, 4> colours = colourTable(colour, format == dds::kFormatDXT1);
      const uint32_t indices = read32(colour + 4);
      std::array<uint8_t, 8> alphas{};
      uint64_t alphaBits = 0;
      if (format == dds::kFormatDXT5) {
        alphas = alphaTable(block[0], block[1]);
        for (int i = 0; i < 6; ++i) alphaBits |= static_cast<uint64_t>(block[2 + i]) << (8 * i);
      } else if (format == dds::kFormatDXT3) {
        for (int i = 0; i < 8; ++i) alphaBits |= static_cast<uint64_t>(block[i]) << (8 * i);
      }
      for (unsigned y = 0; y < 4; ++y) {
        const uint64_t py = by * 4 + y;
        if (py >= height) break;
        for (unsigned x = 0; x < 4; ++x) {
          const uint64_t px = bx * 4 + x;
          if (px >= width) break;
          const unsigned texel = 4 * y + x;
          Rgba c = colours[(indices >> (2 * texel)) & 3];
          if (format == dds::kFormatDXT3) {
            const unsigned a4 = static_cast<unsigned>((alphaBits >> (4 * texel)) & 15);
            c[3] = static_cast<uint8_t>(a4 * 17);
          } else if (format == dds::kFormatDXT5) {
            c[3] = alphas[(alphaBits >> (3 * texel)) & 7];
          }
          uint8_t* out = &rgba[(py * width + px) * 4];
          for (int k = 0; k < 4; ++k) out[k] = c[k];
        }
      }
    }
  }
  return true;
}
