// Receivers of window input. The window's callbacks forward every event to
// the one installed handler; the camera handler steers the camera.
#pragma once

class Camera;
class ConfigFile;

class InputHandler {
 public:
  virtual ~InputHandler() = default;
  virtual void onMouseWheel(int wheelMovement) {}
  virtual void onMousePos(int x, int y) {}
  virtual void onMouseButton(int button, int action) {}
  virtual void onKey(int key, int action) {}
};

class CameraInputHandler : public InputHandler {
 public:
  // Reads its settings from the configuration, once.
  // frameStartTime: the frame's, read at each step.
  CameraInputHandler(Camera* camera, const double* frameStartTime, const ConfigFile& config);

  void onMouseWheel(int wheelMovement) override;
  void onMousePos(int x, int y) override;
  void onKey(int key, int action) override;

  Camera* camera;  // not owned
  const double* frameStartTime;  // not owned
  float keyPressSpeed;
  float mouseSpeed;
  bool invertMouseX;
  bool invertMouseY;
  // T or Z was refused at the end of the direction's range and said so; set
  // back by the next accepted one.
  bool directionLimitWarned = false;

 private:
  // T (doubled) and Z: double or halve the direction length within its range.
  void changeDirectionLength(bool doubled);
};

// The handler the callbacks forward to (none: null).
InputHandler* installedInputHandler();
void setInputHandler(InputHandler* handler);

// The window callbacks; events arriving before a handler is installed are dropped.
void mouseWheelCallback(int wheelPosition);
void mouseButtonCallback(int button, int action);
void mousePosCallback(int x, int y);
void keyCallback(int key, int action);
// Puts the pointer at the window's centre, in pointer (screen) units.
void centrePointer();
// Registers the four callbacks with the window: wheel, button, position, key.
void registerInputCallbacks();

// Seconds since frameStartTime: the scale of every input step.
double timeSinceFrameStart(double frameStartTime);

// The camera handler, made and installed as the one the callbacks forward to.
void createCameraInputHandler(Camera* camera, const double* frameStartTime, const ConfigFile& config);
// Uninstalls the installed handler and deletes it; later events are dropped.
void destroyInputHandler();
