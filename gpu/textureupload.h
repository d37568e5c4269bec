// Texture uploads: DDS files with their stored mip chain (parsed by
// loaders/ddstexture, blocks decoded by loaders/dxtdecode where the context
// lacks S3TC) and other images through DevIL.
#pragma once
#include <GL/glew.h>

#include <cstddef>
#include <cstdint>

#include "base/configfile.h"
#include "base/oftenused.h"

// A DXT1/DXT3/DXT5 DDS file with its stored mip chain, in a new texture; 0 on failure.
// Anisotropic filtering where the GL reports it, or everywhere when forced.
GLuint loadDdsTexture(const char* path, bool forceAnisotropic = false,
                      ConsoleProgress progress = ConsoleProgress::Printed);
// config.ini's enableAnisotropicFilteringOverridecheck.
bool forcesAnisotropicFiltering(const ConfigFile& config);

// Any image DevIL reads, as an uncompressed RGB texture without mipmaps.
GLuint loadImageTexture(const char* path);

// Whether the current context takes S3TC blocks as they are. Always on the
// desktop (the program requires the extension there); on WebGL it asks for
// WEBGL_compressed_texture_s3tc.
bool compressedBlocksSupported();

// Uploads one level of blocks to the bound 2D texture: as they are when the
// context takes them, else decoded to RGBA8, with one console line per run
// saying so. False when the blocks could not be decoded.
bool uploadDxtLevel(int level, uint32_t format, uint32_t width, uint32_t height, const uint8_t* blocks,
                    size_t size);

// A new texture of one level from RGBA data (null: left undefined), linear
// filtering, wrapped in s as asked and clamped in t; format: its internal
// format, type: the data's component type.
GLuint makeLinearTexture(int width, int height, GLint format, GLenum type, const void* data, GLint wrapS);
