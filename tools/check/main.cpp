// orbisk-check: checks the scene's assets before the program sees them. Run
// in the run-time folder: without arguments it checks config.ini and every
// model, material library, texture and shader the program would load; with
// arguments, the OBJ, MTL, DDS, GLSL (and .ini) files named, with the files
// they name in turn. Textures and meshes are uploaded to a hidden GL window,
// where the shaders are compiled and linked too.
// Exit status: 0 when every file is usable, 1 when one is not, 2 on a
// usage error.
#include <GL/glew.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <algorithm>
#include <cstdint>
#include <deque>
#include <map>
#include <new>
#include <set>
#include <string>
#include <vector>

#include "base/configfile.h"
#include "base/oftenused.h"
#include "cli/commandline.h"
#include "gpu/textureupload.h"
#include "loaders/ddstexture.h"
#include "loaders/shaderinclude.h"
#include "loaders/shaderloader.h"
#include "platform/platform.h"
#include "scene/trianglemesh.h"
#include "tools/check/checkcore.h"
#include "tools/check/checkshaders.h"

namespace {

const char* kSynopsis =
    "usage: orbisk-check [--verbose] [--] [FILE...]\n"
    "  Without files: checks config.ini and every model, material library,\n"
    "  texture and shader the program loads from the current directory.\n"
    "  With files: checks those OBJ, MTL, DDS, GLSL and .ini files and the files\n"
    "  they name. A GLSL file is compiled as the stage its name tells (.vert,\n"
    "  .frag, \"vertex\" or \"fragment\" in it, else a 'v' or 'f' at its start),\n"
    "  else as both; a file the scene's shaders include is compiled inside them.\n"
    "  Exit status 1 when any file is unusable.\n";

// Larger files are refused rather than read into memory.
constexpr long long kMaxFileBytes = 1LL << 30;
// Without a GL to ask: the largest side desktop implementations commonly take.
constexpr uint32_t kAssumedMaxTextureSize = 16384;

struct Pending {
  std::string path;
  std::string role;
  check::FileKind kind;  // Unknown: decide from name and bytes
  bool required;
  std::string missingText;  // what a missing file means
};

struct Context {
  FILE* out = stdout;
  bool gl = false;
  uint32_t maxTextureSize = kAssumedMaxTextureSize;
  platform::DisplayLimits limits;  // read only with a GL
  size_t files = 0, unusable = 0, warnings = 0;
  ConfigFile configFile;  // the scene's settings, once one is read
};

// Reads a regular file whole; false with a reason otherwise.
bool readWhole(const std::string& path, std::vector<uint8_t>& bytes, std::string& reason, bool& missing) {
  missing = false;
  const std::string opened = platformPathOf(path.c_str());
  int fd = open(opened.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    missing = errno == ENOENT;
    reason = missing ? "not found" : std::string("cannot be opened: ") + strerror(errno);
    return false;
  }
  struct stat info {};
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    close(fd);
    reason = "not a regular file";
    return false;
  }
  if (info.st_size > kMaxFileBytes) {
    close(fd);
    reason = "larger than " + std::to_string(kMaxFileBytes >> 20) + " MB; not checked";
    return false;
  }
  bytes.resize(static_cast<size_t>(info.st_size));
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = read(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  close(fd);
  bytes.resize(done);  // a file that shrank meanwhile is checked as it is now
  return true;
}

void drainGLErrors() {
  while (glGetError() != GL_NO_ERROR) {
  }
}

// Uploads the texture through the program's own loader and compares what GL
// holds with the level plan.
void uploadDds(check::Report& report, const std::vector<uint8_t>& bytes, const Context& ctx) {
  DdsInfo info;
  if (readDds(bytes.data(), bytes.size(), ctx.maxTextureSize, info) != DdsStatus::Ok) return;
  drainGLErrors();
  GLuint texture = loadDdsTexture(report.path.c_str(), forcesAnisotropicFiltering(ctx.configFile));
  const GLenum error = glGetError();
  if (texture == 0) {
    report.error(0, "the program's loader refused the texture");
    return;
  }
  if (error != GL_NO_ERROR) {
    char text[96];
    snprintf(text, sizeof text, "OpenGL refused the texture data (error 0x%04X)", error);
    report.error(0, text);
  } else {
    for (size_t level = 0; level < info.levels.size(); ++level) {
      GLint size = 0;
      glGetTexLevelParameteriv(GL_TEXTURE_2D, static_cast<GLint>(level), GL_TEXTURE_COMPRESSED_IMAGE_SIZE, &size);
      if (static_cast<size_t>(size) != info.levels[level].size) {
        report.error(0, "OpenGL holds " + std::to_string(size) + " bytes for level " + std::to_string(level) +
                            " instead of " + std::to_string(info.levels[level].size));
        break;
      }
    }
  }
  glDeleteTextures(1, &texture);
  drainGLErrors();
}

void uploadMesh(check::Report& report, const check::MeshData& data) {
  drainGLErrors();
  TriangleMesh mesh;
  if (!mesh.create(data.vertices, data.uvs, data.normals, data.indices)) {
    report.error(0, "the mesh has no vertices to upload");
    return;
  }
  GLint indexBytes = 0;
  glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, mesh.indexBuffer);
  glGetBufferParameteriv(GL_ELEMENT_ARRAY_BUFFER, GL_BUFFER_SIZE, &indexBytes);
  const GLenum error = glGetError();
  if (error != GL_NO_ERROR || static_cast<size_t>(indexBytes) != data.indices.size() * sizeof(uint32_t)) {
    char text[96];
    snprintf(text, sizeof text, "OpenGL could not take the mesh buffers (error 0x%04X)", error);
    report.error(0, text);
  }
  mesh.release();
  drainGLErrors();
}

