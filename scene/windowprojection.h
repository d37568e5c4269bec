// World points to window coordinates, as gluProject computes them (WebGL has
// no GLU): the same double arithmetic in the same order, so that both builds
// put the sun and its sprites on the same pixels.
#pragma once

// modelView and projection column-major; viewport x, y, width, height.
// False when the point projects to w = 0.
bool windowCoordinates(const double modelView[16], const double projection[16], const int viewport[4], double x,
                     double y, double z, double& winX, double& winY, double& winZ);
