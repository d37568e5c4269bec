#include "loaders/objparse.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>

#include "base/oftenused.h"

namespace {

using namespace std::string_literals;

ObjData parse(const std::string& text, bool expectAccepted = true) {
  ObjData data;
  EXPECT_EQ(parseObjText(text, data), expectAccepted) << objErrorMessage(data, "test.obj");
  return data;
}

std::string rejection(const std::string& text, const char* path = "models\\m.obj") {
  ObjData data;
  EXPECT_FALSE(parseObjText(text, data));
  return objErrorMessage(data, path);
}

const char* kTexturedCube =
    "# a cube\n"
    "mtllib cube.mtl\n"
    "o Cube\n"
    "v 1 1 -1\nv 1 -1 -1\nv 1 1 1\nv 1 -1 1\n"
    "vt 0.625 0.5\nvt 0.875 0.5\nvt 0.875 0.75\n"
    "vn 0 1 0\nvn 0 0 1\n"
    "usemtl Material\ns off\n"
    "f 1/1/1 3/2/1 4/3/2\n"
    "f 2/3/2 1/1/1 4/2/1\n";

TEST(ObjParse, ReadsPositionsUVsNormalsAndTriangles) {
  ObjData d = parse(kTexturedCube);
  ASSERT_EQ(d.positions.size(), 4u);
  EXPECT_EQ(d.positions[1], glm::vec3(1, -1, -1));
  ASSERT_EQ(d.uvs.size(), 3u);
  EXPECT_EQ(d.uvs[0], glm::vec2(0.625f, 0.5f));
  EXPECT_EQ(d.uvs[2], glm::vec2(0.875f, 0.25f));  // v flipped
  EXPECT_EQ(d.normals.size(), 2u);
  EXPECT_TRUE(d.hasUVs);
  EXPECT_FALSE(d.pathMode);
  EXPECT_EQ(d.materialFileName, "cube.mtl");
  // Texture indices of a face come first, then positions and normals.
  EXPECT_EQ(d.vertexIndices, (std::vector<uint32_t>{1, 3, 4, 2, 1, 4}));
  EXPECT_EQ(d.uvIndices, (std::vector<uint32_t>{1, 2, 3, 3, 1, 2}));
  EXPECT_EQ(d.normalIndices, (std::vector<uint32_t>{1, 1, 2, 2, 1, 1}));
}

TEST(ObjParse, NumbersStartAtFixedBytesAndMissingOnesStayZero) {
  ObjData d = parse(
      "v 1 2\n"           // (1, 2, 0)
      "vp 7 8 9\n"        // a position, read from the third byte
      "v\n"               // bare: no numbers at all
      "vt 0.25 0.75 9\n"  // third number ignored
      "vt\n"
      "vn\n"
      "vn 1 x 3\n"  // stops at the first thing that is not a number
      "v1 2 3\n"    // third byte is the space before 2
      "mtllib m.mtl\n");
  ASSERT_EQ(d.positions.size(), 4u);
  EXPECT_EQ(d.positions[0], glm::vec3(1, 2, 0));
  EXPECT_EQ(d.positions[1], glm::vec3(7, 8, 9));
  EXPECT_EQ(d.positions[2], glm::vec3(0, 0, 0));
  EXPECT_EQ(d.positions[3], glm::vec3(2, 3, 0));
  ASSERT_EQ(d.uvs.size(), 2u);
  EXPECT_EQ(d.uvs[0], glm::vec2(0.25f, 0.25f));
  EXPECT_EQ(d.uvs[1], glm::vec2(0.0f, 1.0f));
  ASSERT_EQ(d.normals.size(), 2u);
  EXPECT_EQ(d.normals[0], glm::vec3(0, 0, 0));
  EXPECT_EQ(d.normals[1], glm::vec3(1, 0, 0));
}

TEST(ObjParse, OtherLinesHaveNoEffect) {
  ObjData d = parse(
      "# comment f 1 2\n"
      "o thing\ng group\ns 1\nusemtl m\nl 1 2\n"
      " v 1 2 3\n\tf 1//1 2//2 3//3\n"
      "\n"
      "Mtllib upper.mtl\n"
      "mtllibx.mtl\n");
  EXPECT_TRUE(d.positions.empty());
  EXPECT_TRUE(d.vertexIndices.empty());
  EXPECT_FALSE(d.pathMode);
  EXPECT_FALSE(d.hasMaterialFileName);
  EXPECT_EQ(d.linesRead, 11u);
}

TEST(ObjParse, TriangleWithoutUVsKeepsFirstThreeCornersOfAQuad) {
  ObjData d = parse(
      "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nvn 0 0 1\n"
      "f 1//1 2//1 3//1 4//1\n"
      "f\t1//1\t3//1\t4//1\n");
  EXPECT_EQ(d.vertexIndices, (std::vector<uint32_t>{1, 2, 3, 1, 3, 4}));
  EXPECT_EQ(d.normalIndices, (std::vector<uint32_t>{1, 1, 1, 1, 1, 1}));
  EXPECT_TRUE(d.uvIndices.empty());
  EXPECT_FALSE(d.hasUVs);
}

TEST(ObjParse, FaceFormatFollowsTheFirstTextureCoordinateLine) {
  // v//n after a vt line is read as v/t/n and fails.
  const ObjData a = parse("vt 0 0\nv 0 0 0\nvn 0 0 1\nf 1//1 1//1 1//1\n", false);
  EXPECT_EQ(a.error, ObjError::SegmentOrTriangleWithUVs);
  EXPECT_EQ(a.errorLine, 4u);
  EXPECT_EQ(objErrorMessage(a, "models\\x.obj"),
            "ERROR: Inconsistensy in OBJ-File! Faces should be created in this way: \"f v1/t1/n1 v2/t2/n2 "
            "v3/t3/n3\"!\n"
            "ERROR: Invalid OBJ-File 'models\\x.obj', line 4: face or line element without the numbers it needs!");
  // v/t/n without any vt line is read as v//n and fails.
  const ObjData b = parse("v 0 0 0\nvn 0 0 1\nf 1/1/1 1/1/1 1/1/1\n", false);
  EXPECT_EQ(b.error, ObjError::TriangleWithoutUVs);
  EXPECT_EQ(objErrorMessage(b, "x.obj"),
            "ERROR: Inconsistency in OBJ-File! Faces should be created in this way: \"f v1/n1 v2/n2 v3/n3\"!\n"
            "ERROR: Invalid OBJ-File 'x.obj', line 3: face without the numbers it needs!");
  // Reading stops at the bad line: later lines are not seen.
  EXPECT_EQ(b.linesRead, 3u);
  // A bare f is a format error, not a read past the line.
  EXPECT_EQ(parse("f", false).error, ObjError::TriangleWithoutUVs);
  EXPECT_EQ(parse("vt 0 0\nf\n", false).error, ObjError::SegmentOrTriangleWithUVs);
}

TEST(ObjParse, ExactlyTwoSpacesMakeALineElement) {
  ObjData d = parse("v 0 0 0\nv 1 0 0\nf 1 2\nf 2 1\nmtllib after.mtl\n");
  EXPECT_TRUE(d.pathMode);
  EXPECT_EQ(d.vertexIndices, (std::vector<uint32_t>{1, 2, 2, 1}));
  EXPECT_TRUE(d.normalIndices.empty());
  // An mtllib line after the first line element is not even read.
  EXPECT_FALSE(d.hasMaterialFileName);

  // With a trailing space the line holds three spaces: a triangle.
  EXPECT_EQ(parse("v 0 0 0\nf 1 2 \n", false).error, ObjError::TriangleWithoutUVs);
  // A line element must carry two numbers; it reports the textured message.
  const ObjData s = parse("v 0 0 0\nf 1 x\n", false);
  EXPECT_EQ(s.error, ObjError::SegmentOrTriangleWithUVs);
  EXPECT_TRUE(s.pathMode);
  EXPECT_EQ(parse("f  \n", false).error, ObjError::SegmentOrTriangleWithUVs);
}

TEST(ObjParse, MaterialLibraryNameIsUntrimmedAndTheLastOneWins) {
  ObjData d = parse("mtllib first.mtl\nmtllib  my lib.mtl  \nv 0 0 0\nf 1 1\n");
  EXPECT_EQ(d.materialFileName, " my lib.mtl  ");
  EXPECT_TRUE(d.pathMode);
}

TEST(ObjParse, MaterialLibraryLiesBesideTheModel) {
  struct Case {
    const char* model;
    const char* library;
    const char* path;
    bool hasDirectory;
  };
  const Case cases[] = {
      {"models\\earth.obj", "earth.mtl", "models\\earth.mtl", true},
      {"earth.obj", "earth.mtl", "earth.mtl", false},
      {"a\\b/c.obj", "c.mtl", "a\\c.mtl", true},  // a backslash wins over a later slash
      {"a/b/c.obj", "c.mtl", "a/b/c.mtl", true},
      {"/abs.obj", " lib.mtl", "/ lib.mtl", true},  // the name stays untrimmed
      {"models/", "m.mtl", "models/m.mtl", true},  // all of it is directory
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.model);
    bool hasDirectory = !c.hasDirectory;
    EXPECT_EQ(materialPathOf(c.model, c.library, &hasDirectory), c.path);
    EXPECT_EQ(hasDirectory, c.hasDirectory);
    // The loader's rule for the directory part.
    EXPECT_EQ(fileNameOfPath(c.model) != c.model, c.hasDirectory);
  }
}

