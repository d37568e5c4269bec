// The scene's triangle models as plain data, and their OBJ/MTL text.
#pragma once
#include <array>
#include <string>
#include <vector>

#include <glm/glm.hpp>

// One triangle corner: 0-based indices into the mesh's lists (uv ignored
// when the mesh has no texture coordinates).
struct Corner {
  unsigned position = 0, uv = 0, normal = 0;
};

struct Mesh {
  std::vector<glm::vec3> positions;
  std::vector<glm::vec2> uvs;  // OBJ convention: v = 1 is the top row of the image
  std::vector<glm::vec3> normals;
  std::vector<std::array<Corner, 3>> triangles;  // counter-clockwise seen from the side the normals face

  bool hasUvs() const { return !uvs.empty(); }
  // Appends a vertex whose position, uv and normal share one index.
  unsigned addVertex(const glm::vec3& p, const glm::vec2& uv, const glm::vec3& n);
  void addTriangle(unsigned a, unsigned b, unsigned c);  // shared-index vertices
};

// Sphere of radius 1 about the origin, y the polar axis, `slices` around and
// `stacks` from pole to pole. With uvs the seam column is duplicated (u = 0
// and u = 1) and each pole has one vertex per slice, so that the image maps
// without a smear; u grows eastwards seen from outside and v = 1 is north.
// Without uvs every position is shared.
Mesh uvSphere(int slices, int stacks, bool withUvs);

// Point of the unit sphere for texture coordinate (u, v); the inverse of the
// sphere's mapping.
glm::vec3 spherePoint(float u, float v);

// Cube from -1 to 1 whose faces are seen from inside (normals inwards), each
// face mapped to its cell of a 3 x 2 atlas (see cubeFace*).
Mesh insideCube();

// Cube faces of the star atlas: face f covers the directions whose largest
// component is along centre; (s, t) in [-1, 1] run along right and up as seen
// from inside.
struct CubeFace {
  glm::vec3 centre, right, up;
  int column, row;  // cell of the 3 x 2 atlas, row 0 at the top of the image
};
const std::array<CubeFace, 6>& cubeFaces();
// Face index and (s, t) of a direction; atlas uv in OBJ convention.
int cubeFaceOf(const glm::vec3& direction, float& s, float& t);
glm::vec2 cubeAtlasUv(int face, float s, float t);

// The Earth's shadow volume: axis +y, base circle of radius 1 at y = -1 and a
// slightly narrowing side up to y = `top`; closed at both ends, no uvs.
Mesh shadowCone(int slices, float top, float topRadius);

// A missile about 10 units long, nose along -x, with four tail fins and four
// small canards; uvs into the paint texture (see missileUv*).
Mesh missile();

// OBJ text: v/vt/vn lines and "f v/t/n" faces (or "f v//n" without uvs), a
// leading mtllib line when mtlName is not empty.
std::string objText(const Mesh& mesh, const std::string& mtlName);

// MTL text naming the textures (empty names are left out).
std::string mtlText(const std::string& material, const std::string& diffuse, const std::string& specular,
                    const std::string& night);
