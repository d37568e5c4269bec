#include "render/framecapture.h"

#include <GL/glew.h>
#include <IL/il.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "base/atomicfile.h"
#include "scene/camera.h"

bool placeCameraOnPath(double seconds) {
  if (camera.getEyePath() == nullptr || camera.getLookAtPath() == nullptr) {
    fprintf(stderr, "ERROR: --path-time needs both camera paths, and they did not load\n");
    return false;
  }
  camera.startPath();
  camera.animatePathAt(1.0);  // the flight takes a zero start time for "not started"
  camera.animatePathAt(1.0 + seconds);
  return true;
}

std::vector<unsigned char> readWindowPixels(int width, int height) {
  // RGBA: WebGL reads the window only as RGBA; alpha is dropped here.
  std::vector<unsigned char> bottomUp(static_cast<size_t>(width) * height * 4);
  glFinish();
  glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
  glReadBuffer(GL_BACK);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, bottomUp.data());
  std::vector<unsigned char> topDown(static_cast<size_t>(width) * height * 3);
  for (int y = 0; y < height; ++y) {
    const unsigned char* from = bottomUp.data() + static_cast<size_t>(width) * 4 * (height - 1 - y);
    unsigned char* to = topDown.data() + static_cast<size_t>(width) * 3 * y;
    for (int x = 0; x < width; ++x, from += 4, to += 3) std::copy_n(from, 3, to);
  }
  return topDown;
}

bool outputWritable(const std::string& path) {
  const bool existed = access(path.c_str(), F_OK) == 0;
  FILE* f = fopen(path.c_str(), "ab");
  if (f == nullptr) {
    fprintf(stderr, "ERROR: cannot write '%s': %s\n", path.c_str(), strerror(errno));
    return false;
  }
  fclose(f);
  if (!existed) unlink(path.c_str());
  return true;
}

bool writePng(const std::string& path, int width, int height, std::vector<unsigned char>& topDown) {
  AtomicFile file;
  if (!file.open(path)) {
    fprintf(stderr, "ERROR: cannot write '%s': %s\n", path.c_str(), file.error().c_str());
    return false;
  }
  ilInit();
  ILuint image = ilGenImage();
  ilBindImage(image);
  errno = 0;
  ILenum ilError = IL_NO_ERROR;
  bool encoded = ilTexImage(width, height, 1, 3, IL_RGB, IL_UNSIGNED_BYTE, topDown.data());
  if (encoded) {
    ilRegisterOrigin(IL_ORIGIN_UPPER_LEFT);
    // DevIL's own writer does not report a short write: the stream's error
    // flag, checked by commit, does. NOTE: ilSaveF's result is not the test
    // either: DevIL 1.7.8 passes the byte count through an ILboolean, so a
    // PNG whose size is a multiple of 256 comes back as 0. What counts is
    // DevIL's error state and bytes having reached the stream.
    while (ilGetError() != IL_NO_ERROR) {
    }
    const long start = ftell(file.stream());
    ilSaveF(IL_PNG, file.stream());
    ilError = ilGetError();
    encoded = ilError == IL_NO_ERROR && ftell(file.stream()) > start;
  } else {
    ilError = ilGetError();
  }
  const int writeError = errno;
  ilDeleteImages(1, &image);
  if (!encoded && ferror(file.stream())) file.fail(writeError);
  if (encoded && file.commit()) return true;
  if (!file.error().empty())
    fprintf(stderr, "ERROR: cannot write '%s': %s\n", path.c_str(), file.error().c_str());
  else
    fprintf(stderr, "ERROR: cannot write '%s': the PNG encoder failed (DevIL error 0x%x)\n", path.c_str(), ilError);
  return false;
}
