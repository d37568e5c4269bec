#include "platform/platform.h"

#include <GLFW/glfw3.h>

#include <algorithm>
#include <cctype>
#include <climits>
#include <cmath>

namespace platform {
namespace {

struct WindowHints {
  int samples = 0;
  int major = 1;
  int minor = 0;
  bool core = false;
};

GLFWwindow* window = nullptr;
WindowHints hints;
bool keyRepeat = false;
int wheelPosition = 0;
WheelAccumulator wheel;
// The pretend window of the test hook, used while no real one is open.
struct FakeWindow {
  int width = 0, height = 0;
  float scale = 1.0f;
  int pointerX = 0, pointerY = 0;
};
FakeWindow fake;
double (*timeSource)() = nullptr;

MouseWheelCallback wheelCallback = nullptr;
MouseButtonCallback buttonCallback = nullptr;
MousePosCallback posCallback = nullptr;
KeyCallback keyCallback = nullptr;
std::vector<int> keyPresses;

void recordKeyPress(int key) {
  if (keyPresses.size() >= static_cast<size_t>(kMaxKeyPresses)) keyPresses.erase(keyPresses.begin());
  keyPresses.push_back(key);
}

int translateFromGlfw3(int key, int scancode) {
  const int translated = translateKey(key);
  if (translated < 0 || translated >= KEY_SPECIAL) return translated;
  return layoutKeyCode(translated, glfwGetKeyName(key, scancode));
}

int glfw3KeyOf(int key) {
  // Printable keys by what the layout prints on them, as they are reported.
  for (int k = GLFW_KEY_SPACE; k <= GLFW_KEY_LAST; ++k)
    if ((key >= KEY_SPECIAL ? translateKey(k) : translateFromGlfw3(k, 0)) == key) return k;
  return GLFW_KEY_UNKNOWN;
}

void onKey(GLFWwindow*, int key, int scancode, int action, int) {
  int translated = translateFromGlfw3(key, scancode);
  if (translated < 0) return;
  if (action == GLFW_PRESS) recordKeyPress(translated);
  if (action == GLFW_REPEAT) {
    if (!keyRepeat) return;
    action = GLFW_PRESS;
  }
  if (keyCallback) keyCallback(translated, action == GLFW_PRESS ? PRESS : RELEASE);
}

void onButton(GLFWwindow*, int button, int action, int) {
  if (buttonCallback) buttonCallback(button, action == GLFW_PRESS ? PRESS : RELEASE);
}

void onCursor(GLFWwindow*, double x, double y) {
  if (posCallback) posCallback(static_cast<int>(std::floor(x)), static_cast<int>(std::floor(y)));
}

void onScroll(GLFWwindow*, double, double yOffset) {
  const int notches = wheel.add(yOffset);
  if (notches == 0) return;
  // Saturating: a position past the int range would wrap and reverse the zoom.
  const long long position = static_cast<long long>(wheelPosition) + notches;
  wheelPosition = static_cast<int>(std::clamp<long long>(position, INT_MIN, INT_MAX));
  if (wheelCallback) wheelCallback(wheelPosition);
}

void installCallbacks() {
  glfwSetKeyCallback(window, onKey);
  glfwSetMouseButtonCallback(window, onButton);
  glfwSetCursorPosCallback(window, onCursor);
  glfwSetScrollCallback(window, onScroll);
}

void applyContextHints() {
  glfwWindowHint(GLFW_SAMPLES, hints.samples);
  glfwWindowHint(GLFW_CONTEXT_VERSION_MAJOR, hints.major);
  glfwWindowHint(GLFW_CONTEXT_VERSION_MINOR, hints.minor);
  if (hints.core) {
    glfwWindowHint(GLFW_OPENGL_PROFILE, GLFW_OPENGL_CORE_PROFILE);
    glfwWindowHint(GLFW_OPENGL_FORWARD_COMPAT, GLFW_TRUE);
  }
}

}  // namespace

int layoutKeyCode(int translatedKey, const char* layoutName) {
  if (translatedKey < 0 || translatedKey >= KEY_SPECIAL || layoutName == nullptr) return translatedKey;
  const unsigned char c = static_cast<unsigned char>(layoutName[0]);
  // Accented letters and other multi-byte characters have no code of their
  // own; the key keeps its position's.
  if (c <= ' ' || c >= 0x7f || layoutName[1] != '\0') return translatedKey;
  return std::toupper(c);
}

int WheelAccumulator::add(double offset) {
  if (!std::isfinite(offset)) return 0;
  fraction += offset;
  // Ten events of 0.1 sum to just under 1: a hair's tolerance makes it one.
  const double whole = std::trunc(fraction + std::copysign(1e-9, fraction));
  fraction -= whole;
  return static_cast<int>(std::clamp(whole, -1e6, 1e6));
}

int translateKey(int k) {
  if (k >= GLFW_KEY_SPACE && k <= GLFW_KEY_GRAVE_ACCENT) return k;
  if (k == GLFW_KEY_WORLD_1 || k == GLFW_KEY_WORLD_2) return k;
  if (k >= GLFW_KEY_F1 && k <= GLFW_KEY_F25) return KEY_F1 + (k - GLFW_KEY_F1);
  if (k >= GLFW_KEY_KP_0 && k <= GLFW_KEY_KP_9) return KEY_KP_0 + (k - GLFW_KEY_KP_0);
  switch (k) {
    case GLFW_KEY_ESCAPE: return KEY_ESC;
    case GLFW_KEY_UP: return KEY_UP;
    case GLFW_KEY_DOWN: return KEY_DOWN;
    case GLFW_KEY_LEFT: return KEY_LEFT;
    case GLFW_KEY_RIGHT: return KEY_RIGHT;
    case GLFW_KEY_LEFT_SHIFT: return KEY_LSHIFT;
    case GLFW_KEY_RIGHT_SHIFT: return KEY_RSHIFT;
    case GLFW_KEY_LEFT_CONTROL: return KEY_LCTRL;
    case GLFW_KEY_RIGHT_CONTROL: return KEY_RCTRL;
    case GLFW_KEY_LEFT_ALT: return KEY_LALT;
    case GLFW_KEY_RIGHT_ALT: return KEY_RALT;
    case GLFW_KEY_TAB: return KEY_TAB;
    case GLFW_KEY_ENTER: return KEY_ENTER;
    case GLFW_KEY_BACKSPACE: return KEY_BACKSPACE;
    case GLFW_KEY_INSERT: return KEY_INSERT;
    case GLFW_KEY_DELETE: return KEY_DEL;
    case GLFW_KEY_PAGE_UP: return KEY_PAGEUP;
    case GLFW_KEY_PAGE_DOWN: return KEY_PAGEDOWN;
    case GLFW_KEY_HOME: return KEY_HOME;
    case GLFW_KEY_END: return KEY_END;
    case GLFW_KEY_KP_DIVIDE: return KEY_KP_DIVIDE;
    case GLFW_KEY_KP_MULTIPLY: return KEY_KP_MULTIPLY;
    case GLFW_KEY_KP_SUBTRACT: return KEY_KP_SUBTRACT;
    case GLFW_KEY_KP_ADD: return KEY_KP_ADD;
    case GLFW_KEY_KP_DECIMAL: return KEY_KP_DECIMAL;
    case GLFW_KEY_KP_EQUAL: return KEY_KP_EQUAL;
    case GLFW_KEY_KP_ENTER: return KEY_KP_ENTER;
    case GLFW_KEY_NUM_LOCK: return KEY_KP_NUM_LOCK;
    case GLFW_KEY_CAPS_LOCK: return KEY_CAPS_LOCK;
    case GLFW_KEY_SCROLL_LOCK: return KEY_SCROLL_LOCK;
    case GLFW_KEY_PAUSE: return KEY_PAUSE;
    case GLFW_KEY_LEFT_SUPER: return KEY_LSUPER;
    case GLFW_KEY_RIGHT_SUPER: return KEY_RSUPER;
    case GLFW_KEY_MENU: return KEY_MENU;
    default: return -1;
  }
}

bool init() { return glfwInit() == GLFW_TRUE; }

std::string initFailure() {
#ifdef __EMSCRIPTEN__
  return {};  // the browser's window library keeps no error text
#else
  const char* description = nullptr;
  glfwGetError(&description);
  return description != nullptr ? description : "";
#endif
}

void terminate() {
  glfwTerminate();
  // As before init, so that a second init starts alike; the test clock stays.
  window = nullptr;
  hints = WindowHints();
  keyRepeat = false;
  wheelPosition = 0;
  wheel = WheelAccumulator();
  wheelCallback = nullptr;
  buttonCallback = nullptr;
  posCallback = nullptr;
  keyCallback = nullptr;
  keyPresses.clear();
}

void openWindowHint(int target, int hint) {
  switch (target) {
    case FSAA_SAMPLES: hints.samples = hint; break;
    case OPENGL_VERSION_MAJOR: hints.major = hint; break;
    case OPENGL_VERSION_MINOR: hints.minor = hint; break;
    case OPENGL_PROFILE: hints.core = (hint == OPENGL_CORE_PROFILE); break;
    default: break;
  }
}

bool openWindow(int width, int height, int redBits, int greenBits, int blueBits, int alphaBits, int depthBits,
                int stencilBits, int mode) {
  if (window != nullptr || width <= 0 || height <= 0) return false;
  glfwDefaultWindowHints();
  applyContextHints();
  // Bit depths are wishes: the closest framebuffer the display offers is taken.
  glfwWindowHint(GLFW_RED_BITS, redBits);
  glfwWindowHint(GLFW_GREEN_BITS, greenBits);
  glfwWindowHint(GLFW_BLUE_BITS, blueBits);
  glfwWindowHint(GLFW_ALPHA_BITS, alphaBits);
  glfwWindowHint(GLFW_DEPTH_BITS, depthBits);
  glfwWindowHint(GLFW_STENCIL_BITS, stencilBits);
  GLFWmonitor* monitor = (mode == FULLSCREEN) ? glfwGetPrimaryMonitor() : nullptr;
  window = glfwCreateWindow(width, height, "", monitor, nullptr);
  if (window == nullptr && hints.samples > 0) {
    // Displays without multisampled visuals still get a window.
    glfwWindowHint(GLFW_SAMPLES, 0);
    window = glfwCreateWindow(width, height, "", monitor, nullptr);
  }
  if (window == nullptr) return false;
  // Without a window manager nobody gives the window focus, and an
  // unfocused window cannot warp the pointer back to its centre.
  glfwFocusWindow(window);
  glfwMakeContextCurrent(window);
  installCallbacks();
  return true;
}

DisplayLimits queryDisplayLimits(bool readGL) {
  DisplayLimits limits;
  if (GLFWmonitor* monitor = glfwGetPrimaryMonitor()) {
    if (const GLFWvidmode* mode = glfwGetVideoMode(monitor)) {
      limits.screenWidth = mode->width;
      limits.screenHeight = mode->height;
    }
  }
  if (!readGL) return limits;
  GLFWwindow* probe = nullptr;
  GLFWwindow* previous = glfwGetCurrentContext();
  if (window == nullptr) {
    glfwDefaultWindowHints();
    glfwWindowHint(GLFW_CONTEXT_VERSION_MAJOR, 3);
    glfwWindowHint(GLFW_CONTEXT_VERSION_MINOR, 3);
    glfwWindowHint(GLFW_OPENGL_PROFILE, GLFW_OPENGL_CORE_PROFILE);
    glfwWindowHint(GLFW_OPENGL_FORWARD_COMPAT, GLFW_TRUE);
    glfwWindowHint(GLFW_VISIBLE, GLFW_FALSE);
    probe = glfwCreateWindow(1, 1, "", nullptr, nullptr);
    if (probe == nullptr) return limits;
    glfwMakeContextCurrent(probe);
  }
  GLint dims[2] = {0, 0};
  glGetIntegerv(GL_MAX_VIEWPORT_DIMS, dims);
  limits.viewportWidth = dims[0];
  limits.viewportHeight = dims[1];
  glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &limits.renderbufferSize);
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &limits.textureSize);
  if (probe != nullptr) {
    glfwMakeContextCurrent(previous);
    glfwDestroyWindow(probe);
  }
  return limits;
}

