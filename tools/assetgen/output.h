// Files appear whole or not at all: written under a temporary name, then
// renamed over the target.
#pragma once
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

// The error text, or empty on success.
std::string writeFileAtomic(const std::filesystem::path& path, const std::vector<uint8_t>& bytes);
std::string writeFileAtomic(const std::filesystem::path& path, const std::string& text);
