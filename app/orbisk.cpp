#include <GL/glew.h>

#include <cstdio>
#include <cstdlib>

#include "app/configfile.h"
#include "app/orbisk.h"
#include "platform/platform.h"

int windowWidth = 0;
int windowHeight = 0;
double frameStartTime = 0.0;
int currentDOFPass = 0;

int runOrbisk() {
  if (!platform::init()) {
    fprintf(stderr, "ERROR: Failed to initialize GLFW!\n");
    return -1;
  }
  configFile = ConfigFile();
  configFile.read("config.ini");
  int width = configFile.setting<int>("width");
  int height = configFile.setting<int>("height");
  platform::openWindowHint(platform::FSAA_SAMPLES, 4);
  platform::openWindowHint(platform::OPENGL_VERSION_MAJOR, 3);
  platform::openWindowHint(platform::OPENGL_VERSION_MINOR, 3);
  platform::openWindowHint(platform::OPENGL_PROFILE, platform::OPENGL_CORE_PROFILE);
  if (!platform::openWindow(width, height, 32, 32, 32, 32, 32, 32, platform::FULLSCREEN)) {
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
  while (glGetError() != GL_NO_ERROR) {
  }
  platform::setWindowTitle("Veltrane - Orbisk");
  platform::enable(platform::STICKY_KEYS);
  platform::enable(platform::KEY_REPEAT);
  GLint textureUnits = 0;
  glGetIntegerv(GL_MAX_TEXTURE_IMAGE_UNITS, &textureUnits);
  printf("DEBUG: textureUnits: %d\n", textureUnits);
  glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
  glEnable(GL_DEPTH_TEST);
  glDepthFunc(GL_LESS);
  glEnable(GL_CULL_FACE);
  GLuint VertexArrayID = 0;
  glGenVertexArrays(1, &VertexArrayID);
  glBindVertexArray(VertexArrayID);
  printf("starting game loop!\n");
  fflush(stdout);
  do {
    frameStartTime = platform::getTime();
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glViewport(0, 0, windowWidth, windowHeight);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    platform::swapBuffers();
    if (platform::getKey(platform::KEY_ESC) == platform::PRESS) break;
  } while (platform::getWindowParam(platform::OPENED));
  glDeleteVertexArrays(1, &VertexArrayID);
  platform::terminate();
  return 0;
}
