// The one window and its input, with the calls and key numbering of the
// classic GLFW 2 interface. GLFW 3 does the work underneath; this is the only
// module that includes it.
#pragma once
#include <string>
#include <vector>

namespace platform {

// Key codes in the GLFW 2 numbering: printable keys are their upper-case ASCII
// codes, special keys start above 256.
enum Key {
  KEY_SPACE = 32,
  KEY_SPECIAL = 256,
  KEY_ESC = 257,
  KEY_F1 = 258,  // F1..F25 are 258..282
  KEY_UP = 283,
  KEY_DOWN = 284,
  KEY_LEFT = 285,
  KEY_RIGHT = 286,
  KEY_LSHIFT = 287,
  KEY_RSHIFT = 288,
  KEY_LCTRL = 289,
  KEY_RCTRL = 290,
  KEY_LALT = 291,
  KEY_RALT = 292,
  KEY_TAB = 293,
  KEY_ENTER = 294,
  KEY_BACKSPACE = 295,
  KEY_INSERT = 296,
  KEY_DEL = 297,
  KEY_PAGEUP = 298,
  KEY_PAGEDOWN = 299,
  KEY_HOME = 300,
  KEY_END = 301,
  KEY_KP_0 = 302,  // keypad 0..9 are 302..311
  KEY_KP_DIVIDE = 312,
  KEY_KP_MULTIPLY = 313,
  KEY_KP_SUBTRACT = 314,
  KEY_KP_ADD = 315,
  KEY_KP_DECIMAL = 316,
  KEY_KP_EQUAL = 317,
  KEY_KP_ENTER = 318,
  KEY_KP_NUM_LOCK = 319,
  KEY_CAPS_LOCK = 320,
  KEY_SCROLL_LOCK = 321,
  KEY_PAUSE = 322,
  KEY_LSUPER = 323,
  KEY_RSUPER = 324,
  KEY_MENU = 325,
  KEY_LAST = KEY_MENU,
};

constexpr int RELEASE = 0;
constexpr int PRESS = 1;

// Window hint targets and values, numbered as in GLFW 2.
constexpr int OPENED = 0x20001;
constexpr int FSAA_SAMPLES = 0x20013;
constexpr int OPENGL_VERSION_MAJOR = 0x20014;
constexpr int OPENGL_VERSION_MINOR = 0x20015;
constexpr int OPENGL_PROFILE = 0x20018;
constexpr int OPENGL_CORE_PROFILE = 0x50001;
constexpr int WINDOW = 0x10001;
constexpr int FULLSCREEN = 0x10002;
constexpr int STICKY_KEYS = 0x30002;
constexpr int KEY_REPEAT = 0x30005;

using MouseWheelCallback = void (*)(int pos);
using MouseButtonCallback = void (*)(int button, int action);
using MousePosCallback = void (*)(int x, int y);
using KeyCallback = void (*)(int key, int action);

bool init();
// Why the last init failed, in the window library's words ("X11: The
// DISPLAY environment variable is missing"); empty when it gave none.
std::string initFailure();
void terminate();

void openWindowHint(int target, int hint);
// Opens the one window; mode is WINDOW or FULLSCREEN. Returns false on failure.
bool openWindow(int width, int height, int redBits, int greenBits, int blueBits,
                int alphaBits, int depthBits, int stencilBits, int mode);
// A window that is never shown, for tests and offscreen tools.
bool openHiddenWindow(int width, int height);
void closeWindow();
// What the display and its GL can hold, read before the window opens. The GL
// limits are read only when asked for, through a hidden 1 x 1 window when
// none is open. Zero for what could not be read.
struct DisplayLimits {
  int screenWidth = 0, screenHeight = 0;      // the primary monitor's current mode
  int viewportWidth = 0, viewportHeight = 0;  // GL_MAX_VIEWPORT_DIMS
  int renderbufferSize = 0;                   // GL_MAX_RENDERBUFFER_SIZE
  int textureSize = 0;                        // GL_MAX_TEXTURE_SIZE
};
DisplayLimits queryDisplayLimits(bool readGL);
void getWindowSize(int* width, int* height);
void setWindowTitle(const char* title);
// OPENED: non-zero while the window exists and no close was requested.
int getWindowParam(int param);

void enable(int token);
void disable(int token);
int getKey(int key);

// The window's size in the units of pointer positions (screen coordinates).
// getWindowSize gives framebuffer pixels: on a scaled display the two differ,
// so pointer maths uses this and viewports and targets use that.
void getPointerAreaSize(int* width, int* height);
void getMousePos(int* x, int* y);
void setMousePos(int x, int y);
// Whole notches since the last reset; a fraction not yet making a notch is
// kept across the reset.
int getMouseWheel();
void setMouseWheel(int pos);

void setMouseWheelCallback(MouseWheelCallback cb);
void setMouseButtonCallback(MouseButtonCallback cb);
void setMousePosCallback(MousePosCallback cb);
void setKeyCallback(KeyCallback cb);

// Keys pressed since the last call, oldest first, as the key callback saw
// them: presses between two frames are never merged, however quick. Repeats
// of a held key are not presses. Only the newest kMaxKeyPresses are kept
// when nobody takes them.
constexpr int kMaxKeyPresses = 256;
std::vector<int> takeKeyPresses();

// True while the window is minimised (iconified). On X11 a minimised window
// keeps its size, so its size cannot tell.
bool isIconified();

double getTime();
// Presents the frame, then processes pending events: callbacks run in here.
void swapBuffers();
void pollEvents();
// Sleeps until an event arrives (a minimised window has nothing to draw).
void waitEvents();

// Translates a GLFW 3 key code to the GLFW 2 numbering (-1 when it has none).
int translateKey(int glfw3Key);

// The code a key reaches the handlers with: GLFW 3 reports where a key is,
// the handlers expect what is printed on it. A printable key whose layout
// name (UTF-8, may be null) is one ASCII character becomes that character,
// upper case; any other key keeps its translated code.
int layoutKeyCode(int translatedKey, const char* layoutName);

// Turns the offsets of wheels and touchpads into whole notches. Fractions add
// up until they make a notch in either direction: none is lost, none is
// rounded up. Offsets that are not finite are ignored.
struct WheelAccumulator {
  double fraction = 0.0;
  // The whole notches this offset completes, most often 0 for a touchpad.
  int add(double offset);
};

// Test hooks: drive the clock and deliver input as the window would.
void setTimeSource(double (*source)());
void injectKey(int key, int action);
void injectMousePos(int x, int y);
void injectMouseWheel(double offset);
void injectMouseButton(int button, int action);
// With no window open, behave as a window of the given framebuffer size on a
// display scaled by contentScale: getWindowSize reports the framebuffer,
// getPointerAreaSize the framebuffer divided by the scale, and the pointer
// is a stored position. A size of 0 ends the pretence.
void fakeWindow(int framebufferWidth, int framebufferHeight, float contentScale);

}  // namespace platform
