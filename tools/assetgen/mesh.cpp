#include "tools/assetgen/mesh.h"

#include <cmath>
#include <cstdio>
#include <utility>

namespace {
constexpr float pi = 3.14159265358979f;

// Winding follows the corner normals, so each generator only has to get its
// normals right.
void addOriented(Mesh& mesh, Corner a, Corner b, Corner c) {
  const glm::vec3 geometric =
      glm::cross(mesh.positions[b.position] - mesh.positions[a.position], mesh.positions[c.position] - mesh.positions[a.position]);
  const glm::vec3 shading = mesh.normals[a.normal] + mesh.normals[b.normal] + mesh.normals[c.normal];
  if (glm::dot(geometric, shading) < 0) std::swap(b, c);
  mesh.triangles.push_back({a, b, c});
}

void appendFloat(std::string& out, float value) {
  char text[32];
  if (value == 0.0f) value = 0.0f;  // never write -0: the vertex merger tells the two apart
  std::snprintf(text, sizeof text, " %.6f", static_cast<double>(value));
  out += text;
}

// A solid of revolution about the x axis from a profile of (x, radius)
// points. Creases sharper than 35 degrees get separate normals; the uv u
// follows x, v follows the angle inside [vLow, vHigh].
void addLathe(Mesh& mesh, const std::vector<glm::vec2>& profile, int slices, float vLow, float vHigh) {
  const size_t n = profile.size();
  std::vector<glm::vec2> segmentNormal(n - 1);
  for (size_t i = 0; i + 1 < n; ++i) {
    const glm::vec2 d = profile[i + 1] - profile[i];
    segmentNormal[i] = glm::normalize(glm::vec2(-d.y, d.x));
  }
  // u follows the length, with a slight lean on the radius so that a flat
  // disc (a segment at constant x) still spans some area of the texture: a
  // triangle whose texture coordinates lie on one line has a degenerate
  // footprint, which anisotropic filtering cannot size.
  auto uOf = [](float x, float r) { return (x + 5.0f - 0.05f * r) / 10.0f; };
  for (size_t i = 0; i + 1 < n; ++i) {
    // Profile normals at both ends of the segment, smoothed with the
    // neighbours where the surface bends gently.
    glm::vec2 ends[2];
    for (int e = 0; e < 2; ++e) {
      const size_t other = e == 0 ? i - 1 : i + 1;
      const bool hasNeighbour = e == 0 ? i > 0 : i + 2 < n;
      ends[e] = segmentNormal[i];
      if (hasNeighbour && glm::dot(segmentNormal[i], segmentNormal[other]) > std::cos(35.0f * pi / 180.0f))
        ends[e] = glm::normalize(segmentNormal[i] + segmentNormal[other]);
    }
    const unsigned base = static_cast<unsigned>(mesh.positions.size());
    for (int e = 0; e < 2; ++e) {
      const glm::vec2 p = profile[i + e];
      for (int k = 0; k <= slices; ++k) {
        // A ring of radius 0 (a tip) gets its own vertex per slice, at the
        // middle angle of that slice, like the poles of a sphere.
        const float frac = (p.y == 0.0f) ? (std::min(k, slices - 1) + 0.5f) / slices : static_cast<float>(k) / slices;
        const float phi = 2 * pi * frac;
        const glm::vec3 radial(0, std::cos(phi), std::sin(phi));
        const glm::vec3 normal = glm::normalize(glm::vec3(ends[e].x, 0, 0) + radial * ends[e].y);
        mesh.addVertex(glm::vec3(p.x, 0, 0) + radial * p.y, glm::vec2(uOf(p.x, p.y), vLow + (vHigh - vLow) * frac), normal);
      }
    }
    const unsigned ring = static_cast<unsigned>(slices + 1);
    for (int k = 0; k < slices; ++k) {
      const unsigned a = base + k, b = base + k + 1, c = base + ring + k, d = base + ring + k + 1;
      // A tip ring has one vertex per slice (k), so each slice gets a single
      // triangle there.
      if (profile[i].y == 0.0f) mesh.addTriangle(a, d, c);
      else if (profile[i + 1].y == 0.0f) mesh.addTriangle(a, b, c);
      else {
        mesh.addTriangle(a, b, d);
        mesh.addTriangle(a, d, c);
      }
    }
  }
}

// A flat fin: a trapezoid in the plane of the x axis and `out`, thickened
// along `side`; uvs in the fin strip of the paint texture.
void addFin(Mesh& mesh, float rootFront, float rootBack, float tipFront, float tipBack, float rootR, float tipR,
            float thickness, float angle) {
  const glm::vec3 out(0, std::cos(angle), std::sin(angle));
  const glm::vec3 side(0, -std::sin(angle), std::cos(angle));
  const glm::vec3 outline[4] = {glm::vec3(rootFront, 0, 0) + out * rootR, glm::vec3(rootBack, 0, 0) + out * rootR,
                                glm::vec3(tipBack, 0, 0) + out * tipR, glm::vec3(tipFront, 0, 0) + out * tipR};
  // The side term gives the fin's thin edges some texture area as well.
  auto uvOf = [&](const glm::vec3& p) {
    const float radial = glm::dot(p, out);
    const float across = glm::dot(p, side) / thickness;
    return glm::vec2((p.x + 5.0f) / 10.0f + 0.004f * across,
                     0.02f + 0.21f * (radial - rootR) / (tipR - rootR) + 0.004f * across);
  };
  auto quad = [&](glm::vec3 p0, glm::vec3 p1, glm::vec3 p2, glm::vec3 p3, glm::vec3 normal) {
    const unsigned a = mesh.addVertex(p0, uvOf(p0), normal), b = mesh.addVertex(p1, uvOf(p1), normal),
                   c = mesh.addVertex(p2, uvOf(p2), normal), d = mesh.addVertex(p3, uvOf(p3), normal);
    mesh.addTriangle(a, b, c);
    mesh.addTriangle(a, c, d);
  };
  const glm::vec3 h = side * (thickness / 2);
  quad(outline[0] + h, outline[1] + h, outline[2] + h, outline[3] + h, side);
  quad(outline[0] - h, outline[1] - h, outline[2] - h, outline[3] - h, -side);
  for (int e = 0; e < 4; ++e) {
    const glm::vec3 p = outline[e], q = outline[(e + 1) % 4];
    const glm::vec3 edge = q - p;
    glm::vec3 normal = glm::normalize(glm::cross(edge, side));
    const glm::vec3 centre = (outline[0] + outline[1] + outline[2] + outline[3]) * 0.25f;
    if (glm::dot(normal, (p + q) * 0.5f - centre) < 0) normal = -normal;
    quad(p + h, q + h, q - h, p - h, normal);
  }
}
}  // namespace

