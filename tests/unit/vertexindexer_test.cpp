#include "loaders/vertexindexer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>

namespace {

using glm::vec2;
using glm::vec3;

struct Indexed {
  std::vector<vec3> vertices;
  std::vector<vec2> uvs;
  std::vector<vec3> normals;
  std::vector<uint32_t> indices;
  bool ok = false;
};

Indexed index(const std::vector<vec3>& v, const std::vector<vec2>& t, const std::vector<vec3>& n) {
  Indexed out;
  out.ok = indexVertexData(v, t, n, &out.vertices, &out.uvs, &out.normals, &out.indices);
  return out;
}

// The algorithm as first written down: one ordered-map lookup a corner.
Indexed indexWithOrderedMap(const std::vector<vec3>& v, const std::vector<vec2>& t, const std::vector<vec3>& n) {
  Indexed out;
  PackedVertexMap fastSearchMap;
  for (size_t i = 0; i < v.size(); ++i) {
    PackedVertex_vtn packed{v[i], t.empty() ? vec2(0.0f) : t[i], n[i]};
    uint32_t foundIndex = 0;
    if (findPackedVertex(packed, fastSearchMap, foundIndex)) {
      out.indices.push_back(foundIndex);
      continue;
    }
    out.vertices.push_back(v[i]);
    out.normals.push_back(n[i]);
    if (!t.empty()) out.uvs.push_back(t[i]);
    uint32_t newIndex = static_cast<uint32_t>(out.vertices.size() - 1);
    out.indices.push_back(newIndex);
    fastSearchMap[packed] = newIndex;
  }
  out.ok = true;
  return out;
}

bool sameBytes(const void* a, const void* b, size_t size) { return size == 0 || memcmp(a, b, size) == 0; }

TEST(VertexIndexer, DistinctCornersStayApartInFirstCornerOrder) {
  Indexed r = index({vec3(0, 0, 0), vec3(1, 0, 0), vec3(0, 1, 0)}, {vec2(0, 0), vec2(1, 0), vec2(0, 1)},
                    {vec3(0, 0, 1), vec3(0, 0, 1), vec3(0, 0, 1)});
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(r.indices, (std::vector<uint32_t>{0, 1, 2}));
  EXPECT_EQ(r.vertices[1], vec3(1, 0, 0));
  EXPECT_EQ(r.uvs[2], vec2(0, 1));
}

TEST(VertexIndexer, QuadSharesTwoCorners) {
  vec3 a(0, 0, 0), b(1, 0, 0), c(1, 1, 0), d(0, 1, 0), n(0, 0, 1);
  Indexed r = index({a, b, c, a, c, d}, {}, {n, n, n, n, n, n});
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(r.indices, (std::vector<uint32_t>{0, 1, 2, 0, 2, 3}));
  EXPECT_EQ(r.vertices, (std::vector<vec3>{a, b, c, d}));
  EXPECT_TRUE(r.uvs.empty());
}

TEST(VertexIndexer, MergesOnlyBitIdenticalCorners) {
  const float nan1 = std::numeric_limits<float>::quiet_NaN();
  uint32_t bits = 0x7FC00001;
  float nan2;
  memcpy(&nan2, &bits, sizeof nan2);
  vec3 p(1, 2, 3);
  Indexed r = index({p, p, vec3(-0.0f, 0, 0), vec3(0.0f, 0, 0), vec3(nan1, 0, 0), vec3(nan1, 0, 0), vec3(nan2, 0, 0)},
                    {vec2(0.5f), vec2(0.5f), vec2(0), vec2(0), vec2(0), vec2(0), vec2(0)},
                    {vec3(0, 0, 1), vec3(0, 1, 0), vec3(0, 0, 1), vec3(0, 0, 1), vec3(0, 0, 1), vec3(0, 0, 1),
                     vec3(0, 0, 1)});
  ASSERT_TRUE(r.ok);
  // Different normals; -0 and 0; equal NaNs merge, other NaN bits do not.
  EXPECT_EQ(r.indices, (std::vector<uint32_t>{0, 1, 2, 3, 4, 4, 5}));
  // Without texture coordinates corners merge on position and normal alone.
  Indexed plain = index({p, p, p}, {}, {vec3(0, 0, 1), vec3(0, 0, 1), vec3(0, 1, 0)});
  EXPECT_EQ(plain.indices, (std::vector<uint32_t>{0, 0, 1}));
  EXPECT_TRUE(plain.uvs.empty());
}

TEST(VertexIndexer, EmptyInputsGiveEmptyOutputs) {
  Indexed r = index({}, {}, {});
  EXPECT_TRUE(r.ok);
  EXPECT_TRUE(r.vertices.empty() && r.uvs.empty() && r.normals.empty() && r.indices.empty());
}

TEST(VertexIndexer, RefusesMissingOutputsAndUnequalInputs) {
  std::vector<vec3> v{vec3(1)}, n{vec3(2)};
  std::vector<vec2> t{vec2(3)};
  std::vector<vec3> ov, on;
  std::vector<vec2> ot;
  std::vector<uint32_t> oi;
  EXPECT_FALSE(indexVertexData(v, t, n, nullptr, &ot, &on, &oi));
  EXPECT_FALSE(indexVertexData(v, t, n, &ov, &ot, nullptr, &oi));
  EXPECT_FALSE(indexVertexData(v, t, n, &ov, &ot, &on, nullptr));
  EXPECT_FALSE(indexVertexData(v, t, n, &ov, nullptr, &on, &oi));
  // Unequal lists would be read past their ends.
  EXPECT_FALSE(indexVertexData(v, t, {}, &ov, &ot, &on, &oi));
  EXPECT_FALSE(indexVertexData(v, {vec2(0), vec2(1)}, n, &ov, &ot, &on, &oi));
  EXPECT_TRUE(ov.empty() && ot.empty() && on.empty() && oi.empty());
  // Without texture coordinates no uv output is needed.
  EXPECT_TRUE(indexVertexData(v, {}, n, &ov, nullptr, &on, &oi));
  EXPECT_EQ(oi, (std::vector<uint32_t>{0}));
}

TEST(VertexIndexer, AppendsToWhatTheOutputsHold) {
  std::vector<vec3> ov{vec3(9)}, on{vec3(9)};
  std::vector<vec2> ot{vec2(9)};
  std::vector<uint32_t> oi{0};
  ASSERT_TRUE(indexVertexData({vec3(1), vec3(1)}, {vec2(1), vec2(1)}, {vec3(1), vec3(1)}, &ov, &ot, &on, &oi));
  EXPECT_EQ(oi, (std::vector<uint32_t>{0, 1, 1}));
  EXPECT_EQ(ov.size(), 2u);
}

TEST(VertexIndexer, OrderIsTheReverseOfMemcmp) {
  PackedVertex_vtn a{vec3(0), vec2(0), vec3(0)}, b = a;
  // 1.0f is 0x3F800000; its top byte is the last byte of x in memory.
  b.position.x = 1.0f;
  EXPECT_TRUE(b < a);
  EXPECT_FALSE(a < b);
  EXPECT_FALSE(a < a);
  PackedVertex_vtn c = a;
  c.normal.z = -0.0f;
  EXPECT_TRUE(c < a || a < c);  // -0 and 0 are different keys

  PackedVertexMap map;
  map[a] = 7;
  uint32_t found = 42;
  EXPECT_FALSE(findPackedVertex(b, map, found));
  EXPECT_EQ(found, 42u);
  EXPECT_TRUE(findPackedVertex(a, map, found));
  EXPECT_EQ(found, 7u);
}

// The table lookup must give exactly what the ordered map gives.
TEST(VertexIndexer, AgreesWithTheOrderedMapOnRandomMeshes) {
  std::mt19937 rng(7);
  const float specials[] = {0.0f, -0.0f, 1.0f, std::numeric_limits<float>::quiet_NaN(),
                            std::numeric_limits<float>::infinity(), 1e-40f};
  for (int round = 0; round < 40; ++round) {
    const size_t corners = 1 + rng() % 20000;
    const int pool = 1 + rng() % 300;  // few distinct values: many merges
    auto value = [&]() { return rng() % 4 == 0 ? specials[rng() % 6] : static_cast<float>(rng() % pool) / 7.0f; };
    std::vector<vec3> v, n;
    std::vector<vec2> t;
    const bool withUVs = round % 2 == 0;
    for (size_t i = 0; i < corners; ++i) {
      v.emplace_back(value(), value(), rng() % 2 ? 0.0f : value());
      n.emplace_back(0.0f, value(), 1.0f);
      if (withUVs) t.emplace_back(value(), 0.5f);
    }
    Indexed fast = index(v, t, n);
    Indexed reference = indexWithOrderedMap(v, t, n);
    ASSERT_TRUE(fast.ok);
    ASSERT_EQ(fast.indices, reference.indices) << "round " << round;
    ASSERT_EQ(fast.vertices.size(), reference.vertices.size());
    ASSERT_TRUE(sameBytes(fast.vertices.data(), reference.vertices.data(), fast.vertices.size() * sizeof(vec3)));
    ASSERT_TRUE(sameBytes(fast.normals.data(), reference.normals.data(), fast.normals.size() * sizeof(vec3)));
    ASSERT_EQ(fast.uvs.size(), reference.uvs.size());
    ASSERT_TRUE(sameBytes(fast.uvs.data(), reference.uvs.data(), fast.uvs.size() * sizeof(vec2)));
  }
}

}  // namespace