// A file the scene's shaders include is no shader alone: it is compiled
// inside each shader that includes it, with each build the program makes,
// and reports what the compiler says at its own lines. False when no scene
// shader includes it.
bool checkGlslIncluded(check::Report& report, const Context& ctx) {
  const std::vector<check::Includer> includers =
      check::includersOf(report.path, check::scenePrograms(ctx.configFile), readIncludedShaderSource);
  if (includers.empty()) return false;
  std::vector<std::string> paths, users;
  bool stageSeen[2] = {false, false};
  for (const check::Includer& i : includers) {
    if (std::find(paths.begin(), paths.end(), i.path) == paths.end()) paths.push_back(i.path);
    for (const std::string& u : i.users)
      if (std::find(users.begin(), users.end(), u) == users.end()) users.push_back(u);
    stageSeen[i.stage == check::ShaderStage::Vertex ? 0 : 1] = true;
  }
  report.facts.push_back("included by " + check::listOf(paths) + " (the shaders of " + check::listOf(users) + ")");
  if (!ctx.gl) {
    report.facts.push_back("not compiled: no OpenGL");
    return true;
  }
  const std::string self = includedPath("", report.path);
  std::vector<std::string> ownErrors;  // includers that fail at their own lines
  std::set<std::string> seen;
  size_t builds = 0;
  for (const check::Includer& i : includers) {
    std::vector<uint8_t> bytes;
    std::string reason;
    bool missing = false;
    if (!readWhole(i.path, bytes, reason, missing)) continue;
    const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    const std::string prefix =
        stageSeen[0] && stageSeen[1] ? std::string("as part of a ") + check::stageName(i.stage) + " shader: " : "";
    for (const std::string& defines : i.defineSets) {
      ++builds;
      check::ShaderBuild build = check::compileShaderBuild(i.path, text, i.stage, defines, prefix);
      glDeleteShader(build.shader);
      for (check::PlacedMessage& m : build.messages) {
        if (includedPath("", build.files[m.file]) != self) {
          if (m.file == 0 && m.severity == check::Severity::Error &&
              std::find(ownErrors.begin(), ownErrors.end(), i.path) == ownErrors.end())
            ownErrors.push_back(i.path);
          continue;
        }
        // Every build compiles the same lines: each message once.
        if (seen.insert(std::to_string(m.line) + (m.severity == check::Severity::Error ? "E" : "W") + m.text).second)
          report.add(m.severity, m.line, std::move(m.text), m.kind);
      }
    }
  }
  report.facts.push_back("compiled inside them (" + std::to_string(builds) + (builds == 1 ? " build" : " builds") +
                         ")");
  if (!ownErrors.empty())
    report.facts.push_back(check::listOf(ownErrors) + " fail at lines of their own: check them by name");
  return true;
}