unsigned Mesh::addVertex(const glm::vec3& p, const glm::vec2& uv, const glm::vec3& n) {
  positions.push_back(p);
  uvs.push_back(uv);
  normals.push_back(n);
  return static_cast<unsigned>(positions.size() - 1);
}

void Mesh::addTriangle(unsigned a, unsigned b, unsigned c) { addOriented(*this, {a, a, a}, {b, b, b}, {c, c, c}); }

glm::vec3 spherePoint(float u, float v) {
  const float lon = 2 * pi * u - pi, lat = pi * (v - 0.5f);
  return glm::vec3(std::sin(lon) * std::cos(lat), std::sin(lat), std::cos(lon) * std::cos(lat));
}

Mesh uvSphere(int slices, int stacks, bool withUvs) {
  Mesh mesh;
  if (!withUvs) {
    // Shared positions: ring j (1 .. stacks-1) has `slices` vertices, plus
    // the two poles.
    auto add = [&](const glm::vec3& p) {
      mesh.positions.push_back(p);
      mesh.normals.push_back(p);
      return static_cast<unsigned>(mesh.positions.size() - 1);
    };
    const unsigned north = add(glm::vec3(0, 1, 0));
    for (int j = 1; j < stacks; ++j)
      for (int i = 0; i < slices; ++i) add(spherePoint(static_cast<float>(i) / slices, 1.0f - static_cast<float>(j) / stacks));
    const unsigned south = add(glm::vec3(0, -1, 0));
    auto ringVertex = [&](int j, int i) { return 1u + static_cast<unsigned>((j - 1) * slices + (i % slices)); };
    auto tri = [&](unsigned a, unsigned b, unsigned c) { addOriented(mesh, {a, 0, a}, {b, 0, b}, {c, 0, c}); };
    for (int i = 0; i < slices; ++i) {
      tri(north, ringVertex(1, i), ringVertex(1, i + 1));
      for (int j = 1; j + 1 < stacks; ++j) {
        tri(ringVertex(j, i), ringVertex(j + 1, i), ringVertex(j + 1, i + 1));
        tri(ringVertex(j, i), ringVertex(j + 1, i + 1), ringVertex(j, i + 1));
      }
      tri(south, ringVertex(stacks - 1, i + 1), ringVertex(stacks - 1, i));
    }
    return mesh;
  }
  // Vertex (i, j): column i = 0 .. slices (the seam twice), row j = 0 .. stacks
  // from north to south; the pole rows hold one vertex per slice.
  auto index = [&](int i, int j) { return static_cast<unsigned>(j * (slices + 1) + i); };
  for (int j = 0; j <= stacks; ++j) {
    for (int i = 0; i <= slices; ++i) {
      const bool pole = j == 0 || j == stacks;
      const float u = pole ? (std::min(i, slices - 1) + 0.5f) / slices : static_cast<float>(i) / slices;
      const float v = 1.0f - static_cast<float>(j) / stacks;
      glm::vec3 p = spherePoint(u, v);
      if (pole) p = glm::vec3(0, j == 0 ? 1.0f : -1.0f, 0);
      mesh.addVertex(p, glm::vec2(u, v), p);
    }
  }
  for (int j = 0; j < stacks; ++j) {
    for (int i = 0; i < slices; ++i) {
      if (j != stacks - 1) mesh.addTriangle(index(i, j), index(i, j + 1), index(i + 1, j + 1));
      // At the south pole the slice's own pole vertex (i) closes the triangle.
      if (j == stacks - 1) mesh.addTriangle(index(i, j), index(i, j + 1), index(i + 1, j));
      else if (j != 0) mesh.addTriangle(index(i, j), index(i + 1, j + 1), index(i + 1, j));
    }
  }
  return mesh;
}

