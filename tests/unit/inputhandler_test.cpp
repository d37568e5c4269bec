#include "app/inputhandler.h"

#include <gtest/gtest.h>

#include <cmath>
#include <glm/gtc/matrix_transform.hpp>
#include <string>
#include <utility>
#include <vector>

#include "app/orbisk.h"
#include "base/configfile.h"
#include "platform/platform.h"
#include "scene/camera.h"
#include "tests/processstate.h"
#include "tests/unit/fakes.h"

namespace {

using unittest::fakeClock;
using unittest::fakeNow;
using unittest::expectVec;

// Signed yaw (degrees, positive to the left) that took the new camera's
// direction to d.
float yawOf(const glm::vec3& d) { return glm::degrees(std::atan2(d.z, -d.x)); }

class InputTest : public ::testing::Test {
 protected:
  void SetUp() override {
    config = ConfigFile();
    windowWidth = 800;
    windowHeight = 600;
    platform::fakeWindow(800, 600, 1.0f);
    platform::setTimeSource(fakeClock);
    setDeltaTime(0.02);
    registerInputCallbacks();
  }
  void TearDown() override {
    setInputHandler(nullptr);
    platform::setMouseWheelCallback(nullptr);
    platform::setMouseButtonCallback(nullptr);
    platform::setMousePosCallback(nullptr);
    platform::setKeyCallback(nullptr);
    platform::setMouseWheel(0);
    platform::setTimeSource(nullptr);
    platform::fakeWindow(0, 0, 1.0f);
  }
  void setDeltaTime(double dt) {
    frameStart = 50.0;
    fakeNow = 50.0 + dt;
  }
  void configure(const char* key, const char* value) {
    config.keys.push_back(key);
    config.values.push_back(value);
  }

