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

// The pretend window of the test hook, used while no real one is open.
struct FakeWindow {
  int width = 0, height = 0;
  float scale = 1.0f;
  int pointerX = 0, pointerY = 0;
};

struct Session {
  GLFWwindow* window = nullptr;
  WindowHints hints;
  bool keyRepeat = false;
  int wheelPosition = 0;
  WheelAccumulator wheel;
  FakeWindow fake;
  double (*timeSource)() = nullptr;
  MouseWheelCallback wheelCallback = nullptr;
  MouseButtonCallback buttonCallback = nullptr;
  MousePosCallback posCallback = nullptr;
  KeyCallback keyCallback = nullptr;
  std::vector<int> keyPresses;
};
// The window library calls back into plain functions with no receiver of
// ours, so what they and the design's calls share lives with the process.
Session session;

void recordKeyPress(int key) {
  if (session.keyPresses.size() >= static_cast<size_t>(kMaxKeyPresses))
    session.keyPresses.erase(session.keyPresses.begin());
  session.keyPresses.push_back(key);
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
    if (!session.keyRepeat) return;
    action = GLFW_PRESS;
  }
  if (session.keyCallback) session.keyCallback(translated, action == GLFW_PRESS ? PRESS : RELEASE);
}

void onButton(GLFWwindow*, int button, int action, int) {
  if (session.buttonCallback) session.buttonCallback(button, action == GLFW_PRESS ? PRESS : RELEASE);
}

void onCursor(GLFWwindow*, double x, double y) {
  if (session.posCallback) session.posCallback(static_cast<int>(std::floor(x)), static_cast<int>(std::floor(y)));
}

void onScroll(GLFWwindow*, double, double yOffset) {
  const int notches = session.wheel.add(yOffset);
  if (notches == 0) return;
  // Saturating: a position past the int range would wrap and reverse the zoom.
  const long long position = static_cast<long long>(session.wheelPosition) + notches;
  session.wheelPosition = static_cast<int>(std::clamp<long long>(position, INT_MIN, INT_MAX));
  if (session.wheelCallback) session.wheelCallback(session.wheelPosition);
}

void installCallbacks() {
  glfwSetKeyCallback(session.window, onKey);
  glfwSetMouseButtonCallback(session.window, onButton);
  glfwSetCursorPosCallback(session.window, onCursor);
  glfwSetScrollCallback(session.window, onScroll);
}

