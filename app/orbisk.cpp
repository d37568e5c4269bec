#include "app/orbisk.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "app/hotkeys.h"
#include "app/inputhandler.h"
#include "app/loadingscreen.h"
#include "app/programargs.h"
#include "base/configfile.h"
#include "base/runfiles.h"
#include "gpu/passpacer.h"
#include "gpu/passstate.h"
#include "gpu/rendertargets.h"
#include "gpu/stagetimer.h"
#include "gpu/texturefiltering.h"
#include "gpu/textureupload.h"
#include "platform/platform.h"
#include "platform/windowsize.h"
#include "scene/earthlayers.h"
#include "render/quality.h"
#include "render/renderscene.h"
#include "render/skytextures.h"
#include "render/sunglow.h"
#include "render/textoverlay.h"
#include "scene/animation.h"
#include "scene/camera.h"
#include "scene/scene.h"
#include "scene/sceneclock.h"
#include "scene/skyscene.h"
#include "scene/starfield.h"

namespace {

// The Earth's layers config.ini asks for; the fast preset keeps the clouds
// but not their shadows.
EarthLayerSwitches configuredEarthLayers(const ConfigFile& config, const Quality& quality) {
  EarthLayerSwitches switches;
  switches.relief = config.checkedSetting<bool>("relief");
  switches.clouds = config.checkedSetting<bool>("clouds");
  switches.cloudShadows = qualityName(quality) != "fast";
  return switches;
}

bool openConfiguredWindow(const StartOptions& options, const ConfigFile& configFile) {
  const int askedWidth = configFile.setting<int>("width");
  const int askedHeight = configFile.setting<int>("height");
  // Hidden windows have their own size; the configured one is only checked.
  platform::DisplayLimits limits;
  if (!options.hidden) {
    limits = platform::queryDisplayLimits(false);
    // The GL's limits cost a context to read; a request the screen holds
    // cannot exceed them.
    if (askedWidth > limits.screenWidth || askedHeight > limits.screenHeight)
      limits = platform::queryDisplayLimits(true);
  }
  const bool fullScreen = configFile.setting<bool>("fullscreen");
  const WindowSizeFit fit =
      fitWindowSize(askedWidth, askedHeight, limits,
                    options.hidden ? WindowKind::Hidden : fullScreen ? WindowKind::FullScreen : WindowKind::Windowed);
  for (const std::string& warning : fit.warnings) fprintf(stderr, "%s\n", warning.c_str());
  const int width = fit.width, height = fit.height;
  if (options.hidden) return platform::openHiddenWindow(options.width, options.height);
  platform::openWindowHint(platform::FSAA_SAMPLES, 4);
  platform::openWindowHint(platform::OPENGL_VERSION_MAJOR, 3);
  platform::openWindowHint(platform::OPENGL_VERSION_MINOR, 3);
  platform::openWindowHint(platform::OPENGL_PROFILE, platform::OPENGL_CORE_PROFILE);
  const int mode = fullScreen ? platform::FULLSCREEN : platform::WINDOW;
  return platform::openWindow(width, height, 32, 32, 32, 32, 32, 32, mode);
}

// app.currentQuality from config.ini and the tool's overrides. The line saying
// which settings are in force is printed when asked for or when config.ini
// sets one, so that a default run prints what it always printed.
void applyConfiguredQuality(const StartOptions& options, Application& app) {
  const ConfigFile& configFile = app.configFile;
  std::vector<std::string> warnings;
  app.currentQuality = resolveQuality(configFile, options.quality, warnings);
  for (const std::string& warning : warnings) fprintf(stderr, "%s\n", warning.c_str());
  app.configuredQuality = app.currentQuality;
  if (options.announceQuality || configSetsQuality(configFile))
    printf("DEBUG: %s\n", describeQuality(app.currentQuality).c_str());
}

// The sky's clock from config.ini's time and timeRate, or the tool's.
void configureSky(const StartOptions& options, Application& app) {
  const ConfigFile& configFile = app.configFile;
  std::vector<std::string> warnings;
  const std::string timeText = options.skyTime.empty() ? configFile.setting<std::string>("time") : options.skyTime;
  // %.17g: to_string's six decimals would turn a rate of 1e-7 into a hold.
  char toolRate[32];
  snprintf(toolRate, sizeof toolRate, "%.17g", options.timeRate);
  const std::string rateText =
      options.hasTimeRate ? toolRate : configFile.getValue("timeRate", config::defaultOf("timeRate"));
  app.sky = skyClockFromSettings(timeText, rateText, warnings);
  for (const std::string& warning : warnings) fprintf(stderr, "%s\n", warning.c_str());
}

void configureExposure(Application& app) {
  std::vector<std::string> warnings;
  app.exposure = Exposure();
  app.exposure.setting = parseExposureSetting(app.configFile.setting<std::string>("exposure"), warnings);
  for (const std::string& warning : warnings) fprintf(stderr, "%s\n", warning.c_str());
  if (!app.exposure.setting.automatic) app.exposure.value = app.exposure.setting.fixed;
}

// The passes draw the light at the exposure in force, the stars at their share.
void applyExposure(Scene& scene, const Exposure& exposure) {
  scene.exposure = static_cast<float>(exposure.value);
  scene.starStops = static_cast<float>(std::log2(starGainOf(exposure)));
}

// What the air table is made for this frame: the central eye, the sun, the
// passes, and how far any pass's eye may stray from it (any of the sixteen,
// whatever the passes).
AirTableView airTableView(const Application& app, int passes, const glm::vec3& realEye, const glm::vec3& lookAtPos) {
  AirTableView view;
  view.passes = passes;
  view.eye = realEye;
  view.sun = app.scene.lightPosition;
  view.shellRadius = app.airTable.shellRadius;
  for (int i = 0; i < kDOFPasses; ++i) {
    const glm::vec3 eye = jitteredEye(realEye, lookAtPos, camera.getViewUp(), camera.getRight(),
                                      app.dof.randValuesA[i], app.dof.randValuesB[i]);
    view.eyeSpread = std::max(view.eyeSpread, glm::length(eye - realEye));
  }
  view.focalPixels = camera.getProjectionMatrix()[1][1] * 0.5f * static_cast<float>(app.targets.targetHeight);
  view.targetWidth = app.targets.targetWidth;
  view.targetHeight = app.targets.targetHeight;
  return view;
}

// The frame's passes 0 to passes - 1 into their targets, each with its sun glow.
void renderPasses(Application& app, int passes) {
  const glm::vec3 realEye = camera.getPosition();
  const glm::vec3 lookAtPos = camera.getLookAtPoint();
  const glm::vec3 lookDir = camera.getDirection();
  app.scene.starViewProjection = camera.getViewProjectionMatrix();
  applyExposure(app.scene, app.exposure);
  seeSunFrom(app.sunGlow, realEye, app.scene.lightPosition);
  stageBegin(FrameStage::AtmosphereComposite);
  prepareAirTable(app.airTable, airTableView(app, passes, realEye, lookAtPos), app.skyTextures,
                  app.scene.atmosphere->getModelMatrix());
  stageEnd(FrameStage::AtmosphereComposite);
  PassPacer pacer;
  for (int i = 0; i < passes; ++i) {
    stageBegin(FrameStage::EnvironmentCube);
    glBindFramebuffer(GL_FRAMEBUFFER, app.targets.framebufferDOF[i]);
    glViewport(0, 0, app.targets.targetWidth, app.targets.targetHeight);
    applyPassState(passstate::environment);  // whole, and through every mask
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    stageEnd(FrameStage::EnvironmentCube);
    moveCameraToPass(app.dof, i, realEye, lookAtPos);
    renderScene(app.scene, app.targets, app.skyTextures, app.airTable, i);
    stageBegin(FrameStage::SunGlow);
    drawSunGlow(app.sunGlow, app.targets, app.scene.lightPosition);
    stageEnd(FrameStage::SunGlow);
    pacePass(pacer);
  }
  endPacing(pacer);
  camera.setPosition(realEye);
  camera.setDirection(lookDir);
}

// The mean light of pass 0's picture before exposure (0 without a meter).
double meterPassZero(const Application& app) {
  return meterImage(app.exposureMeter, app.targets.textureDOF[0], app.targets.targetWidth, app.targets.targetHeight,
                    app.exposure.value);
}

}  // namespace