TEST(ObjParse, CarriageReturnLineFeedReadsLikeLineFeed) {
  std::string lf = kTexturedCube;
  std::string crlf;
  for (char c : lf) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
  ObjData a = parse(lf);
  ObjData b = parse(crlf);
  EXPECT_EQ(a.positions, b.positions);
  EXPECT_EQ(a.uvs, b.uvs);
  EXPECT_EQ(a.normals, b.normals);
  EXPECT_EQ(a.vertexIndices, b.vertexIndices);
  EXPECT_EQ(a.uvIndices, b.uvIndices);
  EXPECT_EQ(b.materialFileName, "cube.mtl");
  // A line element keeps its two spaces without the carriage return.
  ObjData p = parse("v 0 0 0\r\nf 1 1\r\n");
  EXPECT_TRUE(p.pathMode);
  // Only a carriage return at the very end goes.
  ObjData m = parse("mtllib a\rb.mtl\r\n");
  EXPECT_EQ(m.materialFileName, "a\rb.mtl");
}

// Indices outside their lists, and models the loader cannot complete, are
// rejected with a line that names the file and the line.
TEST(ObjParse, RejectsIndicesOutsideTheirLists) {
  const std::string head = "v 0 0 0\nv 1 0 0\nv 0 1 0\nvn 0 0 1\n";
  EXPECT_EQ(rejection(head + "f 1//1 2//1 4//1\n"),
            "ERROR: Invalid OBJ-File 'models\\m.obj', line 5: position index 4, but only 3 positions were read!");
  EXPECT_EQ(rejection(head + "f 1//1 2//1 3//1\nf 0//1 2//1 3//1\n"),
            "ERROR: Invalid OBJ-File 'models\\m.obj', line 6: position index 0, but indices start at 1!");
  EXPECT_EQ(rejection(head + "f 1//1 2//-1 3//1\n"),
            "ERROR: Invalid OBJ-File 'models\\m.obj', line 5: normal index -1, but indices start at 1 (relative "
            "indices are not supported)!");
  EXPECT_EQ(rejection("mtllib m.mtl\nv 0 0 0\nvt 0 0\nvn 0 0 1\nf 1/1/1 1/2/1 1/1/1\n"),
            "ERROR: Invalid OBJ-File 'models\\m.obj', line 5: texture coordinate index 2, but only 1 texture "
            "coordinates were read!");
  // A triangle model without normals.
  EXPECT_EQ(rejection("v 0 0 0\nf 1//1 1//1 1//1\n"),
            "ERROR: Invalid OBJ-File 'models\\m.obj', line 2: normal index 1, but only 0 normals were read!");
  // Indices too large for an int are not wrapped into range.
  EXPECT_EQ(rejection(head + "f 4294967297//1 1//1 1//1\n"),
            "ERROR: Invalid OBJ-File 'models\\m.obj', line 5: position index 4294967297, but only 3 positions were "
            "read!");
  // Of several bad indices, the earliest line is named.
  EXPECT_EQ(rejection(head + "f 1//1 1//1 1//1\nf 1//2 1//1 1//1\nf 9//1 1//1 1//1\n"),
            "ERROR: Invalid OBJ-File 'models\\m.obj', line 6: normal index 2, but only 1 normals were read!");
}

