#include "app/loadingscreen.h"

#include <GL/glew.h>

#include <cstring>
#include <glm/glm.hpp>

#include "base/frameglobals.h"
#include "platform/platform.h"
#include "render/textoverlay.h"

void showLoadingScreen(TextOverlay& overlay, const char* statusLine) {
  static const char kHeading[] = "LOADING SCENE ...";
  constexpr int kHeadingSize = 30;
  constexpr int kStatusSize = 20;
  const glm::vec4 green(0.0f, 1.0f, 0.0f, 1.0f);
  const int headingLength = static_cast<int>(strlen(kHeading));

  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  overlay.printText(kHeading, centredTextX(headingLength, kHeadingSize, windowWidth), windowHeight / 2 + 60,
                    kHeadingSize, green);
  overlay.printText(statusLine, 50, 50, kStatusSize, green);
  platform::swapBuffers();
}
