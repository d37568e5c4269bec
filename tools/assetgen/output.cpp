#include "tools/assetgen/output.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {
std::string writeBytes(const std::filesystem::path& path, const void* data, size_t size) {
  const std::filesystem::path temporary = path.string() + ".part";
  FILE* file = std::fopen(temporary.c_str(), "wb");
  if (!file) return "cannot write " + temporary.string() + ": " + std::strerror(errno);
  const bool written = std::fwrite(data, 1, size, file) == size;
  const bool closed = std::fclose(file) == 0;
  if (!written || !closed) {
    std::remove(temporary.c_str());
    return "cannot write " + temporary.string() + " (disk full?)";
  }
  std::error_code ec;
  std::filesystem::rename(temporary, path, ec);
  if (ec) {
    std::remove(temporary.c_str());
    return "cannot rename " + temporary.string() + " to " + path.string() + ": " + ec.message();
  }
  return "";
}
}  // namespace

std::string writeFileAtomic(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
  return writeBytes(path, bytes.data(), bytes.size());
}

std::string writeFileAtomic(const std::filesystem::path& path, const std::string& text) {
  return writeBytes(path, text.data(), text.size());
}