TEST(ObjParse, AcceptsForwardReferencesWithinTheFile) {
  ObjData d = parse("vn 0 0 1\nf 1//1 2//1 3//1\nv 0 0 0\nv 1 0 0\nv 0 1 0\n");
  EXPECT_EQ(d.vertexIndices.size(), 3u);
}

TEST(ObjParse, RejectsTextureCoordinatesThatCannotBeUsed) {
  EXPECT_EQ(rejection("v 0 0 0\nvt 0 0\nvn 0 0 1\nf 1/1/1 1/1/1 1/1/1\n"),
            "ERROR: Invalid OBJ-File 'models\\m.obj', line 2: texture coordinates but no mtllib line!");
  EXPECT_EQ(rejection("mtllib m.mtl\nv 0 0 0\nvn 0 0 1\nf 1//1 1//1 1//1\nvt 0 0\nf 1/1/1 1/1/1 1/1/1\n"),
            "ERROR: Invalid OBJ-File 'models\\m.obj', line 5: texture coordinates after the first face!");
  // Texture coordinates that only precede faces are fine.
  parse("mtllib m.mtl\nv 0 0 0\nvn 0 0 1\nvt 0 0\nf 1/1/1 1/1/1 1/1/1\n");
}

TEST(ObjParse, PathFilesAreNotCheckedAgainstLists) {
  // The chain only follows numbers; points are taken in file order.
  ObjData none = parse("f 1 2\nf 2 3\n");
  EXPECT_TRUE(none.pathMode);
  EXPECT_TRUE(none.positions.empty());
  ObjData far = parse("v 0 0 0\nf 1 7\nvt 0 0\n");
  EXPECT_EQ(far.vertexIndices, (std::vector<uint32_t>{1, 7}));
}

