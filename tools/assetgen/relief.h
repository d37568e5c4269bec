// The Earth's relief for the ground's lighting: the SRTM30 elevation tiles of
// marble-qt-data read into one grid, and the slope map the Earth's shader
// tilts its normals by.
#pragma once
#include <string>
#include <vector>

#include "tools/assetgen/image.h"

// Heights in metres on an equirectangular grid, row 0 at the north, column 0
// at 180 degrees west; the sea is 0.
struct HeightGrid {
  int width = 0;
  int height = 0;
  std::vector<float> metres;
  float at(int x, int y) const { return metres[static_cast<size_t>(y) * width + x]; }
};

// The tile layout of level 3: rows x columns of side x side pixels.
struct SrtmLayout {
  int rows = 8;
  int columns = 16;
  int side = 675;
};

// The tile of row r, column c under level folder `levelDir`:
// RRRRRR/RRRRRR_CCCCCC.jpg.
std::string srtmTilePath(const std::string& levelDir, int row, int column);

// Height above the sea of one grey level of the tiles; 0 for the sea floor.
// The tiles rise with height on a roughly logarithmic scale (the Ganges
// plain near 117, the Sahara near 166, Tibet near 223, Everest near 234).
float srtmMetres(int grey);

// Reads every tile into one grid. A tile that is missing, cannot be decoded
// or is not side x side gives false with the tile's path in error.
bool loadSrtmTiles(const std::string& levelDir, const SrtmLayout& layout, HeightGrid& out, std::string& error);

// Encodes one slope component (rise over run) into [0, 1]: the square root of
// its share of maxSlope, signed, about 0.5. The shader squares it back; the
// root keeps the gentle slopes, which are most of the land, finer than the
// block compression's steps.
float encodeSlope(float slope);
float decodeSlope(float stored);
constexpr float maxSlope = 1.0f;

// The slope map at width x height: green (and red and blue) the eastward rise
// over run, alpha the northward, both encoded as above, each the mean slope
// over the output texel's area. Distances on a sphere of radius `radiusMetres`;
// the sea is flat.
Image slopeMap(const HeightGrid& grid, int width, int height, double radiusMetres = 6371000.0);
