#ifdef __EMSCRIPTEN__
#include "platform/platform_web.h"

#include <GLFW/glfw3.h>

namespace platform {
void resizeWindow(int width, int height) {
  if (GLFWwindow* window = glfwGetCurrentContext(); window != nullptr && width > 0 && height > 0)
    glfwSetWindowSize(window, width, height);
}
}  // namespace platform
#endif
