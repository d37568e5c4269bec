// The procedural textures and the font atlas: what the renderer relies on.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>

#include "tools/assetgen/font.h"
#include "tools/assetgen/procedural.h"

namespace {
const char* liberationMono = "/usr/share/fonts/truetype/liberation/LiberationMono-Regular.ttf";

int alphaAt(const Image& image, float fx, float fy) {
  return image.at(static_cast<int>(fx * (image.width - 1)), static_cast<int>(fy * (image.height - 1)))[3];
}
}  // namespace

TEST(AssetgenTextures, WaterIsTheDarkBlueOfTheDayImage) {
  EXPECT_GT(waterLikeness(10, 20, 60), 0.8f);   // deep ocean
  EXPECT_GT(waterLikeness(25, 45, 95), 0.8f);   // open sea
  EXPECT_LT(waterLikeness(30, 60, 25), 0.1f);   // forest
  EXPECT_LT(waterLikeness(200, 170, 120), 0.1f);  // desert
  EXPECT_LT(waterLikeness(240, 240, 245), 0.1f);  // ice
  EXPECT_LT(waterLikeness(40, 35, 30), 0.1f);   // dark soil

  Image day(4, 2);
  day.set(0, 0, 10 / 255.0f, 20 / 255.0f, 60 / 255.0f, 1);
  for (int x = 1; x < 4; ++x) day.set(x, 0, 10 / 255.0f, 20 / 255.0f, 60 / 255.0f, 1);
  for (int x = 0; x < 4; ++x) day.set(x, 1, 30 / 255.0f, 60 / 255.0f, 25 / 255.0f, 1);
  const Image spec = specularFromDay(day);
  EXPECT_GT(spec.at(1, 0)[0], spec.at(1, 1)[0] + 60);  // water bright, land dark
}

TEST(AssetgenTextures, SpritesCarryTheirShapeInAlphaAndHideTheirEdges) {
  const Image sprites[] = {spriteHardGlow(64), spriteBigGlow(64), spriteStreaks(128), spriteSpecialStreaks(128), spriteHalo(64)};
  for (const Image& s : sprites) {
    for (int k = 0; k < s.width; ++k) {
      ASSERT_EQ(s.at(k, 0)[3], 0);
      ASSERT_EQ(s.at(k, s.height - 1)[3], 0);
      ASSERT_EQ(s.at(0, k)[3], 0);
      ASSERT_EQ(s.at(s.width - 1, k)[3], 0);
    }
  }
  // Glows peak in the middle, white.
  for (const Image* glow : {&sprites[0], &sprites[1], &sprites[2]}) {
    EXPECT_GT(alphaAt(*glow, 0.5f, 0.5f), 200);
    const uint8_t* centre = glow->at(glow->width / 2, glow->height / 2);
    EXPECT_GT(std::min({centre[0], centre[1], centre[2]}), 240);
  }
  // The big glow is wide and soft, the hard glow falls off quickly.
  EXPECT_GT(alphaAt(sprites[1], 0.7f, 0.5f), alphaAt(sprites[0], 0.7f, 0.5f));
  // The halo is a ring: brighter on the ring than inside it.
  EXPECT_GT(alphaAt(sprites[4], 0.5f + 0.72f / 2, 0.5f), alphaAt(sprites[4], 0.5f, 0.5f) + 100);
  // The streaks are thin: off their lines the star is dark.
  EXPECT_GT(alphaAt(sprites[2], 0.85f, 0.5f), 4 * alphaAt(sprites[2], 0.85f, 0.56f));
}

TEST(AssetgenTextures, MoonHasStructure) {
  const Image moon = moonSurface(128, 64, 3);
  double sum = 0, sumSq = 0;
  for (int y = 0; y < moon.height; ++y)
    for (int x = 0; x < moon.width; ++x) {
      sum += moon.at(x, y)[0];
      sumSq += moon.at(x, y)[0] * moon.at(x, y)[0];
    }
  const double n = moon.width * moon.height, mean = sum / n;
  EXPECT_GT(mean, 90);
  EXPECT_LT(mean, 200);
  EXPECT_GT(std::sqrt(sumSq / n - mean * mean), 8);  // maria and craters, not a flat grey
}

