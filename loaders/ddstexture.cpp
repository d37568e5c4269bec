#include "loaders/ddstexture.h"

#include <GL/glew.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/configfile.h"
#include "app/oftenused.h"

namespace {
uint32_t readU32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
         static_cast<uint32_t>(p[3]) << 24;
}

// Bytes of all levels the header declares, down to 1 x 1 at most.
size_t declaredChainSize(const DdsInfo& info) {
  if (info.width == 0 || info.height == 0) return 0;
  uint32_t levels = std::min<uint32_t>(info.mipMapCount, ddsFullChainLength(info.width, info.height));
  size_t total = 0;
  uint32_t width = info.width, height = info.height;
  for (uint32_t level = 0; level < levels; ++level) {
    const uint64_t size = ddsLevelSize(width, height, info.blockSize);
    if (size > SIZE_MAX - total) return SIZE_MAX;
    total += static_cast<size_t>(size);
    width = std::max(width / 2, 1u);
    height = std::max(height / 2, 1u);
  }
  return total;
}
}  // namespace

const char* ddsStatusText(DdsStatus status) {
  switch (status) {
    case DdsStatus::Ok: return "ok";
    case DdsStatus::BadMagic: return "not a DDS file";
    case DdsStatus::TruncatedHeader: return "header cut short";
    case DdsStatus::UnsupportedFormat: return "not DXT1, DXT3 or DXT5";
    case DdsStatus::TooLarge: return "larger than the largest texture this OpenGL offers";
  }
  return "unknown";
}

uint64_t ddsLevelSize(uint32_t width, uint32_t height, uint32_t blockSize) {
  const uint64_t blocks = ((static_cast<uint64_t>(width) + 3) / 4) * ((static_cast<uint64_t>(height) + 3) / 4);
  // Both sides near 2^32 leave 64 bits; wrapping would make a giant level
  // look empty. No file holds that many bytes, so the largest value serves.
  uint64_t size = 0;
  if (__builtin_mul_overflow(blocks, static_cast<uint64_t>(blockSize), &size)) return UINT64_MAX;
  return size;
}

unsigned ddsFullChainLength(uint32_t width, uint32_t height) {
  uint32_t largest = std::max(width, height);
  unsigned levels = 0;
  for (; largest > 0; largest /= 2) ++levels;
  return levels;
}

DdsStatus parseDdsHeader(const uint8_t* bytes, size_t size, uint32_t maxTextureSize, DdsInfo& info) {
  info = DdsInfo{};
  if (bytes == nullptr || size < dds::kMagicSize || memcmp(bytes, "DDS ", dds::kMagicSize) != 0)
    return DdsStatus::BadMagic;
  if (size < dds::kDataOffset) return DdsStatus::TruncatedHeader;
  info.flags = readU32(bytes + 8);
  info.height = readU32(bytes + 12);
  info.width = readU32(bytes + 16);
  info.linearSize = readU32(bytes + 20);
  info.mipMapCount = readU32(bytes + 28);
  if (info.mipMapCount == 0 && (info.flags & dds::kFlagMipMapCount) == 0) info.mipMapCount = 1;
  info.fourCC = readU32(bytes + 84);
  switch (info.fourCC) {
    case dds::kFourCCDXT1: info.format = dds::kFormatDXT1; info.blockSize = 8; break;
    case dds::kFourCCDXT3: info.format = dds::kFormatDXT3; info.blockSize = 16; break;
    case dds::kFourCCDXT5: info.format = dds::kFormatDXT5; info.blockSize = 16; break;
    default: return DdsStatus::UnsupportedFormat;
  }
  if (info.width > maxTextureSize || info.height > maxTextureSize) return DdsStatus::TooLarge;
  const uint64_t topLevelSize = ddsLevelSize(info.width, info.height, info.blockSize);
  info.bufferSize = info.mipMapCount > 1 ? 2 * static_cast<size_t>(info.linearSize) : info.linearSize;
  if (info.linearSize >= topLevelSize) info.bufferSize = std::max(info.bufferSize, declaredChainSize(info));
  return DdsStatus::Ok;
}

std::vector<DdsLevel> planDdsLevels(const DdsInfo& info, size_t available) {
  std::vector<DdsLevel> levels;
  // A zero dimension holds no image at all.
  if (info.width == 0 || info.height == 0 || info.blockSize == 0) return levels;
  available = std::min(available, info.bufferSize);
  uint32_t width = info.width;
  uint32_t height = info.height;
  size_t offset = 0;
  for (uint32_t level = 0; level < info.mipMapCount; ++level) {
    uint64_t size = ddsLevelSize(width, height, info.blockSize);
    if (size > available - offset) break;
    levels.push_back(DdsLevel{width, height, offset, static_cast<size_t>(size)});
    offset += static_cast<size_t>(size);
    if (width == 1 && height == 1) break;
    width = std::max(width / 2, 1u);
    height = std::max(height / 2, 1u);
  }
  return levels;
}

DdsStatus readDds(const uint8_t* file, size_t size, uint32_t maxTextureSize, DdsInfo& info) {
  DdsStatus status = parseDdsHeader(file, size, maxTextureSize, info);
  if (status == DdsStatus::Ok) info.levels = planDdsLevels(info, size - dds::kDataOffset);
  return status;
}

GLuint loadDdsTexture(const char* path) {
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
    glCompressedTexImage2D(GL_TEXTURE_2D, static_cast<GLint>(level), info.format, static_cast<GLsizei>(l.width),
                           static_cast<GLsizei>(l.height), 0, static_cast<GLsizei>(l.size), buffer + l.offset);
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
  if (!anisotropic) anisotropic = getConfigFile().setting<int>("enableAnisotropicFilteringOverridecheck") == 1;
  if (anisotropic) {
    puts("DEBUG: activating anisotropic filtering for this texture!");
    GLfloat maximumAnistropy = 0.0f;
    glGetFloatv(GL_MAX_TEXTURE_MAX_ANISOTROPY_EXT, &maximumAnistropy);
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MAX_ANISOTROPY_EXT, maximumAnistropy);
  }
  free(buffer);
  return textureID;
}
