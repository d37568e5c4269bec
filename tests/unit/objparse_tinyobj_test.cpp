// Our OBJ reader against tinyobjloader on the same files: every expanded
// corner must carry the attributes tinyobjloader finds for it.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <random>
#include <string>

#include "loaders/objparse.h"

#ifdef ORBISK_HAVE_TINYOBJLOADER
#include <tiny_obj_loader.h>
#endif

namespace {

#ifdef ORBISK_HAVE_TINYOBJLOADER

struct Files {
  std::string dir;
  std::string obj;
};

// A triangulated model in the shapes that exporters write: several objects
// and groups, smoothing and material switches, comments, mixed number forms,
// tabs and runs of spaces, and optionally CR LF line ends.
std::string generateModel(unsigned seed, bool crlf) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<double> value(-1000.0, 1000.0);
  const char* formats[] = {"%.6f", "%g", "%.9g", "%e", "%.3E"};
  auto number = [&](double x) {
    char text[64];
    snprintf(text, sizeof text, formats[rng() % 5], x);
    return std::string(text);
  };
  const std::string nl = crlf ? "\r\n" : "\n";
  std::string s = "# Exported by a test" + nl + "mtllib model.mtl" + nl;
  const int positions = 50 + rng() % 50, uvs = 30 + rng() % 30, normals = 20 + rng() % 20;
  for (int i = 0; i < positions; ++i)
    s += "v " + number(value(rng)) + (rng() % 4 ? " " : "\t ") + number(value(rng)) + "  " + number(value(rng)) + nl;
  for (int i = 0; i < uvs; ++i) s += "vt " + number(value(rng) / 1000.0) + " " + number(value(rng) / 1000.0) + nl;
  for (int i = 0; i < normals; ++i)
    s += "vn " + number(value(rng) / 1000.0) + " " + number(value(rng) / 1000.0) + " " + number(value(rng) / 1000.0) +
         nl;
  for (int group = 0; group < 3; ++group) {
    s += (group % 2 ? "g part" : "o object") + std::to_string(group) + nl;
    s += "usemtl mat" + std::to_string(group) + nl + "s " + (group % 2 ? "1" : "off") + nl;
    for (int face = 0; face < 40; ++face) {
      s += "f";
      for (int corner = 0; corner < 3; ++corner)
        s += " " + std::to_string(1 + rng() % positions) + "/" + std::to_string(1 + rng() % uvs) + "/" +
             std::to_string(1 + rng() % normals);
      s += nl;
    }
  }
  return s;
}

Files writeModel(const std::string& text) {
  char pattern[] = "/tmp/orbisk-tinyobj-XXXXXX";
  Files files;
  files.dir = mkdtemp(pattern);
  files.obj = files.dir + "/model.obj";
  std::ofstream(files.obj, std::ios::binary) << text;
  std::ofstream(files.dir + "/model.mtl", std::ios::binary) << "newmtl mat0\nnewmtl mat1\nnewmtl mat2\n";
  return files;
}

void crossCheck(const std::string& text) {
  ObjData ours;
  ASSERT_TRUE(parseObjText(text, ours)) << objErrorMessage(ours, "model.obj");
  std::vector<glm::vec3> vertices, normals;
  std::vector<glm::vec2> uvs;
  ASSERT_TRUE(expandObjCorners(ours, vertices, uvs, normals));

  Files files = writeModel(text);
  tinyobj::attrib_t attrib;
  std::vector<tinyobj::shape_t> shapes;
  std::vector<tinyobj::material_t> materials;
  std::string warn, err;
  ASSERT_TRUE(tinyobj::LoadObj(&attrib, &shapes, &materials, &warn, &err, files.obj.c_str(),
                               (files.dir + "/").c_str(), false))
      << err;

  EXPECT_EQ(ours.positions.size() * 3, attrib.vertices.size());
  EXPECT_EQ(ours.uvs.size() * 2, attrib.texcoords.size());
  EXPECT_EQ(ours.normals.size() * 3, attrib.normals.size());
  size_t corner = 0;
  for (const tinyobj::shape_t& shape : shapes) {
    for (unsigned char faceSize : shape.mesh.num_face_vertices) ASSERT_EQ(faceSize, 3);
    for (const tinyobj::index_t& index : shape.mesh.indices) {
      ASSERT_LT(corner, vertices.size());
      // tinyobjloader has its own number parser; allow for a last-bit
      // difference in rounding.
      for (int k = 0; k < 3; ++k) {
        const float p = attrib.vertices[3 * index.vertex_index + k];
        EXPECT_NEAR(vertices[corner][k], p, 1e-6f * std::max(1.0f, std::fabs(p))) << "corner " << corner;
        EXPECT_NEAR(normals[corner][k], attrib.normals[3 * index.normal_index + k], 1e-6f) << "corner " << corner;
      }
      EXPECT_NEAR(uvs[corner].x, attrib.texcoords[2 * index.texcoord_index], 1e-6f) << "corner " << corner;
      EXPECT_NEAR(uvs[corner].y, 1.0f - attrib.texcoords[2 * index.texcoord_index + 1], 1e-6f) << "corner " << corner;
      ++corner;
    }
  }
  EXPECT_EQ(corner, vertices.size());
  remove(files.obj.c_str());
  remove((files.dir + "/model.mtl").c_str());
  rmdir(files.dir.c_str());
}

TEST(ObjCrossCheck, CornersAgreeWithTinyObjLoader) {
  for (unsigned seed = 1; seed <= 6; ++seed) {
    SCOPED_TRACE(seed);
    crossCheck(generateModel(seed, false));
  }
}

TEST(ObjCrossCheck, CarriageReturnLineFeedCornersAgreeWithTinyObjLoader) { crossCheck(generateModel(99, true)); }

#else

TEST(ObjCrossCheck, CornersAgreeWithTinyObjLoader) { GTEST_SKIP() << "tinyobjloader not installed"; }

#endif

}  // namespace
