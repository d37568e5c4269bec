#include "loaders/starcatalogue.h"

#include <cmath>
#include <cstring>
#include <fstream>

namespace {
uint32_t bigEndian32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 | static_cast<uint32_t>(p[2]) << 8 | p[3];
}
double bigEndianDouble(const uint8_t* p) {
  const uint64_t bits = static_cast<uint64_t>(bigEndian32(p)) << 32 | bigEndian32(p + 4);
  double value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}
constexpr double kPi = 3.14159265358979323846;
}  // namespace

bool parseStarCatalogue(const uint8_t* data, size_t size, std::vector<CatalogueStar>& stars, std::string& error) {
  using namespace starcatalogue;
  stars.clear();
  if (size < kHeaderSize || data == nullptr) {
    error = "too short for the header (" + std::to_string(size) + " bytes)";
    return false;
  }
  if (std::memcmp(data, "star", 4) != 0) {
    error = "not a star catalogue (no \"star\" mark)";
    return false;
  }
  const int32_t version = static_cast<int32_t>(bigEndian32(data + 4));
  if (version != kVersion) {
    error = "version " + std::to_string(version) + ", expected " + std::to_string(kVersion);
    return false;
  }
  const size_t body = size - kHeaderSize;
  const size_t count = body / kRecordSize;
  if (body % kRecordSize != 0) {
    error = "truncated: star " + std::to_string(count + 1) + " has " + std::to_string(body % kRecordSize) + " of " +
            std::to_string(kRecordSize) + " bytes";
    return false;
  }
  if (count > kMaxStars) {
    error = std::to_string(count) + " stars, more than " + std::to_string(kMaxStars);
    return false;
  }
  std::vector<CatalogueStar> read;
  read.reserve(count);
  for (size_t i = 0; i < count; ++i) {
    const uint8_t* p = data + kHeaderSize + i * kRecordSize;
    CatalogueStar star;
    star.number = static_cast<int32_t>(bigEndian32(p));
    star.ra = bigEndianDouble(p + 4);
    star.dec = bigEndianDouble(p + 12);
    star.magnitude = bigEndianDouble(p + 20);
    star.colourClass = static_cast<int32_t>(bigEndian32(p + 28));
    // The negated comparisons also refuse NaN.
    const char* bad = nullptr;
    if (!(star.ra >= 0.0 && star.ra <= 2.0 * kPi)) bad = "right ascension";
    else if (!(std::abs(star.dec) <= 0.5 * kPi)) bad = "declination";
    else if (!(std::abs(star.magnitude) <= 30.0)) bad = "magnitude";
    if (bad != nullptr) {
      error = "star " + std::to_string(i + 1) + " (number " + std::to_string(star.number) + "): " + bad +
              " out of range";
      return false;
    }
    read.push_back(star);
  }
  stars = std::move(read);
  return true;
}

bool loadStarCatalogue(const std::string& path, std::vector<CatalogueStar>& stars, std::string& error) {
  stars.clear();
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    error = path + ": cannot be opened";
    return false;
  }
  constexpr size_t kMaxBytes = starcatalogue::kHeaderSize + starcatalogue::kRecordSize * starcatalogue::kMaxStars;
  file.seekg(0, std::ios::end);
  const std::streamoff length = file.tellg();
  file.seekg(0, std::ios::beg);
  if (length < 0 || !file) {
    error = path + ": cannot be read";
    return false;
  }
  if (static_cast<uint64_t>(length) > kMaxBytes) {
    error = path + ": larger than any star catalogue read here (" + std::to_string(kMaxBytes) + " bytes)";
    return false;
  }
  std::string bytes(static_cast<size_t>(length), '\0');
  if (!file.read(bytes.data(), length)) {
    error = path + ": read failed";
    return false;
  }
  std::string why;
  if (!parseStarCatalogue(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), stars, why)) {
    error = path + ": " + why;
    return false;
  }
  return true;
}

double colourClassBV(int32_t colourClass) {
  // Class 2 holds B and F stars alike (B-V -0.19 to 0.42 between its 5th and
  // 95th percentiles): its median is all the file allows.
  static constexpr double kMedianBV[] = {0.65, -0.04, 0.14, 0.86, 1.20, 1.61, 2.80};
  if (colourClass < 1 || colourClass > 6) return kMedianBV[0];
  return kMedianBV[colourClass];
}