// A GLSL file named on the command line: compiled as the stage its name
// tells, else as both, where compiling as either one is enough.
check::Report checkGlslAlone(const std::string& path, std::string_view text, const Context& ctx) {
  check::Report report;
  report.path = path;
  report.kind = check::FileKind::Glsl;
  std::string why;
  const std::vector<check::ShaderStage> stages = check::stagesFromName(path, &why);
  if (text.empty()) {
    report.error(0, "the file is empty: there is no shader to compile");
    return report;
  }
  if (checkGlslIncluded(report, ctx)) return report;
  if (!ctx.gl) {
    report.facts.push_back("not compiled: no OpenGL");
    return report;
  }
  if (stages.size() == 1) {
    report.facts.push_back(std::string("compiled as a ") + check::stageName(stages[0]) + " shader (" + why + ")");
    glDeleteShader(check::compileShaderFile(report, text, stages[0]));
    return report;
  }
  check::Report as[2] = {report, report};
  bool compiled[2] = {false, false};
  for (int i = 0; i < 2; ++i) {
    const GLuint shader = check::compileShaderFile(as[i], text, stages[static_cast<size_t>(i)]);
    compiled[i] = shader != 0;
    glDeleteShader(shader);
  }
  if (compiled[0] || compiled[1]) {
    report = as[compiled[0] ? 0 : 1];
    report.facts.push_back(compiled[0] && compiled[1] ? "compiles as a vertex and as a fragment shader (" + why + ")"
                           : compiled[0] ? "compiles as a vertex shader, not as a fragment shader (" + why + ")"
                                         : "compiles as a fragment shader, not as a vertex shader (" + why + ")");
    return report;
  }
  report.facts.push_back("compiled as a vertex and as a fragment shader (" + why + "): neither compiles");
  for (const check::ShaderStage stage : stages)
    glDeleteShader(check::compileShaderFile(report, text, stage, std::string("as a ") + check::stageName(stage) +
                                                                     " shader: "));
  return report;
}

check::Report checkOne(const Pending& item, Context& ctx) {
  std::vector<uint8_t> bytes;
  std::string reason;
  bool missing = false;
  if (!readWhole(item.path, bytes, reason, missing)) {
    check::Report report;
    report.path = item.path;
    report.kind = item.kind != check::FileKind::Unknown ? item.kind : check::kindOf(item.path, nullptr, 0);
    if (missing && !item.required)
      report.warning(0, reason + ": " + item.missingText);
    else
      report.error(0, missing && !item.missingText.empty() ? reason + ": " + item.missingText : reason);
    return report;
  }
  check::FileKind kind = item.kind;
  if (kind == check::FileKind::Unknown) kind = check::kindOf(item.path, bytes.data(), bytes.size());
  const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  check::Report report;
  switch (kind) {
    case check::FileKind::Obj: {
      check::MeshData mesh;
      report = check::checkObj(item.path, text, &mesh);
      if (ctx.gl && report.usable() && !report.isPath) uploadMesh(report, mesh);
      break;
    }
    case check::FileKind::Mtl: report = check::checkMtl(item.path, text); break;
    case check::FileKind::Dds:
      report = check::checkDds(item.path, bytes.data(), bytes.size(), ctx.maxTextureSize);
      if (ctx.gl && report.usable()) uploadDds(report, bytes, ctx);
      break;
    case check::FileKind::Config:
      report = check::checkConfig(item.path, text, ctx.gl ? &ctx.limits : nullptr);
      break;
    case check::FileKind::Glsl: report = checkGlslAlone(item.path, text, ctx); break;
    case check::FileKind::Unknown:
      report.path = item.path;
      report.error(0, "unknown file type: the name should end in .obj, .mtl, .dds, .glsl or .ini");
      break;
  }
  return report;
}

