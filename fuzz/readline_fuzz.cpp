// The shared line reader on arbitrary bytes: the lines it returns, joined by
// line feeds, give back the input; the buffer always holds the line and its
// terminator.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "base/oftenused.h"

namespace {
// The longest line of the whole run: the buffer never needs to grow past
// twice that, however often it is released between lines.
size_t longestLine = 0;
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  // The first byte decides when the buffer is released between lines, so
  // that regrowth after freeLineBuffer is exercised too.
  const uint8_t freeEvery = data[0];
  ++data;
  --size;
  FILE* stream = fmemopen(size > 0 ? const_cast<uint8_t*>(data) : nullptr, size, "rb");
  if (stream == nullptr) {
    if (size == 0) return 0;
    __builtin_trap();
  }
  LineBuffer buffer;
  size_t consumed = 0;
  unsigned lines = 0;
  while (char* line = readLine(buffer, stream)) {
    // Bytes up to the next line feed or the end, NUL bytes included.
    size_t length = 0;
    while (consumed + length < size && data[consumed + length] != '\n') ++length;
    if (memcmp(line, data + consumed, length) != 0) __builtin_trap();
    if (line[length] != '\0') __builtin_trap();
    if (static_cast<size_t>(lineBufferCapacity(buffer)) < length + 1) __builtin_trap();
    if (length > longestLine) longestLine = length;
    if (static_cast<size_t>(lineBufferCapacity(buffer)) > 2 * longestLine + 21) __builtin_trap();
    consumed += length;
    if (consumed < size) ++consumed;  // the line feed
    ++lines;
    if (freeEvery != 0 && lines % freeEvery == 0) freeLineBuffer(buffer);
  }
  if (consumed != size) __builtin_trap();
  if (readLine(buffer, stream) != nullptr) __builtin_trap();
  fclose(stream);
  freeLineBuffer(buffer);
  return 0;
}