const std::array<CubeFace, 6>& cubeFaces() {
  // right = cross(centre, up): seen from inside the cube, s grows to the right.
  static const std::array<CubeFace, 6> faces = {{
      {{1, 0, 0}, {0, 0, 1}, {0, 1, 0}, 0, 0},
      {{-1, 0, 0}, {0, 0, -1}, {0, 1, 0}, 1, 0},
      {{0, 1, 0}, {1, 0, 0}, {0, 0, 1}, 2, 0},
      {{0, -1, 0}, {1, 0, 0}, {0, 0, -1}, 0, 1},
      {{0, 0, 1}, {-1, 0, 0}, {0, 1, 0}, 1, 1},
      {{0, 0, -1}, {1, 0, 0}, {0, 1, 0}, 2, 1},
  }};
  return faces;
}

int cubeFaceOf(const glm::vec3& d, float& s, float& t) {
  const glm::vec3 a = glm::abs(d);
  int face;
  if (a.x >= a.y && a.x >= a.z) face = d.x >= 0 ? 0 : 1;
  else if (a.y >= a.z) face = d.y >= 0 ? 2 : 3;
  else face = d.z >= 0 ? 4 : 5;
  const CubeFace& f = cubeFaces()[face];
  const float depth = glm::dot(d, f.centre);
  s = glm::dot(d, f.right) / depth;
  t = glm::dot(d, f.up) / depth;
  return face;
}

glm::vec2 cubeAtlasUv(int face, float s, float t) {
  const CubeFace& f = cubeFaces()[face];
  const float u = (f.column + (s + 1) * 0.5f) / 3.0f;
  const float rowFromTop = (f.row + (1 - t) * 0.5f) / 2.0f;
  return glm::vec2(u, 1.0f - rowFromTop);
}

Mesh insideCube() {
  Mesh mesh;
  for (int face = 0; face < 6; ++face) {
    const CubeFace& f = cubeFaces()[face];
    const float st[4][2] = {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}};
    unsigned idx[4];
    for (int k = 0; k < 4; ++k)
      idx[k] = mesh.addVertex(f.centre + f.right * st[k][0] + f.up * st[k][1], cubeAtlasUv(face, st[k][0], st[k][1]), -f.centre);
    mesh.addTriangle(idx[0], idx[1], idx[2]);
    mesh.addTriangle(idx[0], idx[2], idx[3]);
  }
  return mesh;
}

Mesh shadowCone(int slices, float top, float topRadius) {
  Mesh mesh;
  auto add = [&](const glm::vec3& p, const glm::vec3& n) {
    mesh.positions.push_back(p);
    mesh.normals.push_back(glm::normalize(n));
    return static_cast<unsigned>(mesh.positions.size() - 1);
  };
  auto tri = [&](unsigned a, unsigned b, unsigned c) { addOriented(mesh, {a, 0, a}, {b, 0, b}, {c, 0, c}); };
  const float slope = (1.0f - topRadius) / (top + 1.0f);  // radius lost per unit of height
  const unsigned bottomCentre = add(glm::vec3(0, -1, 0), glm::vec3(0, -1, 0));
  const unsigned topCentre = add(glm::vec3(0, top, 0), glm::vec3(0, 1, 0));
  std::vector<unsigned> sideBottom, sideTop, capBottom, capTop;
  for (int i = 0; i < slices; ++i) {
    const float phi = 2 * pi * i / slices;
    const glm::vec3 radial(std::cos(phi), 0, std::sin(phi));
    sideBottom.push_back(add(radial + glm::vec3(0, -1, 0), radial + glm::vec3(0, slope, 0)));
    sideTop.push_back(add(radial * topRadius + glm::vec3(0, top, 0), radial + glm::vec3(0, slope, 0)));
    capBottom.push_back(add(radial + glm::vec3(0, -1, 0), glm::vec3(0, -1, 0)));
    capTop.push_back(add(radial * topRadius + glm::vec3(0, top, 0), glm::vec3(0, 1, 0)));
  }
  for (int i = 0; i < slices; ++i) {
    const int k = (i + 1) % slices;
    tri(sideBottom[i], sideTop[i], sideTop[k]);
    tri(sideBottom[i], sideTop[k], sideBottom[k]);
    tri(bottomCentre, capBottom[i], capBottom[k]);
    tri(topCentre, capTop[k], capTop[i]);
  }
  return mesh;
}

