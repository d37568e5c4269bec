#include <gtest/gtest.h>

#include <cmath>

#include "render/sunglow.h"

namespace {

bool finite(const glm::vec3& v) {
  return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

TEST(FlareTableTest, FifteenSpritesInDrawingOrder) {
  const auto& t = flareTable();
  ASSERT_EQ(t.size(), 15u);
  // The four glow sprites sit on the sun, the rest along the axis.
  for (int i = 0; i < 15; ++i) EXPECT_EQ(t[i].onSun, i < 4) << "row " << i + 1;
  EXPECT_EQ(t[0].texture, FlareTexture::BigGlow);
  // Rows 8/9, 12/13 and 14/15 run backwards along the axis; sorting would
  // change which ghost covers which.
  EXPECT_GT(t[7].fraction, t[8].fraction);
  EXPECT_GT(t[11].fraction, t[12].fraction);
  EXPECT_GT(t[13].fraction, t[14].fraction);
  // The last sprite's texture is the one left bound after a frame's flare.
  EXPECT_EQ(t[14].texture, FlareTexture::HardGlow);
}

TEST(FlareCentresTest, AxisRunsFromTheSunTowardsTheViewingAxis) {
  // Eye at the origin looking down -z; the sun 10 units away, off to the right.
  const glm::vec3 eye(0.0f), lookAt(0.0f, 0.0f, -1.0f), sun(6.0f, 0.0f, -8.0f);
  const auto c = flareCentres(sun, eye, lookAt);
  const glm::vec3 ptIntersect(0.0f, 0.0f, -10.0f);
  const float flareLength = glm::length(ptIntersect - sun);
  const glm::vec3 axis = (ptIntersect - sun) / flareLength;
  for (int i = 0; i < 4; ++i) EXPECT_EQ(c[i], sun);
  const auto& t = flareTable();
  for (int i = 4; i < 15; ++i) {
    const glm::vec3 expected = sun + axis * (flareLength * t[i].fraction);
    EXPECT_NEAR(c[i].x, expected.x, 1e-5f) << "row " << i + 1;
    EXPECT_NEAR(c[i].y, expected.y, 1e-5f);
    EXPECT_NEAR(c[i].z, expected.z, 1e-5f);
  }
  // Row 14 (f = 0.8) lies four fifths of the way from the sun to the axis point.
  EXPECT_NEAR(c[13].x, 6.0f * 0.2f, 1e-5f);
}

TEST(FlareCentresTest, SunOnTheViewingAxisPutsEverySpriteOnTheSun) {
  const glm::vec3 sun(40000.0f, 40000.0f, 40000.0f);
  // Exactly on the axis, and with a look-at distance other than the sun's.
  for (const glm::vec3& eye : {glm::vec3(0.0f), glm::vec3(10.0f, 10.0f, 10.0f)}) {
    const auto c = flareCentres(sun, eye, eye + glm::vec3(2.0f, 2.0f, 2.0f));
    for (int i = 0; i < 15; ++i) {
      ASSERT_TRUE(finite(c[i])) << "row " << i + 1;
      EXPECT_NEAR(glm::length(c[i] - sun), 0.0f, 0.05f) << "row " << i + 1;
    }
  }
}

TEST(FlareCentresTest, NoUsableViewDirectionStillGivesFiniteCentres) {
  const glm::vec3 sun(1.0f, 2.0f, 3.0f), eye(5.0f, 5.0f, 5.0f);
  const auto c = flareCentres(sun, eye, eye);
  for (int i = 0; i < 15; ++i) EXPECT_EQ(c[i], sun) << "row " << i + 1;
}

TEST(SpriteQuadTest, SizeTenIsFourHundredPixelsInAnyWindow) {
  for (auto [w, h] : {std::pair{1000, 500}, std::pair{640, 480}, std::pair{64, 48}}) {
    std::array<glm::vec2, 6> v;
    const glm::vec2 centre(w * 0.5f, h * 0.5f);
    ASSERT_TRUE(spriteQuad(centre, 10.0f, w, h, v));
    // Back from NDC to pixels: the quad's side is 400 whatever the window.
    const float widthPx = (v[2].x - v[0].x) * w * 0.5f;
    const float heightPx = (v[0].y - v[1].y) * h * 0.5f;
    EXPECT_NEAR(widthPx, 400.0f, 1e-3f) << w << "x" << h;
    EXPECT_NEAR(heightPx, 400.0f, 1e-3f) << w << "x" << h;
  }
}

TEST(SpriteQuadTest, CornersInTriangleOrder) {
  std::array<glm::vec2, 6> v;
  // 200 x 100 window, sprite of 1 (40 px) centred at pixel (60, 30).
  ASSERT_TRUE(spriteQuad({60.0f, 30.0f}, 1.0f, 200, 100, v));
  const glm::vec2 ul(-0.6f, 0.0f), ur(-0.2f, 0.0f), bl(-0.6f, -0.8f), br(-0.2f, -0.8f);
  const glm::vec2 expected[6] = {ul, bl, ur, br, ur, bl};
  for (int i = 0; i < 6; ++i) {
    EXPECT_NEAR(v[i].x, expected[i].x, 1e-6f) << i;
    EXPECT_NEAR(v[i].y, expected[i].y, 1e-6f) << i;
  }
  // Texture t = 0 at the top: the upper corners take t = 0.
  const auto& uv = spriteUVs();
  EXPECT_EQ(uv[0], glm::vec2(0.0f, 0.0f));
  EXPECT_EQ(uv[1], glm::vec2(0.0f, 1.0f));
  EXPECT_EQ(uv[2], glm::vec2(1.0f, 0.0f));
  EXPECT_EQ(uv[3], glm::vec2(1.0f, 1.0f));
  EXPECT_EQ(uv[4], uv[2]);
  EXPECT_EQ(uv[5], uv[1]);
}

TEST(SpriteQuadTest, RefusesWhatWouldHandNaNToGL) {
  std::array<glm::vec2, 6> v{};
  EXPECT_FALSE(spriteQuad({10.0f, 10.0f}, 1.0f, 0, 480, v));
  EXPECT_FALSE(spriteQuad({10.0f, 10.0f}, 1.0f, 640, 0, v));
  EXPECT_FALSE(spriteQuad({NAN, 10.0f}, 1.0f, 640, 480, v));
  EXPECT_FALSE(spriteQuad({10.0f, INFINITY}, 1.0f, 640, 480, v));
  EXPECT_EQ(v[0], glm::vec2(0.0f));
}

}  // namespace