bool openHiddenWindow(int width, int height) {
  if (window != nullptr || width <= 0 || height <= 0) return false;
  glfwDefaultWindowHints();
  hints = WindowHints{0, 3, 3, true};
  applyContextHints();
  glfwWindowHint(GLFW_VISIBLE, GLFW_FALSE);
  window = glfwCreateWindow(width, height, "", nullptr, nullptr);
  if (window == nullptr) return false;
  glfwMakeContextCurrent(window);
  installCallbacks();
  return true;
}

void closeWindow() {
  if (window) glfwDestroyWindow(window);
  window = nullptr;
}

void getWindowSize(int* width, int* height) {
  int w = fake.width, h = fake.height;
  if (window) glfwGetFramebufferSize(window, &w, &h);
  if (width) *width = w;
  if (height) *height = h;
}

void getPointerAreaSize(int* width, int* height) {
  int w = static_cast<int>(fake.width / fake.scale), h = static_cast<int>(fake.height / fake.scale);
  if (window) glfwGetWindowSize(window, &w, &h);
  if (width) *width = w;
  if (height) *height = h;
}

void setWindowTitle(const char* title) {
  if (window && title) glfwSetWindowTitle(window, title);
}

int getWindowParam(int param) {
  if (param == OPENED) return (window != nullptr && !glfwWindowShouldClose(window)) ? 1 : 0;
  return 0;
}

