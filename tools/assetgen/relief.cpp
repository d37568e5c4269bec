#include "tools/assetgen/relief.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

std::string srtmTilePath(const std::string& levelDir, int row, int column) {
  char name[64];
  std::snprintf(name, sizeof(name), "%06d/%06d_%06d.jpg", row, row, column);
  return (std::filesystem::path(levelDir) / name).string();
}

namespace {
// A JPEG cut short still decodes, the missing rows filled in grey: a tile must
// start with the start-of-image marker and end with the end-of-image one.
bool wholeJpeg(const std::string& path, std::string& error) {
  std::ifstream in(path, std::ios::binary);
  const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  auto byte = [&](size_t i) { return static_cast<unsigned char>(bytes[i]); };
  if (bytes.size() < 4 || byte(0) != 0xFF || byte(1) != 0xD8) {
    error = "elevation tile " + path + " is not a JPEG image";
    return false;
  }
  if (byte(bytes.size() - 2) != 0xFF || byte(bytes.size() - 1) != 0xD9) {
    error = "elevation tile " + path + " is truncated (no end-of-image marker)";
    return false;
  }
  return true;
}

// Below this grey level lies the sea floor; the coast's step starts here.
constexpr int kLandGrey = 100;
}  // namespace

float srtmMetres(int grey) {
  if (grey < kLandGrey) return 0.0f;
  return 60.0f * std::exp((static_cast<float>(grey) - 117.0f) / 24.0f);
}

bool loadSrtmTiles(const std::string& levelDir, const SrtmLayout& layout, HeightGrid& out, std::string& error) {
  HeightGrid grid;
  grid.width = layout.columns * layout.side;
  grid.height = layout.rows * layout.side;
  grid.metres.assign(static_cast<size_t>(grid.width) * grid.height, 0.0f);
  float metres[256];
  for (int g = 0; g < 256; ++g) metres[g] = srtmMetres(g);
  for (int r = 0; r < layout.rows; ++r)
    for (int c = 0; c < layout.columns; ++c) {
      const std::string path = srtmTilePath(levelDir, r, c);
      std::error_code ec;
      if (!std::filesystem::is_regular_file(path, ec)) {
        error = "elevation tile missing: " + path;
        return false;
      }
      Image tile;
      if (!wholeJpeg(path, error) || !loadImageFile(path, tile, error)) return false;
      if (tile.width != layout.side || tile.height != layout.side) {
        error = "elevation tile " + path + " is " + std::to_string(tile.width) + " x " + std::to_string(tile.height) +
                ", not " + std::to_string(layout.side) + " x " + std::to_string(layout.side);
        return false;
      }
      for (int y = 0; y < layout.side; ++y) {
        float* row = &grid.metres[static_cast<size_t>(r * layout.side + y) * grid.width + c * layout.side];
        for (int x = 0; x < layout.side; ++x) row[x] = metres[tile.at(x, y)[0]];
      }
    }
  out = std::move(grid);
  return true;
}

float encodeSlope(float slope) {
  const float share = std::clamp(slope / maxSlope, -1.0f, 1.0f);
  const float root = std::sqrt(std::fabs(share));
  return 0.5f + 0.5f * (share < 0 ? -root : root);
}

float decodeSlope(float stored) {
  const float s = 2.0f * stored - 1.0f;
  return s * std::fabs(s) * maxSlope;
}

Image slopeMap(const HeightGrid& grid, int width, int height, double radiusMetres) {
  Image out(width, height);
  const double pi = 3.14159265358979323846;
  const double dLat = pi / grid.height, dLon = 2 * pi / grid.width;
  // Source texels per output texel (the output is never finer than the grid).
  const int fx = std::max(1, grid.width / width), fy = std::max(1, grid.height / height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      double east = 0, north = 0;
      int count = 0;
      for (int sy = y * grid.height / height, ey = sy + fy; sy < ey; ++sy) {
        const double lat = pi / 2 - (sy + 0.5) * dLat;
        const double eastStep = 2 * radiusMetres * std::max(std::cos(lat), 1e-3) * dLon;
        const double northStep = 2 * radiusMetres * dLat;
        const int up = std::max(sy - 1, 0), down = std::min(sy + 1, grid.height - 1);
        for (int sx = x * grid.width / width, ex = sx + fx; sx < ex; ++sx) {
          // The sea floor is not lit as relief: a flat sea, and no slope
          // where a difference would reach into it.
          const float here = grid.at(sx, sy);
          ++count;
          if (here <= 0.0f) continue;
          const int left = (sx + grid.width - 1) % grid.width, right = (sx + 1) % grid.width;
          east += (grid.at(right, sy) - grid.at(left, sy)) / eastStep;
          north += (grid.at(sx, up) - grid.at(sx, down)) / northStep;
        }
      }
      const float e = encodeSlope(static_cast<float>(east / count));
      const float n = encodeSlope(static_cast<float>(north / count));
      out.set(x, y, e, e, e, n);
    }
  }
  return out;
}
