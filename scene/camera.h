// The one viewer of the scene: where it stands, where it looks, and the view,
// projection and frustum derived from that. Angles are degrees everywhere.
#pragma once
#include <array>
#include <glm/glm.hpp>
#include <vector>

class Object;
struct DepthProbe;

// Frustum planes (a, b, c, d), normalised so that a·x + b·y + c·z + d is the
// signed distance of a point, positive inside.
enum FrustumPlane { PLANE_NEAR = 0, PLANE_FAR, PLANE_RIGHT, PLANE_LEFT, PLANE_TOP, PLANE_BOTTOM };
using FrustumPlanes = std::array<glm::vec4, 6>;

// The six planes of the clip matrix, in FrustumPlane order. Computed in double:
// with a far plane a hundred million times the near one, the far plane's
// normal cancels to zero in single precision.
FrustumPlanes extractFrustumPlanes(const glm::dmat4& clip);
// A point exactly on a plane is outside.
bool isPointInsidePlanes(const FrustumPlanes& planes, const glm::vec3& p);

// Column-major copy for the window projection (element 4c + r = m[c][r]).
void matrixToDoubles(const glm::mat4& m, double out[16]);

// Width / height of the window; a window without area gives 1, so the
// projection stays finite.
float aspectRatio(int width, int height);

// The vertical field of view the projection takes for a window of the given
// aspect: the field itself on a landscape (or square) window; on a portrait
// one, widened so that the horizontal field stays the field given, as on a
// square window, rather than narrowing with the width.
float portraitFieldOfView(float fieldOfView, float aspect);

// v turned by angle degrees about axis (right-handed; the axis need not be unit).
glm::vec3 turnVector(const glm::vec3& v, float angleDegrees, const glm::vec3& axis);

// The shortest direction setDirectionLength gives: shorter ones would round
// the look-at point onto the eye and leave the view matrix undefined.
constexpr float minDirectionLength = 1e-5f;
// The longest: its square (1e30) and the view, frustum and jitter maths stay
// far inside float's range, and it lies far beyond the far plane, so no
// useful focus distance or movement step is lost. Doubling a length of 2^64
// overflowed the square and blacked out the view.
constexpr float maxDirectionLength = 1e15f;

// The up a view along direction takes: up itself, or where up lies along the
// direction (a path that climbs or falls straight), a stand-in perpendicular
// to the direction with up's length. The turns, the right vector, the view
// and the depth-of-field eyes all take it, so they agree on one frame.
glm::vec3 viewUpOf(const glm::vec3& direction, const glm::vec3& up);

class Camera {
 public:
  Camera();

  glm::vec3 getPosition() const { return position; }
  // A non-finite position is refused: the camera keeps its last finite one.
  void setPosition(const glm::vec3& p);
  glm::vec3 getDirection() const { return direction; }
  // Keeps the length given (it is the focus distance). A zero, near-zero or
  // non-finite vector is refused: the camera always keeps a direction.
  void setDirection(const glm::vec3& d);
  glm::vec3 getUp() const { return up; }
  // A zero or non-finite vector is refused, as for the direction.
  void setUp(const glm::vec3& u);
  // viewUpOf(direction, up): differs from up only where up lies along the direction.
  glm::vec3 getViewUp() const { return viewUpOf(direction, up); }
  // cross(direction, view up), not normalised: strafing scales with its length.
  glm::vec3 getRight() const { return glm::cross(direction, getViewUp()); }
  glm::vec3 getLookAtPoint() const { return position + direction; }
  float getFieldOfView() const { return fieldOfView; }
  // Accepts 0 to 180 degrees inclusive.
  bool setFieldOfView(float degrees);
  // Negative lengths are ignored; lengths below minDirectionLength become it.
  // Lengths above maxDirectionLength (and non-finite ones) are refused: the
  // result is false and the direction stays as it is.
  bool setDirectionLength(float length);
  float getNearPlane() const { return nearPlane; }
  float getFarPlane() const { return farPlane; }

  // Only path objects are kept; anything else leaves the previous path.
  void setEyePath(Object* path);
  void setLookAtPath(Object* path);
  Object* getEyePath() const { return eyePath; }
  Object* getLookAtPath() const { return lookAtPath; }
  // Lets go of both paths and ends a flight, for the scene that owns them.
  void clearPaths();
  // Arms a flight; its clock starts at the next animation step.
  void startPath();
  bool isPathActive() const { return pathActive; }
  double getPathStartTime() const { return pathStartTime; }
  const std::vector<float>& getFovPerPoint() const { return fovPerPoint; }
  const std::vector<float>& getFocusPerPoint() const { return focusPerPoint; }
  // One step of the path flight at scene time `now` (sceneclock.h).
  void animatePathAt(double now);

  // A non-finite angle turns nothing. Where up lies along the direction, a turn
  // first takes the stand-in up as its own, so the camera turns out of that
  // state the way the view shows it.
  void yaw(float angle);
  void pitch(float angle);
  void roll(float angle);

  glm::mat4 getViewMatrix() const;
  glm::mat4 getProjectionMatrix() const;
  glm::mat4 getViewProjectionMatrix() const;

  void updateFrustumPlanes();
  const FrustumPlanes& getFrustumPlanes() const { return frustumPlanes; }
  bool isPointInFrustum(const glm::vec3& p);
  // Window coordinates of a world point under the camera's matrices and the
  // given viewport (x, y, width, height); false when it cannot be projected.
  bool projectToWindow(const glm::vec3& p, const int viewport[4], double& x, double& y, double& z) const;
  // Whether the bound framebuffer's depth at p's pixel lies in front of p
  // (a depth read-back, under the live viewport). Depths from openDepth on
  // hide nothing (the thin air beyond the Earth's disc).
  bool isPointOccluded(const glm::vec3& p, DepthProbe& probe, float openDepth = 1.0f);

 private:
  glm::vec3 position;
  glm::vec3 direction;
  glm::vec3 up;
  float fieldOfView;
  float nearPlane;
  float farPlane;
  Object* eyePath;
  Object* lookAtPath;
  std::vector<float> fovPerPoint;
  std::vector<float> focusPerPoint;
  double pathStartTime;
  bool pathActive;
  FrustumPlanes frustumPlanes{};
};

extern Camera camera;
