// orbisk-check's reports on OBJ models and camera paths: every problem with
// its line, and a verdict that agrees with what the program's loader accepts.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "loaders/linemesh.h"
#include "loaders/objparse.h"
#include "tests/unit/checkreport.h"
#include "tools/check/checkcore.h"

using check::Report;
using check::Severity;
using checktest::hasFact;
using checktest::linesOf;
using checktest::mentions;

namespace {

const char* kTexturedSquare =
    "mtllib square.mtl\n"
    "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\n"
    "vt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\n"
    "vn 0 0 1\n"
    "f 1/1/1 2/2/1 3/3/1\n"
    "f 1/1/1 3/3/1 4/4/1\n";

}  // namespace

TEST(CheckObj, TexturedModelReportsCountsAndItsLibraryBesideTheModel) {
  check::MeshData mesh;
  Report r = check::checkObj("models\\square.obj", kTexturedSquare, &mesh);
  EXPECT_TRUE(r.usable());
  EXPECT_TRUE(r.problems.empty());
  EXPECT_TRUE(hasFact(r, "triangle model: 4 positions, 4 texture coordinates, 1 normal"));
  EXPECT_TRUE(hasFact(r, "triangles: 2"));
  EXPECT_TRUE(hasFact(r, "vertices: 4, indices: 6 (after merging identical corners)"));
  ASSERT_EQ(r.named.size(), 1u);
  EXPECT_EQ(r.named[0], "models\\square.mtl");
  EXPECT_EQ(mesh.vertices.size(), 4u);
  EXPECT_EQ(mesh.uvs.size(), 4u);
  EXPECT_EQ(mesh.indices, (std::vector<uint32_t>{0, 1, 2, 0, 2, 3}));
}

TEST(CheckObj, EveryMalformedFaceIsReportedWithItsLine) {
  // The loader stops at the first; the checker goes on to find them all.
  const std::string text =
      "v 0 0 0\nv 1 0 0\nv 0 1 0\nvn 0 0 1\n"
      "f 1//1 2//1 3//1\n"   // 5: fine
      "f 1/1 2/1 3/1\n"      // 6: wrong form
      "f 1//1 2//1 3//1\n"   // 7: fine
      "f\n"                  // 8: no numbers
      "f 1 2 \n";            // 9: three spaces, not a line element
  Report r = check::checkObj("m.obj", text);
  EXPECT_FALSE(r.usable());
  EXPECT_EQ(linesOf(r, Severity::Error), (std::vector<size_t>{6, 8, 9}));
  EXPECT_TRUE(mentions(r, "f v//n v//n v//n"));
  EXPECT_TRUE(mentions(r, "\"f 1/1 2/1 3/1\""));
}

TEST(CheckObj, IndicesOutsideTheirListsAreErrorsOnEachFace) {
  const std::string text =
      "v 0 0 0\nv 1 0 0\nv 0 1 0\nvn 0 0 1\n"
      "f 1//1 2//1 4//1\n"   // 5: position 4 of 3
      "f 1//1 2//1 3//2\n"   // 6: normal 2 of 1
      "f 0//1 2//1 3//1\n"   // 7: zero
      "f -1//1 2//1 3//1\n"  // 8: relative
      "f 1//1 2//1 3//1\n";  // 9: fine
  Report r = check::checkObj("m.obj", text);
  EXPECT_FALSE(r.usable());
  EXPECT_EQ(linesOf(r, Severity::Error), (std::vector<size_t>{5, 6, 7, 8}));
  EXPECT_TRUE(mentions(r, "position index 4, but only 3 positions were read"));
  EXPECT_TRUE(mentions(r, "normal index 2, but only 1 normals were read"));
  EXPECT_TRUE(mentions(r, "relative indices are not supported"));
  EXPECT_TRUE(mentions(r, "indices start at 1"));
}

