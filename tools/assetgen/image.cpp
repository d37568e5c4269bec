#include "tools/assetgen/image.h"

#include <IL/il.h>

#include <algorithm>
#include <cmath>
#include <mutex>

uint8_t toByte(float v) {
  if (!(v > 0.0f)) return 0;  // also maps NaN to 0
  if (v >= 1.0f) return 255;
  return static_cast<uint8_t>(std::lround(v * 255.0f));
}

void Image::set(int x, int y, float r, float g, float b, float a) {
  uint8_t* p = at(x, y);
  p[0] = toByte(r);
  p[1] = toByte(g);
  p[2] = toByte(b);
  p[3] = toByte(a);
}

Image halveImage(const Image& image) {
  const int w = std::max(1, image.width / 2);
  const int h = std::max(1, image.height / 2);
  const int fx = image.width > 1 ? 2 : 1;
  const int fy = image.height > 1 ? 2 : 1;
  Image out(w, h);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      float colour[3] = {0, 0, 0}, plain[3] = {0, 0, 0};
      float alphaSum = 0;
      int count = 0;
      for (int dy = 0; dy < fy; ++dy) {
        for (int dx = 0; dx < fx; ++dx) {
          const uint8_t* p = image.at(std::min(x * fx + dx, image.width - 1), std::min(y * fy + dy, image.height - 1));
          for (int c = 0; c < 3; ++c) {
            colour[c] += p[c] * static_cast<float>(p[3]);
            plain[c] += p[c];
          }
          alphaSum += p[3];
          ++count;
        }
      }
      uint8_t* q = out.at(x, y);
      for (int c = 0; c < 3; ++c) {
        const float v = alphaSum > 0 ? colour[c] / alphaSum : plain[c] / count;
        q[c] = static_cast<uint8_t>(std::lround(std::clamp(v, 0.0f, 255.0f)));
      }
      q[3] = static_cast<uint8_t>(std::lround(alphaSum / count));
    }
  }
  return out;
}

Image resizeImage(const Image& image, int width, int height) {
  if (image.width == width && image.height == height) return image;
  Image out(width, height);
  const float sx = static_cast<float>(image.width) / width;
  const float sy = static_cast<float>(image.height) / height;
  for (int y = 0; y < height; ++y) {
    const float fy = std::clamp((y + 0.5f) * sy - 0.5f, 0.0f, static_cast<float>(image.height - 1));
    const int y0 = static_cast<int>(fy);
    const int y1 = std::min(y0 + 1, image.height - 1);
    const float ty = fy - y0;
    for (int x = 0; x < width; ++x) {
      const float fx = std::clamp((x + 0.5f) * sx - 0.5f, 0.0f, static_cast<float>(image.width - 1));
      const int x0 = static_cast<int>(fx);
      const int x1 = std::min(x0 + 1, image.width - 1);
      const float tx = fx - x0;
      uint8_t* q = out.at(x, y);
      for (int c = 0; c < 4; ++c) {
        const float top = image.at(x0, y0)[c] * (1 - tx) + image.at(x1, y0)[c] * tx;
        const float bottom = image.at(x0, y1)[c] * (1 - tx) + image.at(x1, y1)[c] * tx;
        q[c] = static_cast<uint8_t>(std::lround(top * (1 - ty) + bottom * ty));
      }
    }
  }
  return out;
}

bool loadImageFile(const std::string& path, Image& out, std::string& error) {
  // DevIL keeps process-wide state: one decoder at a time, initialised once.
  static struct {
    std::mutex mutex;
    bool initialised = false;
  } devil;
  std::lock_guard<std::mutex> lock(devil.mutex);
  if (!devil.initialised) {
    ilInit();
    devil.initialised = true;
  }
  ILuint name = ilGenImage();
  ilBindImage(name);
  ilEnable(IL_ORIGIN_SET);
  ilOriginFunc(IL_ORIGIN_UPPER_LEFT);
  if (!ilLoadImage(path.c_str())) {
    error = "cannot decode image '" + path + "' (DevIL error " + std::to_string(ilGetError()) + ")";
    ilDeleteImages(1, &name);
    return false;
  }
  if (!ilConvertImage(IL_RGBA, IL_UNSIGNED_BYTE)) {
    error = "cannot convert image '" + path + "' to RGBA";
    ilDeleteImages(1, &name);
    return false;
  }
  const int w = ilGetInteger(IL_IMAGE_WIDTH);
  const int h = ilGetInteger(IL_IMAGE_HEIGHT);
  if (w <= 0 || h <= 0) {
    error = "image '" + path + "' has no pixels";
    ilDeleteImages(1, &name);
    return false;
  }
  out = Image(w, h);
  ilCopyPixels(0, 0, 0, w, h, 1, IL_RGBA, IL_UNSIGNED_BYTE, out.rgba.data());
  ilDeleteImages(1, &name);
  return true;
}
