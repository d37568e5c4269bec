// DevIL's calls as the program uses them, over base/pngencode (see IL/il.h).
#include <IL/il.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <vector>

#include "base/pngencode.h"

namespace {
struct Image {
  int width = 0, height = 0, channels = 3;
  std::vector<ILubyte> pixels;  // rows top first
};
// DevIL's calls name no receiver: its images, binding and error are the
// process's, as in the library this stands in for.
struct Library {
  std::map<ILuint, Image> images;
  ILuint bound = 0, nextName = 1;
  ILenum lastError = IL_NO_ERROR;
};
Library devil;

ILboolean fail(ILenum error) {
  devil.lastError = error;
  return IL_FALSE;
}
std::vector<uint8_t> encodeBound() {
  const Image& image = devil.images[devil.bound];
  return encodePng(image.pixels.data(), image.pixels.size(), image.width, image.height, image.channels);
}
}  // namespace

void ilInit() {}
ILuint ilGenImage() {
  devil.images[devil.nextName] = Image();
  return devil.nextName++;
}
void ilBindImage(ILuint image) { devil.bound = image; }
void ilDeleteImages(ILsizei count, const ILuint* names) {
  for (ILsizei i = 0; i < count; ++i) devil.images.erase(names[i]);
}
ILboolean ilTexImage(ILuint width, ILuint height, ILuint, ILubyte channels, ILenum format, ILenum type, void* data) {
  if (devil.images.count(devil.bound) == 0 || type != IL_UNSIGNED_BYTE || (format != IL_RGB && format != IL_RGBA) ||
      channels != (format == IL_RGB ? 3 : 4) || width == 0 || height == 0)
    return fail(IL_INVALID_VALUE);
  Image& image = devil.images[devil.bound];
  image.width = static_cast<int>(width);
  image.height = static_cast<int>(height);
  image.channels = channels;
  const ILubyte* bytes = static_cast<const ILubyte*>(data);
  image.pixels.assign(bytes, bytes + static_cast<size_t>(width) * height * channels);
  return IL_TRUE;
}
// Pictures are handed over top row first, as the program registers.
ILboolean ilRegisterOrigin(ILenum) { return IL_TRUE; }
ILboolean ilEnable(ILenum) { return IL_TRUE; }

ILboolean ilSave(ILenum type, const char* fileName) {
  if (type != IL_PNG) return fail(IL_INVALID_EXTENSION);
  const std::vector<uint8_t> png = encodeBound();
  if (png.empty()) return fail(IL_INVALID_VALUE);
  FILE* f = fileName ? fopen(fileName, "wb") : nullptr;
  if (f == nullptr) return fail(IL_COULD_NOT_OPEN_FILE);
  const bool written = fwrite(png.data(), 1, png.size(), f) == png.size();
  const bool closed = fclose(f) == 0;
  if (!written || !closed) {
    remove(fileName);
    return fail(IL_COULD_NOT_OPEN_FILE);
  }
  return IL_TRUE;
}

ILuint ilSaveL(ILenum type, void* lump, ILuint size) {
  if (type != IL_PNG) return fail(IL_INVALID_EXTENSION);
  const std::vector<uint8_t> png = encodeBound();
  if (png.empty()) return fail(IL_INVALID_VALUE);
  if (lump == nullptr) return static_cast<ILuint>(png.size());
  if (size < png.size()) return fail(IL_INVALID_VALUE);
  std::copy(png.begin(), png.end(), static_cast<uint8_t*>(lump));
  return static_cast<ILuint>(png.size());
}

ILuint ilSaveF(ILenum type, ILHANDLE file) {
  if (type != IL_PNG) return fail(IL_INVALID_EXTENSION);
  const std::vector<uint8_t> png = encodeBound();
  if (png.empty() || file == nullptr) return fail(IL_INVALID_VALUE);
  if (fwrite(png.data(), 1, png.size(), static_cast<FILE*>(file)) != png.size()) return fail(IL_COULD_NOT_OPEN_FILE);
  return IL_TRUE;
}

ILboolean ilLoadImage(const char*) { return fail(IL_INVALID_EXTENSION); }
ILboolean ilConvertImage(ILenum, ILenum) { return IL_FALSE; }
ILint ilGetInteger(ILenum mode) {
  const Image& image = devil.images[devil.bound];
  if (mode == IL_IMAGE_WIDTH) return image.width;
  if (mode == IL_IMAGE_HEIGHT) return image.height;
  if (mode == IL_IMAGE_FORMAT) return image.channels == 4 ? IL_RGBA : IL_RGB;
  return 0;
}
ILubyte* ilGetData() { return devil.images[devil.bound].pixels.empty() ? nullptr : devil.images[devil.bound].pixels.data(); }
ILenum ilGetError() {
  const ILenum e = devil.lastError;
  devil.lastError = IL_NO_ERROR;
  return e;
}
