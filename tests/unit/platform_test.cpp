#include "platform/platform.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace {

std::vector<std::pair<int, int>> keys;
void recordKey(int key, int action) { keys.emplace_back(key, action); }
int lastWheel = 0;
void recordWheel(int pos) { lastWheel = pos; }

TEST(Platform, KeyCodesFollowTheClassicNumbering) {
  // GLFW 3 codes on the left, the numbering the handlers expect on the right.
  EXPECT_EQ(platform::translateKey(256), platform::KEY_ESC);
  EXPECT_EQ(platform::KEY_ESC, 257);
  EXPECT_EQ(platform::translateKey(265), 283);  // up
  EXPECT_EQ(platform::translateKey(264), 284);  // down
  EXPECT_EQ(platform::translateKey(263), 285);  // left
  EXPECT_EQ(platform::translateKey(262), 286);  // right
  EXPECT_EQ(platform::translateKey(87), 'W');
  EXPECT_EQ(platform::translateKey(80), 'P');
  EXPECT_EQ(platform::translateKey(32), ' ');
  EXPECT_EQ(platform::translateKey(290), platform::KEY_F1);
  EXPECT_EQ(platform::translateKey(314), platform::KEY_F1 + 24);
  EXPECT_EQ(platform::translateKey(320), platform::KEY_KP_0);
  EXPECT_EQ(platform::translateKey(257), platform::KEY_ENTER);
  EXPECT_EQ(platform::translateKey(-1), -1);
}

TEST(Platform, RepeatsArePressesOnlyWithKeyRepeat) {
  keys.clear();
  platform::setKeyCallback(recordKey);
  platform::disable(platform::KEY_REPEAT);
  platform::injectKey('W', 2);
  EXPECT_TRUE(keys.empty());
  platform::enable(platform::KEY_REPEAT);
  platform::injectKey('W', 2);
  platform::injectKey('W', 0);
  ASSERT_EQ(keys.size(), 2u);
  EXPECT_EQ(keys[0], std::make_pair(int('W'), platform::PRESS));
  EXPECT_EQ(keys[1], std::make_pair(int('W'), platform::RELEASE));
  platform::setKeyCallback(nullptr);
}

TEST(Platform, EveryPressIsKeptInOrderUntilTaken) {
  platform::takeKeyPresses();
  platform::enable(platform::KEY_REPEAT);
  // Twenty quick taps between two frames, a held key's repeats among them.
  for (int i = 0; i < 20; ++i) {
    platform::injectKey(platform::KEY_F1 + 1, platform::PRESS);
    platform::injectKey(platform::KEY_F1 + 1, 2);
    platform::injectKey(platform::KEY_F1 + 1, platform::RELEASE);
  }
  platform::injectKey(platform::KEY_F1 + 11, platform::PRESS);
  std::vector<int> presses = platform::takeKeyPresses();
  ASSERT_EQ(presses.size(), 21u);
  EXPECT_EQ(presses.front(), platform::KEY_F1 + 1);
  EXPECT_EQ(presses.back(), platform::KEY_F1 + 11);
  EXPECT_TRUE(platform::takeKeyPresses().empty()) << "taken once";
  // Nobody taking them: the newest are kept, the memory bounded.
  for (int i = 0; i < platform::kMaxKeyPresses + 10; ++i) platform::injectKey(i, platform::PRESS);
  presses = platform::takeKeyPresses();
  ASSERT_EQ(presses.size(), static_cast<size_t>(platform::kMaxKeyPresses));
  EXPECT_EQ(presses.front(), 10);
  platform::disable(platform::KEY_REPEAT);
}

TEST(Platform, WheelAccumulatesUntilReset) {
  platform::setMouseWheel(0);
  platform::setMouseWheelCallback(recordWheel);
  platform::injectMouseWheel(1.0);
  platform::injectMouseWheel(1.0);
  EXPECT_EQ(lastWheel, 2);
  EXPECT_EQ(platform::getMouseWheel(), 2);
  platform::setMouseWheel(0);
  platform::injectMouseWheel(-1.0);
  EXPECT_EQ(lastWheel, -1);
  platform::setMouseWheelCallback(nullptr);
  platform::setMouseWheel(0);
}

TEST(Platform, WheelOffsetsBecomeWholeNotchesWithNothingLost) {
  struct Case {
    const char* what;
    std::vector<double> offsets;
    std::vector<int> notches;  // per offset
  };
  const double inf = std::numeric_limits<double>::infinity();
  const Case cases[] = {
      {"clicks", {1.0, -1.0, 3.0}, {1, -1, 3}},
      {"ten of 0.4", std::vector<double>(10, 0.4), {0, 0, 1, 0, 1, 0, 0, 1, 0, 1}},
      {"ten of 0.1 make one", std::vector<double>(10, 0.1), {0, 0, 0, 0, 0, 0, 0, 0, 0, 1}},
      {"-0.5 is not rounded up", {-0.5, -0.4, -0.1}, {0, 0, -1}},
      {"a turn back cancels", {0.7, -0.4, 0.6, -1.9}, {0, 0, 0, -1}},
      {"mixed", {2.5, 0.5, -0.25}, {2, 1, 0}},
      {"not finite is ignored", {0.6, std::nan(""), inf, -inf, 0.4}, {0, 0, 0, 0, 1}},
      {"huge is capped", {1e300, 0.0}, {1000000, 0}},
  };
  for (const Case& c : cases) {
    platform::WheelAccumulator wheel;
    std::vector<int> got;
    for (double offset : c.offsets) got.push_back(wheel.add(offset));
    EXPECT_EQ(c.notches, got) << c.what;
  }
}

TEST(Platform, PrintableKeysTakeTheLayoutsCharacter) {
  struct Case {
    int translated;
    const char* name;
    int expected;
  };
  const Case cases[] = {
      {'W', "z", 'Z'},                     // AZERTY: the key in W's place prints Z
      {'Z', "w", 'W'},                     // ... and the one in Z's place W
      {'Y', "z", 'Z'},                     // QWERTZ
      {'A', "a", 'A'},                     // same as the position
      {'2', "\xc3\xa9", '2'},              // é has no code: the position's stays
      {'1', "&", '&'},                     // an ASCII symbol is taken
      {'Q', nullptr, 'Q'},                 // no name
      {'Q', "", 'Q'},                      //
      {'Q', "ab", 'Q'},                    // not one character
      {' ', " ", ' '},                     // space names no character
      {platform::KEY_ESC, "e", platform::KEY_ESC},  // special keys never change
      {-1, "a", -1},
  };
  for (const Case& c : cases)
    EXPECT_EQ(c.expected, platform::layoutKeyCode(c.translated, c.name)) << c.translated << " " << (c.name ? c.name : "null");
}

double fakeTime() { return 12.5; }

TEST(Platform, ClockCanBeDriven) {
  platform::setTimeSource(fakeTime);
  EXPECT_DOUBLE_EQ(platform::getTime(), 12.5);
  platform::setTimeSource(nullptr);
}

}  // namespace