void placeSky(Scene& scene, double tai) {
  applySkyPlacement(skyPlacementOf(skyStateAt(tai)), scene.earth, scene.moon, scene.shadowCone, scene.lightPosition);
  scene.earthLayers.season = cloudSeasonOfDay(dayOfYearAt(tai));
}

int beginStartUp(const StartOptions& options, Application& app, SceneLoading& loading) {
  if (!platform::init()) {
    // Nearly always no display: say how to run without one.
    fputs(noDisplayMessage(platform::initFailure(), options.hidden).c_str(), stderr);
    return 1;
  }
  app.configFile = ConfigFile();
  app.configFile.read("config.ini");
  if (!openConfiguredWindow(options, app.configFile)) {
    fprintf(stderr, "ERROR: Failed to open GLFW window\n");
    platform::terminate();
    return -1;
  }
  platform::getWindowSize(&windowWidth, &windowHeight);
  glewExperimental = GL_TRUE;
  if (glewInit() != GLEW_OK) {
    fprintf(stderr, "ERROR: Failed to initialize GLEW!\n");
    platform::terminate();
    return -1;
  }
  // GLEW's extension probe leaves an error flag behind on core contexts.
  while (glGetError() != GL_NO_ERROR) {
  }
  platform::setWindowTitle("Veltrane - Orbisk");
  platform::enable(platform::STICKY_KEYS);
  platform::enable(platform::KEY_REPEAT);
  GLint textureUnits = 0;
  glGetIntegerv(GL_MAX_TEXTURE_IMAGE_UNITS, &textureUnits);
  printf("DEBUG: textureUnits: %d\n", textureUnits);
  if (!makeContextState(app)) {
    platform::terminate();
    exit(1);
  }
  applyConfiguredQuality(options, app);
  configureSky(options, app);
  configureExposure(app);
  srand(options.fixedSeed ? options.seed : static_cast<unsigned int>(time(nullptr)));
  fillJitterTables(app.dof);
  beginSceneLoading(app.configFile, app.currentQuality, loading);
  return 0;
}

