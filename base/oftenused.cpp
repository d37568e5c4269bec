#include "base/oftenused.h"

#include <sys/stat.h>

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {
void growLineBuffer(LineBuffer& buffer, int32_t capacity) {
  char* grown = static_cast<char*>(realloc(buffer.text, static_cast<size_t>(capacity)));
  if (grown == nullptr) fatalOutOfMemory(__FILE__, __LINE__);
  buffer.text = grown;
}
}  // namespace

void printPrintable(const char* text, unsigned int length) {
  if (text == nullptr) return;
  for (unsigned int i = 0; i < length; ++i) {
    signed char c = static_cast<signed char>(text[i]);
    if (c == '\n')
      printf("\n");
    else if (c >= 32 && c <= 126)
      printf("%c", c);
  }
}

bool replaceChar(char* text, char find, char replacement) {
  if (text == nullptr || find == 0 || replacement == 0) return false;
  // Equal characters would never run out of hits.
  if (find == replacement) return strchr(text, find) != nullptr;
  bool replaced = false;
  for (char* hit = strchr(text, find); hit != nullptr; hit = strchr(hit, find)) {
    *hit = replacement;
    replaced = true;
  }
  return replaced;
}

const char* fileNameOfPath(const char* path) {
  if (path == nullptr || path[0] == '\0') return nullptr;
  const char* separator = strrchr(path, '\\');
  if (separator == nullptr) separator = strrchr(path, '/');
  if (separator == nullptr) return path;
  return separator[1] == '\0' ? nullptr : separator + 1;
}

void flushStandardStreams() {
  if (fflush(stdout) != 0) {
    fprintf(stderr, "FATAL [%s:%i]: Could not flush stdout-stream! Quitting!\n",
            fileNameOfPath(__FILE__), __LINE__);
    exit(1);
  }
  if (fflush(stderr) != 0) {
    fprintf(stderr, "FATAL [%s:%i]: Could not flush stdout-stream! Quitting!\n",
            fileNameOfPath(__FILE__), __LINE__);
    exit(1);
  }
}

void fatalOutOfMemory(const char* sourceFile, int line) {
  flushStandardStreams();
  const char* name = fileNameOfPath(sourceFile);
  fprintf(stderr, "FATAL [%s:%i]: Could not allocate memory! Quitting!\n", name ? name : "", line);
  exit(1);
}

char* readLine(LineBuffer& buffer, FILE* stream) {
  if (stream == nullptr) return nullptr;
  int32_t capacity = buffer.capacity;
  int32_t length = 0;
  int c;
  // Unlocked reads: one thread reads these files, and the lock per byte
  // doubles the time to read a large model.
  while ((c = getc_unlocked(stream)) != EOF && c != '\n') {
    if (buffer.text == nullptr && buffer.everAllocated && length < capacity) {
      growLineBuffer(buffer, capacity);
    } else if (length >= capacity || buffer.text == nullptr) {
      if (capacity > INT32_MAX / 2) fatalOutOfMemory(__FILE__, __LINE__);
      capacity *= 2;
      buffer.capacity = capacity;
      growLineBuffer(buffer, capacity);
    }
    buffer.everAllocated = true;
    buffer.text[length++] = static_cast<char>(c);
  }
  if (c == EOF && length == 0) return nullptr;
  if (length == capacity) {
    capacity += 1;
    buffer.capacity = capacity;
    growLineBuffer(buffer, capacity);
  }
  if (buffer.text == nullptr) growLineBuffer(buffer, capacity);
  buffer.everAllocated = true;
  buffer.text[length] = '\0';
  return buffer.text;
}

void freeLineBuffer(LineBuffer& buffer) {
  if (buffer.text != nullptr) {
    free(buffer.text);
    buffer.text = nullptr;
  }
}

int lineBufferCapacity(const LineBuffer& buffer) { return buffer.capacity; }

char digitToChar(uint8_t value, bool upperCase) {
  if (value <= 9) return static_cast<char>('0' + value);
  if (value <= 35) return static_cast<char>((upperCase ? 'A' : 'a') + (value - 10));
  return static_cast<char>(255);
}

int countChar(const char* text, char c) {
  if (text == nullptr) return 0;
  int count = 0;
  for (; *text != '\0'; ++text)
    if (*text == c) ++count;
  return count;
}

double roundToDecimals(double value, uint16_t decimals) {
  double p = pow(10.0, decimals);
  return static_cast<double>(static_cast<int64_t>(value * p + 0.5)) / p;
}

void stripCarriageReturn(char* line) {
  if (line == nullptr) return;
  size_t length = strlen(line);
  if (length > 0 && line[length - 1] == '\r') line[length - 1] = '\0';
}

std::string platformPathOf(const char* path) {
  std::string mapped(path ? path : "");
#ifndef _WIN32
  for (char& ch : mapped)
    if (ch == '\\') ch = '/';
#endif
  return mapped;
}

FILE* openFile(const char* path, const char* mode) {
  if (path == nullptr) return nullptr;
  FILE* file = fopen(platformPathOf(path).c_str(), mode);
  if (file == nullptr) return nullptr;
  // A directory reads as nothing and a device such as /dev/zero never ends:
  // neither is a file the program can load.
  struct stat info;
  if (fstat(fileno(file), &info) != 0 || S_ISDIR(info.st_mode) || S_ISCHR(info.st_mode) || S_ISBLK(info.st_mode)) {
    fclose(file);
    errno = EINVAL;
    return nullptr;
  }
  return file;
}
