// The Earth's cloud layer, made from the precipitation climatology of
// marble-qt-data (where clouds are, month by month) and from noise shaped
// like weather (what they look like): fronts and cyclone spirals in the storm
// tracks, small cumulus in the trades, towers along the wet tropics, stratus
// sheets off the west coasts. Deterministic.
#pragma once
#include <cstdint>
#include <vector>

#include <glm/glm.hpp>

#include "tools/assetgen/image.h"

// A float field on an equirectangular grid, row 0 at the north, column 0 at
// 180 degrees west.
struct Field {
  int width = 0;
  int height = 0;
  std::vector<float> v;
  Field() = default;
  Field(int w, int h) : width(w), height(h), v(static_cast<size_t>(w) * h, 0.0f) {}
  float& at(int x, int y) { return v[static_cast<size_t>(y) * width + x]; }
  float at(int x, int y) const { return v[static_cast<size_t>(y) * width + x]; }
  // Bilinear at longitude, latitude in degrees, wrapping in longitude.
  float sample(float lonDeg, float latDeg) const;
};

// Latitude and longitude (degrees) of the centre of texel (x, y) of a w x h grid.
float texelLatitude(int y, int height);
float texelLongitude(int x, int width);
// The area-weighted mean of a field between two latitudes (degrees, south
// first), over the longitudes [lonWest, lonEast] (degrees; west > east wraps).
float bandMean(const Field& f, float latSouth, float latNorth, float lonWest = -180.0f, float lonEast = 180.0f);

// The month's cloud cover to aim at, 0 to 1, from its precipitation map (grey
// rising with the rain) and the water mask (1 open water) at the same grid:
// wet belts cloudy, dry subtropics clear, the storm tracks cloudy even where
// cold air rains little, stratus off the west coasts of the subtropics.
// `level` shifts every cover alike, so that the globe's mean can be set.
Field cloudClimate(const Image& precipitation, const Field& water, float level);
// The level that gives the globe's area-weighted mean cover `mean`.
float climateLevelFor(const Image& precipitation, const Field& water, float mean);

// The spiral of a cyclone centred at `centre` (unit vector), radius in
// radians: the point whose cloud shows at p (unit vector). The arms wind in
// the way the air flows: anticlockwise seen from above in the north,
// clockwise in the south.
glm::vec3 cycloneSource(const glm::vec3& p, const glm::vec3& centre, float radius, float twist);

// The two months' layers at width x height: green (red, blue) the July cover,
// alpha the December cover, 0 clear to 1 overcast. `water` is 1 over open
// water (any grid).
Image cloudLayers(const Image& precipJuly, const Image& precipDecember, const Field& water, int width, int height,
                  uint32_t seed, int threads);

// The globe's mean cloud cover the layers aim at.
constexpr float kMeanCloudCover = 0.66f;

// Water mask from the day image (1 open water).
Field waterField(const Image& day);
// One channel of an image as a field, 0 to 1 (channel 1 green, 3 alpha).
Field channelField(const Image& image, int channel);
