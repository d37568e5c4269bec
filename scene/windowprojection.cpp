#include "scene/windowprojection.h"

namespace {
// out = m * in, each row summed left to right.
void multiply(const double m[16], const double in[4], double out[4]) {
  for (int i = 0; i < 4; ++i) out[i] = in[0] * m[0 * 4 + i] + in[1] * m[1 * 4 + i] + in[2] * m[2 * 4 + i] + in[3] * m[3 * 4 + i];
}
}  // namespace

bool windowCoordinates(const double modelView[16], const double projection[16], const int viewport[4], double x,
                     double y, double z, double& winX, double& winY, double& winZ) {
  const double object[4] = {x, y, z, 1.0};
  double eye[4], clip[4];
  multiply(modelView, object, eye);
  multiply(projection, eye, clip);
  if (clip[3] == 0.0) return false;
  for (int i = 0; i < 3; ++i) clip[i] = clip[i] / clip[3] * 0.5 + 0.5;
  winX = clip[0] * viewport[2] + viewport[0];
  winY = clip[1] * viewport[3] + viewport[1];
  winZ = clip[2];
  return true;
}
