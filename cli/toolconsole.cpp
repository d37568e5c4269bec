#include "cli/toolconsole.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <thread>

namespace {
// The process's standard output once it is redirected: one per process.
FILE* realOut = nullptr;
}  // namespace

bool showsWhenQuiet(std::string_view line) {
  for (std::string_view kept : {"ERROR", "WARNING", "FATAL", "OpenGL-Error"})
    if (line.substr(0, kept.size()) == kept) return true;
  return false;
}

struct QuietConsole::Filter {
  int savedOut = -1;
  int readEnd = -1;
  std::thread reader;
};

QuietConsole::QuietConsole(bool quiet) {
  if (!quiet) return;
  fflush(stdout);
  int ends[2];
  if (pipe2(ends, O_CLOEXEC) != 0) return;
  const int saved = fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 3);
  FILE* out = saved >= 0 ? fdopen(fcntl(saved, F_DUPFD_CLOEXEC, 3), "w") : nullptr;
  if (out == nullptr || dup2(ends[1], STDOUT_FILENO) < 0) {
    if (out != nullptr) fclose(out);
    if (saved >= 0) close(saved);
    close(ends[0]);
    close(ends[1]);
    return;
  }
  close(ends[1]);
  setvbuf(out, nullptr, _IOLBF, 0);
  realOut = out;
  // NOTE: the filter is never freed when the process ends through exit():
  // a joinable thread destroyed there would abort the process.
  filter_ = new Filter;
  filter_->savedOut = saved;
  filter_->readEnd = ends[0];
  filter_->reader = std::thread([readEnd = ends[0], out] {
    std::string line;
    char bytes[4096];
    for (;;) {
      const ssize_t n = read(readEnd, bytes, sizeof bytes);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      for (ssize_t i = 0; i < n; ++i) {
        line += bytes[i];
        if (bytes[i] != '\n') continue;
        if (showsWhenQuiet(line)) fputs(line.c_str(), out);
        line.clear();
      }
    }
    if (showsWhenQuiet(line)) fprintf(out, "%s\n", line.c_str());
  });
}

QuietConsole::~QuietConsole() { release(); }

void QuietConsole::release() {
  if (filter_ == nullptr) return;
  fflush(stdout);
  // The pipe's last writer goes with this dup2: the reader then ends.
  dup2(filter_->savedOut, STDOUT_FILENO);
  close(filter_->savedOut);
  filter_->reader.join();
  close(filter_->readEnd);
  delete filter_;
  filter_ = nullptr;
  fclose(realOut);
  realOut = nullptr;
}

FILE* toolOut() { return realOut != nullptr ? realOut : stdout; }
