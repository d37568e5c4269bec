// The generated models as the system's OBJ and MTL reader takes them, and
// their geometry: winding, seams, sizes and orientation.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "loaders/linemesh.h"
#include "loaders/objparse.h"
#include "tools/assetgen/flight.h"
#include "tools/assetgen/mesh.h"

namespace {
ObjData parse(const std::string& text) {
  ObjData data;
  EXPECT_TRUE(parseObjText(text, data)) << objErrorMessage(data, "generated");
  return data;
}

size_t triangleCount(const ObjData& data) { return data.vertexIndices.size() / 3; }

// Every triangle winds counter-clockwise seen from the side its normals face.
void expectWindingFollowsNormals(const Mesh& mesh) {
  for (const auto& t : mesh.triangles) {
    const glm::vec3 a = mesh.positions[t[0].position], b = mesh.positions[t[1].position], c = mesh.positions[t[2].position];
    const glm::vec3 n = mesh.normals[t[0].normal] + mesh.normals[t[1].normal] + mesh.normals[t[2].normal];
    ASSERT_GT(glm::dot(glm::cross(b - a, c - a), n), 0.0f);
  }
}
}  // namespace

TEST(AssetgenModels, TexturedModelsParseWithTheirLibraries) {
  struct Case {
    Mesh mesh;
    const char* library;
    size_t minTriangles, maxTriangles;
  };
  const Case cases[] = {{uvSphere(128, 64, true), "earth.mtl", 15000, 17000},
                        {uvSphere(64, 32, true), "moon.mtl", 3500, 4500},
                        {missile(), "missile.mtl", 1000, 2000},
                        {insideCube(), "envcube.mtl", 12, 12}};
  for (const Case& c : cases) {
    const ObjData data = parse(objText(c.mesh, c.library));
    EXPECT_TRUE(data.hasUVs);
    EXPECT_FALSE(data.pathMode);
    EXPECT_EQ(data.materialFileName, c.library);
    EXPECT_GE(triangleCount(data), c.minTriangles) << c.library;
    EXPECT_LE(triangleCount(data), c.maxTriangles) << c.library;
    EXPECT_EQ(data.uvIndices.size(), data.vertexIndices.size());
    expectWindingFollowsNormals(c.mesh);
  }
}

TEST(AssetgenModels, UntexturedModelsNameNoMaterial) {
  for (const Mesh& mesh : {uvSphere(64, 32, false), shadowCone(64, 11.0f, 0.85f)}) {
    const std::string text = objText(mesh, "");
    const ObjData data = parse(text);
    EXPECT_FALSE(data.hasUVs);
    EXPECT_FALSE(data.hasMaterialFileName);
    EXPECT_EQ(text.find("vt "), std::string::npos);
    EXPECT_NE(text.find("//"), std::string::npos);  // f v//n
    EXPECT_LE(triangleCount(data), 4500u);
    expectWindingFollowsNormals(mesh);
  }
}

TEST(AssetgenModels, MaterialLibrariesNameTexturesRelativeToTheWorkingDirectory) {
  MtlData data;
  parseMtlText(mtlText("earth", "textures/earth_day.DDS", "textures/earth_specular.DDS", "textures/earth_night.DDS"), data);
  EXPECT_EQ(data.diffuseTextureFileName, "textures/earth_day.DDS");
  EXPECT_EQ(data.specularTextureFileName, "textures/earth_specular.DDS");
  EXPECT_EQ(data.diffuseNightTextureFileName, "textures/earth_night.DDS");
  MtlData moon;
  parseMtlText(mtlText("moon", "textures/moon.DDS", "", ""), moon);
  EXPECT_TRUE(moon.hasDiffuseTexture);
  EXPECT_FALSE(moon.hasSpecularTexture);
  EXPECT_FALSE(moon.hasNightTexture);
}

