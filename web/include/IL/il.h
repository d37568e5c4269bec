// The few DevIL calls the program makes, for the browser build, where DevIL
// does not exist: images are kept in memory and saved as PNG by our own
// encoder; loading anything but DDS (which never comes here) fails.
#pragma once
#include <cstddef>
#include <cstdio>

typedef unsigned int ILuint;
typedef int ILint;
typedef unsigned int ILenum;
typedef unsigned char ILboolean;
typedef unsigned char ILubyte;
typedef size_t ILsizei;
typedef void* ILHANDLE;

#define IL_FALSE 0
#define IL_TRUE 1
#define IL_RGB 0x1907
#define IL_RGBA 0x1908
#define IL_UNSIGNED_BYTE 0x1401
#define IL_PNG 0x042A
#define IL_ORIGIN_UPPER_LEFT 0x0602
#define IL_ORIGIN_SET 0x0600
#define IL_FILE_OVERWRITE 0x0620
#define IL_IMAGE_WIDTH 0x0DE4
#define IL_IMAGE_HEIGHT 0x0DE5
#define IL_IMAGE_FORMAT 0x0DEA
#define IL_NO_ERROR 0x0000
#define IL_INVALID_VALUE 0x0505
#define IL_COULD_NOT_OPEN_FILE 0x050A
#define IL_INVALID_EXTENSION 0x0510

void ilInit();
ILuint ilGenImage();
void ilBindImage(ILuint image);
void ilDeleteImages(ILsizei count, const ILuint* images);
ILboolean ilTexImage(ILuint width, ILuint height, ILuint depth, ILubyte channels, ILenum format, ILenum type,
                     void* data);
ILboolean ilRegisterOrigin(ILenum mode);
ILboolean ilEnable(ILenum mode);
ILboolean ilSave(ILenum type, const char* fileName);
ILuint ilSaveL(ILenum type, void* lump, ILuint size);
// Writes into an open stream; 0 on failure, the caller checks the stream.
ILuint ilSaveF(ILenum type, ILHANDLE file);
ILboolean ilLoadImage(const char* fileName);
ILboolean ilConvertImage(ILenum format, ILenum type);
ILint ilGetInteger(ILenum mode);
ILubyte* ilGetData();
ILenum ilGetError();
