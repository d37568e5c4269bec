// Small helpers shared by every module: fatal exits with a source location,
// a line reader with one reused buffer, and string and number utilities.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>

// Whether a load prints its progress lines ("compiling shader", DEBUG).
// Quiet suits what was added beside the design's scene, whose console stays
// as it was; warnings and errors are printed either way.
enum class ConsoleProgress { Printed, Quiet };

void printPrintable(const char* text, unsigned int length);
bool replaceChar(char* text, char find, char replacement);
const char* fileNameOfPath(const char* path);
void flushStandardStreams();
[[noreturn]] void fatalOutOfMemory(const char* sourceFile, int line);

// One reader's line buffer, reused from line to line and file to file, so
// that a file of long lines costs one allocation.
struct LineBuffer {
  char* text = nullptr;
  int32_t capacity = 10;
  // Set by the first allocation. A buffer freed between files is allocated
  // again at the capacity it had; doubling there as well would double the
  // memory with every file read, until the process runs out of it.
  bool everAllocated = false;
};
// Returns the next line without its line feed, or null at end of file. The
// text lives in the buffer and is valid until the next call.
char* readLine(LineBuffer& buffer, FILE* stream);
void freeLineBuffer(LineBuffer& buffer);
// The buffer's capacity; it persists across freeLineBuffer.
int lineBufferCapacity(const LineBuffer& buffer);

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
