#include "platform/platform.h"

#include <gtest/gtest.h>

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

double fakeTime() { return 12.5; }

TEST(Platform, ClockCanBeDriven) {
  platform::setTimeSource(fakeTime);
  EXPECT_DOUBLE_EQ(platform::getTime(), 12.5);
  platform::setTimeSource(nullptr);
}

}  // namespace