// What the files named by a report are, and what their absence means.
void queueNamed(const check::Report& report, std::deque<Pending>& queue) {
  for (const std::string& name : report.named) {
    if (report.kind == check::FileKind::Obj)
      queue.push_back({name, "material library of " + report.path, check::FileKind::Mtl, true,
                       "the program refuses the model without it"});
    else if (report.kind == check::FileKind::Mtl)
      queue.push_back({name, "texture of " + report.path, check::FileKind::Dds, true,
                       "the model is drawn without this texture"});
  }
}

void countReport(const check::Report& report, Context& ctx) {
  ++ctx.files;
  ctx.warnings += report.count(check::Severity::Warning);
  if (!report.usable()) ++ctx.unusable;
}

// Every program the scene builds: each file read once and compiled for each
// stage and each set of defines it is built with, the files it includes
// with it; then each build of each pair linked, as the program would. A
// message is reported once, in the file and at the line it names, and says
// which builds it comes from when not all.
void checkScenePrograms(Context& ctx) {
  struct ShaderFile {
    check::Report report;
    std::vector<uint8_t> bytes;
    bool compilable = false;
    std::vector<std::string> users[2];        // vertex, fragment
    std::vector<std::string> defineSets[2];   // the builds of each stage
    std::vector<std::string> buildNames[2];   // by define set
    std::map<std::string, GLuint> shader[2];  // by define set; 0: did not compile
    std::vector<std::string> includedBy;
    std::vector<std::string> builtAs;         // every build's name, as met
  };
  struct Message {
    std::string path;
    check::Severity severity;
    size_t line;
    std::string text, kind;
    std::vector<std::string> builds;
  };
  const std::vector<check::ProgramFiles> programs = check::scenePrograms(ctx.configFile);
  std::deque<ShaderFile> files;  // stable references while files are added
  auto findFile = [&](const std::string& path) -> ShaderFile* {
    for (ShaderFile& f : files)
      if (platformPathOf(f.report.path.c_str()) == platformPathOf(path.c_str())) return &f;
    return nullptr;
  };
  auto fileOf = [&](const std::string& path) -> ShaderFile& {
    if (ShaderFile* f = findFile(path)) return *f;
    files.emplace_back();
    files.back().report.path = path;
    files.back().report.kind = check::FileKind::Glsl;
    return files.back();
  };
  auto addUnique = [](std::vector<std::string>& list, const std::string& item) {
    if (std::find(list.begin(), list.end(), item) == list.end()) list.push_back(item);
  };
  std::vector<Message> messages;
  auto note = [&](const std::string& path, check::Severity severity, size_t line, const std::string& text,
                  const std::string& kind, const std::string& build) {
    for (Message& m : messages)
      if (m.path == path && m.severity == severity && m.line == line && m.text == text) {
        addUnique(m.builds, build);
        return;
      }
    messages.push_back({path, severity, line, text, kind, {build}});
  };

  for (const check::ProgramFiles& p : programs) {
    const std::vector<std::string> names = check::buildNames(p.defineSets);
    for (int s = 0; s < 2; ++s) {
      ShaderFile& f = fileOf(s == 0 ? p.vertex : p.fragment);
      f.users[s].insert(f.users[s].end(), p.users.begin(), p.users.end());
      for (size_t i = 0; i < p.defineSets.size(); ++i)
        if (std::find(f.defineSets[s].begin(), f.defineSets[s].end(), p.defineSets[i]) == f.defineSets[s].end()) {
          f.defineSets[s].push_back(p.defineSets[i]);
          f.buildNames[s].push_back(names[i]);
        }
    }
  }

  const size_t programFiles = files.size();
  for (size_t n = 0; n < programFiles; ++n) {
    ShaderFile& f = files[n];
    check::Report& r = f.report;
    std::vector<std::string> users = f.users[0];
    users.insert(users.end(), f.users[1].begin(), f.users[1].end());
    std::string reason;
    bool missing = false;
    const bool readable = readWhole(r.path, f.bytes, reason, missing);
    if (!readable)
      r.error(0, reason + ": the shader program of " + check::listOf(users) + " cannot be built");
    else if (f.bytes.empty())
      r.error(0, "the file is empty: the shader program of " + check::listOf(users) + " cannot be built");
    f.compilable = ctx.gl && readable && !f.bytes.empty();
    const bool bothStages = !f.users[0].empty() && !f.users[1].empty();
    for (int s = 0; s < 2; ++s) {
      if (f.users[s].empty()) continue;
      const auto stage = s == 0 ? check::ShaderStage::Vertex : check::ShaderStage::Fragment;
      const size_t builds = f.defineSets[s].size();
      r.facts.push_back(std::string(f.compilable ? "compiled as the " : "the ") + check::stageName(stage) +
                        " shader of " + check::listOf(f.users[s]) +
                        (builds > 1 && f.compilable ? " (" + std::to_string(builds) + " builds)" : ""));
      if (!f.compilable) continue;
      const std::string_view text(reinterpret_cast<const char*>(f.bytes.data()), f.bytes.size());
      const std::string prefix = bothStages ? std::string("as a ") + check::stageName(stage) + " shader: " : "";
      for (size_t i = 0; i < builds; ++i) {
        const std::string& build = f.buildNames[s][i];
        check::ShaderBuild result = check::compileShaderBuild(r.path, text, stage, f.defineSets[s][i], prefix);
        f.shader[s][f.defineSets[s][i]] = result.shader;
        for (size_t k = 0; k < result.files.size(); ++k) {
          ShaderFile& part = k == 0 ? f : fileOf(result.files[k]);
          addUnique(part.builtAs, build);
          if (k > 0) addUnique(part.includedBy, r.path);
        }
        for (const check::PlacedMessage& m : result.messages)
          note(result.files[m.file], m.severity, m.line, m.text, m.kind, build);
      }
    }
    if (!ctx.gl) r.facts.push_back("not compiled: no OpenGL");
  }

  // A shader that did not compile has its errors already; its programs are
  // not linked, lest each repeat them.
  for (const check::ProgramFiles& p : programs) {
    const std::vector<std::string> names = check::buildNames(p.defineSets);
    ShaderFile& vertexFile = fileOf(p.vertex);
    ShaderFile& fragmentFile = fileOf(p.fragment);
    for (size_t i = 0; i < p.defineSets.size(); ++i) {
      const GLuint vertex = vertexFile.shader[0][p.defineSets[i]];
      const GLuint fragment = fragmentFile.shader[1][p.defineSets[i]];
      if (vertex == 0 || fragment == 0) continue;
      check::Report linked;
      check::linkShaderFiles(linked, vertex, fragment, p.vertex, check::listOf(p.users));
      for (const check::Problem& problem : linked.problems)
        note(p.fragment, problem.severity, problem.line, problem.text, problem.kind, names[i]);
    }
  }

  // Into the reports, each file's in line order: the first lines' problems
  // are the ones kept when a kind has too many.
  std::stable_sort(messages.begin(), messages.end(), [](const Message& a, const Message& b) {
    return (a.line == 0 ? SIZE_MAX : a.line) < (b.line == 0 ? SIZE_MAX : b.line);
  });
  for (Message& m : messages) {
    ShaderFile& f = fileOf(m.path);
    f.report.add(m.severity, m.line, m.text + check::buildsNote(m.builds, f.builtAs), m.kind);
  }
  for (size_t n = programFiles; n < files.size(); ++n)
    files[n].report.facts.insert(files[n].report.facts.begin(),
                                 "included by " + check::listOf(files[n].includedBy));

  for (ShaderFile& f : files) {
    fputs(check::formatReport(f.report).c_str(), ctx.out);
    countReport(f.report, ctx);
    if (ctx.gl)  // without a context the GL entry points are null
      for (int s = 0; s < 2; ++s)
        for (const auto& [defines, shader] : f.shader[s]) glDeleteShader(shader);
  }
  fflush(ctx.out);
}

