// The bitmap font of the text overlay: glyphs on a regular grid, found by
// character code.
#pragma once
#include <string>

#include "tools/assetgen/image.h"

// The grid the overlay reads: 25 cells a row, column pitch 1/25.5 of the
// width, row pitch 1/25 of the height, a square of 0.029296875 of the texture
// sampled per glyph, code c in cell (c mod 25, c div 25) from the top left.
constexpr int fontCellsPerRow = 25;
constexpr double fontColumnPitch = 1.0 / 25.5;
constexpr double fontRowPitch = 1.0 / 25.0;
constexpr double fontGlyphSquare = 0.029296875;
constexpr int fontTextureSize = 1024;  // the glyph square is then 30 pixels
constexpr int fontFirstCode = 32, fontLastCode = 126;

struct GlyphBox {
  int left, top, right, bottom;  // pixels inside the sampled square (right, bottom exclusive)
};
// The pixels of code c's square that are safe to draw into: wholly inside
// the sampled square, so that bilinear filtering never pulls in a neighbour.
GlyphBox glyphBox(int code, int textureSize);

// Renders codes 32-126 of the font file (white, coverage in alpha). The
// overlay draws a cell 0.8 times as wide as high, so the glyphs are widened
// by 1.25 here to keep their proportions on screen.
bool renderFontAtlas(const std::string& fontPath, Image& out, std::string& error);