bool makeContextState(Application& app) {
  glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
  // The context may have started at the requested size before the window
  // took the screen's; the loading screen draws with this viewport.
  glViewport(0, 0, windowWidth, windowHeight);
  glEnable(GL_DEPTH_TEST);
  glDepthFunc(GL_LESS);
  glEnable(GL_CULL_FACE);
  glGenVertexArrays(1, &app.VertexArrayID);
  glBindVertexArray(app.VertexArrayID);
  if (!app.textOverlay.initText(runfiles::font, forcesAnisotropicFiltering(app.configFile))) {
    fprintf(stderr, "ERROR: Could not initialize font!\n");
    return false;
  }
  return true;
}

// config.ini's airScale, or its default when out of range; warned about
// once, where the programs' defines are made.
static double configuredAirScale(const ConfigFile& config, bool warn) {
  if (warn) return config.checkedSetting<double>("airScale");
  const config::Key& key = *config::find("airScale");
  const double scale = config.setting<double>("airScale");
  return config::inRange(key, scale) ? scale : config::defaultValue<double>(key);
}

void beginSceneLoading(const ConfigFile& config, const Quality& quality, SceneLoading& loading) {
  loading = SceneLoading();
  loading.config = config;
  loading.shaderDefines = textureFilteringDefines(applyTextureFiltering(config)) +
                          earthLayerDefines(configuredEarthLayers(config, quality)) +
                          airScaleDefines(configuredAirScale(config, true));
}

