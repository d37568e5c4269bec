// The design's process-wide values outlive every test. A test that sets them
// puts them back (Keep), and a listener fails any test that leaves one
// changed, so the tests pass alone, shuffled and repeated.
#pragma once
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <tuple>

#include "app/inputhandler.h"
#include "base/frameglobals.h"
#include "gpu/stagetimer.h"
#include "scene/camera.h"

namespace processstate {

// Puts the values back as they were when it goes out of scope:
//   Keep keep(windowWidth, windowHeight, camera);
template <typename... T>
class Keep {
 public:
  explicit Keep(T&... values) : places(values...), saved(values...) {}
  ~Keep() { places = saved; }
  Keep(const Keep&) = delete;
  Keep& operator=(const Keep&) = delete;

 private:
  std::tuple<T&...> places;
  std::tuple<T...> saved;
};

struct Snapshot {
  int width = 0, height = 0;
  Camera view;
  const StageRecorder* recorder = nullptr;
  InputHandler* handler = nullptr;
};

inline Snapshot take() {
  Snapshot s;
  s.width = windowWidth;
  s.height = windowHeight;
  s.view = camera;
  s.recorder = stageRecorder;
  s.handler = installedInputHandler();
  return s;
}

// Only what take() reads; the overlay's program is compared, not restored:
// a test that builds one releases it itself.
inline void put(const Snapshot& s) {
  windowWidth = s.width;
  windowHeight = s.height;
  camera = s.view;
  stageRecorder = s.recorder;
  setInputHandler(s.handler);
}

inline bool sameCamera(const Camera& a, const Camera& b) {
  return a.getPosition() == b.getPosition() && a.getDirection() == b.getDirection() && a.getUp() == b.getUp() &&
         a.getFieldOfView() == b.getFieldOfView() && a.getNearPlane() == b.getNearPlane() &&
         a.getFarPlane() == b.getFarPlane() && a.getEyePath() == b.getEyePath() &&
         a.getLookAtPath() == b.getLookAtPath() && a.isPathActive() == b.isPathActive() &&
         a.getPathStartTime() == b.getPathStartTime() && a.getFovPerPoint() == b.getFovPerPoint() &&
         a.getFocusPerPoint() == b.getFocusPerPoint();
}

// The names of the values that differ, one a line; empty when none does.
inline std::string changes(const Snapshot& a, const Snapshot& b) {
  std::ostringstream out;
  auto note = [&](bool same, const char* name) {
    if (!same) out << name << "\n";
  };
  note(a.width == b.width && a.height == b.height, "windowWidth/windowHeight");
  note(sameCamera(a.view, b.view), "camera");
  note(a.recorder == b.recorder, "stageRecorder");
  note(a.handler == b.handler, "inputHandler");
  return out.str();
}

// Fails the test that leaves a value changed, then puts it back so that one
// leak fails one test and not the ones after it.
class LeftStateCheck : public testing::EmptyTestEventListener {
 public:
  void OnTestStart(const testing::TestInfo&) override { before = take(); }
  void OnTestEnd(const testing::TestInfo&) override {
    EXPECT_EQ(changes(before, take()), "") << "process-wide values this test left changed";
    put(before);
  }

 private:
  Snapshot before;
};

}  // namespace processstate
