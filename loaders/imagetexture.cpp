// Images other than DDS, through DevIL, as uncompressed RGB textures.
#include <GL/glew.h>
#include <IL/il.h>

#include <cstdio>
#include <string>

#include "app/oftenused.h"
#include "loaders/modelloaderobj.h"

GLuint ModelLoaderOBJ::loadImageTexture(const char* path) {
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
