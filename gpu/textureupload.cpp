#include "gpu/textureupload.h"

#include <GL/glew.h>
#include <IL/il.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#ifdef __EMSCRIPTEN__
#include <emscripten/html5.h>
#endif

#include "base/configfile.h"
#include "base/oftenused.h"
#include "loaders/ddstexture.h"
#include "loaders/dxtdecode.h"

GLuint loadImageTexture(const char* path) {
  ilInit();
  ILuint devilImageName = ilGenImage();
  ilBindImage(devilImageName);
  std::string filePath = platformPathOf(path);
  GLuint image = 0;
  if (path != nullptr && ilLoadImage(filePath.c_str())) {
    ilConvertImage(IL_RGB, IL_UNSIGNED_BYTE);
    glGenTextures(1, &image);
    glBindTexture(GL_TEXTURE_2D, image);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    // DevIL packs RGB rows tightly; with the default alignment of 4 a width
    // that is not a multiple of 4 would skew the rows and read past the data.
    GLint unpackAlignment = 4;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &unpackAlignment);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB8, ilGetInteger(IL_IMAGE_WIDTH), ilGetInteger(IL_IMAGE_HEIGHT), 0,
                 static_cast<GLenum>(ilGetInteger(IL_IMAGE_FORMAT)), GL_UNSIGNED_BYTE, ilGetData());
    glPixelStorei(GL_UNPACK_ALIGNMENT, unpackAlignment);
  } else {
    fprintf(stderr, "ERROR: could not load image '%s'!\n", path ? path : "(null)");
  }
  ilDeleteImages(1, &devilImageName);
  return image;
}

bool compressedBlocksSupported() {
#ifdef __EMSCRIPTEN__
  const EMSCRIPTEN_WEBGL_CONTEXT_HANDLE context = emscripten_webgl_get_current_context();
  return context != 0 && emscripten_webgl_enable_extension(context, "WEBGL_compressed_texture_s3tc");
#else
  return true;
#endif
}

bool uploadDxtLevel(int level, uint32_t format, uint32_t width, uint32_t height, const uint8_t* blocks,
                    size_t size) {
  if (compressedBlocksSupported()) {
    glCompressedTexImage2D(GL_TEXTURE_2D, level, format, static_cast<GLsizei>(width), static_cast<GLsizei>(height), 0,
                           static_cast<GLsizei>(size), blocks);
    return true;
  }
  // Once per process: the context's answer does not change while it runs.
  static bool announced = false;
  if (!announced) {
    announced = true;
    printf("DEBUG: no S3TC in this WebGL: DXT textures are decoded to RGBA8 on load\n");
  }
  std::vector<uint8_t> rgba;
  if (!decodeDxt(format, width, height, blocks, size, rgba)) return false;
  glTexImage2D(GL_TEXTURE_2D, level, GL_RGBA8, static_cast<GLsizei>(width), static_cast<GLsizei>(height), 0, GL_RGBA,
               GL_UNSIGNED_BYTE, rgba.data());
  return true;
}

bool forcesAnisotropicFiltering(const ConfigFile& config) {
  return config.setting<int>("enableAnisotropicFilteringOverridecheck") == 1;
}

