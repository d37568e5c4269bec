// orbisk-shot: renders one full frame of the real scene offscreen (the sixteen
// passes with the sun glow, then the composite) and writes it as a PNG. Run in
// the run-time folder, like orbisk.
#include <GL/glew.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "app/orbisk.h"
#include "base/configfile.h"
#include "cli/shotoptions.h"
#include "cli/toolconsole.h"
#include "platform/platform.h"
#include "render/framecapture.h"
#include "render/quality.h"
#include "scene/animation.h"
#include "scene/camera.h"
#include "scene/scene.h"
#include "scene/skyscene.h"

int main(int argc, char** argv) {
  setvbuf(stdout, nullptr, _IOLBF, 0);
  ShotOptions options;
  const int parsed = parseShotCommandLine(std::vector<std::string>(argv + 1, argv + argc), options, nullptr, true);
  if (parsed >= 0) return parsed;

  if (!outputWritable(options.out)) return 1;
  QuietConsole quiet(!options.verbose);

  const StartOptions start = toolStartOptions(options, options.hasSeed);
  Application app;
  if (startUp(start, app) != 0) return 1;
  if (!options.verbose) fprintf(toolOut(), "%s\n", describeQuality(app.currentQuality).c_str());
  if (windowWidth != options.width || windowHeight != options.height)
    fprintf(stderr, "WARNING: asked for %d x %d, the window has %d x %d\n", options.width, options.height,
            windowWidth, windowHeight);

  for (long i = 0; i < options.steps; ++i) stepSceneObjects(app.scene.earth, app.scene.moon, app.scene.missile);
  if (app.sky.active()) {
    // As orbisk-film's frame at this flight time: the sky runs on with it.
    const double tai = app.sky.anchorTai + (options.usePathTime ? options.pathTime * app.sky.rate : 0.0);
    placeSky(app.scene, tai);
    fprintf(toolOut(), "sky of %s\n", formatUtc(tai).c_str());
  }
  if (options.useAbove) {
    const AboveView view = viewAbove(options.aboveLatitude, options.aboveLongitude, options.aboveAltitudeKm,
                                     glm::dmat4(app.scene.earth->modelMatrix));
    const glm::dvec3 toCentre = glm::normalize(view.at - view.eye);
    camera.setPosition(glm::vec3(view.eye));
    // Focused on the ground below, not on the Earth's centre.
    camera.setDirection(glm::vec3(toCentre * std::max(options.aboveAltitudeKm / earthRadiusKm, 1e-3)));
    camera.setUp(glm::vec3(view.up));
    camera.setFieldOfView(options.fov);
  } else if (options.usePathTime) {
    if (!placeCameraOnPath(options.pathTime)) {
      shutDown(app);
      return 1;
    }
  } else {
    camera.setPosition(options.eye);
    camera.setDirection(options.at - options.eye);
    camera.setUp(options.up);
    camera.setFieldOfView(options.fov);
  }

  const double t0 = platform::getTime();
  exposeForView(app);
  renderFrame(app);
  std::vector<unsigned char> pixels = readWindowPixels(windowWidth, windowHeight);
  const double frameSeconds = platform::getTime() - t0;
  // A GL error means a draw did not happen (a shader that failed to build
  // leaves its program 0): the picture would be wrong, often black.
  const GLenum glError = glGetError();
  if (glError != GL_NO_ERROR) {
    fprintf(stderr, "ERROR: GL error 0x%x during the frame; %s not written\n", glError, options.out.c_str());
    shutDown(app);
    return 1;
  }

  const bool written = writePng(options.out, windowWidth, windowHeight, pixels);
  if (written)
    fprintf(toolOut(), "wrote %s (%d x %d, frame %.3f s, %s)\n", options.out.c_str(), windowWidth, windowHeight,
            frameSeconds, exposureReadout(app.exposure).c_str());
  shutDown(app);
  return written ? 0 : 1;
}
