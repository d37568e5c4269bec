// The whole program twice in one process: start-up, a frame, some input and
// shutdown. The second life must render the first one's picture, and each
// must release every GL object it made before its context ends.
#include <GL/glew.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <filesystem>
#include <string>
#include <vector>

#include "app/orbisk.h"
#include "base/runfiles.h"
#include "platform/platform.h"
#include "render/framecapture.h"
#include "gpu/rendertargets.h"
#include "scene/animation.h"
#include "tests/ddsbytes.h"
#include "tests/gl/glfixture.h"

namespace {

constexpr int kFrameWidth = 64;
constexpr int kFrameHeight = 48;

// One triangle across the view from the camera's start, facing it; with a
// material library it has texture coordinates too.
std::string triangleObj(const std::string& materialLibrary = "") {
  const std::string corners = "v 0 -1 -1\nv 0 1 -1\nv 0 0 1\nvn 1 0 0\n";
  if (materialLibrary.empty()) return corners + "f 1//1 2//1 3//1\n";
  return "mtllib " + materialLibrary + "\n" + corners + "vt 0 0\nvt 1 0\nvt 0 1\nf 1/1/1 2/2/1 3/3/1\n";
}

// A run-time folder with the shipped shaders and configuration, small models
// and 4 x 4 textures. The look-at path is a triangle model, which the camera
// refuses: the scene must free it.
void writeRunFolder(const std::string& dir) {
  namespace fs = std::filesystem;
  for (const auto& entry : fs::directory_iterator(fs::path(ORBISK_SOURCE_DIR) / "data"))
    fs::copy_file(entry.path(), fs::path(dir) / entry.path().filename());
  fs::create_directory(dir + "/models");
  fs::create_directory(dir + "/textures");
  gltest::writeFile(dir + "/models/envcube.obj", triangleObj("envcube.mtl"));
  gltest::writeFile(dir + "/models/envcube.mtl", "map_Kd textures/stars.DDS\n");
  gltest::writeFile(dir + "/models/earth.obj", triangleObj("earth.mtl"));
  gltest::writeFile(dir + "/models/earth.mtl",
                    "map_Kd textures/day.DDS\nmap_Ks textures/specular.DDS\nmap_Kn textures/night.DDS\n");
  for (const char* name : {"moon", "missile", "atmosphere", "shadowCone", "lookAtPath"})
    gltest::writeFile(dir + "/models/" + name + ".obj", triangleObj());
  gltest::writeFile(dir + "/models/eyePath.obj", "v 4 0 1\nv 3 1 1\nv 2 2 2\nf 1 2\nf 2 3\n");
  const std::vector<uint8_t> dds = ddstest::bytes({4, 4, 8, 1}, 8);
  for (const char* name : {"textures/stars.DDS", "textures/day.DDS", "textures/specular.DDS", "textures/night.DDS",
                           runfiles::font})
    gltest::writeFile(dir + "/" + name, std::string(dds.begin(), dds.end()));
  for (const char* name : runfiles::sunGlowSprites)
    gltest::writeFile(dir + "/" + name, std::string(dds.begin(), dds.end()));
}

struct NameKind {
  const char* kind;
  bool (*alive)(GLuint);
};
const NameKind kNameKinds[] = {
    {"texture", [](GLuint n) { return glIsTexture(n) == GL_TRUE; }},
    {"buffer", [](GLuint n) { return glIsBuffer(n) == GL_TRUE; }},
    {"framebuffer", [](GLuint n) { return glIsFramebuffer(n) == GL_TRUE; }},
    {"renderbuffer", [](GLuint n) { return glIsRenderbuffer(n) == GL_TRUE; }},
    {"program", [](GLuint n) { return glIsProgram(n) == GL_TRUE; }},
    {"shader", [](GLuint n) { return glIsShader(n) == GL_TRUE; }},
    {"vertex array", [](GLuint n) { return glIsVertexArray(n) == GL_TRUE; }},
};

// The names of one kind that GL reports alive, from 1 up to highest.
std::string aliveNames(const NameKind& kind, GLuint highest) {
  std::string names;
  for (GLuint name = 1; name <= highest; ++name)
    if (kind.alive(name)) names += std::to_string(name) + " ";
  return names;
}

// Above every name made so far: a fresh name of each kind, given back at once,
// and a margin should the driver hand freed names out again.
GLuint highestNameBound() {
  GLuint texture = 0, buffer = 0, framebuffer = 0, renderbuffer = 0, vertexArray = 0;
  glGenTextures(1, &texture);
  glGenBuffers(1, &buffer);
  glGenFramebuffers(1, &framebuffer);
  glGenRenderbuffers(1, &renderbuffer);
  glGenVertexArrays(1, &vertexArray);
  const GLuint shader = glCreateShader(GL_VERTEX_SHADER);  // programs share this namespace
  glDeleteTextures(1, &texture);
  glDeleteBuffers(1, &buffer);
  glDeleteFramebuffers(1, &framebuffer);
  glDeleteRenderbuffers(1, &renderbuffer);
  glDeleteVertexArrays(1, &vertexArray);
  glDeleteShader(shader);
  return std::max({texture, buffer, framebuffer, renderbuffer, vertexArray, shader}) + 256;
}


// An X server left without clients resets itself and refuses connections for
// a moment: start the window library again once the display takes us.
bool initWhenDisplayIsBack() {
  for (int attempt = 0; attempt < 100; ++attempt) {
    if (platform::init()) return true;
    usleep(50 * 1000);
  }
  return false;
}

// A hidden window of the test size with a fixed jitter seed.
StartOptions hiddenStart() {
  StartOptions options;
  options.hidden = true;
  options.width = kFrameWidth;
  options.height = kFrameHeight;
  options.fixedSeed = true;
  options.seed = 7;
  return options;
}

class Lifecycle : public testing::Test {
 protected:
  void SetUp() override {
    char buffer[PATH_MAX];
    ASSERT_NE(getcwd(buffer, sizeof buffer), nullptr);
    previousDir = buffer;
    savedWidth = windowWidth;
    savedHeight = windowHeight;
    dir = gltest::makeTempDir();
    writeRunFolder(dir);
    ASSERT_EQ(chdir(dir.c_str()), 0);
    // Each life opens the window library and its own window.
    platform::terminate();
  }
  void TearDown() override {
    if (running) shutDown(app);
    EXPECT_EQ(chdir(previousDir.c_str()), 0);
    std::filesystem::remove_all(dir);
    windowWidth = savedWidth;
    windowHeight = savedHeight;
    ASSERT_TRUE(initWhenDisplayIsBack());
    ASSERT_TRUE(gltest::openSharedContext());
  }

