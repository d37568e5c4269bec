// The camera flight: two paths of points, one a second, written as OBJ line
// elements. The eye path carries the camera, the look-at path the point it
// looks at; the distance between the two, times the focus factor of the
// point, is the focus distance of the depth of field.
#pragma once
#include <string>
#include <vector>

#include <glm/glm.hpp>

// The run's built-in tables: field of view in degrees and focus factor for
// eye-path point i.
float flightFieldOfView(int i);
float flightFocusFactor(int i);

struct FlightPaths {
  std::vector<glm::vec3> eye;
  std::vector<glm::vec3> lookAt;
  std::vector<glm::vec3> subject;  // what each point is meant to show
  std::vector<float> focus;        // intended focus distance per point
};

FlightPaths buildFlight();

// Path file text: the points numbered along the path ("v x y z") and one
// line element "f i i+1" per segment, exactly two spaces in each.
std::string pathObjText(const std::vector<glm::vec3>& points);
