#include "loaders/linemesh.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::vector<glm::vec3> points(int count) {
  std::vector<glm::vec3> p;
  for (int i = 0; i < count; ++i) p.emplace_back(static_cast<float>(i), 0.0f, 0.0f);
  return p;
}

struct Built {
  LineMesh mesh;
  bool result = false;
  std::string out;
  std::string err;
};

Built build(const std::vector<glm::vec3>& positions, const std::vector<uint32_t>& segments) {
  Built b;
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  b.result = b.mesh.build(positions, segments);
  b.out = testing::internal::GetCapturedStdout();
  b.err = testing::internal::GetCapturedStderr();
  return b;
}

TEST(LineMesh, FollowsSegmentsFromTheFirstVertexInAnyFileOrder) {
  Built b = build(points(4), {3, 4, 1, 2, 2, 3});
  ASSERT_TRUE(b.result);
  EXPECT_EQ(b.mesh.indices, (std::vector<uint32_t>{1, 2, 3, 4}));
  EXPECT_EQ(b.out, "DEBUG: sortet index list for line:\n1,2,3,4,\n");
  EXPECT_EQ(b.mesh.pointCount(), 4u);
  EXPECT_TRUE(b.err.empty());
}

TEST(LineMesh, MatchesOnlyTheFirstNumberOfASegment) {
  // Written backwards: nothing starts at vertex 1.
  Built backwards = build(points(3), {2, 1, 3, 2});
  EXPECT_EQ(backwards.mesh.indices, (std::vector<uint32_t>{1}));
  EXPECT_EQ(backwards.mesh.pointCount(), 1u);
  // A chain that never touches vertex 1.
  Built elsewhere = build(points(4), {2, 3, 3, 4});
  EXPECT_EQ(elsewhere.mesh.indices, (std::vector<uint32_t>{1}));
  // Two segments from one vertex: the first in the file wins.
  Built fork = build(points(4), {1, 3, 1, 2, 3, 4});
  EXPECT_EQ(fork.mesh.indices, (std::vector<uint32_t>{1, 3, 4}));
}

TEST(LineMesh, ClosedLoopStopsAtThePassLimit) {
  Built b = build(points(3), {1, 2, 2, 3, 3, 1});
  EXPECT_EQ(b.mesh.indices, (std::vector<uint32_t>{1, 2, 3, 1, 2, 3, 1}));
  EXPECT_EQ(b.out, "DEBUG: sortet index list for line:\n1,2,3,1,2,3,1,\n");
}

TEST(LineMesh, EmptyInputWarnsAndLeavesTheMeshAsItWas) {
  Built b = build({}, {1, 2});
  EXPECT_FALSE(b.result);
  EXPECT_EQ(b.err, "WARNING: vertices- or indices-collection was empty!\n");
  EXPECT_TRUE(b.out.empty());
  EXPECT_EQ(b.mesh.pointCount(), 0u);

  Built ok = build(points(2), {1, 2});
  testing::internal::CaptureStderr();
  EXPECT_FALSE(ok.mesh.build(points(2), {}));
  EXPECT_FALSE(testing::internal::GetCapturedStderr().empty());
  EXPECT_EQ(ok.mesh.pointCount(), 2u);
}

TEST(LineMesh, OddSegmentListIgnoresTheDanglingEntry) {
  // The last entry starts no segment; reading its partner would overrun.
  Built b = build(points(3), {1, 2, 2});
  ASSERT_TRUE(b.result);
  EXPECT_EQ(b.mesh.indices, (std::vector<uint32_t>{1, 2}));
}

TEST(LineMesh, PointsAreTakenInFileOrderNotChainOrder) {
  std::vector<glm::vec3> p = {glm::vec3(5, 0, 0), glm::vec3(6, 0, 0), glm::vec3(7, 0, 0)};
  Built b = build(p, {2, 3});  // chain is 1 only
  EXPECT_EQ(b.mesh.point(0), glm::vec3(5, 0, 0));
  EXPECT_EQ(b.mesh.point(2), glm::vec3(7, 0, 0));
  b.mesh.clear();
  EXPECT_EQ(b.mesh.pointCount(), 0u);
  EXPECT_TRUE(b.mesh.points.empty());
  EXPECT_FALSE(b.mesh.valid);
}

}  // namespace
