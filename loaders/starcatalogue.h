// The star catalogue read at start-up: the Bright Star Catalogue's stars to
// magnitude 6 as Debian's marble-qt-data ships them (data/stars/stars.dat).
// The file: "star", a big-endian int32 version (4), then 32-byte records of
// int32 catalogue number (HR), float64 RA and Dec (J2000, radians), float64
// visual magnitude and int32 colour class (1 blue-white .. 6 deep red).
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct CatalogueStar {
  int32_t number = 0;  // HR number
  double ra = 0.0, dec = 0.0;
  double magnitude = 0.0;
  int32_t colourClass = 0;
};

namespace starcatalogue {
inline constexpr size_t kHeaderSize = 8;
inline constexpr size_t kRecordSize = 32;
inline constexpr int32_t kVersion = 4;
// Beyond any catalogue that stands for the naked-eye sky; a file that claims
// more is not one.
inline constexpr size_t kMaxStars = 200000;
}  // namespace starcatalogue

// Reads the whole of data into stars; on bad or truncated data returns false
// and says why (with the record's index) in error, leaving stars empty.
bool parseStarCatalogue(const uint8_t* data, size_t size, std::vector<CatalogueStar>& stars, std::string& error);

// The file at path; error names the file.
bool loadStarCatalogue(const std::string& path, std::vector<CatalogueStar>& stars, std::string& error);

// The B-V index each colour class stands for: the median B-V of the class's
// stars in the Hipparcos/Tycho catalogue (matched by position and magnitude).
// An unknown class gives the Sun's 0.65.
double colourClassBV(int32_t colourClass);