int finishStartUp(Application& app, const SceneLoading& loading) {
  app.scene.earthLayers = loadEarthLayers(configuredEarthLayers(app.configFile, app.currentQuality));
  // One read of the air for the sky's tables and the sun glow. Without it
  // the sky lacks its light beyond the first scattering and the sun shines
  // bare; a file that cannot be read the shader loader has named already.
  AtmosphereModel air;
  std::string airProblem;
  const bool hasAir =
      readAtmosphereModel(runfiles::atmosphereModel, glm::length(glm::vec3(app.scene.atmosphere->getModelMatrix()[0])),
                          configuredAirScale(app.configFile, false), air, airProblem);
  if (hasAir)
    app.skyTextures = makeSkyTextures(buildSkyTables(air));
  else if (!airProblem.empty())
    fprintf(stderr, "ERROR: %s: cannot read the atmosphere's %s; the sky is drawn without its tables\n",
            runfiles::atmosphereModel, airProblem.c_str());
  showLoadingScreen(app.textOverlay, sunGlowLoadingLine().c_str());
  loadSunGlow(app.sunGlow, forcesAnisotropicFiltering(app.configFile));
  if (hasAir) setSunAir(app.sunGlow, air);
  // An incomplete target would leave its passes drawing into the window.
  if (!createRenderTargets(app.targets, windowWidth, windowHeight, app.currentQuality.scale) ||
      !createDOFRenderTargets(app.targets, windowWidth, windowHeight)) {
    releaseResources(app);
    platform::terminate();
    return 1;
  }
  // Without its meter the automatic exposure stays at the design's look.
  if (!makeExposureMeter(app.exposureMeter, runfiles::exposureMeterVertex, runfiles::exposureMeterFragment))
    fprintf(stderr, "WARNING: the exposure meter could not be made; the exposure stays at %.2f\n",
            app.exposure.value);
  createCameraInputHandler(&camera, &app.frameStartTime, app.configFile);
  centrePointer();
  registerInputCallbacks();
  createCompositeQuad(app.dof, app.targets, app.currentQuality.passes);
  // The table needs the air's top, which the model gives.
  std::string airTableWarning;
  if (airTableSwitchedOn(app.configFile.setting<std::string>("airTable"), airTableWarning) && hasAir)
    makeAirTable(app.airTable, static_cast<float>(air.shellRadius),
                 {runfiles::compositeVertex, app.configFile.setting<std::string>("atmosphereVShader"),
                  app.configFile.setting<std::string>("atmosphereFShaderFinal"),
                  app.configFile.setting<std::string>("earthVShader"),
                  app.configFile.setting<std::string>("earthFShader"), loading.shaderDefines});
  if (!airTableWarning.empty()) fprintf(stderr, "%s\n", airTableWarning.c_str());
  if (app.sky.active()) {
    startSkyClock(app.sky, platform::getTime());
    placeSky(app.scene, app.sky.taiAt(app.sky.anchorWall));
    printf("%s\n", skyStatusLine(app.sky, app.sky.anchorWall).c_str());
  }
  printf("starting game loop!\n");
  return 0;
}

int startUp(const StartOptions& options, Application& app) {
  SceneLoading loading;
  const int begun = beginStartUp(options, app, loading);
  if (begun != 0) return begun;
  loadScene(app.scene, loading,
            [&app](const char* status) { showLoadingScreen(app.textOverlay, status); });
  return finishStartUp(app, loading);
}

void renderFrame(Application& app) {
  const int passes = std::clamp(app.currentQuality.passes, 1, kDOFPasses);
  renderPasses(app, passes);
  stageBegin(FrameStage::FinalComposite);
  if (app.exposure.setting.automatic && app.exposureMeter.program != 0)
    takeExposureReading(app.exposure, meterPassZero(app), app.exposureClock);
  drawComposite(app.dof, app.targets, passes);
  stageEnd(FrameStage::FinalComposite);
}

void exposeForView(Application& app) {
  if (!app.exposure.setting.automatic || app.exposureMeter.program == 0) return;
  renderPasses(app, 1);
  takeExposureReading(app.exposure, meterPassZero(app), -1.0);
}

bool toggleFastQuality(Application& app) {
  app.fastSwitched = !app.fastSwitched;
  app.currentQuality = app.configuredQuality;
  if (app.fastSwitched) presetQuality("fast", app.currentQuality);
  const bool made = rebuildRenderTargets(app.targets, windowWidth, windowHeight, app.currentQuality.scale);
  printf("DEBUG: %s\n", describeQuality(app.currentQuality).c_str());
  return made;
}