TEST(CheckObj, TextureCoordinateOrderAndLibraryAreRequired) {
  Report late = check::checkObj("m.obj", "mtllib m.mtl\nv 0 0 0\nvn 0 0 1\nf 1//1 1//1 1//1\nvt 0 0\n");
  EXPECT_FALSE(late.usable());
  EXPECT_EQ(linesOf(late, Severity::Error), (std::vector<size_t>{5}));

  Report noLibrary = check::checkObj("m.obj", "v 0 0 0\nvt 0 0\nvn 0 0 1\nf 1/1/1 1/1/1 1/1/1\n");
  EXPECT_FALSE(noLibrary.usable());
  EXPECT_TRUE(mentions(noLibrary, "no mtllib line"));

  Report noFaces = check::checkObj("m.obj", "v 0 0 0\n");
  EXPECT_FALSE(noFaces.usable());
  EXPECT_TRUE(mentions(noFaces, "would draw nothing"));

  EXPECT_FALSE(check::checkObj("m.obj", "").usable());
}

TEST(CheckObj, QuietlyIgnoredContentIsAWarningNotARefusal) {
  const std::string text =
      "v 0 0\n"                   // 1: two numbers
      "v 1 0 0\nv 0 1 0\nv 1 1 0\nvn 0 0 1\n"
      "f 1//1 2//1 3//1 4//1\n"   // 6: a quad
      " f 1//1 2//1 3//1\n"       // 7: leading blank
      "l 1 2\n"                   // 8: l element
      "mtllib unused.mtl\n";      // 9: no texture coordinates
  Report r = check::checkObj("m.obj", text);
  EXPECT_TRUE(r.usable());
  EXPECT_EQ(linesOf(r, Severity::Warning), (std::vector<size_t>{1, 6, 7, 8, 0}));
  EXPECT_TRUE(mentions(r, "only the first three are drawn"));
  EXPECT_TRUE(mentions(r, "is not read: the model gets no textures"));
}

TEST(CheckObj, NumbersThatAreNotFiniteAreWarnedAboutOnTheirLine) {
  // The reader takes these as numbers, so the model loads and draws wrongly.
  const std::string text =
      "mtllib square.mtl\n"
      "v 0 0 0\nv 1 nan 0\nv 1 1 0\n"  // 3
      "vt 0 0\nvt inf 0\nvt 1 1\n"      // 6
      "vn 0 0 -INF\n"                    // 8
      "f 1/1/1 2/2/1 3/3/1\n";
  Report r = check::checkObj("m.obj", text);
  EXPECT_TRUE(r.usable());
  EXPECT_EQ(linesOf(r, Severity::Warning), (std::vector<size_t>{3, 6, 8}));
  EXPECT_TRUE(mentions(r, "texture coordinate with a number that is not finite"));
}

TEST(CheckObj, DegenerateTrianglesAreCountedAndAModelOfNothingButThemIsWarnedAbout) {
  // The corners' positions decide, whichever indices name them.
  struct Case {
    const char* positions;
    const char* faces;
    size_t degenerate;  // of the model's triangles
    size_t triangles;
  };
  const Case cases[] = {
      {"v 0 0 0\nv 1 0 0\nv 0 1 0\n", "f 1//1 1//1 2//1\n", 1, 1},                       // a corner repeated
      {"v 0 0 0\nv 1 0 0\nv 0 0 0\n", "f 1//1 2//1 3//1\n", 1, 1},                       // two indices, one place
      {"v 0 0 0\nv 1 1 1\nv 2 2 2\n", "f 1//1 2//1 3//1\n", 1, 1},                       // in one line
      {"v 0 0 0\nv 1e6 1e6 1e6\nv 3e6 3e6 3e6\n", "f 1//1 2//1 3//1\n", 1, 1},           // in one line, far out
      {"v 0 0 0\nv 1e-6 0 0\nv 0 1e-6 0\n", "f 1//1 2//1 3//1\n", 0, 1},                 // tiny but real
      {"v 0 0 0\nv 1 0 0\nv 0 1 0\n", "f 1//1 2//1 3//1\nf 1//1 2//1 2//1\n", 1, 2},   // one of two
  };
  for (const Case& c : cases) {
    const std::string text = std::string(c.positions) + "vn 0 0 1\n" + c.faces;
    SCOPED_TRACE(text);
    Report r = check::checkObj("m.obj", text);
    EXPECT_TRUE(r.usable());
    const bool all = c.degenerate == c.triangles;
    EXPECT_EQ(mentions(r, "degenerate (zero area or repeated corners): the program draws nothing"), all);
    if (all) {
      EXPECT_TRUE(mentions(r, "every triangle (" + std::to_string(c.triangles) + ")"));
    }
    EXPECT_EQ(hasFact(r, "degenerate triangles: " + std::to_string(c.degenerate) + " (zero area or repeated corners)"),
              c.degenerate > 0 && !all);
  }
}

