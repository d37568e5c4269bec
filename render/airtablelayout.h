// The air table's plan for a frame: whether the frame's passes can read
// their air from one table made at the central eye, and the table's size.
// Plain frame maths, no GL.
#pragma once
#include <string>
#include <glm/glm.hpp>

// What the table is made for: the passes' air changes with nothing else.
struct AirTableView {
  glm::vec3 eye{0.0f};       // the central eye; the Earth's centre is the origin, its radius 1
  glm::vec3 sun{0.0f};       // towards the sun (any length above 0)
  float shellRadius = 0.0f;  // the top of the air the composite marches (airTop)
  float eyeSpread = 0.0f;    // how far any pass's eye lies from the central one
  float focalPixels = 0.0f;  // the projection's focal length in the target's pixels
  int targetWidth = 0, targetHeight = 0;
  int passes = 0;  // the passes that read the table this frame

  bool operator==(const AirTableView&) const = default;
};

struct AirTableLayout {
  bool usable = false;
  std::string reason;       // why the passes compute their own air, when not usable
  int columns = 0;          // azimuths about the eye's line to the centre, on the limb rows
  int groundColumns = 0;    // the same on the ground rows, which hold one more: the first again
  int groundRows = 0;       // rays onto the Earth
  int limbRows = 0;         // rays through the limb
  float limbHeight = 0.0f;  // the height above the ground the limb rows reach
  // Unit vectors across the eye's line: the azimuth's zero and quarter turn.
  glm::vec3 right{0.0f}, up{0.0f};
};

// The textures' size for a target: room for a limb of the largest shell,
// one more column, and its rows.
struct AirTableCapacity {
  int width = 0, height = 0;
  bool operator==(const AirTableCapacity&) const = default;
};
AirTableCapacity airTableCapacity(int targetHeight, int maxTextureSize);

// Fewer passes than this compute their own air: making the table costs
// about as much as a pass's air, so it pays from three passes on (or for a
// still camera, which the table outlives, but the fast preset's camera is
// the one that moves).
inline constexpr int kAirTableMinPasses = 3;
// The table's textures hold any table for an Earth whose shell spans up to
// this share of the target's height: made once for the target's size, so
// that the memory stays the same while the camera moves (a few MB: 20 at
// 1024 x 768). A larger Earth is left to the passes.
inline constexpr float kAirTableMostShellHeightShare = 1.0f;
// Columns and rows: on the limb a texel about a pixel apart round it, where
// the light changes fastest; on the ground half as many columns, the air
// there changing round the disc only with the sun's height; across the
// limb's ring eight rows a pixel, crowded towards the ground.
inline constexpr int kAirTableMinColumns = 64;
inline constexpr float kAirTableGroundColumnShare = 0.5f;
// The ground's rows, a pixel of the Earth's radius apart but never fewer
// than these: near the rim, where the ground's rays graze and their air
// changes fast, rows two degrees apart (an Earth 90 pixels across) put up
// to 13 units on its lit crescent; these keep a far Earth within 5.
inline constexpr int kAirTableMinRows = 192;
inline constexpr float kAirTableLimbRowsPerPixel = 8.0f;
inline constexpr int kAirTableMinLimbRows = 32;
inline constexpr int kAirTableMaxLimbRows = 128;

// The plan for the view: usable when the frame has kAirTableMinPasses
// passes or more, every pass's eye lies outside the air by a margin, and a
// table fine enough for the Earth's size on the screen fits the capacity
// for the target (airTableCapacity).
AirTableLayout planAirTable(const AirTableView& view, int maxTextureSize);