TEST(ObjParse, ExpandsCornersThroughTheIndices) {
  ObjData d = parse(kTexturedCube);
  std::vector<glm::vec3> v, n;
  std::vector<glm::vec2> t;
  ASSERT_TRUE(expandObjCorners(d, v, t, n));
  ASSERT_EQ(v.size(), 6u);
  ASSERT_EQ(t.size(), 6u);
  ASSERT_EQ(n.size(), 6u);
  EXPECT_EQ(v[1], glm::vec3(1, 1, 1));  // position 3
  EXPECT_EQ(t[1], d.uvs[1]);
  EXPECT_EQ(n[2], glm::vec3(0, 0, 1));
  // Without texture coordinates the uv list stays empty.
  ObjData plain = parse("v 0 0 0\nvn 0 0 1\nf 1//1 1//1 1//1\n");
  ASSERT_TRUE(expandObjCorners(plain, v, t, n));
  EXPECT_EQ(v.size(), 3u);
  EXPECT_TRUE(t.empty());
  // Data that was never checked is still never read outside its lists.
  ObjData raw;
  raw.positions.resize(1);
  raw.normals.resize(1);
  raw.vertexIndices = {1, 2};
  raw.normalIndices = {1, 1};
  EXPECT_FALSE(expandObjCorners(raw, v, t, n));
  EXPECT_TRUE(v.empty());
  raw.vertexIndices = {1, 0};
  EXPECT_FALSE(expandObjCorners(raw, v, t, n));
  raw.vertexIndices = {1};
  EXPECT_FALSE(expandObjCorners(raw, v, t, n));
}

