#include "base/atomicfile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

AtomicFile::~AtomicFile() { discard(); }

bool AtomicFile::open(const std::string& path) {
  discard();
  path_ = path;
  error_.clear();
  const size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? "" : path.substr(0, slash + 1);
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  if (name.empty()) {
    failWith(EISDIR);
    return false;
  }
  // Hidden and unique: two processes writing the same name never share a
  // temporary; mode 0666 leaves the permissions to the umask, as fopen does.
  // Counts across every file of the process, so no two of its temporaries meet.
  static unsigned counter = 0;
  for (int attempt = 0; attempt < 100; ++attempt) {
    temporary_ = folder + "." + name + "." + std::to_string(getpid()) + "-" + std::to_string(counter++) + ".part";
    const int fd = ::open(temporary_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) {
      stream_ = fdopen(fd, "wb");
      if (stream_ != nullptr) return true;
      const int code = errno;
      ::close(fd);
      unlink(temporary_.c_str());
      temporary_.clear();
      failWith(code);
      return false;
    }
    if (errno != EEXIST) break;
  }
  const int code = errno;
  temporary_.clear();
  failWith(code);
  return false;
}

bool AtomicFile::write(const void* data, size_t size) {
  if (stream_ == nullptr) return false;
  errno = 0;
  if (fwrite(data, 1, size, stream_) != size) {
    fail(errno);
    return false;
  }
  return true;
}

bool AtomicFile::commit() {
  if (stream_ == nullptr) return false;
  errno = 0;
  // A write that failed inside a library's own writer shows only in the
  // stream's error flag.
  if (fflush(stream_) != 0 || ferror(stream_)) {
    fail(errno);
    return false;
  }
  FILE* closing = stream_;
  stream_ = nullptr;
  if (fclose(closing) != 0) {
    const int code = errno;
    unlink(temporary_.c_str());
    temporary_.clear();
    failWith(code);
    return false;
  }
  if (rename(temporary_.c_str(), path_.c_str()) != 0) {
    const int code = errno;
    unlink(temporary_.c_str());
    temporary_.clear();
    failWith(code);
    return false;
  }
  temporary_.clear();
  return true;
}

void AtomicFile::discard() {
  if (stream_ != nullptr) fclose(stream_);
  stream_ = nullptr;
  if (!temporary_.empty()) unlink(temporary_.c_str());
  temporary_.clear();
}

void AtomicFile::fail(int code) {
  failWith(code);
  discard();
}

void AtomicFile::failWith(int code) {
  // A stream error without an errno (a library that swallowed it) still
  // says something true.
  if (error_.empty()) error_ = code != 0 ? strerror(code) : "write error";
}
