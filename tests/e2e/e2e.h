// Runs the real program in a temporary working directory on a private
// virtual display, and talks to it as a user would (keys, mouse, screenshots).
#pragma once
#include <gtest/gtest.h>
#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

namespace e2e {

class VirtualDisplay {
 public:
  // keepState: the server does not reset when its last client leaves, so a
  // keymap set with setxkbmap before the program starts stays in force.
  explicit VirtualDisplay(const std::string& size = "320x240", bool keepState = false);
  ~VirtualDisplay();
  VirtualDisplay(const VirtualDisplay&) = delete;
  VirtualDisplay& operator=(const VirtualDisplay&) = delete;
  bool ok() const { return !name_.empty(); }
  const std::string& name() const { return name_; }

 private:
  pid_t pid_ = -1;
  std::string name_;
};

// A copy of the run-time folder (files linked, so removing one is cheap);
// a non-empty config replaces its config.ini.
std::string makeWorkDir(const std::string& config = "");

// A suite of separate runs that share one 320 x 240 virtual display and one
// work folder, made before its first test.
class SharedDisplaySuite : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    display = new VirtualDisplay("320x240");
    workDir = new std::string(makeWorkDir());
  }
  static void TearDownTestSuite() {
    delete display;
    display = nullptr;
    delete workDir;
    workDir = nullptr;
  }
  static inline VirtualDisplay* display = nullptr;
  static inline std::string* workDir = nullptr;
};

void removeFile(const std::string& workDir, const std::string& relative);
void writeFile(const std::string& path, const std::string& contents);
std::string readFile(const std::string& path);

struct Image {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> rgb;  // row 0 at the top
  const uint8_t* at(int x, int y) const { return &rgb[3 * (static_cast<size_t>(y) * width + x)]; }
};

class App {
 public:
  App(const std::string& workDir, const VirtualDisplay& display);
  ~App();
  App(const App&) = delete;
  App& operator=(const App&) = delete;

  // True once the program printed text on stdout or stderr.
  bool waitForOutput(const std::string& text, double timeoutSeconds);
  bool running();
  // After running() has seen the end: the exit status (0..255), or 128 plus
  // the signal that ended it; -1 while it runs.
  int endStatus() const { return status_; }
  // Exit status (0..255), or -1 after a timeout (the program is then killed).
  int waitForExit(double timeoutSeconds);
  std::string out() const;
  std::string err() const;
  // Resident memory of the running program in kB (VmRSS), or -1.
  long residentKB() const;
  // Processor time the program has used so far (user and system), or -1.
  double cpuSeconds() const;
  // Minimises the program's window, or brings it back, the way a window
  // manager does it (the test displays run none): the ICCCM WM_STATE, then
  // the window unmapped or mapped. False when the window was not found.
  bool setMinimised(bool minimised);

  // xdotool key name, e.g. "Escape", "w", "Up".
  void key(const std::string& name);
  void keyDown(const std::string& name);
  void keyUp(const std::string& name);
  void mouseMove(int x, int y);
  void wheel(bool forward);
  Image screenshot(const std::string& pngPath = "");

 private:
  void xdotool(const std::string& args);
  std::string workDir_;
  std::string display_;
  pid_t pid_ = -1;
  int status_ = -1;
};

// Reads a PNG (or any image ImageMagick reads) into RGB.
Image loadImage(const std::string& path);

// One run of orbisk-shot: its status, its two streams and, when it
// succeeded, its picture.
struct Shot {
  int status = -1;
  std::string out, err;
  Image image;
};
// Runs `shot args --out dir/name.png` in dir on the display, at most
// timeoutSeconds; the streams are kept in dir/name.out and name.err.
Shot runShot(const VirtualDisplay* display, const std::string& shot, const std::string& dir, const std::string& args,
             const std::string& name, int timeoutSeconds);

}  // namespace e2e
