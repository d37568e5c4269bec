#include "tests/e2e/e2e.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

#include "tests/tempdir.h"

namespace e2e {
namespace {

double now() {
  using namespace std::chrono;
  return duration<double>(steady_clock::now().time_since_epoch()).count();
}

int run(const std::string& command) { return system(command.c_str()); }

}  // namespace

VirtualDisplay::VirtualDisplay(const std::string& size, bool keepState) {
  // Picks a display number nobody holds, and waits until the server answers.
  // Several suites (and developers) run servers side by side.
  for (int number = 50 + getpid() % 200, tries = 0; tries < 40; ++number, ++tries) {
    std::string lock = "/tmp/.X" + std::to_string(number) + "-lock";
    if (access(lock.c_str(), F_OK) == 0) continue;
    std::string name = ":" + std::to_string(number);
    pid_ = fork();
    if (pid_ == 0) {
      int devnull = open("/dev/null", O_WRONLY);
      dup2(devnull, 1);
      dup2(devnull, 2);
      std::string screen = size + "x24";
      execlp("Xvfb", "Xvfb", name.c_str(), "-screen", "0", screen.c_str(), "-nolisten", "tcp",
             keepState ? "-noreset" : static_cast<char*>(nullptr), static_cast<char*>(nullptr));
      _exit(127);
    }
    for (int wait = 0; wait < 100; ++wait) {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
      int status = 0;
      if (waitpid(pid_, &status, WNOHANG) == pid_) break;  // lost the race for this number
      if (run("DISPLAY=" + name + " xdotool getdisplaygeometry >/dev/null 2>&1") == 0) {
        name_ = name;
        return;
      }
    }
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }
}

VirtualDisplay::~VirtualDisplay() {
  if (pid_ > 0) {
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
  }
}

std::string makeWorkDir(const std::string& config) {
  const std::string dir = testtmp::makeDir("orbisk-e2e");
  run("cp -rs " ORBISK_RUN_DIR "/. '" + dir + "/'");
  if (!config.empty()) writeFile(dir + "/config.ini", config);
  return dir;
}

void removeFile(const std::string& workDir, const std::string& relative) {
  unlink((workDir + "/" + relative).c_str());
}

void writeFile(const std::string& path, const std::string& contents) {
  unlink(path.c_str());  // may be a link into the shared run-time folder
  std::ofstream f(path, std::ios::binary);
  f << contents;
}

std::string readFile(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  std::stringstream s;
  s << f.rdbuf();
  return s.str();
}

App::App(const std::string& workDir, const VirtualDisplay& display) : workDir_(workDir), display_(display.name()) {
  pid_ = fork();
  if (pid_ == 0) {
    if (chdir(workDir.c_str()) != 0) _exit(126);
    int out = open("stdout.txt", O_WRONLY | O_CREAT | O_TRUNC, 0644);
    int err = open("stderr.txt", O_WRONLY | O_CREAT | O_TRUNC, 0644);
    dup2(out, 1);
    dup2(err, 2);
    setenv("DISPLAY", display_.c_str(), 1);
    execl(ORBISK_BINARY, ORBISK_BINARY, static_cast<char*>(nullptr));
    _exit(127);
  }
}

App::~App() {
  if (pid_ > 0 && running()) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
}

std::string App::out() const { return readFile(workDir_ + "/stdout.txt"); }
std::string App::err() const { return readFile(workDir_ + "/stderr.txt"); }

long App::residentKB() const {
  if (pid_ <= 0) return -1;
  std::ifstream status("/proc/" + std::to_string(pid_) + "/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("VmRSS:", 0) == 0) return atol(line.c_str() + 6);
  return -1;
}

double App::cpuSeconds() const {
  if (pid_ <= 0) return -1;
  std::ifstream stat("/proc/" + std::to_string(pid_) + "/stat");
  std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
  // The command name may hold blanks: the fields are counted after its ')'.
  const size_t end = text.rfind(')');
  if (end == std::string::npos) return -1;
  std::istringstream fields(text.substr(end + 2));
  std::string field;
  unsigned long long user = 0, system = 0;
  for (int i = 3; i <= 15 && fields >> field; ++i) {
    if (i == 14) user = std::stoull(field);
    if (i == 15) system = std::stoull(field);
  }
  return static_cast<double>(user + system) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

bool App::setMinimised(bool minimised) {
  Display* x = XOpenDisplay(display_.c_str());
  if (x == nullptr) return false;
  Window found = 0;
  Window rootReturn = 0, parent = 0, *children = nullptr;
  unsigned int count = 0;
  if (XQueryTree(x, DefaultRootWindow(x), &rootReturn, &parent, &children, &count)) {
    for (unsigned int i = 0; i < count && found == 0; ++i) {
      char* name = nullptr;
      if (XFetchName(x, children[i], &name) && name != nullptr) {
        if (std::string(name) == "Veltrane - Orbisk") found = children[i];
        XFree(name);
      }
    }
    if (children) XFree(children);
  }
  if (found != 0) {
    const Atom wmState = XInternAtom(x, "WM_STATE", False);
    const long state[2] = {minimised ? 3L : 1L, 0L};  // IconicState or NormalState, no icon window
    XChangeProperty(x, found, wmState, wmState, 32, PropModeReplace, reinterpret_cast<const unsigned char*>(state),
                    2);
    if (minimised) XUnmapWindow(x, found);
    else XMapWindow(x, found);
    XSync(x, False);
  }
  XCloseDisplay(x);
  return found != 0;
}

bool App::running() {
  if (pid_ <= 0) return false;
  if (status_ >= 0) return false;
  int status = 0;
  pid_t r = waitpid(pid_, &status, WNOHANG);
  if (r == pid_) {
    status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return false;
  }
  return true;
}

bool App::waitForOutput(const std::string& text, double timeoutSeconds) {
  double end = now() + timeoutSeconds;
  while (now() < end) {
    if (out().find(text) != std::string::npos || err().find(text) != std::string::npos) return true;
    if (!running()) return out().find(text) != std::string::npos || err().find(text) != std::string::npos;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return false;
}

int App::waitForExit(double timeoutSeconds) {
  double end = now() + timeoutSeconds;
  while (now() < end) {
    if (!running()) return status_;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  kill(pid_, SIGKILL);
  waitpid(pid_, nullptr, 0);
  status_ = -1;
  pid_ = -1;
  return -1;
}

void App::xdotool(const std::string& args) { run("DISPLAY=" + display_ + " xdotool " + args + " >/dev/null 2>&1"); }

void App::key(const std::string& name) { xdotool("key " + name); }
void App::keyDown(const std::string& name) { xdotool("keydown " + name); }
void App::keyUp(const std::string& name) { xdotool("keyup " + name); }
void App::mouseMove(int x, int y) { xdotool("mousemove " + std::to_string(x) + " " + std::to_string(y)); }
void App::wheel(bool forward) { xdotool(std::string("click ") + (forward ? "4" : "5")); }

Image App::screenshot(const std::string& pngPath) {
  std::string path = pngPath.empty() ? workDir_ + "/screenshot.png" : pngPath;
  run("xwd -root -silent -display " + display_ + " | /usr/bin/convert xwd:- png:'" + path + "'");
  return loadImage(path);
}

Image loadImage(const std::string& path) {
  Image image;
  std::string ppm = path + ".ppm";
  if (run("/usr/bin/convert '" + path + "' -depth 8 ppm:'" + ppm + "'") != 0) return image;
  std::ifstream f(ppm, std::ios::binary);
  // Header words, skipping the comment lines ImageMagick writes.
  auto word = [&f]() {
    std::string w;
    while (f >> w && w[0] == '#') std::getline(f, w);
    return w;
  };
  std::string magic = word();
  image.width = atoi(word().c_str());
  image.height = atoi(word().c_str());
  int maxValue = atoi(word().c_str());
  f.get();
  if (magic != "P6" || image.width <= 0 || image.height <= 0 || maxValue != 255) return Image{};
  image.rgb.resize(3 * static_cast<size_t>(image.width) * image.height);
  f.read(reinterpret_cast<char*>(image.rgb.data()), static_cast<std::streamsize>(image.rgb.size()));
  unlink(ppm.c_str());
  return image;
}

Shot runShot(const VirtualDisplay* display, const std::string& shot, const std::string& dir, const std::string& args,
             const std::string& name, int timeoutSeconds) {
  Shot r;
  if (!display || !display->ok()) {
    r.err = "no virtual display (Xvfb) could be started";
    return r;
  }
  const std::string png = dir + "/" + name + ".png";
  const std::string cmd = "cd '" + dir + "' && DISPLAY=" + display->name() + " timeout " +
                          std::to_string(timeoutSeconds) + " " + shot + " " + args + " --out '" + png + "' >'" + name +
                          ".out' 2>'" + name + ".err'";
  const int raw = system(cmd.c_str());
  r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  r.out = readFile(dir + "/" + name + ".out");
  r.err = readFile(dir + "/" + name + ".err");
  if (r.status == 0) r.image = loadImage(png);
  return r;
}

}  // namespace e2e