  struct Life {
    std::string console;
    std::vector<unsigned char> frame;
  };

  // One life of the program; its frame and what start-up printed.
  void live(Life& life) {
    const StartOptions options = hiddenStart();
    ASSERT_TRUE(initWhenDisplayIsBack());
    int status = -1;
    const gltest::Captured console = gltest::capture([&] { status = startUp(options, app); });
    life.console = console.out + console.err;
    running = status == 0;
    ASSERT_EQ(status, 0) << life.console;
    ASSERT_EQ(windowWidth, kFrameWidth);
    // The Earth's program is its own; the missile shares the Moon's.
    const GLuint earth = app.scene.earth->shaderProgram.programID, moon = app.scene.moon->shaderProgram.programID;
    EXPECT_NE(earth, 0u);
    EXPECT_NE(moon, 0u);
    EXPECT_NE(earth, moon);
    EXPECT_EQ(app.scene.missile->shaderProgram.programID, moon);
    renderFrame(app);
    life.frame = readWindowPixels(kFrameWidth, kFrameHeight);

    // The rest of a run: the camera moves and turns, a flight is asked for
    // and the animation steps. shutDown must put all of it back.
    platform::injectKey('W', platform::PRESS);
    platform::injectMousePos(0, 0);
    platform::injectKey('P', platform::PRESS);
    updateAnimation(app.scene);

    const GLuint highest = highestNameBound();
    for (const NameKind& kind : kNameKinds)
      EXPECT_NE(aliveNames(kind, highest), "") << "start-up made no " << kind.kind << ": the sweep would prove nothing";
    releaseResources(app);
    for (const NameKind& kind : kNameKinds)
      EXPECT_EQ(aliveNames(kind, highest), "") << "each " << kind.kind << " left alive, by name";
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    shutDown(app);
    running = false;
  }

