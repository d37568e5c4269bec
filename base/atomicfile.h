// A file that appears under its name only once it is complete: the bytes go
// to a hidden temporary in the same folder, every write and the close are
// checked, and a rename puts it in place. On any failure the temporary is
// removed and the target is left as it was, so a full disk never leaves a
// picture or film that looks finished and is not.
#pragma once
#include <cstddef>
#include <cstdio>
#include <string>

class AtomicFile {
 public:
  AtomicFile() = default;
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;
  // Discards a file that was not committed.
  ~AtomicFile();

  // Creates the temporary beside path. False with the reason in error().
  bool open(const std::string& path);
  // The temporary as a stream, for writers that take a FILE*; null when not open.
  FILE* stream() const { return stream_; }
  // Writes all of data; false with the reason (the file is then discarded).
  bool write(const void* data, size_t size);
  // Flushes, checks the stream's error flag and the close, and renames the
  // temporary into place. False with the reason; nothing is left behind then.
  bool commit();
  // Removes the temporary; the target is untouched.
  void discard();
  // Marks the file failed with errno value code (from a writer of its own
  // that used the descriptor) and discards it.
  void fail(int code);

  const std::string& path() const { return path_; }
  const std::string& temporaryPath() const { return temporary_; }
  // "No space left on device", "Permission denied", ...: the reason of the
  // first failure, empty while none.
  const std::string& error() const { return error_; }

 private:
  void failWith(int code);

  std::string path_;
  std::string temporary_;
  std::string error_;
  FILE* stream_ = nullptr;
};