GLuint loadDdsTexture(const char* path, bool forceAnisotropic, ConsoleProgress progress) {
  FILE* file = openFile(path, "rb");
  if (file == nullptr) return 0;

  uint8_t header[dds::kDataOffset];
  size_t headerBytes = fread(header, 1, sizeof(header), file);
  GLint maxTextureSize = 0;
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxTextureSize);
  DdsInfo info;
  DdsStatus status = parseDdsHeader(header, headerBytes, static_cast<uint32_t>(std::max(maxTextureSize, 0)), info);
  if (status != DdsStatus::Ok) {
    fclose(file);
    // A foreign file or format is refused quietly; a DDS that lies about
    // itself deserves a word.
    if (status != DdsStatus::BadMagic && status != DdsStatus::UnsupportedFormat)
      fprintf(stderr, "ERROR: DDS file '%s' refused: %s!\n", path, ddsStatusText(status));
    return 0;
  }
  // Levels are read by their own sizes, so a larger linear size only widens
  // the buffer: the file loads, with a word about its header.
  const uint64_t topLevelSize = ddsLevelSize(info.width, info.height, info.blockSize);
  if (info.linearSize > topLevelSize)
    fprintf(stderr, "WARNING: DDS file '%s' gives a linear size of %u bytes, more than its top level's %llu!\n", path,
            static_cast<unsigned>(info.linearSize), static_cast<unsigned long long>(topLevelSize));

  // The buffer never outgrows the bytes the file holds, whatever the header
  // claims; calloc keeps a short read from exposing stale memory.
  long end = -1;
  if (fseek(file, 0, SEEK_END) == 0) end = ftell(file);
  size_t fileData = end > static_cast<long>(dds::kDataOffset) ? static_cast<size_t>(end) - dds::kDataOffset : 0;
  size_t bufferBytes = std::min(info.bufferSize, fileData);
  uint8_t* buffer = static_cast<uint8_t*>(calloc(bufferBytes > 0 ? bufferBytes : 1, 1));
  // NOTE: the FATAL line names modelloaderobj.cpp, the module that offers
  // this loader, not this file; the line number is this file's.
  if (buffer == nullptr) fatalOutOfMemory("modelloaderobj.cpp", __LINE__);
  size_t dataBytes = 0;
  if (bufferBytes > 0 && fseek(file, static_cast<long>(dds::kDataOffset), SEEK_SET) == 0)
    dataBytes = fread(buffer, 1, bufferBytes, file);
  fclose(file);
  info.levels = planDdsLevels(info, dataBytes);

  GLuint textureID = 0;
  glGenTextures(1, &textureID);
  glBindTexture(GL_TEXTURE_2D, textureID);
  // Compressed uploads take their layout from the blocks alone: the unpack
  // alignment does not apply, so none is set.
  for (size_t level = 0; level < info.levels.size(); ++level) {
    const DdsLevel& l = info.levels[level];
    uploadDxtLevel(static_cast<int>(level), info.format, l.width, l.height, buffer + l.offset, l.size);
  }
  // A chain that stops early would leave the texture incomplete (it samples
  // black with mipmap filtering); end it at the last level that is there.
  unsigned fullChain = ddsFullChainLength(info.width, info.height);
  if (!info.levels.empty() && info.levels.size() < fullChain)
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, static_cast<GLint>(info.levels.size() - 1));
  uint32_t expected = std::min<uint32_t>(info.mipMapCount, fullChain);
  if (info.width > 0 && info.height > 0 && info.levels.size() < expected)
    fprintf(stderr, "WARNING: DDS file '%s' holds only %u of its %u levels!\n", path,
            static_cast<unsigned>(info.levels.size()), static_cast<unsigned>(expected));

  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);

  bool anisotropic = GLEW_EXT_texture_filter_anisotropic;
  if (!anisotropic) anisotropic = forceAnisotropic;
  if (anisotropic) {
    if (progress == ConsoleProgress::Printed) puts("DEBUG: activating anisotropic filtering for this texture!");
    GLfloat maximumAnistropy = 0.0f;
    glGetFloatv(GL_MAX_TEXTURE_MAX_ANISOTROPY_EXT, &maximumAnistropy);
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MAX_ANISOTROPY_EXT, maximumAnistropy);
  }
  free(buffer);
  return textureID;
}

GLuint makeLinearTexture(int width, int height, GLint format, GLenum type, const void* data, GLint wrapS) {
  GLuint texture = 0;
  glGenTextures(1, &texture);
  glBindTexture(GL_TEXTURE_2D, texture);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
  glTexImage2D(GL_TEXTURE_2D, 0, format, width, height, 0, GL_RGBA, type, data);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, wrapS);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
  glBindTexture(GL_TEXTURE_2D, 0);
  return texture;
}