  Application app;
  bool running = false;
  std::string dir;
  std::string previousDir;
  int savedWidth = 0;
  int savedHeight = 0;
};

TEST_F(Lifecycle, SecondLifeRendersTheSameFrameAndEachLeavesNoObjectBehind) {
  Life first, second;
  live(first);
  if (HasFatalFailure()) return;
  live(second);
  if (HasFatalFailure()) return;
  ASSERT_EQ(first.frame.size(), second.frame.size());
  const auto [darkest, brightest] = std::minmax_element(first.frame.begin(), first.frame.end());
  EXPECT_LT(*darkest, *brightest) << "the frame shows something";
  size_t differing = 0;
  for (size_t i = 0; i < first.frame.size(); ++i) differing += first.frame[i] != second.frame[i];
  EXPECT_EQ(differing, 0u) << "bytes of the second frame that differ from the first";
  EXPECT_EQ(first.console, second.console);
}

}  // namespace

namespace {

// F2 in a running program: fast renders one pass into half-size targets, and
// switching back gives the very frame of before; nothing leaks either way.
TEST_F(Lifecycle, QualitySwitchesLiveAndBackToTheSameFrame) {
  const StartOptions options = hiddenStart();
  ASSERT_TRUE(initWhenDisplayIsBack());
  int status = -1;
  gltest::capture([&] { status = startUp(options, app); });
  running = status == 0;
  ASSERT_EQ(status, 0);
  // The automatic exposure eases by the wall clock between frames: held at
  // the start's value, so that the frames differ only by the quality.
  app.exposure.setting.automatic = false;
  app.exposure.setting.fixed = app.exposure.value;
  renderFrame(app);
  const std::vector<unsigned char> before = readWindowPixels(kFrameWidth, kFrameHeight);

  const gltest::Captured toFast = gltest::capture([&] { toggleFastQuality(app); });
  EXPECT_NE(toFast.out.find("quality: fast (1 pass, render scale 0.5)"), std::string::npos) << toFast.out;
  EXPECT_EQ(app.currentQuality.preset, "fast");
  EXPECT_EQ(gltest::textureLevelParam(app.targets.textureDOF[0], GL_TEXTURE_WIDTH), scaledSide(kFrameWidth, 0.5f));
  EXPECT_EQ(gltest::textureLevelParam(app.targets.colorTexturePlanetColor, GL_TEXTURE_HEIGHT),
            scaledSide(kFrameHeight, 0.5f));
  renderFrame(app);
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
  const std::vector<unsigned char> fast = readWindowPixels(kFrameWidth, kFrameHeight);
  const auto [darkest, brightest] = std::minmax_element(fast.begin(), fast.end());
  EXPECT_LT(*darkest, *brightest) << "the fast frame shows something";

  gltest::capture([&] { toggleFastQuality(app); });
  EXPECT_EQ(app.currentQuality.preset, "full");
  EXPECT_EQ(gltest::textureLevelParam(app.targets.textureDOF[15], GL_TEXTURE_WIDTH), kFrameWidth);
  renderFrame(app);
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
  EXPECT_TRUE(readWindowPixels(kFrameWidth, kFrameHeight) == before) << "the full frame after switching back";

  const GLuint highest = highestNameBound();
  releaseResources(app);
  for (const NameKind& kind : kNameKinds)
    EXPECT_EQ(aliveNames(kind, highest), "") << "each " << kind.kind << " left alive, by name";
  shutDown(app);
  running = false;
}

}  // namespace

namespace {

// A window wider than GL's largest texture: the targets cannot be made, and
// start-up says which and how, releases what it made and ends the window
// library, so that nothing is ever drawn into the window in their place.
TEST_F(Lifecycle, IncompleteTargetsEndStartUpWithStatusOne) {
  ASSERT_TRUE(initWhenDisplayIsBack());
  const platform::DisplayLimits limits = platform::queryDisplayLimits(true);
  ASSERT_GT(limits.textureSize, 0);
  StartOptions options = hiddenStart();
  options.width = std::max(limits.textureSize, limits.renderbufferSize) + 1;
  options.height = 2;
  int status = -1;
  const gltest::Captured console = gltest::capture([&] { status = startUp(options, app); });
  running = status == 0;
  EXPECT_EQ(status, 1);
  EXPECT_NE(console.out.find("ERROR (BackSideShadow): "), std::string::npos) << console.out;
  EXPECT_NE(console.out.find("GL_FRAMEBUFFER_INCOMPLETE"), std::string::npos) << console.out;
  EXPECT_EQ(console.out.find("starting game loop!"), std::string::npos);
  EXPECT_EQ(app.VertexArrayID, 0u) << "released";
  EXPECT_EQ(platform::getWindowParam(platform::OPENED), 0) << "the window library ended";
}

}  // namespace