void enable(int token) {
  if (token == STICKY_KEYS && window) glfwSetInputMode(window, GLFW_STICKY_KEYS, GLFW_TRUE);
  if (token == KEY_REPEAT) keyRepeat = true;
}

void disable(int token) {
  if (token == STICKY_KEYS && window) glfwSetInputMode(window, GLFW_STICKY_KEYS, GLFW_FALSE);
  if (token == KEY_REPEAT) keyRepeat = false;
}

int getKey(int key) {
  if (!window) return RELEASE;
  int k = glfw3KeyOf(key);
  if (k == GLFW_KEY_UNKNOWN) return RELEASE;
  return glfwGetKey(window, k) == GLFW_PRESS ? PRESS : RELEASE;
}

void getMousePos(int* x, int* y) {
  double px = fake.pointerX, py = fake.pointerY;
  if (window) glfwGetCursorPos(window, &px, &py);
  if (x) *x = static_cast<int>(std::floor(px));
  if (y) *y = static_cast<int>(std::floor(py));
}

void setMousePos(int x, int y) {
  if (window) glfwSetCursorPos(window, x, y);
  else fake.pointerX = x, fake.pointerY = y;
}

int getMouseWheel() { return wheelPosition; }
void setMouseWheel(int pos) { wheelPosition = pos; }