TEST(CheckObj, VerdictAgreesWithTheLoadersCore) {
  const char* cases[] = {
      kTexturedSquare,
      "v 0 0 0\nvn 0 0 1\nf 1//1 1//1 1//1\n",
      "v 0 0 0\nvn 0 0 1\nf 1//1 1//1 2//1\n",
      "v 0 0 0\nvt 0 0\nvn 0 0 1\nf 1/1/1 1/1/1 1/1/1\n",
      "mtllib a.mtl\nv 0 0 0\nvn 0 0 1\nf 1//1 1//1 1//1\nvt 0 0\n",
      "v 0 0 0\nvn 0 0 1\nf 1/1 1/1 1/1\n",
      "v 0 0 0\nv 1 0 0\nf 1 2\n",
      "v 0 0 0\nf 1 x\n",
      "v 0 0 0\r\nvn 0 0 1\r\nf 1//1 1//1 1//1\r\n",
      "v 0 0 0\nvn 0 0 1\nf 99999999999999//1 1//1 1//1\n",
  };
  for (const char* text : cases) {
    SCOPED_TRACE(text);
    ObjData data;
    const bool accepted = parseObjText(text, data);
    EXPECT_EQ(check::checkObj("m.obj", text).usable(), accepted);
  }
}

TEST(CheckPath, ChainLengthAndItsWarnings) {
  Report chain = check::checkObj("p.obj", "v 0 0 0\nv 1 0 0\nv 2 0 0\nf 2 3\nf 1 2\n");
  EXPECT_TRUE(chain.usable());
  EXPECT_TRUE(chain.isPath);
  EXPECT_EQ(chain.pathChainLength, 3u);
  EXPECT_TRUE(chain.problems.empty());

  Report backwards = check::checkObj("p.obj", "v 0 0 0\nv 1 0 0\nf 2 1\n");
  EXPECT_EQ(backwards.pathChainLength, 1u);
  EXPECT_TRUE(mentions(backwards, "no segment starts at vertex 1"));

  Report loop = check::checkObj("p.obj", "v 0 0 0\nv 1 0 0\nv 2 0 0\nf 1 2\nf 2 3\nf 3 1\n");
  EXPECT_EQ(loop.pathChainLength, 7u);
  EXPECT_TRUE(mentions(loop, "loop"));

  Report shortChain = check::checkObj("p.obj", "v 0 0 0\nv 1 0 0\nv 2 0 0\nv 3 0 0\nf 1 2\nf 3 4\nf 9 1\n");
  EXPECT_EQ(shortChain.pathChainLength, 2u);
  EXPECT_TRUE(mentions(shortChain, "reaches 2 of the 4 positions"));
  EXPECT_EQ(linesOf(shortChain, Severity::Warning).front(), 7u);  // vertex 9 of 4

  Report empty = check::checkObj("p.obj", "f 1 2\n");
  EXPECT_FALSE(empty.usable());
}

TEST(CheckPath, ChainMatchesTheProgramsPathMesh) {
  const std::vector<std::vector<uint32_t>> segmentLists = {
      {1, 2, 2, 3, 3, 4}, {3, 4, 1, 2, 2, 3}, {2, 1, 3, 2}, {1, 2, 2, 3, 3, 1}, {1, 2, 1, 3, 2, 5}, {1, 2, 2}};
  for (const auto& segments : segmentLists) {
    std::string text = "v 0 0 0\nv 1 0 0\nv 2 0 0\nv 3 0 0\nv 4 0 0\n";
    for (size_t i = 0; i + 1 < segments.size(); i += 2)
      text += "f " + std::to_string(segments[i]) + " " + std::to_string(segments[i + 1]) + "\n";
    LineMesh mesh;
    testing::internal::CaptureStdout();  // the mesh prints its chain
    std::vector<uint32_t> paired(segments.begin(), segments.begin() + static_cast<long>(segments.size() & ~1u));
    mesh.build(std::vector<glm::vec3>(5), paired);
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(check::checkObj("p.obj", text).pathChainLength, mesh.pointCount());
  }
}