void applyContextHints() {
  glfwWindowHint(GLFW_SAMPLES, session.hints.samples);
  glfwWindowHint(GLFW_CONTEXT_VERSION_MAJOR, session.hints.major);
  glfwWindowHint(GLFW_CONTEXT_VERSION_MINOR, session.hints.minor);
  if (session.hints.core) {
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
  session.window = nullptr;
  session.hints = WindowHints();
  session.keyRepeat = false;
  session.wheelPosition = 0;
  session.wheel = WheelAccumulator();
  session.wheelCallback = nullptr;
  session.buttonCallback = nullptr;
  session.posCallback = nullptr;
  session.keyCallback = nullptr;
  session.keyPresses.clear();
}

void openWindowHint(int target, int hint) {
  switch (target) {
    case FSAA_SAMPLES: session.hints.samples = hint; break;
    case OPENGL_VERSION_MAJOR: session.hints.major = hint; break;
    case OPENGL_VERSION_MINOR: session.hints.minor = hint; break;
    case OPENGL_PROFILE: session.hints.core = (hint == OPENGL_CORE_PROFILE); break;
    default: break;
  }
}

bool openWindow(int width, int height, int redBits, int greenBits, int blueBits, int alphaBits, int depthBits,
                int stencilBits, int mode) {
  if (session.window != nullptr || width <= 0 || height <= 0) return false;
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
  session.window = glfwCreateWindow(width, height, "", monitor, nullptr);
  if (session.window == nullptr && session.hints.samples > 0) {
    // Displays without multisampled visuals still get a window.
    glfwWindowHint(GLFW_SAMPLES, 0);
    session.window = glfwCreateWindow(width, height, "", monitor, nullptr);
  }
  if (session.window == nullptr) return false;
  // Without a window manager nobody gives the window focus, and an
  // unfocused window cannot warp the pointer back to its centre.
  glfwFocusWindow(session.window);
  glfwMakeContextCurrent(session.window);
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
  if (session.window == nullptr) {
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
  if (session.window != nullptr || width <= 0 || height <= 0) return false;
  glfwDefaultWindowHints();
  session.hints = WindowHints{0, 3, 3, true};
  applyContextHints();
  glfwWindowHint(GLFW_VISIBLE, GLFW_FALSE);
  session.window = glfwCreateWindow(width, height, "", nullptr, nullptr);
  if (session.window == nullptr) return false;
  glfwMakeContextCurrent(session.window);
  installCallbacks();
  return true;
}

void closeWindow() {
  if (session.window) glfwDestroyWindow(session.window);
  session.window = nullptr;
}

void getWindowSize(int* width, int* height) {
  int w = session.fake.width, h = session.fake.height;
  if (session.window) glfwGetFramebufferSize(session.window, &w, &h);
  if (width) *width = w;
  if (height) *height = h;
}

void getPointerAreaSize(int* width, int* height) {
  int w = static_cast<int>(session.fake.width / session.fake.scale),
      h = static_cast<int>(session.fake.height / session.fake.scale);
  if (session.window) glfwGetWindowSize(session.window, &w, &h);
  if (width) *width = w;
  if (height) *height = h;
}

void setWindowTitle(const char* title) {
  if (session.window && title) glfwSetWindowTitle(session.window, title);
}

int getWindowParam(int param) {
  if (param == OPENED) return (session.window != nullptr && !glfwWindowShouldClose(session.window)) ? 1 : 0;
  return 0;
}

void enable(int token) {
  if (token == STICKY_KEYS && session.window) glfwSetInputMode(session.window, GLFW_STICKY_KEYS, GLFW_TRUE);
  if (token == KEY_REPEAT) session.keyRepeat = true;
}

void disable(int token) {
  if (token == STICKY_KEYS && session.window) glfwSetInputMode(session.window, GLFW_STICKY_KEYS, GLFW_FALSE);
  if (token == KEY_REPEAT) session.keyRepeat = false;
}

int getKey(int key) {
  if (!session.window) return RELEASE;
  int k = glfw3KeyOf(key);
  if (k == GLFW_KEY_UNKNOWN) return RELEASE;
  return glfwGetKey(session.window, k) == GLFW_PRESS ? PRESS : RELEASE;
}

void getMousePos(int* x, int* y) {
  double px = session.fake.pointerX, py = session.fake.pointerY;
  if (session.window) glfwGetCursorPos(session.window, &px, &py);
  if (x) *x = static_cast<int>(std::floor(px));
  if (y) *y = static_cast<int>(std::floor(py));
}

void setMousePos(int x, int y) {
  if (session.window) glfwSetCursorPos(session.window, x, y);
  else session.fake.pointerX = x, session.fake.pointerY = y;
}

int getMouseWheel() { return session.wheelPosition; }
void setMouseWheel(int pos) { session.wheelPosition = pos; }

void setMouseWheelCallback(MouseWheelCallback cb) { session.wheelCallback = cb; }
void setMouseButtonCallback(MouseButtonCallback cb) { session.buttonCallback = cb; }
void setMousePosCallback(MousePosCallback cb) { session.posCallback = cb; }
void setKeyCallback(KeyCallback cb) { session.keyCallback = cb; }

std::vector<int> takeKeyPresses() {
  std::vector<int> presses;
  presses.swap(session.keyPresses);
  return presses;
}

bool isIconified() {
  return session.window != nullptr && glfwGetWindowAttrib(session.window, GLFW_ICONIFIED) == GLFW_TRUE;
}

double getTime() { return session.timeSource ? session.timeSource() : glfwGetTime(); }

void swapBuffers() {
  if (session.window) glfwSwapBuffers(session.window);
  glfwPollEvents();
}

void pollEvents() { glfwPollEvents(); }

void waitEvents() { glfwWaitEventsTimeout(0.1); }

void setTimeSource(double (*source)()) { session.timeSource = source; }

void injectKey(int key, int action) {
  if (action == PRESS) recordKeyPress(key);
  if (action == 2) {  // a repeat
    if (!session.keyRepeat) return;
    action = PRESS;
  }
  if (session.keyCallback) session.keyCallback(key, action);
}

void injectMousePos(int x, int y) {
  if (session.posCallback) session.posCallback(x, y);
}

void injectMouseWheel(double offset) { onScroll(nullptr, 0.0, offset); }

void injectMouseButton(int button, int action) {
  if (session.buttonCallback) session.buttonCallback(button, action);
}

void fakeWindow(int framebufferWidth, int framebufferHeight, float contentScale) {
  session.fake = FakeWindow();
  if (framebufferWidth <= 0 || framebufferHeight <= 0 || !(contentScale > 0.0f)) return;
  session.fake.width = framebufferWidth;
  session.fake.height = framebufferHeight;
  session.fake.scale = contentScale;
}

}  // namespace platform
