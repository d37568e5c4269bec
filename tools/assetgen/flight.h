// The camera flight: two paths of points, one a second, written as OBJ line
// elements. The eye path carries the camera, the look-at path the point it
// looks at; the distance between the two, times the focus factor of the
// point, is the focus distance of the depth of field.
//
// The flight runs on the clock, but the Moon and the missile move one step a
// frame: at flight time T they have taken about T x (frame rate) steps, plus
// those taken before the flight started. So the flight aims at what stands
// still (the Earth, the sun, the stars) or at a place a moving object is in
// at every frame rate it is scripted for.
#pragma once
#include <string>
#include <vector>

#include <glm/glm.hpp>

// The frame rates the flight is scripted for.
constexpr float slowestFrameRate = 2.0f;
constexpr float fastestFrameRate = 240.0f;

// What a stretch of the flight keeps in the picture.
enum class Subject {
  Fixed,    // a point of the Earth or the sky: the flight's own subject points
  Missile,  // wherever the missile is
  Moon,     // wherever the Moon is
  Sun,
};

struct Shot {
  int first;  // eye-path points, both included
  int last;
  Subject subject;
  const char* name;
};

struct FlightPaths {
  std::vector<glm::vec3> eye;
  std::vector<glm::vec3> lookAt;
  std::vector<glm::vec3> subject;  // what each point is meant to show
  std::vector<float> focus;        // intended focus distance per point
  std::vector<Shot> shots;
};

FlightPaths buildFlight();

// Path file text: the points numbered along the path ("v x y z") and one
// line element "f i i+1" per segment, exactly two spaces in each.
std::string pathObjText(const std::vector<glm::vec3>& points);
