// A real disk that fills: a 1 MB tmpfs, mostly taken by a filler file so
// that only `room` bytes are left. Mounting needs root (CI runs as root);
// ok() is false elsewhere and the test skips.
#pragma once
#include <sys/mount.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace e2e {

class FullDisk {
 public:
  explicit FullDisk(long room) {
    char pattern[] = "/tmp/orbisk-fulldisk-XXXXXX";
    if (mkdtemp(pattern) == nullptr) return;
    if (mount("tmpfs", pattern, "tmpfs", 0, "size=1m") != 0) {
      rmdir(pattern);
      return;
    }
    dir_ = pattern;
    std::vector<char> filler(1024 * 1024 - room, 'f');
    std::ofstream(dir_ + "/filler", std::ios::binary).write(filler.data(), static_cast<std::streamsize>(filler.size()));
  }
  ~FullDisk() {
    if (dir_.empty()) return;
    umount2(dir_.c_str(), MNT_DETACH);
    rmdir(dir_.c_str());
  }
  FullDisk(const FullDisk&) = delete;
  FullDisk& operator=(const FullDisk&) = delete;
  bool ok() const { return !dir_.empty(); }
  const std::string& dir() const { return dir_; }

 private:
  std::string dir_;
};

}  // namespace e2e