TEST(AssetgenModels, SphereHasSeamAndPolesWithoutSmear) {
  const int slices = 16, stacks = 8;
  const Mesh sphere = uvSphere(slices, stacks, true);
  bool seamAtZero = false, seamAtOne = false;
  for (size_t i = 0; i < sphere.positions.size(); ++i) {
    EXPECT_NEAR(glm::length(sphere.positions[i]), 1.0f, 1e-5f);
    EXPECT_GT(glm::dot(sphere.normals[i], sphere.positions[i]), 0.999f);
    // The image maps onto the sphere as spherePoint says.
    if (std::fabs(sphere.positions[i].y) < 0.999f) {
      EXPECT_LT(glm::distance(spherePoint(sphere.uvs[i].x, sphere.uvs[i].y), sphere.positions[i]), 1e-5f);
    }
    if (sphere.uvs[i].x == 0.0f && std::fabs(sphere.positions[i].y) < 0.999f) seamAtZero = true;
    if (sphere.uvs[i].x == 1.0f && std::fabs(sphere.positions[i].y) < 0.999f) seamAtOne = true;
  }
  EXPECT_TRUE(seamAtZero);
  EXPECT_TRUE(seamAtOne);
  // No triangle reaches across the image: u spans one slice at most.
  for (const auto& t : sphere.triangles) {
    float lo = 2, hi = -1;
    for (const Corner& c : t) {
      lo = std::min(lo, sphere.uvs[c.uv].x);
      hi = std::max(hi, sphere.uvs[c.uv].x);
    }
    ASSERT_LE(hi - lo, 1.0f / slices + 1e-5f);
  }
  // North is v = 1 (the top of the image) and y = +1.
  EXPECT_GT(spherePoint(0.3f, 0.99f).y, 0.99f);
  // Seen from outside with north up, east (growing u) is to the right.
  const glm::vec3 facing = spherePoint(0.5f, 0.5f), east = spherePoint(0.55f, 0.5f);
  EXPECT_GT(glm::dot(glm::cross(glm::vec3(0, 1, 0), facing), east - facing), 0.0f);
}

// No textured triangle may map onto a line of the texture: its sampling
// footprint is degenerate, and the software renderer's anisotropic filter can
// spin on it.
TEST(AssetgenModels, EveryTexturedTriangleCoversTextureArea) {
  for (const Mesh& m : {missile(), uvSphere(64, 32, true)}) {
    size_t flat = 0;
    for (const auto& t : m.triangles) {
      const glm::vec2 a = m.uvs[t[0].uv], b = m.uvs[t[1].uv], c = m.uvs[t[2].uv];
      const float area = (b.x - a.x) * (c.y - a.y) - (c.x - a.x) * (b.y - a.y);
      if (std::abs(area) < 1e-9f) ++flat;
    }
    EXPECT_EQ(flat, 0u) << m.triangles.size() << " triangles";
  }
}

TEST(AssetgenModels, MissilePointsItsNoseAlongMinusX) {
  const Mesh m = missile();
  glm::vec3 lo(1e9f), hi(-1e9f), nose(1e9f);
  for (const glm::vec3& p : m.positions) {
    lo = glm::min(lo, p);
    hi = glm::max(hi, p);
    if (p.x < nose.x) nose = p;
  }
  EXPECT_NEAR(hi.x - lo.x, 10.0f, 1.0f);
  EXPECT_LT(std::max(hi.y - lo.y, hi.z - lo.z), 3.0f);
  EXPECT_NEAR(std::hypot(nose.y, nose.z), 0.0f, 1e-4f);  // a pointed tip on the axis
  EXPECT_LT(nose.x, -4.5f);
  // The fins sit at the tail (+x), the far end from the nose.
  float widestX = 0, widest = 0;
  for (const glm::vec3& p : m.positions)
    if (std::hypot(p.y, p.z) > widest) widest = std::hypot(p.y, p.z), widestX = p.x;
  EXPECT_GT(widestX, 2.0f);
}

