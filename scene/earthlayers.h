// The Earth's relief and cloud layers: the switches that choose them, the
// defines the Earth's program is built with, their textures on fixed units,
// and the cloud season of a day of the year.
#pragma once
#include <GL/glew.h>

#include <string>

// The units the layers are bound on: above the sky's tables (7 and 8).
constexpr int kReliefUnit = 9;
constexpr int kCloudUnit = 10;

// The layers' run-time files, written by the asset generator.
inline constexpr const char* kReliefTextureFile = "textures/earth_relief.DDS";
inline constexpr const char* kCloudTextureFile = "textures/earth_clouds.DDS";

struct EarthLayerSwitches {
  bool relief = true;        // config.ini relief
  bool clouds = true;        // config.ini clouds
  bool cloudShadows = true;  // off in the fast preset
};

// The lines the Earth's program is built with: EARTH_RELIEF, EARTH_CLOUDS and
// CLOUD_SHADOWS for what is switched on.
std::string earthLayerDefines(const EarthLayerSwitches& switches);

// The cloud map holds July and December; the weight of December for a day
// of the year (1 = 1 January, fractions allowed): 0 in mid-July, 1 in
// mid-December, moving smoothly between them both ways round the year.
float cloudSeasonOfDay(double dayOfYear);
// The season the demo sky shows: July's clouds, the monsoon at its height.
constexpr float kDemoCloudSeason = 0.0f;

struct EarthLayers {
  GLuint relief = 0;
  GLuint clouds = 0;
  float season = kDemoCloudSeason;
};

// Loads the textures of the layers switched on; a file that cannot be read
// gives the loader's message and a one-texel stand-in: a flat relief, a
// clear sky.
EarthLayers loadEarthLayers(const EarthLayerSwitches& switches);
void destroyEarthLayers(EarthLayers& layers);
// Binds the layers on their units and points the program's samplers
// "reliefTexture" and "cloudTexture" at them, and sets "cloudSeason"; names
// the program lacks are skipped. The program must be current.
void bindEarthLayers(const EarthLayers& layers, GLuint program);