  processstate::Keep<int, int> keep{windowWidth, windowHeight};
  ConfigFile config;  // what the handlers are made with
  Camera cam;
  double frameStart = 0.0;  // the frame's start the handlers read
};

TEST_F(InputTest, SettingsAreReadOnceFromTheConfiguration) {
  CameraInputHandler defaults(&cam, &frameStart, config);
  EXPECT_FLOAT_EQ(6.0f, defaults.keyPressSpeed);
  EXPECT_FLOAT_EQ(3.0f, defaults.mouseSpeed);
  EXPECT_FALSE(defaults.invertMouseX);
  EXPECT_FALSE(defaults.invertMouseY);
  configure("keyPressSpeed", "2.5");
  configure("mouseSpeed", "1");
  configure("invertMouseX", "1");
  configure("invertMouseY", "1");
  CameraInputHandler configured(&cam, &frameStart, config);
  config = ConfigFile();
  EXPECT_FLOAT_EQ(2.5f, configured.keyPressSpeed);
  EXPECT_FLOAT_EQ(1.0f, configured.mouseSpeed);
  EXPECT_TRUE(configured.invertMouseX);
  EXPECT_TRUE(configured.invertMouseY);
}

TEST_F(InputTest, MouseMotionTurnsByOffsetSpeedAndFrameTime) {
  CameraInputHandler handler(&cam, &frameStart, config);
  setInputHandler(&handler);
  platform::injectMousePos(400, 300);  // at the centre: no turn
  expectVec({-4, 0, 0}, cam.getDirection());
  platform::injectMousePos(390, 300);  // 10 px left, 0.02 s: 0.6 degrees left
  EXPECT_NEAR(0.6f, yawOf(cam.getDirection()), 1e-4f);
  EXPECT_NEAR(0.0f, cam.getDirection().y, 1e-6f);

  Camera up;
  handler.camera = &up;
  platform::injectMousePos(400, 290);  // 10 px up: the view rises
  EXPECT_NEAR(0.6f, glm::degrees(std::asin(up.getDirection().y / 4.0f)), 1e-4f);
}

TEST_F(InputTest, InvertMouseYFlipsTheHorizontalAxisOnly) {
  configure("invertMouseY", "1");
  CameraInputHandler handler(&cam, &frameStart, config);
  setInputHandler(&handler);
  platform::injectMousePos(390, 300);
  EXPECT_NEAR(-0.6f, yawOf(cam.getDirection()), 1e-4f);

  config = ConfigFile();
  configure("invertMouseX", "1");
  Camera other;
  CameraInputHandler invertX(&other, &frameStart, config);
  setInputHandler(&invertX);
  platform::injectMousePos(390, 300);
  EXPECT_NEAR(0.6f, yawOf(other.getDirection()), 1e-4f);
  platform::injectMousePos(400, 290);  // up now lowers the view
  EXPECT_LT(other.getDirection().y, 0.0f);
}

TEST_F(InputTest, WheelNotchesZoomWithinZeroTo180AndFractionsAddUp) {
  struct Turn {
    double wheel;
    int times;
    float fieldOfView;  // after the turns
  };
  const std::vector<std::vector<Turn>> cases = {
      {{1.0, 1, 60.0f}, {1.0, 12, 0.0f}, {1.0, 1, 0.0f}, {-1.0, 1, 5.0f}},
      // A touchpad's fractions: four notches, then -0.5 with the 0.0 left
      // over is not yet a notch.
      {{0.4, 10, 45.0f}, {-0.5, 1, 45.0f}, {-0.5, 1, 50.0f}},
  };
  for (const std::vector<Turn>& turns : cases) {
    Camera wheeled;
    CameraInputHandler handler(&wheeled, &frameStart, config);
    setInputHandler(&handler);
    for (const Turn& turn : turns) {
      for (int i = 0; i < turn.times; ++i) platform::injectMouseWheel(turn.wheel);
      EXPECT_FLOAT_EQ(turn.fieldOfView, wheeled.getFieldOfView()) << turn.times << " x " << turn.wheel;
      EXPECT_EQ(0, platform::getMouseWheel());  // reset after each event
    }
  }
}

// On a display scaled by 2 the framebuffer has twice the pixels of the
// window, while pointer positions count the window's units.
TEST_F(InputTest, OnAScaledDisplayThePointerTurnsAndCentresInWindowUnits) {
  CameraInputHandler handler(&cam, &frameStart, config);
  setInputHandler(&handler);
  platform::injectMousePos(380, 300);  // 20 left of the centre at scale 1
  const glm::vec3 atScale1 = cam.getDirection();

  Camera scaled;
  handler.camera = &scaled;
  windowWidth = 1600;
  windowHeight = 1200;
  platform::fakeWindow(1600, 1200, 2.0f);
  platform::setMousePos(0, 0);
  platform::injectMousePos(380, 300);
  expectVec(atScale1, scaled.getDirection());
  int x = -1, y = -1;
  platform::getMousePos(&x, &y);
  EXPECT_EQ(400, x);
  EXPECT_EQ(300, y);
  // The arrows too turn by 20 window units.
  Camera arrowed;
  handler.camera = &arrowed;
  platform::injectKey(platform::KEY_LEFT, platform::PRESS);
  expectVec(atScale1, arrowed.getDirection());
}

TEST_F(InputTest, MoveKeysStepByDirectionTimesSpeed) {
  CameraInputHandler handler(&cam, &frameStart, config);
  setInputHandler(&handler);
  setDeltaTime(0.05);
  struct Key {
    int key, action;
    glm::vec3 position;  // after the key
  };
  const Key keys[] = {
      {'W', platform::PRESS, {2.8f, 0, 1}},    {'W', platform::RELEASE, {2.8f, 0, 1}},
      {'S', platform::RELEASE, {2.8f, 0, 1}},  {'S', platform::PRESS, {4, 0, 1}},
      {'D', platform::PRESS, {4, 0, -0.2f}},  // right is (0, 0, -4)
      {'A', platform::PRESS, {4, 0, 1}},
      // T doubles the direction and with it the step; Z halves it.
      {'T', platform::PRESS, {4, 0, 1}},       {'W', platform::PRESS, {1.6f, 0, 1}},
      {'Z', platform::PRESS, {1.6f, 0, 1}},    {'Z', platform::PRESS, {1.6f, 0, 1}},
      {'S', platform::PRESS, {2.2f, 0, 1}},
  };
  for (const Key& k : keys) {
    platform::injectKey(k.key, k.action);
    SCOPED_TRACE(testing::Message() << char(k.key) << (k.action == platform::PRESS ? " pressed" : " released"));
    expectVec(k.position, cam.getPosition());
  }
}

TEST_F(InputTest, RollKeysTurnUpTowardsRight) {
  CameraInputHandler handler(&cam, &frameStart, config);
  setInputHandler(&handler);
  setDeltaTime(0.05);
  platform::injectKey('E', platform::PRESS);  // 0.3 * 40 = 12 degrees
  expectVec({0, std::cos(glm::radians(12.0f)), -std::sin(glm::radians(12.0f))}, cam.getUp());
  platform::injectKey('Q', platform::PRESS);
  expectVec({0, 1, 0}, cam.getUp());
}

int countOf(const std::string& text, const std::string& word) {
  int n = 0;
  for (size_t at = text.find(word); at != std::string::npos; at = text.find(word, at + 1)) ++n;
  return n;
}

TEST_F(InputTest, SpeedsOutOfRangeFallBackToTheDefaultsWithAWarning) {
  struct Case {
    const char* value;
    float keyPressSpeed, mouseSpeed;
  };
  const Case cases[] = {{"1e38", 6, 3}, {"-1", 6, 3}, {"100.5", 6, 3}, {"100", 100, 100}, {"0", 0, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    config = ConfigFile();
    configure("keyPressSpeed", c.value);
    configure("mouseSpeed", c.value);
    testing::internal::CaptureStderr();
    CameraInputHandler handler(&cam, &frameStart, config);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(c.keyPressSpeed, handler.keyPressSpeed);
    EXPECT_EQ(c.mouseSpeed, handler.mouseSpeed);
    const bool refused = c.keyPressSpeed != 100 && c.keyPressSpeed != 0;
    EXPECT_EQ(refused ? 1 : 0, countOf(err, "WARNING: config.ini: keyPressSpeed"));
    EXPECT_EQ(refused ? 1 : 0, countOf(err, "WARNING: config.ini: mouseSpeed"));
  }
}

TEST_F(InputTest, AFrameTimeGoneWildLeavesTheCameraWhereItWas) {
  CameraInputHandler handler(&cam, &frameStart, config);
  setInputHandler(&handler);
  // Infinite as a float; finite, but infinite once scaled by a speed; no time at all.
  for (double dt : {1e300, 1e38, static_cast<double>(NAN)}) {
    setDeltaTime(dt);
    const int keys[] = {'W', 'S', 'D', 'A', 'E', 'Q', platform::KEY_UP, platform::KEY_DOWN, platform::KEY_LEFT,
                        platform::KEY_RIGHT};
    for (int key : keys)
      platform::injectKey(key, platform::PRESS);
    platform::injectMousePos(390, 290);
  }
  Camera fresh;
  EXPECT_EQ(fresh.getPosition(), cam.getPosition());
  EXPECT_EQ(fresh.getDirection(), cam.getDirection());
  EXPECT_EQ(fresh.getUp(), cam.getUp());
}

TEST_F(InputTest, TAndZStopAtTheEndsSoThatEachUndoesTheOther) {
  CameraInputHandler handler(&cam, &frameStart, config);
  setInputHandler(&handler);
  auto press = [](int key, int times) {
    for (int i = 0; i < times; ++i) platform::injectKey(key, platform::PRESS);
  };
  auto length = [this] { return glm::length(cam.getDirection()); };
  // Held far past either end: one warning at each.
  testing::internal::CaptureStderr();
  press('T', 200);
  EXPECT_LE(length(), maxDirectionLength);
  EXPECT_GT(length(), maxDirectionLength / 2.0f);
  press('Z', 200);
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_GE(length(), minDirectionLength);
  EXPECT_LT(length(), minDirectionLength * 2.0f);
  EXPECT_EQ(2, countOf(err, "WARNING: camera:")) << err;
  EXPECT_EQ(1, countOf(err, "T ignored"));
  EXPECT_EQ(1, countOf(err, "Z ignored"));

  // Near either end, and between, one undoes the other.
  struct Case {
    float start;
    int first, second;
  };
  const Case cases[] = {{4, 'T', 'Z'}, {4, 'Z', 'T'}, {maxDirectionLength / 1.5f, 'Z', 'T'},
                        {minDirectionLength * 1.5f, 'T', 'Z'}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.start << " " << static_cast<char>(c.first));
    ASSERT_TRUE(cam.setDirectionLength(c.start));
    testing::internal::CaptureStderr();
    press(c.first, 3);
    press(c.second, 3);
    testing::internal::GetCapturedStderr();
    EXPECT_NEAR(c.start, length(), c.start * 1e-6f);
    EXPECT_LT(cam.getDirection().x, 0.0f);
  }
}

TEST_F(InputTest, StraightUpTheKeysStillStrafeAndTheArrowsTurnAway) {
  cam.setDirection({0, 4, 0});
  CameraInputHandler handler(&cam, &frameStart, config);
  setInputHandler(&handler);
  setDeltaTime(0.05);
  platform::injectKey('D', platform::PRESS);  // 4 * 0.05 * 6 across the direction
  EXPECT_NEAR(1.2f, glm::length(cam.getPosition() - glm::vec3(4, 0, 1)), 1e-5f);
  EXPECT_NEAR(0.0f, cam.getPosition().y, 1e-6f);
  platform::injectKey(platform::KEY_LEFT, platform::PRESS);  // 20 * 3.0 * 0.05 degrees
  EXPECT_NEAR(3.0f, glm::degrees(std::acos(cam.getDirection().y / 4.0f)), 1e-2f);
  platform::injectKey(platform::KEY_UP, platform::PRESS);
  EXPECT_GT(glm::degrees(std::acos(cam.getDirection().y / 4.0f)), 3.0f);
}

// Records the motion that the arrow keys feed through the virtual table.
class RecordingHandler : public CameraInputHandler {
 public:
  using CameraInputHandler::CameraInputHandler;
  void onMousePos(int x, int y) override {
    seen.emplace_back(x, y);
    CameraInputHandler::onMousePos(x, y);
  }
  std::vector<std::pair<int, int>> seen;
};

TEST_F(InputTest, ArrowKeysActAsTwentyPixelsOfMotion) {
  platform::fakeWindow(801, 601, 1.0f);  // odd sizes: the centre is truncated
  RecordingHandler handler(&cam, &frameStart, config);
  setInputHandler(&handler);
  platform::injectKey(platform::KEY_UP, platform::PRESS);
  platform::injectKey(platform::KEY_DOWN, platform::PRESS);
  platform::injectKey(platform::KEY_LEFT, platform::PRESS);
  platform::injectKey(platform::KEY_RIGHT, platform::RELEASE);
  std::vector<std::pair<int, int>> expected = {{400, 280}, {400, 320}, {380, 300}};
  EXPECT_EQ(expected, handler.seen);
  EXPECT_NEAR(1.2f, yawOf(cam.getDirection()), 1e-3f);  // 20 * 3.0 * 0.02
}

TEST_F(InputTest, PArmsTheFlightAndOtherInputChangesNothing) {
  CameraInputHandler handler(&cam, &frameStart, config);
  setInputHandler(&handler);
  platform::injectMouseButton(0, platform::PRESS);
  platform::injectKey('X', platform::PRESS);
  platform::injectKey(platform::KEY_ESC, platform::PRESS);
  Camera fresh;
  expectVec(fresh.getPosition(), cam.getPosition());
  expectVec(fresh.getDirection(), cam.getDirection());
  expectVec(fresh.getUp(), cam.getUp());
  EXPECT_FLOAT_EQ(65.0f, cam.getFieldOfView());
  platform::injectKey('P', platform::PRESS);
  EXPECT_TRUE(cam.isPathActive());
  EXPECT_DOUBLE_EQ(0.0, cam.getPathStartTime());
}

TEST_F(InputTest, EventsBeforeAHandlerIsInstalledAreDropped) {
  setInputHandler(nullptr);
  platform::injectMouseWheel(1.0);
  platform::injectMousePos(0, 0);
  platform::injectKey('W', platform::PRESS);
  platform::injectMouseButton(0, platform::PRESS);
  InputHandler base;  // the base handler ignores everything
  setInputHandler(&base);
  platform::injectKey('W', platform::PRESS);
  platform::injectMousePos(0, 0);
  EXPECT_EQ(&base, installedInputHandler());
}

}  // namespace
