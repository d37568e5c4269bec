#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "render/textoverlay.h"

namespace {

struct Layout {
  std::vector<glm::vec2> vertices;
  std::vector<glm::vec2> uvs;
  bool ok = false;
};

Layout layout(const char* text, int x, int y, int size, int w, int h) {
  Layout l;
  l.ok = layoutText(text, x, y, size, w, h, l.vertices, l.uvs);
  return l;
}

void expectNear(glm::vec2 actual, glm::vec2 expected, float tolerance = 1e-6f) {
  EXPECT_NEAR(actual.x, expected.x, tolerance);
  EXPECT_NEAR(actual.y, expected.y, tolerance);
}

// The loading screen's heading: as far from the left edge as its last glyph
// is from the right one.
TEST(TextLayoutTest, CentredTextIsCentred) {
  struct Case {
    const char* text;
    int size, w;
  } cases[] = {{"LOADING SCENE ...", 30, 1024}, {"LOADING SCENE ...", 30, 320}, {"AB", 10, 101}, {"X", 25, 640}};
  for (const Case& c : cases) {
    const int n = static_cast<int>(strlen(c.text));
    Layout l = layout(c.text, centredTextX(n, c.size, c.w), 100, c.size, c.w, 480);
    ASSERT_TRUE(l.ok);
    float left = 1.0f, right = -1.0f;
    for (const glm::vec2& v : l.vertices) {
      left = std::min(left, v.x);
      right = std::max(right, v.x);
    }
    // Within one pixel: the start is a whole pixel.
    EXPECT_NEAR(left, -right, 2.0f / static_cast<float>(c.w)) << c.text << " in " << c.w;
  }
  EXPECT_EQ(centredTextX(17, 30, 1024), 308);  // 1024 / 2 - 17 * 24 / 2
}

TEST(TextLayoutTest, GlyphCellsFollowTheFontGrid) {
  expectNear(glyphCell('A'), {15.0f / 25.5f, 2.0f / 25.0f});
  expectNear(glyphCell(0), {0.0f, 0.0f});
  // The last cell of a row and the first of the next.
  expectNear(glyphCell(24), {24.0f / 25.5f, 0.0f});
  expectNear(glyphCell(25), {0.0f, 1.0f / 25.0f});
  // Codes above 127 wrap negative and truncate toward zero: -56 = -2 * 25 - 6.
  expectNear(glyphCell(static_cast<signed char>(200)), {-6.0f / 25.5f, -2.0f / 25.0f});
}

TEST(TextLayoutTest, OneCharacterAtTheOriginCoversItsClipRectangle) {
  Layout l = layout("A", 0, 0, 10, 1000, 500);
  ASSERT_TRUE(l.ok);
  ASSERT_EQ(l.vertices.size(), 6u);
  ASSERT_EQ(l.uvs.size(), 6u);
  const glm::vec2 ul(-1.0f, -0.96f), ur(-0.984f, -0.96f), lr(-0.984f, -1.0f), ll(-1.0f, -1.0f);
  const glm::vec2 expected[6] = {ul, ll, ur, lr, ur, ll};
  for (int i = 0; i < 6; ++i) expectNear(l.vertices[i], expected[i]);

  const float u = 15.0f / 25.5f, v = 2.0f / 25.0f, g = 0.029296875f;
  const glm::vec2 uvExpected[6] = {{u, v}, {u, v + g}, {u + g, v}, {u + g, v + g}, {u + g, v},
                                   {u, v + g}};
  for (int i = 0; i < 6; ++i) expectNear(l.uvs[i], uvExpected[i]);
}

TEST(TextLayoutTest, CharactersAdvanceByFourFifthsOfTheSizeAndTouch) {
  // Window 200 x 100: one pixel is 0.01 clip units across and 0.02 up.
  Layout l = layout("HEY", 20, 30, 25, 200, 100);
  ASSERT_TRUE(l.ok);
  ASSERT_EQ(l.vertices.size(), 18u);
  for (int i = 0; i < 3; ++i) {
    const float left = (20.0f + i * 20.0f - 100.0f) / 100.0f;
    const float right = (20.0f + (i + 1) * 20.0f - 100.0f) / 100.0f;
    expectNear(l.vertices[i * 6 + 0], {left, (55.0f - 50.0f) / 50.0f});
    expectNear(l.vertices[i * 6 + 3], {right, (30.0f - 50.0f) / 50.0f});
  }
  // Adjacent quads share their edge: the right of one is the left of the next.
  EXPECT_FLOAT_EQ(l.vertices[2].x, l.vertices[6].x);
  expectNear(l.uvs[6], glyphCell('E'));
  expectNear(l.uvs[12], glyphCell('Y'));
}

TEST(TextLayoutTest, NothingToLayOut) {
  EXPECT_FALSE(layout(nullptr, 0, 0, 10, 100, 100).ok);
  EXPECT_FALSE(layout("", 0, 0, 10, 100, 100).ok);
  // Without a window there is no clip space; no infinities may be produced.
  Layout none = layout("A", 0, 0, 10, 0, 480);
  EXPECT_FALSE(none.ok);
  EXPECT_TRUE(none.vertices.empty());
  EXPECT_FALSE(layout("A", 0, 0, 10, 640, 0).ok);
}

TEST(TextLayoutTest, AppendsToWhatTheListsAlreadyHold) {
  std::vector<glm::vec2> vertices(2, glm::vec2(7.0f)), uvs(2, glm::vec2(7.0f));
  ASSERT_TRUE(layoutText("ab", 0, 0, 10, 100, 100, vertices, uvs));
  EXPECT_EQ(vertices.size(), 14u);
  EXPECT_EQ(uvs.size(), 14u);
  EXPECT_EQ(vertices[0], glm::vec2(7.0f));
}

}  // namespace