Mesh missile() {
  Mesh mesh;
  // Profile from the nose tip (x = -5) to the closed nozzle (x = 4.7): an
  // ogive nose, a long body with raised joint rings, a boat tail and a
  // nozzle with its inner wall.
  const std::vector<glm::vec2> profile = {
      {-5.0f, 0.0f},   {-4.85f, 0.08f}, {-4.6f, 0.17f},  {-4.3f, 0.26f},  {-3.95f, 0.34f}, {-3.6f, 0.41f},
      {-3.25f, 0.46f}, {-2.9f, 0.49f},  {-2.6f, 0.5f},   {-2.0f, 0.5f},   {-1.98f, 0.515f}, {-1.9f, 0.515f},
      {-1.88f, 0.5f},  {0.6f, 0.5f},    {0.62f, 0.515f}, {0.7f, 0.515f},  {0.72f, 0.5f},  {3.7f, 0.5f},
      {4.2f, 0.45f},   {4.6f, 0.42f},   {4.65f, 0.38f},  {5.0f, 0.36f},   {5.0f, 0.3f},   {4.7f, 0.26f},
      {4.7f, 0.0f}};
  addLathe(mesh, profile, 32, 0.25f, 1.0f);
  for (int k = 0; k < 4; ++k) {
    const float angle = pi / 4 + k * pi / 2;
    addFin(mesh, 2.9f, 4.4f, 3.9f, 4.55f, 0.49f, 1.35f, 0.05f, angle);   // tail fins
    addFin(mesh, -1.7f, -1.1f, -1.35f, -1.1f, 0.49f, 0.85f, 0.04f, angle);  // canards
  }
  return mesh;
}

std::string objText(const Mesh& mesh, const std::string& mtlName) {
  std::string out = "# Orbisk model\n";
  out.reserve(mesh.positions.size() * 100 + mesh.triangles.size() * 40);
  if (!mtlName.empty()) out += "mtllib " + mtlName + "\n";
  for (const glm::vec3& p : mesh.positions) {
    out += "v";
    for (int c = 0; c < 3; ++c) appendFloat(out, p[c]);
    out += "\n";
  }
  for (const glm::vec2& t : mesh.uvs) {
    out += "vt";
    appendFloat(out, t.x);
    appendFloat(out, t.y);
    out += "\n";
  }
  for (const glm::vec3& n : mesh.normals) {
    out += "vn";
    for (int c = 0; c < 3; ++c) appendFloat(out, n[c]);
    out += "\n";
  }
  char text[96];
  for (const auto& tri : mesh.triangles) {
    if (mesh.hasUvs())
      std::snprintf(text, sizeof text, "f %u/%u/%u %u/%u/%u %u/%u/%u\n", tri[0].position + 1, tri[0].uv + 1, tri[0].normal + 1,
                    tri[1].position + 1, tri[1].uv + 1, tri[1].normal + 1, tri[2].position + 1, tri[2].uv + 1, tri[2].normal + 1);
    else
      std::snprintf(text, sizeof text, "f %u//%u %u//%u %u//%u\n", tri[0].position + 1, tri[0].normal + 1, tri[1].position + 1,
                    tri[1].normal + 1, tri[2].position + 1, tri[2].normal + 1);
    out += text;
  }
  return out;
}

std::string mtlText(const std::string& material, const std::string& diffuse, const std::string& specular,
                    const std::string& night) {
  std::string out = "newmtl " + material + "\n";
  if (!diffuse.empty()) out += "map_Kd " + diffuse + "\n";
  if (!specular.empty()) out += "map_Ks " + specular + "\n";
  if (!night.empty()) out += "map_Kn " + night + "\n";
  return out;
}
