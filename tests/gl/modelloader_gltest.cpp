#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "scene/modelloaderobj.h"
#include "tests/gl/glfixture.h"

namespace {

const char* kQuadObj =
    "# quad with texture coordinates\n"
    "mtllib quad.mtl\n"
    "o Quad\n"
    "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\n"
    "vt 0 0\nvt 1 0\nvt 1 1\nvt 0 0.25\n"
    "vn 0 0 1\n"
    "usemtl m\ns off\n"
    "f 1/1/1 2/2/1 3/3/1\n"
    "f 1/1/1 3/3/1 4/4/1\n";

const char* kQuadMtl =
    "newmtl m\n"
    "Kd 1 1 1\n"
    "map_Kd textures\\day.dds\n"
    "map_Ks textures\\spec.dds\n"
    "map_Kn textures\\night.dds\n";

// A 4 x 4 DXT1 texture with one level.
std::string ddsFile() {
  std::string bytes(128 + 8, '\0');
  auto put = [&](size_t offset, uint32_t value) { memcpy(&bytes[offset], &value, 4); };
  memcpy(&bytes[0], "DDS ", 4);
  put(4, 124);
  put(8, 0x1 | 0x2 | 0x4 | 0x1000 | 0x80000);
  put(12, 4);  // height
  put(16, 4);  // width
  put(20, 8);  // linear size
  put(28, 1);  // mipmap count
  put(76, 32);
  put(80, 0x4);
  memcpy(&bytes[84], "DXT1", 4);
  put(108, 0x1000);
  return bytes;
}

std::string withCrLf(const std::string& text) {
  std::string out;
  for (char c : text) out += c == '\n' ? std::string("\r\n") : std::string(1, c);
  return out;
}

// The console lines, without the DDS loader's anisotropy note, which
// depends on the driver.
std::vector<std::string> linesOf(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line))
    if (line != "DEBUG: activating anisotropic filtering for this texture!") lines.push_back(line);
  return lines;
}

// Each test runs in a fresh working directory with models/ and textures/.
class ModelLoader : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(getcwd(previousDir_, sizeof previousDir_), nullptr);
    ASSERT_EQ(chdir(gltest::makeTempDir().c_str()), 0);
    mkdir("models", 0755);
    mkdir("textures", 0755);
    gltest::drainErrors();
  }
  void TearDown() override {
    for (Object* object : loaded_) {
      object->destroy();
      delete object;
    }
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    ASSERT_EQ(chdir(previousDir_), 0);
  }

  Object* load(const char* path) {
    Object* object = nullptr;
    console_ = gltest::capture([&] { object = loader_.loadModel(path); });
    if (object != nullptr) loaded_.push_back(object);
    return object;
  }

  void writeTexturedQuad(const std::string& obj = kQuadObj, const std::string& mtl = kQuadMtl) {
    gltest::writeFile("models/quad.obj", obj);
    gltest::writeFile("models/quad.mtl", mtl);
    for (const char* name : {"textures/day.dds", "textures/spec.dds", "textures/night.dds"})
      gltest::writeFile(name, ddsFile());
  }

  ModelLoaderOBJ loader_;
  gltest::Captured console_;
  std::vector<Object*> loaded_;
  char previousDir_[PATH_MAX];
};

TEST_F(ModelLoader, TexturedModelPrintsItsProgressInOrder) {
  writeTexturedQuad();
  Object* object = load("models\\quad.obj");
  ASSERT_NE(object, nullptr) << console_.err;
  EXPECT_EQ(console_.err, "");
  EXPECT_EQ(linesOf(console_.out), (std::vector<std::string>{
                                       "opened file!",
                                       "DEBUG: materialFileName: 'quad.mtl'",
                                       "DEBUG: :::LOADED ::: vertices:4;  normals:1;  uvs:4; vertexInices:6; "
                                       "normalIndices:6; uvIndices:6",
                                       "DEBUG: :::INDICED::: vertices:6;  normals:6;  uvs:6",
                                       "DEBUG: :::  VBO  ::: vertices:4;  normals:4;  uvs:4;  indices:6",
                                       "DEBUG: created triangle mesh!",
                                       "DEBUG: initialized triangle mesh!",
                                       "DEBUG: materialFilename with path: 'models\\quad.mtl'",
                                       "DEBUG: opened matlib file!",
                                       "DEBUG: diffuseTextureFileName: 'textures\\day.dds'",
                                       "DEBUG: specularTextureFileName: 'textures\\spec.dds'",
                                       "DEBUG: diffuseNightTextureFileName: 'textures\\night.dds'",
                                       "DEBUG: after freeing stuff!",
                                   }));
}

