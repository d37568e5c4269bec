#include "tools/assetgen/font.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cmath>

GlyphBox glyphBox(int code, int textureSize) {
  const double u = (code % fontCellsPerRow) * fontColumnPitch;
  const double v = (code / fontCellsPerRow) * fontRowPitch;
  const double side = fontGlyphSquare * textureSize;
  // Pixel k covers [k, k+1); keep whole pixels inside [u, u + side].
  GlyphBox box;
  box.left = static_cast<int>(std::ceil(u * textureSize));
  box.top = static_cast<int>(std::ceil(v * textureSize));
  box.right = static_cast<int>(std::floor(u * textureSize + side));
  box.bottom = static_cast<int>(std::floor(v * textureSize + side));
  return box;
}

bool renderFontAtlas(const std::string& fontPath, Image& out, std::string& error) {
  FT_Library library;
  if (FT_Init_FreeType(&library)) {
    error = "cannot initialise FreeType";
    return false;
  }
  FT_Face face;
  if (FT_New_Face(library, fontPath.c_str(), 0, &face)) {
    error = "cannot open font '" + fontPath + "'";
    FT_Done_FreeType(library);
    return false;
  }
  const int size = fontTextureSize;
  out = Image(size, size);
  for (uint8_t* p = out.rgba.data(); p < out.rgba.data() + out.rgba.size(); p += 4) p[0] = p[1] = p[2] = 255;  // white everywhere, alpha 0

  // The glyphs are made as large as the square allows: the highest ascent
  // plus the deepest descent of all codes fit its height with a pixel to
  // spare above and below. The widening keeps them inside its width.
  const int square = static_cast<int>(fontGlyphSquare * size);
  FT_Matrix widen = {static_cast<FT_Fixed>(1.25 * 0x10000), 0, 0, 0x10000};
  FT_Set_Transform(face, &widen, nullptr);
  auto extents = [&](int pixelHeight, int& ascent, int& descent) {
    FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(pixelHeight));
    ascent = descent = 0;
    for (int code = fontFirstCode; code <= fontLastCode; ++code) {
      if (FT_Load_Char(face, static_cast<FT_ULong>(code), FT_LOAD_RENDER)) continue;
      ascent = std::max(ascent, face->glyph->bitmap_top);
      descent = std::max(descent, static_cast<int>(face->glyph->bitmap.rows) - face->glyph->bitmap_top);
    }
  };
  int ascent = 0, descent = 0;
  int pixelHeight = square;
  for (;; --pixelHeight) {
    extents(pixelHeight, ascent, descent);
    if (ascent + descent <= square - 2 || pixelHeight <= 4) break;
  }

  for (int code = fontFirstCode; code <= fontLastCode; ++code) {
    if (FT_Load_Char(face, static_cast<FT_ULong>(code), FT_LOAD_RENDER)) {
      error = "font '" + fontPath + "' has no glyph for code " + std::to_string(code);
      FT_Done_Face(face);
      FT_Done_FreeType(library);
      return false;
    }
    const FT_GlyphSlot glyph = face->glyph;
    const GlyphBox box = glyphBox(code, size);
    const int advance = static_cast<int>(glyph->advance.x >> 6);
    const int penX = box.left + (box.right - box.left - advance) / 2;
    const int baseline = box.top + 1 + ascent;
    const FT_Bitmap& bitmap = glyph->bitmap;
    for (unsigned row = 0; row < bitmap.rows; ++row) {
      for (unsigned col = 0; col < bitmap.width; ++col) {
        const int x = penX + glyph->bitmap_left + static_cast<int>(col);
        const int y = baseline - glyph->bitmap_top + static_cast<int>(row);
        if (x < box.left || x >= box.right || y < box.top || y >= box.bottom) continue;
        const uint8_t coverage = bitmap.buffer[row * bitmap.pitch + col];
        uint8_t* p = out.at(x, y);
        p[3] = std::max(p[3], coverage);
      }
    }
  }
  FT_Done_Face(face);
  FT_Done_FreeType(library);
  return true;
}