// The file path (readLine) and the in-memory path see the same lines.
TEST(ObjParse, LineReaderAndInMemoryTextAgree) {
  // A NUL byte ends a line's text early; the rest of that line is skipped.
  const std::string text =
      std::string(kTexturedCube) + "v 5 6 7\r\nv 8\0 9 10\nmtllib late.mtl\r\nv 1 2 3\0tail\nv 4 5 6"s;
  FILE* f = tmpfile();
  ASSERT_NE(f, nullptr);
  fwrite(text.data(), 1, text.size(), f);
  rewind(f);
  ObjData fromFile;
  LineBuffer buffer;
  while (char* line = readLine(buffer, f)) parseObjLine(fromFile, line);
  fclose(f);
  freeLineBuffer(buffer);
  EXPECT_TRUE(finishObj(fromFile));
  ObjData fromText = parse(text);
  EXPECT_EQ(fromFile.linesRead, fromText.linesRead);
  EXPECT_EQ(fromFile.positions, fromText.positions);
  EXPECT_EQ(fromFile.materialFileName, fromText.materialFileName);
  EXPECT_EQ(fromText.materialFileName, "late.mtl");
  EXPECT_EQ(fromText.positions.back(), glm::vec3(4, 5, 6));
  EXPECT_EQ(fromText.positions[5], glm::vec3(8, 0, 0));
}

TEST(MtlParse, ReadsTheThreeTextureNames) {
  MtlData m;
  parseMtlText(
      "newmtl Material\r\n"
      "map_Kd textures\\old.dds\n"
      "map_Kd textures\\day.dds \r\n"  // untrimmed; a later line replaces
      "map_Ks spec.dds\n"
      " map_Kn indented.dds\n"  // only at the very start
      "map_kn lower.dds\n"      // case-sensitive
      "map_Kn\tnight.dds\n"     // the prefix ends in a space
      "map_Kn night.dds\n"
      "\n",
      m);
  EXPECT_TRUE(m.hasDiffuseTexture);
  EXPECT_EQ(m.diffuseTextureFileName, "textures\\day.dds ");
  EXPECT_TRUE(m.hasSpecularTexture);
  EXPECT_EQ(m.specularTextureFileName, "spec.dds");
  EXPECT_TRUE(m.hasNightTexture);
  EXPECT_EQ(m.diffuseNightTextureFileName, "night.dds");
  MtlData empty;
  parseMtlText("map_Kd\nmap_Ks", empty);
  EXPECT_FALSE(empty.hasDiffuseTexture || empty.hasSpecularTexture || empty.hasNightTexture);
}

// The number readers must agree with sscanf on every text, for counts and
// for the bits of every value stored.
class ScanEquivalence : public testing::Test {
 protected:
  std::mt19937 rng{12345};
  std::string pick(const std::vector<std::string>& parts) { return parts[rng() % parts.size()]; }

  std::string randomFloatText() {
    static const std::vector<std::string> odd = {
        "inf", "-INF", "nan", "nan(1)", "infinity", "0x1p3", "0x", "0X1.8P-2", "1e", "1e+", "1e-", ".", "-",
        "+",   "+.5",  "-.",  "1.5.2",  "1e5e5",    "1,5", "--1", "+-1",      "e5", "1.e3", "00.0100", "1x"};
    std::string s;
    int tokens = rng() % 5;
    for (int i = 0; i < tokens; ++i) {
      s += pick({"", " ", "  ", "\t", " \v", "\f", "\r"});
      if (rng() % 4 == 0) {
        s += pick(odd);
      } else {
        std::string number = pick({"", "-", "+"});
        int digits = rng() % 12;
        for (int d = 0; d < digits; ++d) number += char('0' + rng() % 10);
        if (rng() % 2) {
          number += '.';
          int fraction = rng() % 12;
          for (int d = 0; d < fraction; ++d) number += char('0' + rng() % 10);
        }
        if (rng() % 3 == 0) number += pick({"e", "E", "e-", "e+"}) + std::to_string(rng() % 60);
        s += number;
      }
      s += pick({"", "", "", "x", "/", "#", "e"});
    }
    return s;
  }