TEST_F(ModelLoader, TexturedModelUploadsIndexedBuffersAndItsTextures) {
  writeTexturedQuad();
  Object* object = load("models\\quad.obj");
  ASSERT_NE(object, nullptr) << console_.err;
  const TriangleMesh& mesh = object->mesh;
  ASSERT_TRUE(mesh.created);
  EXPECT_TRUE(mesh.hasUVs);
  EXPECT_EQ(mesh.indices, (std::vector<uint32_t>{0, 1, 2, 0, 2, 3}));
  ASSERT_EQ(mesh.uvs.size(), 4u);
  EXPECT_EQ(mesh.uvs[3], glm::vec2(0.0f, 0.75f));  // v flipped
  EXPECT_EQ(mesh.vertices[2], glm::vec3(1, 1, 0));
  EXPECT_EQ(gltest::bufferSize(GL_ARRAY_BUFFER, mesh.vertexBuffer), 4 * 12);
  EXPECT_EQ(gltest::bufferSize(GL_ARRAY_BUFFER, mesh.uvBuffer), 4 * 8);
  EXPECT_EQ(gltest::bufferSize(GL_ARRAY_BUFFER, mesh.normalBuffer), 4 * 12);
  EXPECT_EQ(gltest::bufferSize(GL_ELEMENT_ARRAY_BUFFER, mesh.indexBuffer), 6 * 4);
  // Textures come from the working directory, not from models/.
  ASSERT_TRUE(object->hasDiffuseTexture && object->hasSpecularTexture && object->hasNightTexture);
  for (GLuint texture : {object->diffuseTextureID, object->specularTextureID, object->nightTextureID}) {
    EXPECT_TRUE(glIsTexture(texture));
    EXPECT_EQ(gltest::textureLevelParam(texture, GL_TEXTURE_WIDTH), 4);
  }
  EXPECT_FALSE(object->isPath());
}

TEST_F(ModelLoader, CarriageReturnLineFeedFilesLoadExactlyLikeLineFeedFiles) {
  writeTexturedQuad();
  Object* lf = load("models\\quad.obj");
  const std::string lfOut = console_.out;
  writeTexturedQuad(withCrLf(kQuadObj), withCrLf(kQuadMtl));
  Object* crlf = load("models\\quad.obj");
  ASSERT_NE(lf, nullptr);
  ASSERT_NE(crlf, nullptr) << console_.err;
  EXPECT_EQ(console_.out, lfOut);
  EXPECT_EQ(crlf->mesh.vertices, lf->mesh.vertices);
  EXPECT_EQ(crlf->mesh.uvs, lf->mesh.uvs);
  EXPECT_EQ(crlf->mesh.indices, lf->mesh.indices);
  EXPECT_NE(crlf->diffuseTextureID, 0u);
}

TEST_F(ModelLoader, ModelWithoutTextureCoordinatesReadsNoMaterial) {
  // The library it names does not exist and is never opened.
  gltest::writeFile("models/plain.obj",
                    "mtllib missing.mtl\nv 0 0 0\nv 1 0 0\nv 0 1 0\nvn 0 0 1\nf 1//1 2//1 3//1\n");
  Object* object = load("models/plain.obj");
  ASSERT_NE(object, nullptr) << console_.err;
  EXPECT_EQ(console_.err, "");
  EXPECT_EQ(linesOf(console_.out),
            (std::vector<std::string>{
                "opened file!",
                "DEBUG: materialFileName: 'missing.mtl'",
                "DEBUG: :::LOADED ::: vertices:3;  normals:1;  uvs:0; vertexInices:3; normalIndices:3; uvIndices:0",
                "DEBUG: :::INDICED::: vertices:3;  normals:3;  uvs:0",
                "DEBUG: :::  VBO  ::: vertices:3;  normals:3;  uvs:0;  indices:3",
                "DEBUG: created triangle mesh!",
                "DEBUG: initialized triangle mesh!",
                "DEBUG: after freeing stuff!",
            }));
  EXPECT_FALSE(object->mesh.hasUVs);
  EXPECT_EQ(object->mesh.uvBuffer, 0u);
  EXPECT_FALSE(object->hasDiffuseTexture || object->hasSpecularTexture || object->hasNightTexture);
}

TEST_F(ModelLoader, PathFileBecomesAPathObject) {
  gltest::writeFile("models/path.obj", "v 0 0 0\nv 1 0 0\nv 2 0 0\nmtllib ignored.mtl\nf 2 3\nf 1 2\n");
  Object* object = load("models\\path.obj");
  ASSERT_NE(object, nullptr) << console_.err;
  EXPECT_EQ(console_.out,
            "opened file!\n"
            "DEBUG: materialFileName: 'ignored.mtl'\n"
            "DEBUG: :::LOADED ::: vertices:3;  normals:0;  uvs:0; vertexInices:4; normalIndices:0; uvIndices:0\n"
            "DEBUG: sortet index list for line:\n"
            "1,2,3,\n"
            "DEBUG: after freeing stuff!\n");
  EXPECT_TRUE(object->isPath());
  EXPECT_EQ(object->lineMesh.pointCount(), 3u);
  EXPECT_EQ(object->lineMesh.point(2), glm::vec3(2, 0, 0));
  EXPECT_FALSE(object->mesh.created);
}

