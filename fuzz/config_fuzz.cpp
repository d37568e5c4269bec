// config.ini reading and every typed lookup on arbitrary bytes: pairs stay in
// step, a lookup returns the first match or the default, nothing crashes.
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "base/configfile.h"

namespace {
int fileDescriptor = -1;
std::string filePath;
}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // Every pair read prints a line; keep the fuzzer's console readable.
  int devNull = open("/dev/null", O_WRONLY);
  if (devNull >= 0) dup2(devNull, STDOUT_FILENO);
  // The reader takes a file name: the input lives in a memory file.
  fileDescriptor = memfd_create("config.ini", 0);
  if (fileDescriptor < 0) __builtin_trap();
  filePath = "/proc/self/fd/" + std::to_string(fileDescriptor);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (ftruncate(fileDescriptor, 0) != 0) __builtin_trap();
  if (pwrite(fileDescriptor, data, size, 0) != static_cast<ssize_t>(size)) __builtin_trap();

  ConfigFile config;
  if (!config.read(filePath.c_str())) __builtin_trap();
  if (config.keys.size() != config.values.size()) __builtin_trap();
  for (size_t i = 0; i < config.keys.size(); ++i)
    if (config.keys[i].empty() || config.values[i].empty()) __builtin_trap();

  // Every key of the system, as every type any reader asks for.
  // Unsigned: the sum only keeps the lookups from being optimised away, and
  // values up to INT_MAX must not overflow it.
  unsigned checksum = 0;
  for (int k = 0; k < config::keyCount; ++k) {
    const char* key = config::keys[k].name;
    bool found = true;
    checksum += static_cast<unsigned>(config.getValue<int>(key, 7, &found));
    checksum += static_cast<unsigned>(config.getValue<float>(key, 1.5f, &found) > 0.0f);
    checksum += static_cast<unsigned>(config.getValue<bool>(key, true, &found));
    checksum += static_cast<unsigned>(config.getValue<std::string>(key, "x", &found).size());
    checksum += static_cast<unsigned>(config.setting<int>(config::keys[k]));
  }
  // And the keys the file itself holds: a found key returns the first value.
  for (size_t i = 0; i < config.keys.size() && i < 64; ++i) {
    bool found = false;
    const std::string value = config.getValue<std::string>(config.keys[i], "", &found);
    if (!found) __builtin_trap();
    size_t first = 0;
    while (config.keys[first] != config.keys[i]) ++first;
    if (value != config.values[first]) __builtin_trap();
    checksum += static_cast<unsigned>(config.getValue<int>(config.keys[i], 0));
  }
  bool found = true;
  if (config.getValue<int>("", 3, &found) != 3 || found) __builtin_trap();
  return checksum == 0x80000000u ? 1 : 0;
}