  std::string randomFaceText(bool withUVs) {
    std::string s;
    int pieces = rng() % 14;
    for (int i = 0; i < pieces; ++i) {
      switch (rng() % 6) {
        case 0:
        case 1:
          s += std::to_string(rng() % 2000000000);
          break;
        case 2:
          s += withUVs ? "/" : "//";
          break;
        default:
          s += pick({"/", " ", "\t", "-", "+", "x", "  ", "//", "-0", "007"});
      }
    }
    if (rng() % 3 == 0) {
      // A well-formed face now and then, so that success is compared too.
      s = withUVs ? "1/2/3 4/5/6 7/8/9" : "1//2 3//4 5//6";
      s += pick({"", " 10/11/12", " ", "\t"});
    }
    return s;
  }
};

bool sameBits(float a, float b) { return memcmp(&a, &b, sizeof a) == 0; }

TEST_F(ScanEquivalence, FloatsMatchSscanf) {
  for (int i = 0; i < 200000; ++i) {
    const std::string text = randomFloatText();
    for (int count : {2, 3}) {
      float ours[3] = {0, 0, 0}, theirs[3] = {0, 0, 0};
      int a = objscan::floats(text.c_str(), ours, count);
      int b = count == 3 ? sscanf(text.c_str(), "%f %f %f\n", &theirs[0], &theirs[1], &theirs[2])
                         : sscanf(text.c_str(), "%f %f\n", &theirs[0], &theirs[1]);
      ASSERT_EQ(a, b) << "'" << text << "'";
      for (int k = 0; k < count; ++k) ASSERT_TRUE(sameBits(ours[k], theirs[k])) << "'" << text << "' value " << k;
    }
  }
}

TEST_F(ScanEquivalence, FaceIndicesMatchSscanf) {
  for (int i = 0; i < 200000; ++i) {
    const bool withUVs = rng() % 2;
    const std::string text = randomFaceText(withUVs);
    int64_t ours[9] = {0};
    int theirs[9] = {0};
    int a, b;
    if (withUVs) {
      a = objscan::facePositionUVNormal(text.c_str(), ours);
      b = sscanf(text.c_str(), "%d/%d/%d %d/%d/%d %d/%d/%d\n", &theirs[0], &theirs[1], &theirs[2], &theirs[3],
                 &theirs[4], &theirs[5], &theirs[6], &theirs[7], &theirs[8]);
    } else if (rng() % 3) {
      a = objscan::facePositionNormal(text.c_str(), ours);
      b = sscanf(text.c_str(), "%d//%d %d//%d %d//%d\n", &theirs[0], &theirs[1], &theirs[2], &theirs[3], &theirs[4],
                 &theirs[5]);
    } else {
      a = objscan::segment(text.c_str(), ours);
      b = sscanf(text.c_str(), "%d %d", &theirs[0], &theirs[1]);
    }
    // Beyond int, sscanf wraps (undefined in C); those never reach a model.
    bool fitsInt = true;
    for (int k = 0; k < std::max(a, 0); ++k) fitsInt = fitsInt && ours[k] >= INT32_MIN && ours[k] <= INT32_MAX;
    if (!fitsInt) continue;
    ASSERT_EQ(a, b) << "'" << text << "'";
    for (int k = 0; k < std::max(a, 0); ++k) ASSERT_EQ(ours[k], theirs[k]) << "'" << text << "' value " << k;
  }
}

TEST(Scan, EndsOfTextAndFailures) {
  float f[3] = {7, 7, 7};
  EXPECT_EQ(objscan::floats("", f, 3), -1);
  EXPECT_EQ(objscan::floats("  \t", f, 3), -1);
  EXPECT_EQ(objscan::floats("x", f, 3), 0);
  EXPECT_EQ(f[0], 7.0f);
  EXPECT_EQ(objscan::floats("1 2", f, 3), 2);
  EXPECT_EQ(objscan::floats("1e39", f, 3), 1);
  EXPECT_TRUE(std::isinf(f[0]));
  int64_t v[9];
  EXPECT_EQ(objscan::segment("", v), -1);
  EXPECT_EQ(objscan::segment("-", v), 0);
  EXPECT_EQ(objscan::segment("3", v), 1);
  EXPECT_EQ(objscan::facePositionNormal("1/2", v), 1);
  EXPECT_EQ(objscan::facePositionUVNormal("1/2/3 4/5/6 7/8/9 ", v), 9);
  EXPECT_EQ(v[8], 9);
}

}  // namespace
