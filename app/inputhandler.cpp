#include "app/inputhandler.h"

#include <glm/glm.hpp>
#include <iostream>

#include "base/configfile.h"
#include "base/frameglobals.h"
#include "platform/platform.h"
#include "scene/camera.h"

// The window's callbacks are plain functions; they reach the installed
// handler through this one pointer.
InputHandler* inputHandler = nullptr;

namespace {
// The window size in pointer units, read at each use: on a scaled display
// windowWidth/windowHeight count framebuffer pixels, which would put the
// centre off the window.
struct PointerArea {
  int width = 0;
  int height = 0;
};

PointerArea readPointerArea() {
  PointerArea area;
  platform::getPointerAreaSize(&area.width, &area.height);
  return area;
}

// Degrees of turn for a pointer offset: formed in double, kept as float.
float turnAngle(int offset, float speed, float deltaTime) {
  return static_cast<float>(static_cast<double>(offset) * (static_cast<double>(speed) * deltaTime));
}
}  // namespace

InputHandler* installedInputHandler() { return inputHandler; }
void setInputHandler(InputHandler* handler) { inputHandler = handler; }

double timeSinceFrameStart(double frameStartTime) { return platform::getTime() - frameStartTime; }

void centrePointer() {
  const PointerArea area = readPointerArea();
  platform::setMousePos(area.width / 2, area.height / 2);
}

void mouseWheelCallback(int) {
  if (!inputHandler) return;
  inputHandler->onMouseWheel(platform::getMouseWheel());
  platform::setMouseWheel(0);
}

void mouseButtonCallback(int button, int action) {
  if (inputHandler) inputHandler->onMouseButton(button, action);
}

void mousePosCallback(int x, int y) {
  if (!inputHandler) return;
  inputHandler->onMousePos(x, y);
  centrePointer();
}

void keyCallback(int key, int action) {
  if (inputHandler) inputHandler->onKey(key, action);
}

void registerInputCallbacks() {
  platform::setMouseWheelCallback(mouseWheelCallback);
  platform::setMouseButtonCallback(mouseButtonCallback);
  platform::setMousePosCallback(mousePosCallback);
  platform::setKeyCallback(keyCallback);
}

CameraInputHandler::CameraInputHandler(Camera* target, const double* frameStart, const ConfigFile& config)
    : InputHandler(), camera(target), frameStartTime(frameStart) {
  // Out of range (say 1e38) the first key would throw the camera away:
  // such a speed is warned about and the default serves.
  keyPressSpeed = config.checkedSetting<float>("keyPressSpeed");
  mouseSpeed = config.checkedSetting<float>("mouseSpeed");
  invertMouseX = config.setting<bool>("invertMouseX");
  invertMouseY = config.setting<bool>("invertMouseY");
}

void CameraInputHandler::onMouseWheel(int wheelMovement) {
  if (!camera) return;
  // Out of 0..180 the camera refuses and the view stays as it is.
  camera->setFieldOfView(camera->getFieldOfView() - 5.0f * static_cast<float>(wheelMovement));
}

void CameraInputHandler::onMousePos(int x, int y) {
  if (!camera) return;
  const float deltaTime = static_cast<float>(timeSinceFrameStart(*frameStartTime));
  // As configured: invertMouseY flips the horizontal response and
  // invertMouseX the vertical one.
  const float sx = invertMouseY ? -mouseSpeed : mouseSpeed;
  const float sy = invertMouseX ? -mouseSpeed : mouseSpeed;
  // The centre the pointer was put at; read afresh, since the window may
  // have been resized since the last event.
  const PointerArea area = readPointerArea();
  const float yawAngle = turnAngle(area.width / 2 - x, sx, deltaTime);
  const float pitchAngle = turnAngle(area.height / 2 - y, sy, deltaTime);
  camera->yaw(yawAngle);
  camera->pitch(pitchAngle);
}

void CameraInputHandler::changeDirectionLength(bool doubled) {
  const float length = glm::length(camera->getDirection());
  const float wanted = doubled ? 2.0f * length : length / 2.0f;
  // Refused at either end rather than clamped, so that Z always undoes T and
  // T undoes Z; one warning per stop, however long the key repeats.
  if (wanted >= minDirectionLength && camera->setDirectionLength(wanted)) {
    directionLimitWarned = false;
    return;
  }
  if (directionLimitWarned) return;
  directionLimitWarned = true;
  std::cerr << "WARNING: camera: a direction length of " << wanted << " is outside " << minDirectionLength << " to "
            << maxDirectionLength << "; " << (doubled ? 'T' : 'Z') << " ignored" << std::endl;
}

void CameraInputHandler::onKey(int key, int action) {
  const float deltaTime = static_cast<float>(timeSinceFrameStart(*frameStartTime));
  if (action == platform::RELEASE || !camera) return;
  // A step or turn that is not finite (a frame time gone wild) is refused by
  // the camera, which keeps its last finite state.
  const float s = deltaTime * keyPressSpeed;
  const PointerArea area = readPointerArea();
  const int cx = area.width / 2, cy = area.height / 2;
  switch (key) {
    case 'W': camera->setPosition(camera->getPosition() + (camera->getLookAtPoint() - camera->getPosition()) * s); break;
    case 'S': camera->setPosition(camera->getPosition() - (camera->getLookAtPoint() - camera->getPosition()) * s); break;
    case 'D': camera->setPosition(camera->getPosition() + camera->getRight() * s); break;
    case 'A': camera->setPosition(camera->getPosition() - camera->getRight() * s); break;
    case 'E': camera->roll(s * 40.0f); break;
    case 'Q': camera->roll(-s * 40.0f); break;
    // The arrows turn like 20 pixels of pointer motion, through the virtual
    // handler so that a derived handler sees them as motion too.
    case platform::KEY_UP: onMousePos(cx, cy - 20); break;
    case platform::KEY_DOWN: onMousePos(cx, cy + 20); break;
    case platform::KEY_LEFT: onMousePos(cx - 20, cy); break;
    case platform::KEY_RIGHT: onMousePos(cx + 20, cy); break;
    case 'T': changeDirectionLength(true); break;
    case 'Z': changeDirectionLength(false); break;
    case 'P': camera->startPath(); break;
    default: break;
  }
}

void createCameraInputHandler(Camera* target, const double* frameStartTime, const ConfigFile& config) {
  setInputHandler(new CameraInputHandler(target, frameStartTime, config));
}

void destroyInputHandler() {
  delete inputHandler;
  inputHandler = nullptr;
}