bool openGL(Context& ctx) {
  if (!platform::init() || !platform::openHiddenWindow(64, 64)) return false;
  glewExperimental = GL_TRUE;
  if (glewInit() != GLEW_OK) return false;
  drainGLErrors();  // GLEW's probe on core contexts
  GLuint vertexArray = 0;
  glGenVertexArrays(1, &vertexArray);
  glBindVertexArray(vertexArray);
  GLint maxSize = 0;
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
  if (maxSize > 0) ctx.maxTextureSize = static_cast<uint32_t>(maxSize);
  // The screen's mode, and the GL's limits from the hidden window's context.
  ctx.limits = platform::queryDisplayLimits(true);
  return true;
}

int run(int argc, char** argv, Context& ctx) {
  bool verbose = false;
  std::vector<std::string> files;
  CLI::App app("", "orbisk-check");
  setUpCommandLine(app, kSynopsis);
  app.add_flag("-v,--verbose", verbose, "also show the loaders' own console lines (on standard error)");
  app.add_option("FILE", files, "files to check; after --, names that start with '-'")->type_name("");
  const int parsed = parseCommandLine(app, std::vector<std::string>(argv + 1, argv + argc));
  if (parsed >= 0) return parsed;
  std::deque<Pending> queue;
  for (const std::string& f : files) queue.push_back({f, "", check::FileKind::Unknown, true, ""});

  // The loaders print progress lines; the report alone goes to standard output.
  fflush(stdout);
  const int reportFd = dup(STDOUT_FILENO);
  const int quiet = verbose ? dup(STDERR_FILENO) : open("/dev/null", O_WRONLY);
  if (reportFd < 0 || quiet < 0 || dup2(quiet, STDOUT_FILENO) < 0) {
    fprintf(stderr, "ERROR: cannot set up the output: %s\n", strerror(errno));
    return 2;
  }
  close(quiet);
  ctx.out = fdopen(reportFd, "w");
  if (ctx.out == nullptr) return 2;

  ctx.gl = openGL(ctx);
  if (!ctx.gl)
    fprintf(ctx.out, "note: no OpenGL window (is a display set?): uploads and shaders are not checked, textures "
                     "up to %u pixels are assumed\n\n", ctx.maxTextureSize);

  // The scene as the program loads it with a configuration: its settings
  // first, then the files they name and the programs it builds.
  ctx.configFile = ConfigFile();
  bool scene = false;
  auto queueScene = [&] {
    scene = true;
    for (const check::SceneFile& f : check::sceneFiles(ctx.configFile))
      queue.push_back({f.path, f.role, f.kind, f.required,
                       f.required ? "the program stops without it" : "the program runs without it"});
  };
  if (queue.empty()) {
    const bool hasConfig = access("config.ini", F_OK) == 0;
    if (hasConfig) {
      check::Report report = checkOne({"config.ini", "settings", check::FileKind::Config, false, ""}, ctx);
      fputs(check::formatReport(report, "settings").c_str(), ctx.out);
      countReport(report, ctx);
      ctx.configFile.read("config.ini");
    } else {
      fprintf(ctx.out, "config.ini: not found: every setting takes its default\n");
    }
    queueScene();
  }

  std::set<std::string> seen;
  while (!queue.empty()) {
    Pending item = queue.front();
    queue.pop_front();
    if (!seen.insert(platformPathOf(item.path.c_str())).second) continue;
    check::Report report = checkOne(item, ctx);
    fputs(check::formatReport(report, item.role).c_str(), ctx.out);
    fflush(ctx.out);
    countReport(report, ctx);
    queueNamed(report, queue);
    // A configuration named on the command line brings the scene it
    // configures (the first one named, when there are several), its files
    // found from here as the program started here would.
    if (!scene && report.kind == check::FileKind::Config && report.usable()) {
      ctx.configFile.read(item.path.c_str());
      queueScene();
    }
  }
  if (scene) checkScenePrograms(ctx);
  fprintf(ctx.out, "\nchecked %zu file%s: %zu unusable, %zu warning%s\n", ctx.files, ctx.files == 1 ? "" : "s",
          ctx.unusable, ctx.warnings, ctx.warnings == 1 ? "" : "s");
  if (ctx.gl) platform::terminate();
  return ctx.unusable > 0 ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
  Context ctx;
  try {
    const int status = run(argc, argv, ctx);
    fflush(ctx.out);
    return status;
  } catch (const std::bad_alloc&) {
    fflush(ctx.out);
    fprintf(stderr, "ERROR: out of memory while checking\n");
    return 1;
  }
}