void releaseResources(Application& app) {
  // Let the software renderer finish the last frame before its objects and
  // the context go away.
  glFinish();
  // A program deleted while current lives on until it is no longer current.
  glUseProgram(0);
  destroyCompositeQuad(app.dof);
  destroyExposureMeter(app.exposureMeter);
  destroyInputHandler();
  destroyDOFRenderTargets(app.targets);
  destroyRenderTargets(app.targets);
  unloadSunGlow(app.sunGlow);
  destroySkyTextures(app.skyTextures);
  destroyAirTable(app.airTable);
  destroyEarthLayers(app.scene.earthLayers);
  unloadScene(app.scene);
  app.textOverlay.cleanupText();
  glDeleteVertexArrays(1, &app.VertexArrayID);
  app.VertexArrayID = 0;
}

void shutDown(Application& app) {
  releaseResources(app);
  platform::terminate();
  // The process-wide state as before startUp, so that another run starts alike.
  app.configFile = ConfigFile();
  camera = Camera();
  windowWidth = windowHeight = 0;
  app.currentQuality = Quality();
  app.scene = Scene();
  app.sky = SkyClock();
}

FollowedSize followWindowSize(Application& app) {
  int width = 0, height = 0;
  platform::getWindowSize(&width, &height);
  if (width <= 0 || height <= 0) return FollowedSize::NoArea;
  if (width == windowWidth && height == windowHeight) return FollowedSize::Drawable;
  windowWidth = width;
  windowHeight = height;
  const bool made = rebuildRenderTargets(app.targets, windowWidth, windowHeight, app.currentQuality.scale);
  return made ? FollowedSize::Drawable : FollowedSize::TargetsFailed;
}

bool runOneFrame(Application& app) {
  app.frameStartTime = platform::getTime();
  // Minimised, or a window without area: sleep until something happens
  // rather than render what nobody sees. The pause is not a frame time.
  const FollowedSize size = platform::isIconified() ? FollowedSize::NoArea : followWindowSize(app);
  if (size == FollowedSize::TargetsFailed) {
    app.exitStatus = 1;
    return false;
  }
  if (size == FollowedSize::NoArea) {
    app.hotKeys.lastFrameStart = -1.0;
    pauseSceneClock(app.scene.clock);
    platform::waitEvents();
    return platform::getWindowParam(platform::OPENED) != 0;
  }
  sceneClockFrame(app.scene.clock);
  app.exposureClock = sceneTime(app.scene.clock);
  recordFrameStart(app.hotKeys, app.frameStartTime);
  if (app.sky.active()) {
    placeSky(app.scene, app.sky.taiAt(app.frameStartTime));
    if (app.hotKeys.readoutShown) app.hotKeys.skyReadout = "UTC " + skyReadout(app.sky, app.frameStartTime);
  }
  renderFrame(app);
  if (app.hotKeys.readoutShown) app.hotKeys.exposureReadout = exposureReadout(app.exposure);
  drawHotKeyOverlays(app.hotKeys, app.currentQuality, app.textOverlay);
  platform::swapBuffers();
  updateAnimation(app.scene);
  for (int key : platform::takeKeyPresses()) {
    const HotKeyAction action = onHotKeyPress(app.hotKeys, key);
    if (action == HotKeyAction::ToggleFastQuality && !toggleFastQuality(app)) {
      app.exitStatus = 1;
      return false;
    }
    if (action == HotKeyAction::SkyChanged) {
      const std::string line = changeSky(app.sky, key, platform::getTime());
      printf("%s\n", line.c_str());
      app.hotKeys.skyReadout.clear();
    }
  }
  if (platform::getKey(platform::KEY_ESC) == platform::PRESS) return false;
  return platform::getWindowParam(platform::OPENED) != 0;
}

int runOrbisk() {
  // Line by line, so that progress lines and errors interleave as they happen.
  setvbuf(stdout, nullptr, _IOLBF, 0);
  Application app;
  const int started = startUp(StartOptions{}, app);
  if (started != 0) return started;
  while (runOneFrame(app)) {
  }
  shutDown(app);
  return app.exitStatus;
}
