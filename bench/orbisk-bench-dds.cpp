// DDS load time: the whole loadDdsTexture call (read, plan, upload) and the
// header-and-plan core alone, on a generated 2048 x 1024 file with its full
// chain, as the Earth textures are. Usage: orbisk-bench-dds [DXT1|DXT5 repetitions].
#include <GL/glew.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <unistd.h>

#include "gpu/textureupload.h"
#include "loaders/ddstexture.h"
#include "platform/platform.h"

namespace {
using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

void putU32(std::vector<uint8_t>& bytes, size_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

std::vector<uint8_t> makeFile(uint32_t width, uint32_t height, bool dxt5) {
  uint32_t block = dxt5 ? 16 : 8;
  uint32_t levels = ddsFullChainLength(width, height);
  size_t data = 0;
  for (uint32_t w = width, h = height, l = 0; l < levels; ++l, w = w > 1 ? w / 2 : 1, h = h > 1 ? h / 2 : 1)
    data += ddsLevelSize(w, h, block);
  std::vector<uint8_t> bytes(dds::kDataOffset + data);
  memcpy(bytes.data(), "DDS ", 4);
  putU32(bytes, 4, 124);
  putU32(bytes, 8, 0xA1007);
  putU32(bytes, 12, height);
  putU32(bytes, 16, width);
  putU32(bytes, 20, static_cast<uint32_t>(ddsLevelSize(width, height, block)));
  putU32(bytes, 28, levels);
  putU32(bytes, 84, dxt5 ? dds::kFourCCDXT5 : dds::kFourCCDXT1);
  for (size_t i = dds::kDataOffset; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i * 2654435761u >> 13);
  return bytes;
}
}  // namespace

int main(int argc, char** argv) {
  bool dxt5 = argc > 1 && strcmp(argv[1], "DXT5") == 0;
  int repetitions = argc > 2 ? atoi(argv[2]) : 20;
  if (repetitions < 1) repetitions = 1;
  if (!platform::init() || !platform::openHiddenWindow(64, 48)) {
    fprintf(stderr, "orbisk-bench-dds: no OpenGL 3.3 core context (is a display set?)\n");
    return 1;
  }
  glewExperimental = GL_TRUE;
  if (glewInit() != GLEW_OK) return 1;
  while (glGetError() != GL_NO_ERROR) {
  }

  std::vector<uint8_t> file = makeFile(2048, 1024, dxt5);
  char path[] = "/tmp/orbisk-bench-dds-XXXXXX";
  int fd = mkstemp(path);
  if (fd < 0 || write(fd, file.data(), file.size()) != static_cast<ssize_t>(file.size())) return 1;
  close(fd);

  DdsInfo info;
  Clock::time_point start = Clock::now();
  for (int i = 0; i < repetitions * 1000; ++i) readDds(file.data(), file.size(), 16384, info);
  double planSeconds = secondsSince(start) / (repetitions * 1000);

  // The first load warms the file cache and the driver.
  GLuint texture = loadDdsTexture(path);
  glDeleteTextures(1, &texture);
  glFinish();
  start = Clock::now();
  for (int i = 0; i < repetitions; ++i) {
    texture = loadDdsTexture(path);
    glFinish();
    glDeleteTextures(1, &texture);
  }
  double loadSeconds = secondsSince(start) / repetitions;
  unlink(path);

  printf("renderer: %s\n", reinterpret_cast<const char*>(glGetString(GL_RENDERER)));
  printf("file: 2048 x 1024 %s, %zu levels, %zu bytes\n", dxt5 ? "DXT5" : "DXT1", info.levels.size(), file.size());
  printf("repetitions: %d\n", repetitions);
  printf("header and plan: %.2f us\n", planSeconds * 1e6);
  printf("loadDdsTexture: %.2f ms\n", loadSeconds * 1e3);
  printf("throughput: %.0f MB/s\n", file.size() / loadSeconds / 1e6);
  platform::terminate();
  return 0;
}
