// Plain RGBA8 images: the pixels every texture of the run-time folder starts
// from, with the filters the mip chain and the procedural textures need.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct Image {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> rgba;  // rows top first, 4 bytes a pixel

  Image() = default;
  Image(int w, int h) : width(w), height(h), rgba(static_cast<size_t>(w) * h * 4, 0) {}

  uint8_t* at(int x, int y) { return &rgba[(static_cast<size_t>(y) * width + x) * 4]; }
  const uint8_t* at(int x, int y) const { return &rgba[(static_cast<size_t>(y) * width + x) * 4]; }
  void set(int x, int y, float r, float g, float b, float a);
};

// Converts [0, 1] to a byte, clamping and rounding.
uint8_t toByte(float v);

// The next mip level: each pixel the average of the 2 x 2 (or 2 x 1) pixels
// above it; a dimension of 1 stays 1. Colour is averaged weighted by alpha so
// that transparent texels do not darken the edges of sprites and glyphs.
Image halveImage(const Image& image);

// Bilinear resampling to a new size (used to bring source images to the sizes
// the textures need).
Image resizeImage(const Image& image, int width, int height);

// Decodes any file DevIL reads into RGBA8, top row first. On failure returns
// false and puts a readable reason into error.
bool loadImageFile(const std::string& path, Image& out, std::string& error);