void setMouseWheelCallback(MouseWheelCallback cb) { wheelCallback = cb; }
void setMouseButtonCallback(MouseButtonCallback cb) { buttonCallback = cb; }
void setMousePosCallback(MousePosCallback cb) { posCallback = cb; }
void setKeyCallback(KeyCallback cb) { keyCallback = cb; }

std::vector<int> takeKeyPresses() {
  std::vector<int> presses;
  presses.swap(keyPresses);
  return presses;
}

bool isIconified() { return window != nullptr && glfwGetWindowAttrib(window, GLFW_ICONIFIED) == GLFW_TRUE; }

double getTime() { return timeSource ? timeSource() : glfwGetTime(); }

void swapBuffers() {
  if (window) glfwSwapBuffers(window);
  glfwPollEvents();
}

void pollEvents() { glfwPollEvents(); }

void waitEvents() { glfwWaitEventsTimeout(0.1); }

void setTimeSource(double (*source)()) { timeSource = source; }

void injectKey(int key, int action) {
  if (action == PRESS) recordKeyPress(key);
  if (action == 2) {  // a repeat
    if (!keyRepeat) return;
    action = PRESS;
  }
  if (keyCallback) keyCallback(key, action);
}

void injectMousePos(int x, int y) {
  if (posCallback) posCallback(x, y);
}

void injectMouseWheel(double offset) { onScroll(nullptr, 0.0, offset); }

void injectMouseButton(int button, int action) {
  if (buttonCallback) buttonCallback(button, action);
}

void fakeWindow(int framebufferWidth, int framebufferHeight, float contentScale) {
  fake = FakeWindow();
  if (framebufferWidth <= 0 || framebufferHeight <= 0 || !(contentScale > 0.0f)) return;
  fake.width = framebufferWidth;
  fake.height = framebufferHeight;
  fake.scale = contentScale;
}

}  // namespace platform