TEST_F(ModelLoader, ModelBesideTheWorkingDirectoryFindsItsLibraryThere) {
  // No directory part: the library path is the bare name and is not printed.
  // A texture that cannot be loaded still counts as present, with name 0.
  gltest::writeFile("flat.obj", "mtllib flat.mtl\nv 0 0 0\nvt 0 0\nvn 0 0 1\nf 1/1/1 1/1/1 1/1/1\n");
  gltest::writeFile("flat.mtl", "map_Kd textures\\absent.dds\n");
  Object* object = load("flat.obj");
  ASSERT_NE(object, nullptr) << console_.err;
  std::vector<std::string> lines = linesOf(console_.out);
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(lines[lines.size() - 3], "DEBUG: opened matlib file!");
  EXPECT_EQ(lines[lines.size() - 2], "DEBUG: diffuseTextureFileName: 'textures\\absent.dds'");
  EXPECT_EQ(console_.out.find("materialFilename with path"), std::string::npos);
  EXPECT_TRUE(object->hasDiffuseTexture);
  EXPECT_EQ(object->diffuseTextureID, 0u);
}

TEST_F(ModelLoader, UnreadableInputIsRefusedWithItsMessages) {
  EXPECT_EQ(load(nullptr), nullptr);
  EXPECT_EQ(console_.out + console_.err, "");

  EXPECT_EQ(load("models\\nope.obj"), nullptr);
  EXPECT_EQ(console_.out, "");
  EXPECT_EQ(console_.err, "ERROR: Could not open file models\\nope.obj!\n");

  gltest::writeFile("models/bad.obj", "v 0 0 0\nvn 0 0 1\nf 1/1/1 1/1/1 1/1/1\nv 1 1 1\n");
  EXPECT_EQ(load("models\\bad.obj"), nullptr);
  EXPECT_EQ(console_.out, "opened file!\n");
  EXPECT_EQ(console_.err,
            "ERROR: Inconsistency in OBJ-File! Faces should be created in this way: \"f v1/n1 v2/n2 v3/n3\"!\n"
            "ERROR: Invalid OBJ-File 'models\\bad.obj', line 3: face without the numbers it needs!\n");

  gltest::writeFile("models/range.obj", "v 0 0 0\nvn 0 0 1\nf 1//1 2//1 1//1\n");
  EXPECT_EQ(load("models\\range.obj"), nullptr);
  EXPECT_EQ(console_.err,
            "ERROR: Invalid OBJ-File 'models\\range.obj', line 3: position index 2, but only 1 positions were "
            "read!\n");

  gltest::writeFile("models/nolib.obj", "v 0 0 0\nvt 0 0\nvn 0 0 1\nf 1/1/1 1/1/1 1/1/1\n");
  EXPECT_EQ(load("models/nolib.obj"), nullptr);
  EXPECT_EQ(console_.err, "ERROR: Invalid OBJ-File 'models/nolib.obj', line 2: texture coordinates but no mtllib line!\n");
}

TEST_F(ModelLoader, ModelWithoutTrianglesIsKeptAndNamed) {
  // The mesh's own warning stays; the loader's line says which file.
  gltest::writeFile("models/notes.obj", "# only\n# comments\n");
  Object* object = load("models\\notes.obj");
  ASSERT_NE(object, nullptr);
  EXPECT_FALSE(object->mesh.created);
  EXPECT_EQ(console_.err,
            "WARNING: vertices- or normals- collection was empty!\n"
            "ERROR: OBJ-File 'models\\notes.obj' holds no triangles!\n");
}

TEST_F(ModelLoader, MissingMaterialLibraryRefusesTheModelAndFreesItsBuffers) {
  gltest::writeFile("models/quad.obj", kQuadObj);
  GLuint probe = 0;
  glGenBuffers(1, &probe);
  glDeleteBuffers(1, &probe);
  EXPECT_EQ(load("models\\quad.obj"), nullptr);
  EXPECT_EQ(console_.err, "ERROR: Could not open file models\\quad.mtl!\n");
  const std::vector<std::string> lines = linesOf(console_.out);
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.back(), "DEBUG: materialFilename with path: 'models\\quad.mtl'");
  // The mesh was uploaded before the library was looked for; nothing of it may stay.
  for (GLuint name = probe; name < probe + 16; ++name) EXPECT_FALSE(glIsBuffer(name)) << name;
}

}  // namespace
