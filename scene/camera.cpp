#include "scene/camera.h"

#include <GL/glew.h>

#include <algorithm>
#include <cmath>
#include <glm/gtc/matrix_transform.hpp>

#include "base/frameglobals.h"
#include "gpu/depthprobe.h"
#include "scene/object.h"
#include "scene/windowprojection.h"

// Not yet owned: the passes, the sun glow, the input handler and the tools
// all steer or read this one view.
Camera camera;

namespace {

// glm::perspective divides by tan(fov / 2): 0 degrees would give an infinite
// matrix and 180 a mirrored one, though both are valid settings.
constexpr float minProjectionFov = 0.001f;
constexpr float maxProjectionFov = 179.999f;

template <typename T>
bool allFinite(const glm::mat<4, 4, T>& m) {
  for (int c = 0; c < 4; ++c)
    for (int r = 0; r < 4; ++r)
      if (!std::isfinite(m[c][r])) return false;
  return true;
}

// Below the floor and above the ceiling that setDirectionLength keeps, so
// that a direction the camera produced itself (a turn may round it a little
// past either) is always taken back, as the depth-of-field passes do when
// they restore it.
constexpr float refusedDirectionLength = minDirectionLength / 10.0f;
constexpr float refusedLongDirectionLength = maxDirectionLength * 10.0f;

bool isUsableDirection(const glm::vec3& d) {
  // A length that overflows is infinite and refused with the rest.
  const float length = glm::length(d);
  return std::isfinite(d.x) && std::isfinite(d.y) && std::isfinite(d.z) && length >= refusedDirectionLength &&
         length <= refusedLongDirectionLength;
}

bool isFinite(const glm::vec3& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

// Sine of the angle below which up counts as lying along the direction. Wider
// than the depth-of-field eyes reach about a straight-up view (0.071 degrees),
// so all sixteen take the same stand-in and their pictures line up.
constexpr float upAlongDirection = 4e-3f;

// up is the view up the caller resolved with viewUpOf.
template <typename T>
glm::mat<4, 4, T> viewMatrixOf(const glm::vec<3, T>& eye, const glm::vec<3, T>& dir, const glm::vec<3, T>& up) {
  glm::mat<4, 4, T> view = glm::lookAt(eye, eye + dir, up);
  if (allFinite(view)) return view;
  // The look-at point rounded onto the eye: build the same view from the
  // unit direction.
  return glm::lookAt(glm::vec<3, T>(0), glm::normalize(dir), up) * glm::translate(glm::mat<4, 4, T>(1), -eye);
}

template <typename T>
glm::mat<4, 4, T> projectionMatrixOf(float fieldOfView, float nearPlane, float farPlane) {
  const float aspect = aspectRatio(windowWidth, windowHeight);
  const float fov = portraitFieldOfView(glm::clamp(fieldOfView, minProjectionFov, maxProjectionFov), aspect);
  return glm::perspective(glm::radians(T(fov)), T(aspect), T(nearPlane), T(farPlane));
}

glm::dvec4 row(const glm::dmat4& m, int i) { return glm::dvec4(m[0][i], m[1][i], m[2][i], m[3][i]); }

}  // namespace

FrustumPlanes extractFrustumPlanes(const glm::dmat4& clip) {
  const glm::dvec4 r0 = row(clip, 0), r1 = row(clip, 1), r2 = row(clip, 2), r3 = row(clip, 3);
  glm::dvec4 planes[6];
  planes[PLANE_NEAR] = r3 + r2;
  planes[PLANE_FAR] = r3 - r2;
  planes[PLANE_RIGHT] = r3 - r0;
  planes[PLANE_LEFT] = r3 + r0;
  planes[PLANE_TOP] = r3 - r1;
  planes[PLANE_BOTTOM] = r3 + r1;
  FrustumPlanes result{};
  for (int i = 0; i < 6; ++i) {
    double len = glm::length(glm::dvec3(planes[i]));
    // A plane without a normal (degenerate matrix) rejects every point.
    result[i] = len > 0.0 ? glm::vec4(planes[i] / len) : glm::vec4(0.0f, 0.0f, 0.0f, -1.0f);
  }
  return result;
}

bool isPointInsidePlanes(const FrustumPlanes& planes, const glm::vec3& p) {
  static constexpr FrustumPlane order[6] = {PLANE_BOTTOM, PLANE_TOP, PLANE_LEFT, PLANE_RIGHT, PLANE_FAR, PLANE_NEAR};
  for (FrustumPlane i : order) {
    const glm::vec4& pl = planes[i];
    float s = pl.x * p.x + pl.y * p.y + pl.z * p.z + pl.w;
    if (!(s > 0.0f)) return false;
  }
  return true;
}

float portraitFieldOfView(float fieldOfView, float aspect) {
  if (!(aspect > 0.0f) || aspect >= 1.0f) return fieldOfView;
  const double half = std::atan(std::tan(glm::radians(0.5 * fieldOfView)) / aspect);
  return std::min(maxProjectionFov, static_cast<float>(glm::degrees(2.0 * half)));
}

float aspectRatio(int width, int height) {
  if (width <= 0 || height <= 0) return 1.0f;
  return static_cast<float>(static_cast<double>(width) / static_cast<double>(height));
}

glm::vec3 viewUpOf(const glm::vec3& direction, const glm::vec3& up) {
  const glm::vec3 f = glm::normalize(direction);
  const glm::vec3 n = glm::normalize(up);
  if (!(glm::length(glm::cross(f, n)) <= upAlongDirection)) return up;
  // The world axis least aligned with up, made perpendicular to the
  // direction: it depends on up alone, so nearby directions (the jittered
  // eyes, a mouse turn) get nearby stand-ins.
  const glm::vec3 a = glm::abs(n);
  const glm::vec3 axis = (a.x <= a.y && a.x <= a.z) ? glm::vec3(1, 0, 0)
                         : (a.y <= a.z)             ? glm::vec3(0, 1, 0)
                                                    : glm::vec3(0, 0, 1);
  return glm::normalize(axis - glm::dot(axis, f) * f) * glm::length(up);
}

glm::vec3 turnVector(const glm::vec3& v, float angleDegrees, const glm::vec3& axis) {
  // No axis, no turn: glm would normalise it into NaNs.
  if (!(glm::length(axis) > 0.0f)) return v;
  glm::mat4 rotMat = glm::rotate(glm::mat4(1.0f), glm::radians(angleDegrees), axis);
  return glm::vec3(rotMat * glm::vec4(v, 0.0f));
}

Camera::Camera()
    : position(4.0f, 0.0f, 1.0f),
      direction(glm::vec3(0.0f, 0.0f, 1.0f) - position),
      up(0.0f, 1.0f, 0.0f),
      fieldOfView(65.0f),
      nearPlane(0.01f),
      farPlane(1000000.0f),
      eyePath(nullptr),
      lookAtPath(nullptr),
      pathStartTime(0.0),
      pathActive(false) {}

void Camera::setPosition(const glm::vec3& p) {
  if (isFinite(p)) position = p;
}

void Camera::setDirection(const glm::vec3& d) {
  if (isUsableDirection(d)) direction = d;
}

void Camera::setUp(const glm::vec3& u) {
  if (isUsableDirection(u)) up = u;
}

bool Camera::setFieldOfView(float degrees) {
  if (!(degrees >= 0.0f && degrees <= 180.0f)) return false;
  fieldOfView = degrees;
  return true;
}

bool Camera::setDirectionLength(float length) {
  if (!(length >= 0.0f && length <= maxDirectionLength)) return false;
  direction = glm::normalize(direction) * std::max(length, minDirectionLength);
  return true;
}

void Camera::setEyePath(Object* path) {
  if (path && path->isPath()) eyePath = path;
}

void Camera::setLookAtPath(Object* path) {
  if (path && path->isPath()) lookAtPath = path;
}

void Camera::clearPaths() {
  eyePath = lookAtPath = nullptr;
  fovPerPoint.clear();
  focusPerPoint.clear();
  pathStartTime = 0.0;
  pathActive = false;
}

void Camera::startPath() {
  pathActive = true;
  pathStartTime = 0.0;
}

// A turn keeps a vector's length only up to rounding; the guard keeps a
// direction that many turns have worn down from collapsing. A zero turn
// returns early so that it never swaps in the stand-in up: the pointer comes
// back to the centre after every motion, and that event must change nothing.
void Camera::yaw(float angle) {
  if (angle == 0.0f || !std::isfinite(angle)) return;
  up = getViewUp();
  setDirection(turnVector(direction, angle, up));
}

void Camera::pitch(float angle) {
  if (angle == 0.0f || !std::isfinite(angle)) return;
  up = getViewUp();
  const glm::vec3 right = getRight();
  setDirection(turnVector(direction, angle, right));
  up = turnVector(up, angle, right);
}

void Camera::roll(float angle) {
  if (angle == 0.0f || !std::isfinite(angle)) return;
  up = getViewUp();
  up = turnVector(up, angle, direction);
}

glm::mat4 Camera::getViewMatrix() const { return viewMatrixOf<float>(position, direction, getViewUp()); }

glm::mat4 Camera::getProjectionMatrix() const { return projectionMatrixOf<float>(fieldOfView, nearPlane, farPlane); }

glm::mat4 Camera::getViewProjectionMatrix() const { return getProjectionMatrix() * getViewMatrix(); }

void Camera::updateFrustumPlanes() {
  glm::dmat4 clip = projectionMatrixOf<double>(fieldOfView, nearPlane, farPlane) *
                    viewMatrixOf<double>(glm::dvec3(position), glm::dvec3(direction), glm::dvec3(getViewUp()));
  frustumPlanes = extractFrustumPlanes(clip);
}

bool Camera::isPointInFrustum(const glm::vec3& p) {
  updateFrustumPlanes();
  return isPointInsidePlanes(frustumPlanes, p);
}

void matrixToDoubles(const glm::mat4& m, double out[16]) {
  for (int c = 0; c < 4; ++c)
    for (int r = 0; r < 4; ++r) out[4 * c + r] = static_cast<double>(m[c][r]);
}

bool Camera::projectToWindow(const glm::vec3& p, const int viewport[4], double& x, double& y, double& z) const {
  double mvMatrix[16];
  double projMatrix[16];
  matrixToDoubles(getViewMatrix(), mvMatrix);
  matrixToDoubles(getProjectionMatrix(), projMatrix);
  return windowCoordinates(mvMatrix, projMatrix, viewport, p.x, p.y, p.z, x, y, z);
}

bool Camera::isPointOccluded(const glm::vec3& p, DepthProbe& probe, float openDepth) {
  GLint viewport[4];
  glGetIntegerv(GL_VIEWPORT, viewport);
  GLdouble projX = 0.0, projY = 0.0, projZ = 0.0;
  if (!projectToWindow(p, viewport, projX, projY, projZ)) return false;
  // Outside the viewport the depth buffer says nothing about the point, and a
  // read there would return undefined data.
  if (!(projX >= viewport[0] && projX < viewport[0] + viewport[2] && projY >= viewport[1] &&
        projY < viewport[1] + viewport[3]))
    return false;
  const float bufferZ = readDepthAt(probe, static_cast<int>(projX), static_cast<int>(projY));
  // Equal depths count as visible.
  return bufferZ < static_cast<float>(projZ) && bufferZ < openDepth;
}