TEST(AssetgenModels, ShadowConeStartsAtTheEarthsCentreAndReachesPastTheMoon) {
  const Mesh cone = shadowCone(64, 11.0f, 0.85f);
  float bottom = 1e9f, top = -1e9f;
  for (const glm::vec3& p : cone.positions) {
    bottom = std::min(bottom, p.y);
    top = std::max(top, p.y);
    if (p.y == -1.0f && p.x * p.x + p.z * p.z > 0.01f) {
      EXPECT_NEAR(std::hypot(p.x, p.z), 1.0f, 1e-5f);
    }
  }
  for (const glm::vec3& p : cone.positions) {
    if (p.y == top && p.x * p.x + p.z * p.z > 0.01f) {
      EXPECT_GT(std::hypot(p.x, p.z), 0.5f);
    }
  }
  EXPECT_EQ(bottom, -1.0f);
  // Placed with its base on the Earth's centre, it reaches past the Moon's
  // orbit of radius 6 (plus the Moon's radius).
  EXPECT_GT(top + 1.0f, 6.3f + 1.0f);
  // Closed, with normals outwards.
  for (size_t i = 0; i < cone.positions.size(); ++i) {
    const glm::vec3 centreOnAxis(0, std::clamp(cone.positions[i].y, -0.5f, top - 0.5f), 0);
    EXPECT_GT(glm::dot(cone.normals[i], cone.positions[i] - centreOnAxis), 0.0f);
  }
}

TEST(AssetgenModels, EnvironmentCubeFacesInwardAndMatchesTheStarAtlas) {
  const Mesh cube = insideCube();
  for (size_t i = 0; i < cube.positions.size(); ++i) EXPECT_LT(glm::dot(cube.normals[i], cube.positions[i]), 0.0f);
  // The texture coordinate of any point of a face is where the star atlas
  // drew that direction.
  for (const auto& t : cube.triangles) {
    const glm::vec3 weights[] = {{1 / 3.0f, 1 / 3.0f, 1 / 3.0f}, {0.6f, 0.3f, 0.1f}, {0.1f, 0.2f, 0.7f}};
    for (const glm::vec3& w : weights) {
      const glm::vec3 p = w.x * cube.positions[t[0].position] + w.y * cube.positions[t[1].position] + w.z * cube.positions[t[2].position];
      const glm::vec2 uv = w.x * cube.uvs[t[0].uv] + w.y * cube.uvs[t[1].uv] + w.z * cube.uvs[t[2].uv];
      float s, tt;
      const int face = cubeFaceOf(p, s, tt);
      const glm::vec2 expected = cubeAtlasUv(face, s, tt);
      EXPECT_NEAR(uv.x, expected.x, 1e-5f);
      EXPECT_NEAR(uv.y, expected.y, 1e-5f);
    }
  }
  // Seen from inside, the atlas is not mirrored: right x up points out of
  // the face towards the viewer (along -centre).
  for (const CubeFace& f : cubeFaces()) EXPECT_GT(glm::dot(glm::cross(f.right, f.up), -f.centre), 0.0f);
}

TEST(AssetgenModels, PathFilesChainEveryPointFromTheFirst) {
  const FlightPaths flight = buildFlight();
  for (const std::vector<glm::vec3>* path : {&flight.eye, &flight.lookAt}) {
    const std::string text = pathObjText(*path);
    const ObjData data = parse(text);
    EXPECT_TRUE(data.pathMode);
    ASSERT_EQ(data.positions.size(), path->size());
    LineMesh line;
    ASSERT_TRUE(line.build(data.positions, data.vertexIndices));
    ASSERT_EQ(line.pointCount(), path->size());
    for (uint32_t k = 0; k < line.indices.size(); ++k) EXPECT_EQ(line.indices[k], k + 1);
    EXPECT_LT(glm::distance(line.point(10), (*path)[10]), 1e-4f);
  }
}
