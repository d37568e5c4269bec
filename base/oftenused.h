// Small helpers shared by every module: fatal exits with a source location,
// a line reader with one reused buffer, and string and number utilities.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>

void printPrintable(const char* text, unsigned int length);
bool replaceChar(char* text, char find, char replacement);
const char* fileNameOfPath(const char* path);
void flushStandardStreams();
[[noreturn]] void fatalOutOfMemory(const char* sourceFile, int line);

// Returns the next line without its line feed, or null at end of file. The
// text lives in one shared buffer and is valid until the next call.
char* readLine(FILE* stream);
void freeLineBuffer();
// Capacity of the shared line buffer; it persists across freeLineBuffer.
int lineBufferCapacity();

char digitToChar(uint8_t value, bool upperCase);
int countChar(const char* text, char c);
double roundToDecimals(double value, uint16_t decimals);

// Text-mode line: the same line without a carriage return before its end.
// Files written on other systems end lines with CR LF.
void stripCarriageReturn(char* line);

// Maps the backslash of configured paths ("models\earth.obj") to the
// separator of this platform; used where files are opened.
std::string platformPathOf(const char* path);
FILE* openFile(const char* path, const char* mode);