TEST(AssetgenFont, CellArithmeticMatchesTheOverlay) {
  // "A" (65) is in cell (15, 2): u = 15 / 25.5, v = 2 / 25 of a 1024 texture.
  const GlyphBox a = glyphBox(65, 1024);
  EXPECT_EQ(a.left, 603);    // ceil(602.35)
  EXPECT_EQ(a.right, 632);   // floor(602.35 + 30)
  EXPECT_EQ(a.top, 82);      // ceil(81.92)
  EXPECT_EQ(a.bottom, 111);  // floor(81.92 + 30)
  for (int c = fontFirstCode; c <= fontLastCode; ++c) {
    const GlyphBox b = glyphBox(c, 1024);
    EXPECT_GE(b.left, 0);
    EXPECT_LE(b.right, 1024);
    EXPECT_LE(b.bottom, 1024);
    EXPECT_GE(b.right - b.left, 28);
    const GlyphBox next = glyphBox(c + 1, 1024);
    if ((c + 1) % fontCellsPerRow != 0) {
      EXPECT_LT(b.right, next.left);  // a gap between neighbours
    }
  }
}

TEST(AssetgenFont, GlyphsAreDrawnInsideTheirSquares) {
  if (!std::filesystem::exists(liberationMono)) GTEST_SKIP() << "Liberation Mono not installed";
  Image atlas;
  std::string error;
  ASSERT_TRUE(renderFontAtlas(liberationMono, atlas, error)) << error;
  ASSERT_EQ(atlas.width, 1024);
  ASSERT_EQ(atlas.height, 1024);
  // Nothing outside the glyph squares, and white colour everywhere.
  std::vector<bool> inside(1024 * 1024, false);
  for (int c = fontFirstCode; c <= fontLastCode; ++c) {
    const GlyphBox b = glyphBox(c, 1024);
    for (int y = b.top; y < b.bottom; ++y)
      for (int x = b.left; x < b.right; ++x) inside[y * 1024 + x] = true;
  }
  for (int y = 0; y < 1024; ++y)
    for (int x = 0; x < 1024; ++x) {
      if (!inside[y * 1024 + x]) {
        ASSERT_EQ(atlas.at(x, y)[3], 0) << x << "," << y;
      }
      ASSERT_EQ(atlas.at(x, y)[0], 255);
    }
  // "A": ink in its square, two separate legs at the bottom, one apex at the top.
  const GlyphBox a = glyphBox('A', 1024);
  int ink = 0;
  for (int y = a.top; y < a.bottom; ++y)
    for (int x = a.left; x < a.right; ++x) ink += atlas.at(x, y)[3] > 128;
  EXPECT_GT(ink, 40);
  auto runsOnRow = [&](int y) {
    int runs = 0;
    bool in = false;
    for (int x = a.left; x < a.right; ++x) {
      const bool on = atlas.at(x, y)[3] > 128;
      if (on && !in) ++runs;
      in = on;
    }
    return runs;
  };
  int bottomRow = a.bottom - 1, topRow = a.top;
  while (bottomRow > a.top && runsOnRow(bottomRow) == 0) --bottomRow;
  while (topRow < a.bottom && runsOnRow(topRow) == 0) ++topRow;
  EXPECT_EQ(runsOnRow(bottomRow - 1), 2);
  EXPECT_EQ(runsOnRow(topRow), 1);
  // The space is empty.
  const GlyphBox space = glyphBox(' ', 1024);
  for (int y = space.top; y < space.bottom; ++y)
    for (int x = space.left; x < space.right; ++x) ASSERT_EQ(atlas.at(x, y)[3], 0);
}

TEST(AssetgenFont, MissingFontIsReported) {
  Image atlas;
  std::string error;
  EXPECT_FALSE(renderFontAtlas("/nonexistent/font.ttf", atlas, error));
  EXPECT_NE(error.find("/nonexistent/font.ttf"), std::string::npos);
}
