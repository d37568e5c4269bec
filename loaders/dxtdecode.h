// S3TC blocks (DXT1, DXT3, DXT5) decoded to RGBA8 on the CPU, for WebGL
// implementations without WEBGL_compressed_texture_s3tc (many mobile GPUs).
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

// One level of width x height texels stored as 4x4 blocks of the given
// format (the S3TC GL formats, as in dds::kFormatDXT1, kFormatDXT3, kFormatDXT5),
// rows top first as
// stored, into tightly packed RGBA8 rows in the same order. Partial blocks at
// the right and bottom edges are cropped. False, with rgba emptied, for an
// unknown format, a zero side, or fewer bytes than the level's blocks need.
bool decodeDxt(uint32_t format, uint32_t width, uint32_t height, const uint8_t* blocks, size_t size,
               std::vector<uint8_t>& rgba);
